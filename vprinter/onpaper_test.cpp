// The faults an instructor sets up, as the technician meets them: an input tray that runs empty,
// clogged nozzles and a crooked head. The program's own pattern units print through the libraries
// into the embedded printer, and the sheets are read back from its tray.
#include <gtest/gtest.h>

#include <cmath>

#include "link/mechcmd.h"
#include "link/modelcode.h"
#include "link/pktlink.h"
#include "print/angular.h"
#include "print/checkpatterns.h"
#include "print/raster.h"
#include "tests/support/fakes.h"
#include "tests/support/vprinterfixture.h"
#include "workbench/sheetreader_test_util.h"

namespace {

using sheettest::kLeftEdge;
using sheettest::kPageTop;
using sheettest::Plane;
using sheettest::Sheet;
namespace head = vprinter::head;

constexpr uint8_t kModel1 = QUORLA_Z40_MODEL_CODE_1;
constexpr uint8_t kModel2 = QUORLA_Z40_MODEL_CODE_2;

class OnPaper : public testing_support::VirtualPrinterTest {
 protected:
  vprinter::Device& device() { return printer().device(); }
  // Ends the job (a sheet left in the printer comes out) and reads what came out since the
  // trace was last cleared.
  std::vector<Sheet> TakeSheets() {
    EXPECT_EQ(PowerOnInitialize(kModel1, kModel2), rc::Success);
    Status();  // the initialisation is done before the printer answers the next request
    return sheettest::EjectedSheets(printer());
  }
  std::pair<uint16_t, uint16_t> Status() {
    PrinterStatus status{};
    EXPECT_EQ(InquireStatus(&status), rc::Success);
    return {status.Status, status.Error};
  }
  // The columns of the print width where row y carries the plane's ink.
  static std::vector<int> Inked(const Sheet& sheet, Plane plane, int y) {
    return sheet.InkColumns(plane, y, 0, sheet.width());
  }

