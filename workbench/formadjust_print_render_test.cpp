// What the print items put on paper: printed from their buttons into the embedded virtual printer,
// read back from the sheets in its tray. Positions are sheet pixels at 360 dpi, that is the 1/360
// inch units the program feeds in; the expected places follow from the feeds and line ends the
// patterns send (a text line is 60 pixels, a raster block does not feed).
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QPushButton>
#include <QSlider>
#include <algorithm>
#include <set>

#include "eeprom/addressmap.h"
#include "link/mechcmd.h"
#include "link/modelcode.h"
#include "link/pktlink.h"
#include "workbench/printitems_test_fixture.h"
#include "workbench/sheetreader_test_util.h"

using sheettest::Ink;
using sheettest::kCellPixels;
using sheettest::kLeftEdge;
using sheettest::kLinePixels;
using sheettest::kPageTop;
using sheettest::Plane;
using sheettest::Sheet;
using testing_support::Click;
using testing_support::Find;
using testing_support::LogText;

namespace {

constexpr uint8_t kModel1 = QUORLA_Z40_MODEL_CODE_1;
constexpr uint8_t kModel2 = QUORLA_Z40_MODEL_CODE_2;
constexpr int kPrintWidth = 2880;
constexpr uint8_t kWhite = 0;
const uint8_t kFullBlack = Ink(Plane::kBlack, 3);

class OnPaper : public printitems::PrintItemsTest {
 protected:
  // Ends the job as the printer's initialisation does (the workbench sends it when it closes):
  // a sheet still in the printer comes out. Returns the sheets ejected since the trace was
  // cleared.
  std::vector<Sheet> TakeSheets() {
    EXPECT_EQ(PowerOnInitialize(kModel1, kModel2), rc::Success);
    return sheettest::EjectedSheets(printer);
  }

