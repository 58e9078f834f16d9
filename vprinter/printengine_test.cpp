// The print engine fed with hand-built byte streams; the sheet's pixels show what it understood.
#include "vprinter/printengine.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <initializer_list>
#include <random>
#include <string_view>
#include <utility>

#include "vprinter/engine_font.h"

namespace vprinter {
namespace {

constexpr int kLeft = 48;  // the 8-inch print width centred on the sheet
constexpr int kTop = 42;   // the first line of a sheet below the paper's top edge

// Builds print data the way the program composes it.
struct Stream {
  std::vector<uint8_t> bytes;

  Stream& Add(std::initializer_list<int> values) {
    for (int v : values) bytes.push_back(static_cast<uint8_t>(v));
    return *this;
  }
  Stream& Text(std::string_view text) {
    bytes.insert(bytes.end(), text.begin(), text.end());
    return *this;
  }
  Stream& Reset() { return Add({0x1B, 0x40}); }
  Stream& Job(int direction, int dotCode, int colourMode) {
    Reset();
    Add({0x1B, 0x28, 0x47, 0x01, 0x00, 0x01});
    Add({0x1B, 0x28, 0x55, 0x01, 0x00, 0x0A});
    Add({0x1B, 0x55, direction});
    Add({0x1B, 0x28, 0x65, 0x02, 0x00, 0x00, dotCode});
    return Add({0x1B, 0x28, 0x4B, 0x02, 0x00, 0x00, colourMode});
  }
  Stream& Resolution(int v) { return Add({0x1B, 0x28, 0x44, 0x04, 0x00, 0x68, 0x01, v, 0x01}); }
  Stream& Raster(int colour, int bytesPerLine, int lines, int compression = 1) {
    return Add({0x1B, 0x69, colour, compression, 0x02, bytesPerLine & 0xFF, bytesPerLine >> 8,
                lines & 0xFF, lines >> 8});
  }
  // One run of the coding: a single literal byte, or 2..129 copies.
  Stream& Run(int count, int value) { return Add({count == 1 ? 0 : 257 - count, value}); }
  Stream& Line(std::initializer_list<std::pair<int, int>> runs) {
    for (auto [count, value] : runs) Run(count, value);
    return *this;
  }
  Stream& Lines(int n, std::initializer_list<std::pair<int, int>> runs) {
    for (int i = 0; i < n; ++i) Line(runs);
    return *this;
  }
  Stream& Feed(int units) { return Add({0x1B, 0x28, 0x76, 0x02, 0x00, units, 0x00, 0x0D}); }
  Stream& Move(int units) { return Add({0x1B, 0x5C, units & 0xFF, units >> 8}); }
  Stream& HeadReturn() { return Add({0x1B, 0x3C, 0x0D}); }
  Stream& NewLines(int n) {
    for (int i = 0; i < n; ++i) Add({0x0D, 0x0A});
    return *this;
  }
  Stream& Preamble() {
    Add({0x1B, 0x28, 0x52, 0x08, 0x00, 0x00}).Text("REMOTE1");
    Text("SN").Add({0x03, 0x00, 0x00, 0x00, 0x03});
    return Add({0x1B, 0x00, 0x00, 0x00});
  }
};

const std::pair<int, int> kSolid{120, 0xFF};
const std::pair<int, int> kBlank{120, 0x00};

struct Recorder : EngineEvents {
  std::vector<std::string> sheets;
  std::vector<std::pair<std::string, uint64_t>> skipped;
  std::vector<std::string> lost;
  struct Remote {
    std::string name;
    std::size_t length;
    std::vector<uint8_t> params;
    uint64_t offset;
  };
  std::vector<Remote> remote;

  // The kinds of the events in the order they came.
  std::vector<std::string> order;

  void SheetEjected(const std::string& file) override {
    sheets.push_back(file);
    order.push_back("sheet");
  }
  void Skipped(const std::string& what, uint64_t offset) override {
    skipped.emplace_back(what, offset);
    order.push_back("skipped");
  }
  void RemoteCommand(const std::string& name, std::size_t length,
                     const std::vector<uint8_t>& params, uint64_t offset) override {
    remote.push_back({name, length, params, offset});
  }
  void SheetLost(const std::string& error) override { lost.push_back(error); }
};

class PrintEngineTest : public ::testing::Test {
 public:
  PrintEngineTest() {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    tray_ = std::filesystem::temp_directory_path() / ("quorla-engine-" + std::to_string(getpid())) /
            (std::string(info->test_suite_name()) + "." + info->name());
    std::filesystem::remove_all(tray_);
    engine_ = std::make_unique<PrintEngine>(tray_, events_);
  }
  ~PrintEngineTest() override { std::filesystem::remove_all(tray_.parent_path()); }