  testing_support::FakeSleep sleeps;
  RasterJob job;
  CheckPatterns patterns;
};

TEST_F(OnPaper, AnEmptyTrayStopsThePrintUntilPaperIsLoadedAndTheErrorCleared) {
  ASSERT_TRUE(device().LoadPaper(1));
  // The nozzle check takes the one sheet; the text after the form feed needs a second.
  ASSERT_EQ(patterns.PrintBlackNozzleCheck(job), rc::Success);
  const uint8_t after[] = {0x0C, 'A', 'F', 'T', 'E', 'R', 0x0D, 0x0A};
  ASSERT_EQ(job.AppendData(after, sizeof after), rc::Success);
  ASSERT_EQ(job.FlushData(), rc::Success);

  EXPECT_EQ(Status(), (std::pair<uint16_t, uint16_t>{0xEFFF, 0xEF09}));
  EXPECT_EQ(device().PaperInTray(), 0);
  EXPECT_EQ(printer().Trace("sheet").size(), 1u);
  const std::vector<testing_support::TraceEntry> stops = printer().Trace("paper_out");
  ASSERT_EQ(stops.size(), 1u);
  EXPECT_EQ(stops[0].Num("pending"), 7);  // "AFTER", CR, LF
  EXPECT_EQ(device().PendingPrintBytes(), 7u);
  // Mechanism commands are refused while it stands in the error, as with any error.
  EXPECT_EQ(HeadCleaning(kModel1, kModel2, 2), 8192);

  // Paper alone does not restart it; clearing the error does, and the sheet is printed whole.
  ASSERT_TRUE(device().LoadPaper(5));
  EXPECT_EQ(Status(), (std::pair<uint16_t, uint16_t>{0xEFFF, 0xEF09}));
  device().ClearError();
  EXPECT_EQ(Status().first, 0xEFFB);
  const std::vector<Sheet> sheets = TakeSheets();
  ASSERT_EQ(sheets.size(), 2u);
  EXPECT_EQ(sheets[1].ReadText(kLeftEdge, kPageTop, 6), "AFTER ");
  EXPECT_EQ(device().PaperInTray(), 4);
  EXPECT_EQ(device().PendingPrintBytes(), 0u);
}

TEST_F(OnPaper, AClearedErrorWithTheTrayStillEmptyStopsAgain) {
  ASSERT_TRUE(device().LoadPaper(0));
  const uint8_t text[] = {'X', 0x0D, 0x0A};
  ASSERT_EQ(job.AppendData(text, sizeof text), rc::Success);
  ASSERT_EQ(job.FlushData(), rc::Success);
  EXPECT_EQ(Status().second, 0xEF09);
  device().ClearError();
  EXPECT_EQ(Status().second, 0xEF09);
  EXPECT_EQ(printer().Trace("paper_out").size(), 2u);
  EXPECT_TRUE(printer().Trace("sheet").empty());
}

// The black nozzle check prints line i of each band through black nozzle i; the colour check
// prints each colour row's nozzle j as the line 3 j pixels into the band.
TEST_F(OnPaper, AClogShowsAsItsMissingLineOnTheNozzleCheckAndACleaningBringsItBack) {
  ASSERT_TRUE(device().ClogNozzle(head::kBlack, 5));
  ASSERT_TRUE(device().ClogNozzle(head::kCyan, 7));
  const int blackTop = kPageTop;
  const int colorTop = blackTop + 288 + 10;
  auto print = [&] {
    printer().ClearTrace();
    EXPECT_EQ(patterns.PrintBlackNozzleCheck(job), rc::Success);
    EXPECT_EQ(patterns.PrintColorNozzleCheck(job), rc::Success);
    std::vector<Sheet> sheets = TakeSheets();
    EXPECT_EQ(sheets.size(), 1u);
    return sheets.empty() ? Sheet{} : sheets[0];
  };

  const Sheet clogged = print();
  for (int band = 0; band < 2; ++band) {
    for (int line = 0; line < 144; ++line) {
      const int y = blackTop + 144 * band + line;
      const std::vector<int> stroke = Inked(clogged, Plane::kBlack, y);
      if (line == 5) {
        EXPECT_TRUE(stroke.empty()) << "band " << band;
      } else {
        ASSERT_EQ(stroke.size(), 960u) << "band " << band << " line " << line;
        EXPECT_EQ(stroke.front(), kLeftEdge + 960 * (line % 3));
      }
    }
    for (int nozzle = 0; nozzle < 48; ++nozzle) {
      const int y = colorTop + 144 * band + 3 * nozzle;
      EXPECT_EQ(Inked(clogged, Plane::kCyan, y).size(), nozzle == 7 ? 0u : 952u) << nozzle;
      EXPECT_EQ(Inked(clogged, Plane::kMagenta, y).size(), 952u) << nozzle;
    }
  }

  ASSERT_EQ(HeadCleaning(kModel1, kModel2, 2), rc::Success);
  Status();
  EXPECT_EQ(device().Head().CloggedCount(), 0);
  const std::vector<testing_support::TraceEntry> freed = printer().Trace("nozzles_freed");
  ASSERT_EQ(freed.size(), 1u);
  EXPECT_EQ(freed[0].Num("freed"), 2);

  const Sheet clean = print();
  EXPECT_EQ(Inked(clean, Plane::kBlack, blackTop + 5).size(), 960u);
  EXPECT_EQ(Inked(clean, Plane::kBlack, blackTop + 144 + 5).size(), 960u);
  EXPECT_EQ(Inked(clean, Plane::kCyan, colorTop + 21).size(), 952u);
}

// Turned by 2 degrees, the head's lower nozzles land further left and the magenta row, 0.2 inch
// across from the black one, lands lower: the pattern's left ends slant and the magenta lines
// leave their place midway between the black ones.
TEST_F(OnPaper, AHeadAngleShowsAsSkewInTheHeadAngularPattern) {
  AngularPattern angular;
  auto print = [&] {
    printer().ClearTrace();
    EXPECT_EQ(angular.PrintHeadAngular(job), rc::Success);
    std::vector<Sheet> sheets = TakeSheets();
    EXPECT_EQ(sheets.size(), 1u);
    return sheets.empty() ? Sheet{} : sheets[0];
  };
  const int magentaStart = kLeftEdge + 4 * 54;

  const Sheet straight = print();
  for (int pair = 0; pair < 24; ++pair) {
    const int y = kPageTop + 6 * pair;
    ASSERT_FALSE(Inked(straight, Plane::kBlack, y).empty()) << pair;
    EXPECT_EQ(Inked(straight, Plane::kBlack, y).front(), kLeftEdge) << pair;
    ASSERT_FALSE(Inked(straight, Plane::kMagenta, y + 3).empty()) << pair;
    EXPECT_EQ(Inked(straight, Plane::kMagenta, y + 3).front(), magentaStart) << pair;
  }

  ASSERT_TRUE(device().SetHeadAngle(20));
  const Sheet turned = print();
  const double sine = std::sin(2.0 * M_PI / 180.0);
  for (int pair = 0; pair < 24; ++pair) {
    const int y = kPageTop + 6 * pair;
    // Black line k comes from nozzle 6 k, magenta line k from magenta nozzle 2 k + 1.
    const int blackShift = static_cast<int>(std::lround(-6 * pair * sine));
    const int magentaShift = static_cast<int>(std::lround(-(6 * pair + 3) * sine));
    const int magentaDrop = static_cast<int>(std::lround(72 * sine));
    ASSERT_FALSE(Inked(turned, Plane::kBlack, y).empty()) << pair;
    EXPECT_EQ(Inked(turned, Plane::kBlack, y).front(), kLeftEdge + blackShift) << pair;
    EXPECT_TRUE(Inked(turned, Plane::kMagenta, y + 3).empty()) << pair;
    ASSERT_FALSE(Inked(turned, Plane::kMagenta, y + 3 + magentaDrop).empty()) << pair;
    EXPECT_EQ(Inked(turned, Plane::kMagenta, y + 3 + magentaDrop).front(),
              magentaStart + magentaShift)
        << pair;
  }
  // Down the band the left ends move 5 pixels: a slant the technician sees at 1:1.
  EXPECT_EQ(Inked(turned, Plane::kBlack, kPageTop).front() -
                Inked(turned, Plane::kBlack, kPageTop + 6 * 23).front(),
            5);
}

}  // namespace
