// The printer-free patterns, decoded from what they send: commands in order, and where their
// dots lie.
#include "print/checkpatterns.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "print/angular.h"
#include "print/printtest_util.h"

using printtest::Decoded;
using printtest::Hex;
using printtest::MarkedBytes;
using testing::ElementsAre;
using testing::ElementsAreArray;

namespace {

std::vector<int> Range(int from, int to, int step = 1) {
  std::vector<int> values;
  for (int v = from; v < to; v += step) values.push_back(v);
  return values;
}

std::vector<int> Concat(std::vector<int> a, const std::vector<int>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

const std::vector<std::string> kStartMonoMs = {"reset", "graphics", "unit 10",
                                               "dir 1", "dot 12",   "cmode 1"};
const std::vector<std::string> kStartColorMs = {"reset", "graphics", "unit 10",
                                                "dir 1", "dot 12",   "cmode 2"};

// Black beta and black nozzle check: two bands of 144 lines at 360 dpi, then 10 units more.
const std::vector<std::string> kTwoBlackBands = {
    "reset",  "graphics", "unit 10", "dir 1",  "dot 12",   "cmode 1", "res 1/1",
    "raster", "feed 144", "res 1/1", "raster", "feed 144", "feed 10", "reset"};

class CheckPatternsTest : public printtest::PatternTest {
 protected:
  CheckPatterns patterns_;
};

TEST_F(CheckPatternsTest, BlackBetaIsASolidBlockOfTwoBands) {
  ASSERT_EQ(patterns_.PrintBlackBeta(job_), rc::Success);
  const Decoded d = Printed();
  EXPECT_EQ(printtest::OpKinds(d), kTwoBlackBands);
  ASSERT_EQ(d.blocks.size(), 2u);
  for (const auto& block : d.blocks) {
    EXPECT_EQ(block.color, 0x00);
    ASSERT_EQ(block.lines, 144);
    EXPECT_EQ(block.width, 720);
    for (int line = 0; line < 144; ++line) {
      EXPECT_EQ(RunsHex(block.runs[line]), "89 FF 89 FF 89 FF 89 FF 89 FF 89 FF");
    }
  }
}

TEST_F(CheckPatternsTest, ColorBetaPrintsEachBandThreeTimesOneUnitApart) {
  ASSERT_EQ(patterns_.PrintColorBeta(job_), rc::Success);
  const Decoded d = Printed();
  std::vector<std::string> expected = kStartColorMs;
  for (int band = 0; band < 2; ++band) {
    for (int pass = 0; pass < 3; ++pass) {
      expected.insert(expected.end(), {"res 3/1", "raster", "feed 0", "res 3/1", "raster", "feed 0",
                                       "res 3/1", "raster", "feed 1"});
    }
    expected.push_back("feed 141");
  }
  expected.insert(expected.end(), {"reset", "CRLF"});
  EXPECT_EQ(printtest::OpKinds(d), expected);
  ASSERT_EQ(d.blocks.size(), 18u);
  for (std::size_t i = 0; i < d.blocks.size(); ++i) {
    const auto& block = d.blocks[i];
    ASSERT_EQ(block.lines, 48);
    const int third = static_cast<int>(i % 3);
    EXPECT_EQ(block.color, (std::vector<int>{0x02, 0x01, 0x04})[third]);
    const std::vector<int> solid =
        Range((std::vector<int>{0, 241, 482})[third], (std::vector<int>{238, 479, 720})[third]);
    for (const auto& line : block.data) EXPECT_EQ(MarkedBytes(line), solid);
  }
  EXPECT_EQ(RunsHex(d.blocks[0].runs[0]), "8A FF 8A FF 88 00 88 00 89 00 89 00");
  EXPECT_EQ(RunsHex(d.blocks[1].runs[0]), "88 00 89 00 8A FF 8A FF 88 00 89 00");
  EXPECT_EQ(RunsHex(d.blocks[2].runs[0]), "88 00 88 00 89 00 89 00 8A FF 8A FF");
}

TEST_F(CheckPatternsTest, BlackNozzleCheckIsAStaircaseOfThirds) {
  ASSERT_EQ(patterns_.PrintBlackNozzleCheck(job_), rc::Success);
  const Decoded d = Printed();
  EXPECT_EQ(printtest::OpKinds(d), kTwoBlackBands);
  ASSERT_EQ(d.blocks.size(), 2u);
  for (const auto& block : d.blocks) {
    ASSERT_EQ(block.lines, 144);
    for (int line = 0; line < 144; ++line) {
      const int start = 240 * (line % 3);
      EXPECT_EQ(MarkedBytes(block.data[line]), Range(start, start + 240)) << "line " << line;
      EXPECT_EQ(block.runs[line].size(), 6u);
    }
  }
}

TEST_F(CheckPatternsTest, ColorNozzleCheckPrintsOnePassPerBand) {
  ASSERT_EQ(patterns_.PrintColorNozzleCheck(job_), rc::Success);
  const Decoded d = Printed();
  std::vector<std::string> expected = kStartColorMs;
  for (int band = 0; band < 2; ++band) {
    expected.insert(expected.end(), {"res 3/1", "raster", "feed 0", "res 3/1", "raster", "feed 0",
                                     "res 3/1", "raster", "feed 144"});
  }
  expected.insert(expected.end(), {"reset", "CRLF"});
  EXPECT_EQ(printtest::OpKinds(d), expected);
  ASSERT_EQ(d.blocks.size(), 6u);
  EXPECT_EQ(MarkedBytes(d.blocks[4].data[47]), Range(241, 479));
}

TEST_F(CheckPatternsTest, AlignmentPatternPlacesThreeCellsPerPass) {
  ASSERT_EQ(patterns_.PrintAlignmentPattern(job_), rc::Success);
  const Decoded d = Printed();
  // Six passes of three cells: a black staircase, then the three colours 480 units further on.
  std::vector<std::string> expected;
  const char* dots[3] = {"dot 12", "dot 11", "dot 10"};
  for (int band = 0; band < 2; ++band) {
    for (int pass = 0; pass < 3; ++pass) {
      for (int k = 0; k < 3; ++k) {
        expected.insert(expected.end(), {"reset", "graphics", "unit 10", "dir 1", dots[k],
                                         "cmode 1", "move " + std::to_string(960 * k), "res 1/1",
                                         "raster", "reset", "graphics", "unit 10", "dir 1", dots[k],
                                         "cmode 2", "move " + std::to_string(960 * k + 480)});
        for (int colour = 0; colour < 3; ++colour) {
          expected.insert(expected.end(), {"res 3/1", "raster"});
        }
      }
      expected.push_back("feed 1");
    }
    expected.push_back("feed 141");
  }
  expected.insert(expected.end(), {"feed 60", "reset"});
  EXPECT_EQ(printtest::OpKinds(d), expected);
  EXPECT_THAT(sleep_.calls(), ElementsAreArray(std::vector<int>(6, 2000)));

  // The moves on the wire.
  const std::string wire = printtest::Hex(sender_.Stream());
  EXPECT_NE(wire.find("1B 5C 00 00"), std::string::npos);
  EXPECT_NE(wire.find("1B 5C C0 03"), std::string::npos);
  EXPECT_NE(wire.find("1B 5C 80 07"), std::string::npos);
  EXPECT_NE(wire.find("1B 5C 60 09"), std::string::npos);

  ASSERT_EQ(d.blocks.size(), 72u);
  const uint8_t values[3] = {0xF0, 0x50, 0x55};
  for (int cell = 0; cell < 18; ++cell) {
    const uint8_t value = values[cell % 3];
    const auto& black = d.blocks[4 * cell];
    ASSERT_EQ(black.width, 120);
    ASSERT_EQ(black.lines, 144);
    EXPECT_EQ(black.color, 0x00);
    for (int line = 0; line < 144; ++line) {
      const int lead = 40 * (line % 3);
      EXPECT_THAT(MarkedBytes(black.data[line]), ElementsAre(lead, lead + 10));
      EXPECT_EQ(black.data[line][lead], value);
    }
    for (int colour = 0; colour < 3; ++colour) {
      const auto& block = d.blocks[4 * cell + 1 + colour];
      ASSERT_EQ(block.width, 40);
      ASSERT_EQ(block.lines, 48);
      EXPECT_EQ(block.color, (std::vector<int>{0x02, 0x01, 0x04})[colour]);
      for (const auto& line : block.data) {
        EXPECT_THAT(MarkedBytes(line), ElementsAre(0, 10));
        EXPECT_EQ(line[0], value);
      }
    }
  }
}

TEST_F(CheckPatternsTest, ColorGapPutsBlackAndColourMarksAtOnePitch) {
  ASSERT_EQ(patterns_.PrintColorGap(job_), rc::Success);
  const Decoded d = Printed();
  std::vector<std::string> expected;
  for (int pass = 0; pass < 3; ++pass) {
    expected.insert(expected.end(), {"reset", "graphics", "unit 10", "dir 1", "dot 11", "cmode 2"});
    for (int block = 0; block < 3; ++block) {
      expected.insert(expected.end(), {"res 3/1", "raster", "move 32"});
    }
    expected.push_back("feed 0");
    for (int colour = 0; colour < 3; ++colour) {
      expected.insert(expected.end(), {"res 3/1", "raster", "move 32"});
    }
    expected.insert(expected.end(), {"reset", "graphics", "unit 10", "dir 1", "dot 11", "cmode 1",
                                     "move 1440", "res 1/1", "raster", "feed 1"});
  }
  expected.insert(expected.end(), {"feed 141", "reset"});
  EXPECT_EQ(printtest::OpKinds(d), expected);
  EXPECT_THAT(sleep_.calls(), ElementsAre(1000, 1000, 1000, 1000, 1000, 1000));

  ASSERT_EQ(d.blocks.size(), 21u);
  const std::vector<int> pitch10 = Range(0, 110, 10);
  const std::vector<int> ticks = Range(0, 132, 12);
  const std::vector<int> rightTicks = Range(144, 276, 12);
  for (int pass = 0; pass < 3; ++pass) {
    for (int b = 0; b < 6; ++b) {
      const auto& block = d.blocks[7 * pass + b];
      ASSERT_EQ(block.width, 110);
      ASSERT_EQ(block.lines, 48);
      EXPECT_EQ(block.color, (std::vector<int>{0, 0, 0, 0x02, 0x01, 0x04})[b]);
      const bool blackHalf = b < 3;
      for (int line = 0; line < 48; ++line) {
        const bool marked = (line < 24) == blackHalf;
        EXPECT_EQ(MarkedBytes(block.data[line]), marked ? pitch10 : std::vector<int>{});
      }
    }
    // The wide block, printed in monochrome at the black head's geometry, names black.
    const auto& wide = d.blocks[7 * pass + 6];
    EXPECT_EQ(wide.color, 0x00);
    ASSERT_EQ(wide.width, 288);
    ASSERT_EQ(wide.lines, 144);
    for (int line = 0; line < 144; ++line) {
      std::vector<int> want;
      if (line < 72 && line % 3 == 0) want = Concat(ticks, rightTicks);
      if (line >= 72 && line % 3 == 1) want = ticks;
      if (line >= 72 && line % 3 == 2) want = rightTicks;
      EXPECT_EQ(MarkedBytes(wide.data[line]), want) << "line " << line;
    }
  }
}

TEST_F(CheckPatternsTest, VariableDotPrintsTheThreeDotCodes) {
  ASSERT_EQ(patterns_.PrintVariableDot(job_), rc::Success);
  const Decoded d = Printed();
  EXPECT_EQ(printtest::OpKinds(d),
            (std::vector<std::string>{"reset", "graphics", "unit 10", "dir 1", "dot 11", "cmode 1",
                                      "res 1/1", "raster", "feed 204", "reset"}));
  ASSERT_EQ(d.blocks.size(), 1u);
  ASSERT_EQ(d.blocks[0].lines, 144);
  for (const auto& runs : d.blocks[0].runs) {
    EXPECT_EQ(RunsHex(runs), "89 FF 89 FF 89 AA 89 AA 89 55 89 55");
  }
}

TEST_F(CheckPatternsTest, AFailedSendEndsThePatternWithItsResult) {
  sender_.FailFrom(3, rc::LinkReceiveError, 1);
  EXPECT_EQ(patterns_.PrintBlackBeta(job_), rc::LinkReceiveError);
  EXPECT_EQ(sender_.attempts(), 3);  // nothing is tried after the failure
  EXPECT_EQ(job_.Fill(), 1000);
  // The queued bytes are the ones of the third send; the next flush sends them.
  ASSERT_EQ(job_.FlushData(), rc::Success);
  EXPECT_THAT(sender_.Sizes(), ElementsAre(1000, 1000, 1000));

  sender_.FailFrom(sender_.attempts() + 1, rc::LinkTransmitError, 1);
  EXPECT_EQ(patterns_.PrintAlignmentPattern(job_), rc::LinkTransmitError);
  EXPECT_TRUE(sleep_.calls().empty());  // the failure came before the first pause
}

// --- Head angular pattern ---

TEST_F(CheckPatternsTest, HeadAngularAlternatesBlackAndMagentaLines) {
  AngularPattern angular;
  ASSERT_EQ(angular.PrintHeadAngularPattern(job_), rc::Success);
  const Decoded d = Printed();
  std::vector<std::string> expected = {"text:Head Angular pattern(BK-M)\\0",
                                       "CRLF",
                                       "reset",
                                       "graphics",
                                       "unit 10",
                                       "dir 0",
                                       "dot 12",
                                       "cmode 2"};
  for (int pair = 0; pair < 24; ++pair) {
    expected.insert(expected.end(), {"res 3/1", "raster", "feed 3", "res 3/1", "raster", "feed 3"});
  }
  expected.push_back("reset");
  EXPECT_EQ(printtest::OpKinds(d), expected);
  EXPECT_EQ(printtest::CountOp(d, "feed 3"), 48);

  const std::vector<int> blackStarts = {0, 108, 216, 324, 432, 540, 648};
  const std::vector<int> magentaStarts = {54, 162, 270, 378, 486, 594};
  ASSERT_EQ(d.blocks.size(), 48u);
  for (std::size_t i = 0; i < 48; ++i) {
    const auto& block = d.blocks[i];
    ASSERT_EQ(block.lines, 1);
    ASSERT_EQ(block.width, 720);
    std::vector<int> want;
    if (i % 2 == 0) {
      EXPECT_EQ(block.color, 0x00);
      for (int start : blackStarts) want = Concat(want, Range(start, start + 72));
      EXPECT_EQ(RunsHex(block.runs[0]),
                "B9 FF DD 00 B9 FF DD 00 B9 FF DD 00 B9 FF DD 00 B9 FF DD 00 B9 FF DD 00 B9 FF");
    } else {
      EXPECT_EQ(block.color, 0x01);
      for (int start : magentaStarts) want = Concat(want, Range(start, start + 72));
      want = Concat(want, Range(702, 720));
      const std::string runs = RunsHex(block.runs[0]);
      EXPECT_EQ(runs.substr(0, 5), "CB 00");
      EXPECT_EQ(runs.substr(runs.size() - 5), "EF FF");
    }
    EXPECT_EQ(MarkedBytes(block.data[0]), want);
  }
}

}  // namespace

// --- Top-margin line, which reads its value from the printer ---

namespace {

class TopMarginLineTest : public printtest::PrinterPatternTest {
 protected:
  CheckPatterns patterns_;
};

TEST_F(TopMarginLineTest, PrintsTheLineAndTheStoredByte) {
  printer().SetEeprom(0x2E, 0xE7);
  ASSERT_EQ(patterns_.PrintTopMarginLine(job_), rc::Success);
  EXPECT_THAT(sleep_.calls(), ElementsAre(10));
  EXPECT_THAT(CallOrder(), ElementsAre("eeprom_read", "data"));
  EXPECT_THAT(Field("eeprom_read", "addr"), ElementsAre(0x2E));
  const Decoded d = PrintedOnPrinter();
  EXPECT_EQ(d.ops, (std::vector<std::string>{
                       "reset", "reset", "graphics", "unit 10", "dir 1", "dot 10", "cmode 1",
                       "paper 2976x4208", "margins 42,7966", "res 2/1", "raster#0", "reset", "CRLF",
                       "CRLF", "CRLF", "reset", "text:Top margin value = \\0231\\0"}));
  ASSERT_EQ(d.blocks.size(), 1u);
  const auto& block = d.blocks[0];
  EXPECT_EQ(block.color, 0x00);
  ASSERT_EQ(block.width, 720);
  ASSERT_EQ(block.lines, 72);
  EXPECT_EQ(block.data[0], std::vector<uint8_t>(720, 0xFF));
  for (int line = 1; line < 72; ++line) {
    EXPECT_THAT(MarkedBytes(block.data[line]), ElementsAre(0)) << line;
    EXPECT_EQ(block.data[line][0], 0xC0);
  }
  EXPECT_EQ(job_.Fill(), 0);
}

TEST_F(TopMarginLineTest, ThePreambleSentDirectlyGoesAheadOfTheQueuedReset) {
  ASSERT_EQ(job_.ResetPrinter(), rc::Success);
  ASSERT_EQ(job_.SendRemotePreamble(), rc::Success);
  ASSERT_EQ(patterns_.PrintTopMarginLine(job_), rc::Success);
  EXPECT_THAT(CallOrder(), ElementsAre("data", "eeprom_read", "data"));
  const Decoded d = PrintedOnPrinter();
  ASSERT_GE(d.ops.size(), 6u);
  EXPECT_THAT(
      std::vector<std::string>(d.ops.begin(), d.ops.begin() + 6),
      ElementsAre("remote:REMOTE1", "remote:SN 00 00 03", "remote-end", "reset", "reset", "reset"));
}

TEST_F(TopMarginLineTest, AZeroByteFillsTheFieldWithNuls) {
  printer().SetEeprom(0x2E, 0x00);
  ASSERT_EQ(patterns_.PrintTopMarginLine(job_), rc::Success);
  const std::string wire = Hex(printer().PrintData());
  EXPECT_EQ(wire.substr(wire.size() - 3 * 24 + 1),
            "54 6F 70 20 6D 61 72 67 69 6E 20 76 61 6C 75 65 20 3D 20 00 30 00 00 00");
}

TEST_F(TopMarginLineTest, AFailedReadStopsBeforeAnyRaster) {
  printer().FailNth(vprinter::Op::kEepromRead, 1, rc::LinkReceiveError);
  EXPECT_EQ(patterns_.PrintTopMarginLine(job_), rc::LinkReceiveError);
  EXPECT_EQ(Hex(job_.Waiting()), "1B 40");
  EXPECT_EQ(DataPackets(), 0);
}

}  // namespace