  void Feed(const Stream& s) { engine_->Consume(s.bytes.data(), s.bytes.size()); }
  uint8_t Px(int x, int y) const {
    return engine_->SheetPixels()[static_cast<std::size_t>(y) * kSheetWidth + x];
  }
  int K(int x, int y) const { return Coverage(Px(x, y), Plane::kBlack); }
  // Pixels of a rectangle [x0, x1) x [y0, y1) that carry ink of this plane.
  int Inked(Plane plane, int x0, int y0, int x1, int y1) const {
    int n = 0;
    for (int yy = y0; yy < y1; ++yy) {
      for (int xx = x0; xx < x1; ++xx) n += Coverage(Px(xx, yy), plane) != 0;
    }
    return n;
  }
  // The columns in which a sheet row carries black.
  std::vector<int> BlackColumns(int y) const {
    std::vector<int> columns;
    for (int xx = 0; xx < kSheetWidth; ++xx) {
      if (K(xx, y) != 0) columns.push_back(xx);
    }
    return columns;
  }
  // Compares one character cell of the sheet with the glyph the font draws there.
  void ExpectGlyphAt(char c, int cellX, int cellY) const {
    const font::Glyph* glyph = font::GlyphFor(static_cast<uint8_t>(c));
    ASSERT_NE(glyph, nullptr);
    for (int row = 0; row < font::kRows; ++row) {
      for (int col = 0; col < font::kColumns; ++col) {
        const bool dot = ((*glyph)[row] >> (font::kColumns - 1 - col)) & 1;
        const int px = cellX + font::kOffsetX + col * font::kDotPixels + 1;
        const int py = cellY + font::kOffsetY + row * font::kDotPixels + 1;
        EXPECT_EQ(K(px, py), dot ? 3 : 0) << c << " row " << row << " col " << col;
      }
    }
  }