  // The text line at y from the left edge, as long as the expected text and two cells more, so
  // that nothing printed after it goes unnoticed.
  static void ExpectText(const Sheet& sheet, int y, const std::string& text, int left = kLeftEdge) {
    EXPECT_EQ(sheet.ReadText(left, y, static_cast<int>(text.size()) + 2), text + "  ")
        << "text line at " << y;
  }
};

// --- Top-margin line: the printer's stored top margin and first dot position move it ------------

TEST_F(OnPaper, TheStoredTopMarginAndFirstDotPositionMoveTheTopMarginLine) {
  struct Case {
    uint8_t topMargin;  // 1/360 inch
    uint8_t firstDot;   // 1/2880 inch: 72 moves the page 9 pixels
    int down;
    int right;
    const char* printedValue;
  };
  const Case cases[] = {
      {0x00, 0x00, 0, 0, "0"}, {0x19, 0x48, 25, 9, "25"}, {0xE7, 0xB8, -25, -9, "231"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.printedValue);
    // Written as the margin items write them; the printer takes them in when it saves them all.
    ASSERT_EQ(D4WriteEeprom(kModel1, kModel2, eeprom::kTopMargin, c.topMargin), rc::Success);
    ASSERT_EQ(D4WriteEeprom(kModel1, kModel2, eeprom::kFirstDot, c.firstDot), rc::Success);
    ASSERT_EQ(SaveAllCurrentData(kModel1, kModel2), rc::Success);
    printer.ClearTrace();
    form->PrintTopMarginItem();
    ASSERT_EQ(LogText(form), "Printing Top Margin Line completed.");
    LetTheTimerFire();
    const std::vector<Sheet> sheets = TakeSheets();
    ASSERT_EQ(sheets.size(), 1u);
    const Sheet& s = sheets[0];

    const int top = kPageTop + c.down;
    const int left = kLeftEdge + c.right;
    EXPECT_EQ(s.FirstInkedRow(0, s.width()), top);
    EXPECT_EQ(s.InkColumns(Plane::kBlack, top, 0, s.width()).size(),
              static_cast<std::size_t>(kPrintWidth));
    EXPECT_TRUE(s.Uniform(left, top, left + kPrintWidth, top + 1, kFullBlack));
    // The stroke: one dot at the first dot position on each of the 71 lines below, 1/180 inch
    // apart.
    for (int line = 1; line < 72; ++line) {
      EXPECT_EQ(s.InkColumns(Plane::kBlack, top + 2 * line, 0, s.width()), std::vector<int>{left});
      EXPECT_TRUE(s.InkColumns(Plane::kBlack, top + 2 * line - 1, 0, s.width()).empty());
    }
    // Three line ends below the line, the stored byte as an unsigned number.
    ExpectText(s, top + 3 * kLinePixels, std::string("Top margin value = ") + c.printedValue, left);
  }
}

// --- A4 check page ------------------------------------------------------------------------------

TEST_F(OnPaper, TheCheckPageLaysEachItemWhereItsFeedsAndLineEndsPutIt) {
  OpenA4Panel();
  Click(form, "A4CheckPrnOKBtn");
  ASSERT_EQ(LogText(form), "A4 pattern print is completed.");
  const std::vector<Sheet> sheets = sheettest::EjectedSheets(printer);
  ASSERT_EQ(sheets.size(), 2u);
  const Sheet& first = sheets[0];
  const Sheet& second = sheets[1];
  const int right = kLeftEdge + kPrintWidth;

  // First sheet. The top-margin line lies at the page top; its text three line ends below, each
  // heading two or one line ends after the item before it.
  EXPECT_EQ(first.FirstInkedRow(0, first.width()), kPageTop);
  const int valueLine = kPageTop + 3 * kLinePixels;
  ExpectText(first, valueLine, "Top margin value = 0");
  ExpectText(first, valueLine + 2 * kLinePixels, "2. Protection counter value = 1234");
  const int betaHeading = valueLine + 4 * kLinePixels;
  ExpectText(first, betaHeading, "3. Beta pattern(BK/C-M-Y)");

  // Black beta: solid, 8 inches by 0.8 inch, from the line after its heading; 10 units of paper
  // before the colour beta.
  const int blackBeta = betaHeading + kLinePixels;
  EXPECT_TRUE(first.Uniform(kLeftEdge, blackBeta, right, blackBeta + 288, kFullBlack));
  EXPECT_TRUE(first.Uniform(0, blackBeta, kLeftEdge, blackBeta + 288, kWhite));
  EXPECT_TRUE(first.Uniform(right, blackBeta, first.width(), blackBeta + 288, kWhite));
  EXPECT_EQ(first.FirstInkedRow(0, first.width(), blackBeta - 8), blackBeta);
  EXPECT_TRUE(first.Uniform(0, blackBeta + 288, first.width(), blackBeta + 298, kWhite));

  // Colour beta: cyan, magenta and yellow thirds of 952 dots, 12 dots apart, filled solid by
  // three passes one unit apart.
  const int colorBeta = blackBeta + 298;
  const struct {
    Plane plane;
    int x0;
  } thirds[] = {{Plane::kCyan, kLeftEdge},
                {Plane::kMagenta, kLeftEdge + 964},
                {Plane::kYellow, kLeftEdge + 1928}};
  for (const auto& third : thirds) {
    EXPECT_TRUE(
        first.Uniform(third.x0, colorBeta, third.x0 + 952, colorBeta + 288, Ink(third.plane, 3)));
  }
  EXPECT_TRUE(first.Uniform(kLeftEdge + 952, colorBeta, kLeftEdge + 964, colorBeta + 288, kWhite));
  EXPECT_TRUE(
      first.Uniform(kLeftEdge + 1916, colorBeta, kLeftEdge + 1928, colorBeta + 288, kWhite));

  // Black nozzle check: each line a third of the width, left, middle, right, again and again.
  const int nozzleHeading = colorBeta + 288 + kLinePixels;
  ExpectText(first, nozzleHeading, "4. Nozzle check pattern(BK/C-M-Y)");
  const int blackNozzles = nozzleHeading + kLinePixels;
  for (int line = 0; line < 288; ++line) {
    const int y = blackNozzles + line;
    for (int third = 0; third < 3; ++third) {
      const int x0 = kLeftEdge + 960 * third;
      const uint8_t expected = (line % 144) % 3 == third ? kFullBlack : kWhite;
      ASSERT_TRUE(first.Uniform(x0, y, x0 + 960, y + 1, expected)) << "line " << line;
    }
  }
  // Colour nozzle check: one pass per band, so every colour line stands alone, 1/120 inch apart.
  const int colorNozzles = blackNozzles + 288 + 10;
  for (int row = 0; row < 288; ++row) {
    const int y = colorNozzles + row;
    const bool line = (row % 144) % 3 == 0;
    ASSERT_TRUE(
        first.Uniform(kLeftEdge, y, kLeftEdge + 952, y + 1, line ? Ink(Plane::kCyan, 3) : kWhite))
        << "row " << row;
  }
  const int angularHeading = colorNozzles + 288 + kLinePixels;
  ExpectText(first, angularHeading, "5. Head Angular pattern(BK-M)");
  const int bidHeading = angularHeading + kLinePixels + 144 + kLinePixels;
  ExpectText(first, bidHeading, "6. Bi-D check pattern");
  ExpectText(first, bidHeading + kLinePixels, "  MS Black");

  // Second sheet: two line ends, the head ID and the USB ID, then the patterns.
  const int headId = kPageTop + 2 * kLinePixels;
  ExpectText(second, headId,
             "7. Head ID = " + std::string(ProgramUnits->checkPage.HeadIdField(), 11));
  ExpectText(second, headId + 2 * kLinePixels, "8. USB ID = Q40Z123456Q6UAEM10");
  const int alignmentHeading = headId + 4 * kLinePixels;
  ExpectText(second, alignmentHeading, "9. Alignment pattern(BK/C-M-Y)");
  // The alignment pattern's two bands and 60 units, then the colour gap's band.
  const int gapHeading = alignmentHeading + kLinePixels + 288 + 60;
  ExpectText(second, gapHeading, "10. Color Gap");
  const int variableHeading = gapHeading + kLinePixels + 144 + 2 * kLinePixels;
  ExpectText(second, variableHeading, "11. 6pl VARIABLE DOT");

  // The variable-dot strip: the three dot sizes as three densities, 0.4 inch high; nothing after.
  const int strip = variableHeading + kLinePixels;
  for (int size = 0; size < 3; ++size) {
    const int x0 = kLeftEdge + 960 * size;
    EXPECT_TRUE(second.Uniform(x0, strip, x0 + 960, strip + 144, Ink(Plane::kBlack, 3 - size)))
        << "dot size " << size;
  }
  EXPECT_EQ(second.FirstInkedRow(0, second.width(), strip + 144), -1);
}

// --- Bi-D pattern: the printer's own offset shows as the row that lines up ----------------------

// The columns of the five marks of group g (0..2) in a 720-byte line: one small dot in the fourth
// dot of every twelfth byte from byte 90 + 240 g.
std::vector<int> MarkColumns(int group, int shift = 0) {
  std::vector<int> columns;
  for (int mark = 0; mark < 5; ++mark) {
    columns.push_back(kLeftEdge + 4 * (90 + 240 * group + 12 * mark) + 3 + shift);
  }
  return columns;
}

// The columns in which the marks of group g carry ink anywhere in rows [y0, y1).
std::vector<int> InkedMarkColumns(const Sheet& sheet, Plane plane, int group, int y0, int y1) {
  const int x0 = MarkColumns(group).front() - 40;
  const int x1 = MarkColumns(group).back() + 40;
  std::set<int> columns;
  for (int y = y0; y < y1; ++y) {
    for (int x : sheet.InkColumns(plane, y, x0, x1)) columns.insert(x);
  }
  return {columns.begin(), columns.end()};
}

// The top rows of the Bi-D rows whose reference (in this plane) is on the sheet: 48 lines of the
// three mark groups, 48 lines of the test rows' marks, and 48 lines of the reference marks again.
std::vector<int> ReferenceRowTops(const Sheet& sheet, Plane plane) {
  std::vector<int> reference;
  for (int g = 0; g < 3; ++g) {
    const std::vector<int> marks = MarkColumns(g);
    reference.insert(reference.end(), marks.begin(), marks.end());
  }
  const int x0 = reference.front() - 40;
  const int x1 = reference.back() + 40;
  auto isReference = [&](int y) { return sheet.InkColumns(plane, y, x0, x1) == reference; };
  std::vector<int> tops;
  for (int y = 0; y + 144 <= sheet.height(); ++y) {
    if (!isReference(y) || (y > 0 && isReference(y - 1))) continue;
    bool row = true;
    for (int i = 0; row && i < 48; ++i) row = isReference(y + i) && isReference(y + 96 + i);
    if (row) tops.push_back(y);
  }
  return tops;
}

TEST_F(OnPaper, TheBiDRowPrintedWithThePrintersOwnOffsetLinesUpWithItsReference) {
  struct Row {
    int dropSize;
    int inkGroup;
    int8_t stored;
    int8_t offset;  // the mechanism's own, hidden in the printer
    int aligned;    // 0: the row printed with stored - 2, 1: stored, 2: stored + 2
  };
  const Row rows[] = {{1, 1, 3, 5, 2},  {1, 2, 4, 2, 0},  {2, 1, -2, -2, 1},
                      {2, 2, -1, 1, 2}, {3, 1, 1, -1, 0}, {3, 2, 2, 2, 1}};
  int8_t offsets[3][2] = {};
  for (const Row& r : rows) {
    printer.SetEeprom(eeprom::BidCell(r.dropSize, r.inkGroup), static_cast<uint8_t>(r.stored));
    offsets[r.dropSize - 1][r.inkGroup - 1] = r.offset;
  }
  printer.device().SetBidOffsets(offsets);

  OpenBidPrintPanel();
  Find<QSlider>(form, "BidPrintTrackBar")->setValue(1);
  Click(form, "BidPrnOKBtn");
  ASSERT_EQ(LogText(form), "Bi-D pattern print is completed.");
  const std::vector<Sheet> sheets = TakeSheets();
  ASSERT_EQ(sheets.size(), 1u);
  const Sheet& s = sheets[0];

  // One track-bar step is four line ends; the first row's values, then its reference block.
  const int title = kPageTop + 4 * kLinePixels;
  ExpectText(s, title, "Bi-D check pattern");
  ExpectText(s, title + kLinePixels, "  MS Black");
  ExpectText(s, title + 2 * kLinePixels,
             std::string(9, ' ') + "data = 1" + std::string(16, ' ') + "data = 3" +
                 std::string(16, ' ') + "data = 5");

  const std::vector<int> blackTops = ReferenceRowTops(s, Plane::kBlack);
  const std::vector<int> colourTops = ReferenceRowTops(s, Plane::kMagenta);
  ASSERT_EQ(blackTops.size(), 3u);
  ASSERT_EQ(colourTops.size(), 3u);
  EXPECT_EQ(blackTops[0], title + 3 * kLinePixels);
  for (int i = 0; i < 6; ++i) {
    const Row& r = rows[i];
    SCOPED_TRACE("row " + std::to_string(i + 1));
    const bool colour = r.inkGroup == 2;
    const int top = colour ? colourTops[i / 2] : blackTops[i / 2];
    if (i > 0) {
      EXPECT_GT(top, colour ? blackTops[i / 2] : colourTops[i / 2 - 1]);
    }
    const Plane test = colour ? Plane::kCyan : Plane::kBlack;
    for (int group = 0; group < 3; ++group) {
      // Every second line of a test row comes back on the return pass, shifted by twice the
      // difference between the value it was printed with and the printer's own.
      const int value = r.stored + 2 * (group - 1);
      const int shift = 2 * (value - r.offset);
      std::vector<int> expected = MarkColumns(group);
      if (group != r.aligned) {
        ASSERT_NE(shift, 0);
        const std::vector<int> returned = MarkColumns(group, shift);
        expected.insert(expected.end(), returned.begin(), returned.end());
        std::sort(expected.begin(), expected.end());
      }
      EXPECT_EQ(InkedMarkColumns(s, test, group, top + 48, top + 96), expected)
          << "group " << group;
    }
  }
}

}  // namespace