  std::filesystem::path tray_;
  Recorder events_;
  std::unique_ptr<PrintEngine> engine_;
};

// ---- raster decoding ----

TEST_F(PrintEngineTest, LiteralAndRepeatRunsDecodeToTheirDots) {
  Stream s;
  s.Job(1, 0x12, 1).Resolution(1).Raster(0x00, 5, 1);
  s.Add({0x01, 0xC0, 0x03});  // two literal bytes: a dot in the first and in the last position
  s.Add({0xFE, 0xAA});        // three copies of four medium dots
  Feed(s);
  std::vector<int> expected{kLeft, kLeft + 7};
  for (int i = 8; i < 20; ++i) expected.push_back(kLeft + i);
  EXPECT_EQ(BlackColumns(kTop), expected);
  EXPECT_EQ(K(kLeft, kTop), 3);
  EXPECT_EQ(K(kLeft + 8, kTop), 2);
  EXPECT_EQ(engine_->DotsPrinted(kInkBlack), 14u);
  EXPECT_TRUE(events_.skipped.empty());
}

TEST_F(PrintEngineTest, CounterEightyStandsFor129Copies) {
  Stream s;
  s.Job(1, 0x12, 1).Resolution(1).Raster(0x00, 129, 2);
  s.Add({0x80, 0xFF});  // line 0: 129 bytes solid
  s.Add({0x80, 0x00});  // line 1: blank
  Feed(s);
  EXPECT_EQ(BlackColumns(kTop).size(), 516u);
  EXPECT_EQ(BlackColumns(kTop).back(), kLeft + 515);
  EXPECT_TRUE(BlackColumns(kTop + 1).empty());
  EXPECT_EQ(engine_->Position().x, kLeft + 516);  // the block's width
  EXPECT_TRUE(events_.skipped.empty());
}

TEST_F(PrintEngineTest, UncompressedBlockIsReadByItsSize) {
  Stream s;
  s.Job(1, 0x12, 1).Resolution(1).Raster(0x00, 2, 2, 0).Add({0xC0, 0x00, 0x00, 0x03});
  s.Reset().Text("A");
  Feed(s);
  EXPECT_EQ(BlackColumns(kTop), std::vector<int>{kLeft});
  EXPECT_EQ(BlackColumns(kTop + 1), std::vector<int>{kLeft + 7});
  EXPECT_GT(Inked(Plane::kBlack, kLeft, kTop + 2, kLeft + 36, kTop + 60), 0);  // the "A"
  EXPECT_TRUE(events_.skipped.empty());
}

// Commands cut anywhere between the calls give the same sheet and the same reports.
TEST_F(PrintEngineTest, ChunksSplitAnywhereGiveTheSameSheet) {
  Stream s;
  s.Preamble().Job(0, 0x11, 2).Resolution(3).Raster(0x02, 240, 48);
  s.Lines(48, {{119, 0xFF}, {1, 0x30}, {120, 0x55}});
  s.Feed(1).Move(300).Raster(0x01, 10, 3).Lines(3, {{10, 0xAA}}).HeadReturn();
  s.Add({0x1B, 0x28, 0x5A, 0x02, 0x00, 0x01, 0x02});  // unknown, skipped by its length
  s.Reset().NewLines(2).Text("Split 123").Add({0x00, 0x07});
  Feed(s);
  std::vector<uint8_t> whole(engine_->SheetPixels(),
                             engine_->SheetPixels() + kSheetWidth * kSheetHeight);
  const auto wholeSkips = events_.skipped;
  const PrintPosition wholeEnd = engine_->Position();
  ASSERT_EQ(wholeSkips.size(), 2u);
  EXPECT_EQ(events_.remote.size(), 1u);

  std::mt19937 random(7);
  for (int round = 0; round < 2; ++round) {
    Recorder other;
    PrintEngine engine(tray_, other);
    for (std::size_t at = 0; at < s.bytes.size();) {
      const std::size_t n =
          round == 0 ? 1 : std::min<std::size_t>(random() % 13 + 1, s.bytes.size() - at);
      engine.Consume(s.bytes.data() + at, n);
      at += n;
    }
    EXPECT_TRUE(std::equal(whole.begin(), whole.end(), engine.SheetPixels())) << round;
    EXPECT_EQ(other.skipped, wholeSkips) << round;
    EXPECT_EQ(other.remote.size(), 1u);
    EXPECT_EQ(engine.Position().x, wholeEnd.x);
    EXPECT_EQ(engine.Position().y, wholeEnd.y);
  }
}

// ---- geometry ----

TEST_F(PrintEngineTest, SolidBlackBetaCoversEightBy0Point8Inch) {
  Stream s;
  s.Job(1, 0x12, 1);
  for (int band = 0; band < 2; ++band) {
    s.Resolution(1)
        .Raster(0x00, 720, 144)
        .Lines(144, {kSolid, kSolid, kSolid, kSolid, kSolid, kSolid});
    s.Feed(144);
  }
  s.Feed(10).Reset();
  Feed(s);
  const int width = 2880, height = 288;
  EXPECT_EQ(Inked(Plane::kBlack, kLeft, kTop, kLeft + width, kTop + height), width * height);
  EXPECT_EQ(Inked(Plane::kBlack, 0, 0, kSheetWidth, kSheetHeight), width * height);
  EXPECT_EQ(K(kLeft, kTop), 3);
  EXPECT_EQ(K(kLeft + width - 1, kTop + height - 1), 3);
  EXPECT_EQ(engine_->Position().y, kTop + height + 10);
  EXPECT_EQ(engine_->DotsPrinted(kInkBlack), static_cast<uint64_t>(width) * height);
  EXPECT_EQ(engine_->DotsPrinted(kInkCyan), 0u);
}

TEST_F(PrintEngineTest, NozzleCheckPrintsAStaircaseOfThirds) {
  Stream s;
  s.Job(1, 0x12, 1).Resolution(1).Raster(0x00, 720, 144);
  for (int l = 0; l < 144; ++l) {
    if (l % 3 == 0) s.Line({kSolid, kSolid, kBlank, kBlank, kBlank, kBlank});
    if (l % 3 == 1) s.Line({kBlank, kBlank, kSolid, kSolid, kBlank, kBlank});
    if (l % 3 == 2) s.Line({kBlank, kBlank, kBlank, kBlank, kSolid, kSolid});
  }
  Feed(s);
  for (int l : {0, 1, 2, 141, 142, 143}) {
    const std::vector<int> columns = BlackColumns(kTop + l);
    ASSERT_EQ(columns.size(), 960u) << l;
    EXPECT_EQ(columns.front(), kLeft + 960 * (l % 3)) << l;
    EXPECT_EQ(columns.back(), kLeft + 960 * (l % 3) + 959) << l;
  }
  EXPECT_TRUE(BlackColumns(kTop + 144).empty());
}

TEST_F(PrintEngineTest, DotCodesPrintThreeDensities) {
  Stream s;
  s.Job(1, 0x11, 1).Resolution(1).Raster(0x00, 720, 144);
  s.Lines(144, {kSolid, kSolid, {120, 0xAA}, {120, 0xAA}, {120, 0x55}, {120, 0x55}});
  Feed(s);
  for (int third = 0; third < 3; ++third) {
    for (int y : {kTop, kTop + 143}) {
      EXPECT_EQ(K(kLeft + 960 * third, y), 3 - third);
      EXPECT_EQ(K(kLeft + 960 * third + 959, y), 3 - third);
    }
  }
  EXPECT_EQ(engine_->DotsPrinted(kInkBlack), 2880u * 144);
}

// Colour rows at 120 dpi lie three pixels apart; three passes a unit apart fill them.
TEST_F(PrintEngineTest, LinesLieTheVerticalDivisorApart) {
  Stream s;
  s.Job(1, 0x12, 2);
  for (int pass = 0; pass < 3; ++pass) {
    s.Resolution(3).Raster(0x02, 10, 48).Lines(48, {{10, 0xFF}});
    if (pass == 0) s.Feed(0).Resolution(3).Raster(0x04, 10, 48).Lines(48, {{10, 0xFF}});
    s.Feed(1);
  }
  Feed(s);
  for (int y = kTop; y < kTop + 144; ++y) {
    EXPECT_EQ(Coverage(Px(kLeft, y), Plane::kCyan), 3) << y;
    EXPECT_EQ(Coverage(Px(kLeft, y), Plane::kYellow), (y - kTop) % 3 == 0 ? 3 : 0) << y;
  }
  EXPECT_EQ(Coverage(Px(kLeft, kTop + 144), Plane::kCyan), 0);
  EXPECT_EQ(Px(kLeft + 40, kTop), 0);  // 10 bytes = 40 dots wide
  EXPECT_EQ(engine_->DotsPrinted(kInkCyan), 40u * 144);
  EXPECT_EQ(engine_->DotsPrinted(kInkYellow), 40u * 48);
}

// Blocks follow each other across the line; moves, head return, CR and reset place them.
TEST_F(PrintEngineTest, HorizontalPositionFollowsBlocksMovesAndReturns) {
  Stream s;
  s.Job(1, 0x12, 2).Resolution(3);
  s.Raster(0x00, 2, 1).Line({{1, 0xC0}, {1, 0}}).Move(32);        // black at 0, then 8 + 32 on
  s.Raster(0x02, 2, 1).Line({{1, 0xC0}, {1, 0}});                 // cyan at 40
  s.Feed(0);                                                      // CR: back to the left edge
  s.Raster(0x01, 1, 1).Line({{1, 0xC0}});                         // magenta at 0
  s.HeadReturn().Move(100).Raster(0x04, 1, 1).Line({{1, 0xC0}});  // yellow at 100
  s.Job(1, 0x12, 2).Move(960).Resolution(1).Raster(0x00, 1, 1).Line({{1, 0x03}});  // 963
  Feed(s);
  EXPECT_EQ(Coverage(Px(kLeft, kTop), Plane::kBlack), 3);
  EXPECT_EQ(Coverage(Px(kLeft + 40, kTop), Plane::kCyan), 3);
  EXPECT_EQ(Coverage(Px(kLeft, kTop), Plane::kMagenta), 3);
  EXPECT_EQ(Coverage(Px(kLeft + 100, kTop), Plane::kYellow), 3);
  EXPECT_EQ(BlackColumns(kTop), (std::vector<int>{kLeft, kLeft + 963}));
}

TEST_F(PrintEngineTest, InksMixOnTheirPlanesAndMonochromeUsesTheBlackHead) {
  Stream s;
  s.Job(1, 0x12, 2).Resolution(1);
  s.Raster(0x12, 1, 1).Line({{1, 0xE4}}).HeadReturn();  // light cyan, codes 3 2 1 0
  s.Raster(0x04, 1, 1).Line({{1, 0xFF}}).HeadReturn();  // yellow over it
  s.Raster(0x11, 1, 1).Line({{1, 0xFF}}).HeadReturn();  // light magenta
  s.Raster(0x01, 1, 1).Line({{1, 0xC0}});               // magenta over the first dot
  s.Job(1, 0x12, 1).Resolution(1).Feed(1).Raster(0x02, 1, 1).Line({{1, 0xFF}});
  Feed(s);
  EXPECT_EQ(Coverage(Px(kLeft, kTop), Plane::kCyan), 2);
  EXPECT_EQ(Coverage(Px(kLeft + 2, kTop), Plane::kCyan), 1);
  EXPECT_EQ(Coverage(Px(kLeft + 3, kTop), Plane::kCyan), 0);
  EXPECT_EQ(Coverage(Px(kLeft + 3, kTop), Plane::kYellow), 3);
  EXPECT_EQ(Coverage(Px(kLeft, kTop), Plane::kMagenta), 3);  // light 2 + 3, saturated
  EXPECT_EQ(Coverage(Px(kLeft + 1, kTop), Plane::kMagenta), 2);
  // The cyan block sent in monochrome mode comes out black.
  EXPECT_EQ(Px(kLeft, kTop + 1), 0xC0);
  EXPECT_EQ(engine_->DotsPrinted(kInkLightCyan), 3u);
  EXPECT_EQ(engine_->DotsPrinted(kInkLightMagenta), 4u);
  EXPECT_EQ(engine_->DotsPrinted(kInkMagenta), 1u);
  EXPECT_EQ(engine_->DotsPrinted(kInkCyan), 0u);
  EXPECT_EQ(engine_->DotsPrinted(kInkBlack), 4u);
}

// ---- text ----

TEST_F(PrintEngineTest, TextPrintsAtTenCpiOnLinesASixthOfAnInchApart) {
  Stream s;
  s.Text("AB").Add({0x00}).Text("g").NewLines(1).Text("xQ").Add({0x0A}).Text("5");
  Feed(s);
  ExpectGlyphAt('A', kLeft, kTop);
  ExpectGlyphAt('B', kLeft + 36, kTop);
  ExpectGlyphAt('g', kLeft + 72, kTop);  // NUL took no room
  ExpectGlyphAt('x', kLeft, kTop + 60);
  ExpectGlyphAt('Q', kLeft + 36, kTop + 60);
  ExpectGlyphAt('5', kLeft + 72, kTop + 120);  // LF keeps the column
  // Nothing outside the cells: the blank columns between characters stay white.
  EXPECT_EQ(Inked(Plane::kBlack, kLeft + 108, kTop, kSheetWidth, kTop + 180), 0);
  EXPECT_EQ(Inked(Plane::kBlack, kLeft, kTop + 180, kSheetWidth, kSheetHeight), 0);
  EXPECT_TRUE(events_.skipped.empty());
}

TEST_F(PrintEngineTest, LongTextLinesWrapAndGraphicsModeTakesNoText) {
  Stream s;
  s.Text(std::string(80, '-')).Text("W");  // 80 columns fill the 8 inches
  s.Job(1, 0x12, 1).Text("ignored").Reset().NewLines(1).Add({0x09}).Text("T");
  Feed(s);
  EXPECT_GT(Inked(Plane::kBlack, kLeft + 79 * 36, kTop, kLeft + 2880, kTop + 60), 0);
  ExpectGlyphAt('W', kLeft, kTop + 60);
  ExpectGlyphAt('T', kLeft + 8 * 36, kTop + 120);  // after a tab
  EXPECT_EQ(Inked(Plane::kBlack, kLeft + 36, kTop + 60, kSheetWidth, kTop + 120), 0);
  ASSERT_EQ(events_.skipped.size(), 1u);
  EXPECT_EQ(events_.skipped[0].first, "text in graphics mode (7 bytes)");
}

TEST_F(PrintEngineTest, BytesSkippedOnASheetAreReportedBeforeTheSheet) {
  Stream s;
  s.Text("x").Job(1, 0x12, 1).Text("ignored").Add({0x0C});
  Feed(s);  // one piece: the run of skipped text is still open when the form feed comes
  EXPECT_EQ(events_.order, (std::vector<std::string>{"skipped", "sheet"}));
}

// ---- the printer's settings ----

TEST_F(PrintEngineTest, TopMarginAndFirstDotMoveThePage) {
  PrintSettings settings;
  settings.topMargin = 25;
  settings.firstDot = 72;  // 72/2880 inch = 9 pixels
  engine_->SetSettings(settings);
  Stream dot;
  dot.Job(1, 0x12, 1).Resolution(1).Raster(0x00, 1, 1).Line({{1, 0xC0}}).Reset();
  Feed(dot);
  EXPECT_EQ(BlackColumns(kTop + 25), std::vector<int>{kLeft + 9});

  // Settings changed during a sheet wait for the next one.
  settings.topMargin = -25;
  settings.firstDot = -72;
  engine_->SetSettings(settings);
  Feed(Stream().Feed(100).Text("|"));
  EXPECT_GT(Inked(Plane::kBlack, kLeft + 9, kTop + 125, kLeft + 9 + 36, kTop + 185), 0);

  Feed(Stream().Add({0x0C}));
  // A page format sent before the sheet sets its first line; the top margin adds to it.
  Feed(Stream()
           .Add({0x1B, 0x28, 0x63, 0x08, 0x00, 100, 0, 0, 0, 0x1E, 0x1F, 0, 0})
           .Raster(0x00, 1, 1)
           .Line({{1, 0xC0}}));
  EXPECT_EQ(BlackColumns(100 - 25), std::vector<int>{kLeft - 9});
  EXPECT_EQ(events_.sheets.size(), 1u);
}

// ---- Bi-D ----

// A block of four lines with one dot in byte 20 (dot 83), printed in the given direction.
Stream MarkBlock(int direction, int dotCode, int colour) {
  Stream s;
  s.Job(direction, dotCode, colour == 0 ? 1 : 2).Resolution(1).Raster(colour, 30, 4);
  s.Lines(4, {{20, 0}, {1, 0x03}, {9, 0}});
  return s.HeadReturn().Reset();
}

TEST_F(PrintEngineTest, ReturnPassLinesUpOnlyAtThePrintersOwnOffset) {
  PrintSettings settings;
  settings.bidOffset[1][0] = 3;   // 6pl black
  settings.bidOffset[1][1] = -7;  // 6pl colour
  engine_->SetSettings(settings);
  // The unidirectional reference: every line at dot 83.
  Feed(MarkBlock(1, 0x11, 0));
  const int column = kLeft + 83;
  EXPECT_EQ(BlackColumns(kTop + 1), std::vector<int>{column});

  // Test rows as the pattern prints them: the same block with the value set before each.
  int y = kTop;
  for (int value : {1, 3, 5}) {
    y += 10;
    Feed(Stream().Feed(10));
    engine_->SetBid(2, 1, static_cast<int8_t>(value));
    Feed(MarkBlock(0, 0x11, 0));
    EXPECT_EQ(BlackColumns(y), std::vector<int>{column}) << value;      // forward pass
    EXPECT_EQ(BlackColumns(y + 2), std::vector<int>{column}) << value;  // forward pass
    const int shift = (value - 3) * 2;
    EXPECT_EQ(BlackColumns(y + 1), std::vector<int>{column + shift}) << value;
    EXPECT_EQ(BlackColumns(y + 3), std::vector<int>{column + shift}) << value;
  }

  // The colour group has its own pair, and MS dots (12) use drop size 1, whose value is 0 here.
  Feed(Stream().Feed(10));
  engine_->SetBid(2, 2, -7);
  Feed(MarkBlock(0, 0x11, 0x02));
  EXPECT_EQ(Coverage(Px(column, y + 11), Plane::kCyan), 3);
  Feed(Stream().Feed(10));
  Feed(MarkBlock(0, 0x12, 0x02));
  EXPECT_EQ(Coverage(Px(column, y + 21), Plane::kCyan), 3);
  engine_->SetBid(1, 2, 4);
  Feed(Stream().Feed(10));
  Feed(MarkBlock(0, 0x12, 0x02));
  EXPECT_EQ(Coverage(Px(column + 8, y + 31), Plane::kCyan), 3);
}

// ---- malformed and truncated input ----

TEST_F(PrintEngineTest, UnknownCommandsAreSkippedByTheirLength) {
  Stream s;
  s.Add({0x1B, 0x28, 0x5A, 0x03, 0x00, 0x0C, 0x1B, 0x40});  // ESC ( Z with 3 bytes
  s.Add({0x1B, 0x7E});                                      // ESC ~: no known length
  s.Add({0x1B, 0x28, 0x55, 0x02, 0x00, 0x0A, 0x00});        // unit with a misfit length
  s.Add({0x1B, 0x69, 0x07, 0x01, 0x02, 0x02, 0x00, 0x02, 0x00, 0xFD, 0xFF});  // colour 07
  s.Add({0x01, 0x02, 0x1F, 0xFF});                                            // unprintable bytes
  s.Add({0x1B, 0x69, 0x00, 0x01, 0x02, 0x01, 0x00, 0x01, 0x00});  // one byte in one line
  s.Add({0x02, 0xC0, 0x0C, 0x0C});  // a literal run of 3 where 1 byte was announced
  s.Add({0x1B}).Reset().NewLines(1).Text("I");
  Feed(s);
  const std::vector<std::pair<std::string, uint64_t>> expected{
      {"unknown command ESC ( Z with 3 parameter bytes", 0},
      {"unknown command ESC ~", 8},
      {"ESC ( U with 2 parameter bytes", 10},
      {"raster block of unknown colour 0x07", 17},
      {"unprintable bytes (4 bytes)", 28},
      {"raster data overran its block by 2 bytes", 32},
      {"ESC without a command", 45},
  };
  EXPECT_EQ(events_.skipped, expected);
  EXPECT_TRUE(events_.sheets.empty());  // the 0C inside parameters and runs are data
  EXPECT_EQ(BlackColumns(kTop), std::vector<int>{kLeft + 8});  // the raster dot after the 07 block
  ExpectGlyphAt('I', kLeft, kTop + 60);
}

TEST_F(PrintEngineTest, UnknownCompressionSkipsOnlyTheHeader) {
  Feed(Stream().Raster(0x00, 720, 100, 2).Text("H"));
  ASSERT_EQ(events_.skipped.size(), 1u);
  EXPECT_EQ(events_.skipped[0].first, "raster block with unknown compression 0x02");
  ExpectGlyphAt('H', kLeft, kTop);
}

TEST_F(PrintEngineTest, InitialisationEndsATruncatedCommand) {
  Stream s;
  s.Job(1, 0x12, 1).Resolution(1).Raster(0x00, 720, 10).Lines(2, {kSolid});
  Feed(s);
  engine_->PowerOnReset();
  ASSERT_EQ(events_.skipped.size(), 1u);
  EXPECT_EQ(events_.skipped[0].first, "command cut short by the initialisation");
  EXPECT_TRUE(engine_->SheetInProgress());
  Feed(Stream().NewLines(1).Text("Z"));
  ExpectGlyphAt('Z', kLeft, kTop + 60);
}

TEST_F(PrintEngineTest, RemotePreambleIsRecordedAndLeavesTextMode) {
  Stream s;
  s.Preamble().Text("R");
  s.Add({0x1B, 0x28, 0x52, 0x08, 0x00, 0x00}).Text("REMOTE1").Text("TI").Add({0x00, 0x00});
  s.Text("\r\nV");  // leaves remote mode without the end sequence
  Feed(s);
  ASSERT_EQ(events_.remote.size(), 2u);
  EXPECT_EQ(events_.remote[0].name, "SN");
  EXPECT_EQ(events_.remote[0].length, 3u);
  EXPECT_EQ(events_.remote[0].params, (std::vector<uint8_t>{0x00, 0x00, 0x03}));
  EXPECT_EQ(events_.remote[0].offset, 13u);
  EXPECT_EQ(events_.remote[1].name, "TI");
  EXPECT_TRUE(events_.remote[1].params.empty());
  ASSERT_EQ(events_.skipped.size(), 1u);
  EXPECT_EQ(events_.skipped[0].first, "remote mode left without its end sequence");
  EXPECT_FALSE(engine_->InRemoteMode());
  ExpectGlyphAt('R', kLeft, kTop);
  ExpectGlyphAt('V', kLeft, kTop + 60);
}

// Random and damaged streams: the engine reads nothing it was not given, keeps no more than it
// allocated and stays able to print. Run under the sanitizer build to mean anything more.
TEST_F(PrintEngineTest, RandomAndDamagedStreamsAreSurvived) {
  Stream valid;
  valid.Preamble().Job(0, 0x10, 2).Resolution(3).Raster(0x02, 720, 48);
  valid.Lines(48, {kSolid, kBlank, {119, 0x55}, {1, 0x30}, kBlank, kBlank});
  valid.Feed(3).Move(960).Raster(0x00, 40, 3).Lines(3, {{40, 0xAA}}).Reset().NewLines(2);
  valid.Text("data = ").Add({0x2D, 0x32, 0x00, 0x00}).NewLines(1);

  // Sheets fed out are lost to a tray that cannot be made, so that none is encoded here.
  std::filesystem::create_directories(tray_.parent_path());
  std::fclose(std::fopen(tray_.c_str(), "w"));

  std::mt19937 random(20240611);
  std::vector<uint8_t> bytes;
  for (int round = 0; round < 60; ++round) {
    bytes = valid.bytes;
    if (round % 3 == 0) {
      for (int flips = 1 + round % 7; flips > 0; --flips) {
        bytes[random() % bytes.size()] = static_cast<uint8_t>(random());
      }
      bytes.resize(random() % bytes.size() + 1);
    } else if (round % 3 == 1) {
      bytes.resize(4096);
      for (uint8_t& b : bytes) b = static_cast<uint8_t>(random());
    } else {
      // Command heads with random arguments reach deeper than random bytes do.
      bytes.clear();
      const auto any = [&] { return static_cast<uint8_t>(random()); };
      while (bytes.size() < 4096) {
        switch (random() % 5) {
          case 0:
            bytes.insert(bytes.end(), {0x1B, static_cast<uint8_t>("@<U\\i(Xr"[random() % 8])});
            break;
          case 1:
            bytes.insert(bytes.end(),
                         {0x1B, 0x28, static_cast<uint8_t>("GUeKDSvcRZ"[random() % 10]),
                          static_cast<uint8_t>(random() % 10), 0x00, any(), any()});
            break;
          case 2:
            bytes.insert(
                bytes.end(),
                {0x1B, 0x69, static_cast<uint8_t>("\x00\x01\x02\x04\x11\x12\x07"[random() % 7]),
                 static_cast<uint8_t>(random() % 3), static_cast<uint8_t>(random() % 3 + 1),
                 static_cast<uint8_t>(random() % 40), 0x00, static_cast<uint8_t>(random() % 5),
                 0x00});
            break;
          case 3:
            bytes.insert(bytes.end(), {0x1B, 0x28, 0x52, 0x08, 0x00, 0x00, 'R', 'E', 'M', 'O', 'T',
                                       'E', '1', 'S', 'N', any(), 0x00, any()});
            break;
          default:
            for (int n = random() % 8; n > 0; --n) bytes.push_back(any());
            break;
        }
      }
    }
    for (std::size_t at = 0; at < bytes.size();) {
      const std::size_t n = std::min<std::size_t>(random() % 64 + 1, bytes.size() - at);
      engine_->Consume(bytes.data() + at, n);
      at += n;
    }
    for (const auto& [what, at] : events_.skipped) EXPECT_LT(at, engine_->BytesConsumed());
    events_.skipped.clear();
    engine_->PowerOnReset();
  }
  EXPECT_TRUE(events_.sheets.empty());
  EXPECT_GT(events_.lost.size(), 0u);
  // Still a working printer.
  engine_->PowerOnReset();
  Feed(Stream().Add({0x0C}).Text("OK"));
  ExpectGlyphAt('O', kLeft, kTop);
}

// ---- sheets in the tray ----

TEST_F(PrintEngineTest, FormFeedWritesTheSheetAsADecodablePng) {
  Stream s;
  s.Job(1, 0x12, 2).Resolution(1).Raster(0x01, 2, 2).Lines(2, {{2, 0xFF}}).Reset().Text("M");
  s.Add({0x0C, 0x0C});  // the second finds no sheet: nothing comes out
  Feed(s);
  ASSERT_EQ(events_.sheets.size(), 1u);
  EXPECT_FALSE(engine_->EjectSheet());
  Feed(Stream().NewLines(1));  // a sheet fed by a line feed alone comes out blank
  EXPECT_TRUE(engine_->EjectSheet());
  ASSERT_EQ(events_.sheets.size(), 2u);
  EXPECT_TRUE(events_.lost.empty());
  EXPECT_FALSE(engine_->SheetInProgress());
  EXPECT_EQ(engine_->SheetsEjected(), 2);
  EXPECT_LT(events_.sheets[0], events_.sheets[1]);  // names sort as the sheets came out
  EXPECT_EQ(std::filesystem::path(events_.sheets[0]).parent_path(), tray_);

  std::vector<uint8_t> pixels;
  int width = 0, height = 0;
  std::string error;
  ASSERT_TRUE(DecodeSheetPng(events_.sheets[0], pixels, width, height, error)) << error;
  EXPECT_EQ(width, kSheetWidth);
  EXPECT_EQ(height, kSheetHeight);
  EXPECT_EQ(Coverage(pixels[kTop * kSheetWidth + kLeft + 7], Plane::kMagenta), 3);
  EXPECT_EQ(Coverage(pixels[(kTop + 1) * kSheetWidth + kLeft + 7], Plane::kMagenta), 3);
  EXPECT_EQ(pixels[(kTop + 2) * kSheetWidth + kLeft + 8], 0);
  EXPECT_GT(std::count(pixels.begin(), pixels.end(), 0xC0), 0);  // the "M"
  ASSERT_TRUE(DecodeSheetPng(events_.sheets[1], pixels, width, height, error)) << error;
  EXPECT_TRUE(std::all_of(pixels.begin(), pixels.end(), [](uint8_t v) { return v == 0; }));
  // Only the two sheets are left in the tray, no temporary files.
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(tray_), {}), 2);

  // A cut-off sheet or another file is refused, not half read.
  const std::filesystem::path cut = tray_.parent_path() / "cut.png";
  std::filesystem::copy_file(events_.sheets[0], cut);
  std::filesystem::resize_file(cut, std::filesystem::file_size(cut) / 2);
  EXPECT_FALSE(DecodeSheetPng(cut, pixels, width, height, error));
  EXPECT_FALSE(error.empty());
  EXPECT_FALSE(DecodeSheetPng(tray_, pixels, width, height, error));
}

TEST_F(PrintEngineTest, PaperRunningOutAtTheBottomEjectsTheSheet) {
  Stream s;
  s.Text("1");
  s.NewLines(69);  // 42 + 69 * 60 = 4182: still on the sheet
  s.Text("2").NewLines(1).Text("3");
  Feed(s);
  ASSERT_EQ(events_.sheets.size(), 1u);
  EXPECT_TRUE(engine_->SheetInProgress());
  ExpectGlyphAt('3', kLeft, kTop);
}

TEST_F(PrintEngineTest, AnUnwritableTrayLosesTheSheetWithAReport) {
  std::filesystem::create_directories(tray_.parent_path());
  std::fclose(std::fopen(tray_.c_str(), "w"));
  Feed(Stream().Text("x").Add({0x0C}));
  EXPECT_TRUE(events_.sheets.empty());
  ASSERT_EQ(events_.lost.size(), 1u);
  EXPECT_NE(events_.lost[0].find("tray"), std::string::npos);
  EXPECT_EQ(engine_->SheetsEjected(), 1);
}

}  // namespace
}  // namespace vprinter
