#include "print/bidpattern.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "makerlibs/d4/d4.h"
#include "print/printtest_util.h"

using printtest::Decoded;
using printtest::Hex;
using printtest::MarkedBytes;
using printtest::RunsHex;
using testing::ElementsAre;

namespace {

class BidPatternTest : public printtest::PatternTest {
 protected:
  // The three value texts as they went to the printer, and the whole line.
  std::string TripleOf(uint8_t value) {
    RecordingSender sender;
    RasterJob job(sender.AsSender());
    EXPECT_EQ(pattern_.PrintValueTriple(job, value), rc::Success);
    EXPECT_EQ(job.Fill(), 0);
    EXPECT_EQ(sender.sends().size(), 1u);
    return Hex(sender.Stream());
  }

  BidPattern pattern_;
  using RecordingSender = printtest::RecordingSender;
};

// Nine blanks, "data = " and its NUL; seven blanks and a NUL between the values.
const std::string kData = "20 20 20 20 20 20 20 20 20 64 61 74 61 20 3D 20 00";
const std::string kGap = "20 20 20 20 20 20 20 00";

TEST_F(BidPatternTest, ValueTripleSendsThreeFourByteFields) {
  EXPECT_EQ(TripleOf(0), kData + " 2D 32 00 00 " + kGap + " " + kData + " 30 00 00 00 " + kGap +
                             " " + kData + " 32 00 00 00 0D 0A 1B 3C 0D");
  // 35 is used as 33: 31, 33 and 35.
  EXPECT_EQ(TripleOf(BidPattern::ClampForPattern(35)), kData + " 33 31 00 00 " + kGap + " " +
                                                           kData + " 33 33 00 00 " + kGap + " " +
                                                           kData + " 33 35 00 00 0D 0A 1B 3C 0D");
  // 220 (-36) is used as -34: -36, -34 and -32.
  EXPECT_EQ(TripleOf(BidPattern::ClampForPattern(220)), kData + " 2D 33 36 00 " + kGap + " " +
                                                            kData + " 2D 33 34 00 " + kGap + " " +
                                                            kData + " 2D 33 32 00 0D 0A 1B 3C 0D");
}

TEST_F(BidPatternTest, ValueTextNeverRunsPastItsField) {
  struct Guarded {
    char field[4];
    char guard[4];
  };
  const std::vector<std::pair<int, std::string>> cases = {
      {-2, "2D 32 00 00"},  {0, "30 00 00 00"},    {127, "31 32 37 00"},
      {-99, "2D 39 39 00"}, {-100, "2D 31 30 30"}, {-128, "2D 31 32 38"}};
  for (const auto& [value, hex] : cases) {
    Guarded g{{0, 0, 0, 0}, {'g', 'g', 'g', 'g'}};
    BidPattern::WriteValueText(static_cast<int8_t>(value), g.field);
    EXPECT_EQ(Hex(std::span(reinterpret_cast<const uint8_t*>(g.field), 4)), hex) << value;
    EXPECT_EQ(std::string(g.guard, 4), "gggg") << value;
  }
  // A stored -128 prints 126 (the wrapped value - 2, as it is written to the printer), -128 and
  // -126, the last two filling their fields.
  const std::string line = TripleOf(0x80);
  EXPECT_NE(line.find("31 32 36 00 " + kGap), std::string::npos);
  EXPECT_NE(line.find("2D 31 32 38 " + kGap), std::string::npos);
  EXPECT_NE(line.find("2D 31 32 36 0D 0A"), std::string::npos);
}

TEST_F(BidPatternTest, ClampMovesOnlyTheEndsOfTheRange) {
  const std::vector<std::pair<int, int>> cases = {{35, 33},   {36, 33},     {220, 222},  {221, 223},
                                                  {34, 34},   {37, 37},     {0, 0},      {219, 219},
                                                  {222, 222}, {0x80, 0x80}, {0xFF, 0xFF}};
  for (const auto& [stored, used] : cases) {
    EXPECT_EQ(BidPattern::ClampForPattern(static_cast<uint8_t>(stored)), used) << stored;
  }
}

TEST_F(BidPatternTest, ReferenceLineHasThreeGroupsOfFiveMarks) {
  ASSERT_EQ(job_.StartRaster(1, 1, 2, 0xD0, 0x02, 0x01, 0x00), rc::Success);
  ASSERT_EQ(pattern_.BidReferenceLine(job_), rc::Success);
  const std::string markGroup = "00 01 F6 00 00 01 F6 00 00 01 F6 00 00 01 F6 00 00 01 F6 00";
  EXPECT_EQ(Hex(job_.Waiting().subspan(9)), "A7 00 " + markGroup + " A7 00 A7 00 " + markGroup +
                                                " A7 00 A7 00 " + markGroup + " A7 00");
  ASSERT_EQ(job_.FlushData(), rc::Success);
  const Decoded d = Printed();
  ASSERT_EQ(d.blocks.size(), 1u);
  std::vector<int> marks;
  for (int group : {90, 330, 570}) {
    for (int i = 0; i < 5; ++i) marks.push_back(group + 12 * i);
  }
  EXPECT_EQ(MarkedBytes(d.blocks[0].data[0]), marks);
  EXPECT_EQ(d.blocks[0].data[0][90], 0x01);
}

}  // namespace

// --- Against the printer: reads, temporary values, restores and what failures leave ---

namespace {

using vprinter::Op;

std::vector<int> MarkGroupAt(int start) {
  std::vector<int> marks;
  for (int i = 0; i < 5; ++i) marks.push_back(start + 12 * i);
  return marks;
}

std::vector<int> Join(std::vector<int> a, const std::vector<int>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

const std::vector<int> kReferenceMarks =
    Join(Join(MarkGroupAt(90), MarkGroupAt(330)), MarkGroupAt(570));

const std::string kMarks = "00 01 F6 00 00 01 F6 00 00 01 F6 00 00 01 F6 00 00 01 F6 00";

// The runs of an unmarked middle line of a test block, as coded.
std::string TestLineRuns(bool black, int test) {
  switch (test) {
    case 0:
      return "00 00 A8 00 " + kMarks + " 9D 00 9D 00 9D 00 9D 00 9D 00 " +
             (black ? "BB 00" : "BC 00 00 00");
    case 1:
      return "00 00 94 00 93 00 93 00 " + kMarks + " 93 00 93 00 93 00";
    default:
      return "00 00 9E 00 9D 00 9D 00 9D 00 9D 00 BB 00 " + kMarks + " A7 00";
  }
}

// The six blocks of a black row, or of one pass of a colour row, from block `first` on: the
// reference, the test block for value - 2, then lead and test block for the value and value + 2.
void ExpectRowBlocks(const Decoded& d, std::size_t first, bool black) {
  ASSERT_GE(d.blocks.size(), first + 6);
  const int lines = black ? 144 : 48;
  const int third = lines / 3;
  const int marked = 2 * third - 1;  // the middle third's last line carries the end dots
  const auto& reference = d.blocks[first];
  EXPECT_EQ(reference.color, black ? 0x00 : 0x01);
  ASSERT_EQ(reference.lines, lines);
  for (int line = 0; line < lines; ++line) {
    std::vector<int> want = kReferenceMarks;
    if (line / third == 1) want = line == marked ? std::vector<int>{719} : std::vector<int>{};
    EXPECT_EQ(MarkedBytes(reference.data[line]), want) << "reference line " << line;
  }
  const int groupStart[3] = {90, 330, 570};
  std::size_t index = first + 1;
  for (int test = 0; test < 3; ++test) {
    if (test > 0) {
      const auto& lead = d.blocks[index++];
      ASSERT_EQ(lead.lines, lines);
      for (int line = 0; line < lines; ++line) {
        EXPECT_EQ(MarkedBytes(lead.data[line]),
                  line == lines - 1 ? std::vector<int>{719} : std::vector<int>{});
      }
    }
    const auto& block = d.blocks[index++];
    EXPECT_EQ(block.color, black ? 0x00 : 0x02);
    ASSERT_EQ(block.lines, lines);
    for (int line = 0; line < lines; ++line) {
      std::vector<int> want;
      if (line / third == 1) {
        want = MarkGroupAt(groupStart[test]);
        if (line == marked) {
          want.insert(want.begin(), 0);
          if (!black && test == 0) want.push_back(719);
        }
      }
      EXPECT_EQ(MarkedBytes(block.data[line]), want) << "test " << test << " line " << line;
    }
    EXPECT_EQ(RunsHex(block.runs[third]), TestLineRuns(black, test)) << "test " << test;
  }
  EXPECT_EQ(RunsHex(reference.runs[0]),
            "A7 00 " + kMarks + " A7 00 A7 00 " + kMarks + " A7 00 A7 00 " + kMarks + " A7 00");
}

// The text of the value line for three value texts, as the decoder shows it.
std::string ValueLine(const std::string& a, const std::string& b, const std::string& c) {
  auto field = [](const std::string& text) {
    std::string f = text;
    for (std::size_t i = text.size(); i < 4; ++i) f += "\\0";
    return f;
  };
  const std::string data = "         data = \\0";
  const std::string gap = "       \\0";
  return "text:" + data + field(a) + gap + data + field(b) + gap + data + field(c);
}

std::vector<std::string> StartOps(const char* direction, const char* dot, const char* mode,
                                  const char* resolution) {
  return {"reset", "graphics", "unit 10", direction, dot, mode, resolution};
}

void Append(std::vector<std::string>& to, const std::vector<std::string>& ops) {
  to.insert(to.end(), ops.begin(), ops.end());
}

class BidPrintTest : public printtest::PrinterPatternTest {
 protected:
  BidPattern pattern_;
};

TEST_F(BidPrintTest, BlackRowOfStoredZeroWritesFeZeroTwoAndRestoresZero) {
  printer().SetEeprom(0x33, 0x00);
  ASSERT_EQ(pattern_.PrintBlackBidRow(job_, 1), rc::Success);

  EXPECT_THAT(CallOrder(),
              ElementsAre("soft_reset", "status", "eeprom_read", "data", "write_bid", "data",
                          "write_bid", "data", "write_bid", "data", "write_bid", "data"));
  EXPECT_THAT(Field("eeprom_read", "addr"), ElementsAre(0x33));
  EXPECT_THAT(Field("write_bid", "value"), ElementsAre(-2, 0, 2, 0));
  EXPECT_THAT(Field("write_bid", "drop"), ElementsAre(1, 1, 1, 1));
  EXPECT_THAT(Field("write_bid", "ink"), ElementsAre(1, 1, 1, 1));
  EXPECT_EQ(printer().Eeprom(0x33), 0x00);
  EXPECT_EQ(job_.Fill(), 0);

  const Decoded d = PrintedOnPrinter();
  std::vector<std::string> expected = {"text:  MS Black",         "CRLF", "reset",
                                       ValueLine("-2", "0", "2"), "CRLF", "home"};
  Append(expected, StartOps("dir 1", "dot 12", "cmode 1", "res 1/1"));
  Append(expected, {"raster#0", "home", "reset"});
  Append(expected, StartOps("dir 0", "dot 12", "cmode 1", "res 1/1"));
  Append(expected, {"raster#1", "home", "reset"});
  Append(expected, StartOps("dir 0", "dot 12", "cmode 1", "res 1/1"));
  Append(expected, {"raster#2", "home", "raster#3", "home", "reset"});
  Append(expected, StartOps("dir 0", "dot 12", "cmode 1", "res 1/1"));
  Append(expected, {"raster#4", "home", "raster#5", "home", "reset", "CRLF", "CRLF"});
  EXPECT_EQ(d.ops, expected);
  ExpectRowBlocks(d, 0, true);
  // The value -2 goes out as 2D 32 00 00.
  EXPECT_NE(Hex(printer().PrintData()).find("3D 20 00 2D 32 00 00 20"), std::string::npos);
}

TEST_F(BidPrintTest, ColourRowOfStored35UsesThirtyThreeAndRestores35) {
  printer().SetEeprom(0x36, 35);
  ASSERT_EQ(pattern_.PrintColorBidRow(job_, 1), rc::Success);

  EXPECT_THAT(Field("eeprom_read", "addr"), ElementsAre(0x36));
  EXPECT_THAT(Field("write_bid", "value"), ElementsAre(31, 33, 35, 31, 33, 35, 31, 33, 35, 35));
  EXPECT_THAT(Field("write_bid", "ink"), testing::Each(2));
  EXPECT_EQ(printer().Eeprom(0x36), 35);

  const Decoded d = PrintedOnPrinter();
  std::vector<std::string> expected = {
      "CRLF", "text:  MS Color", "CRLF", "reset", ValueLine("31", "33", "35"), "CRLF", "home"};
  for (int pass = 0; pass < 3; ++pass) {
    const std::string b = "raster#" + std::to_string(6 * pass);
    auto raster = [&](int i) { return "raster#" + std::to_string(6 * pass + i); };
    Append(expected, StartOps("dir 1", "dot 12", "cmode 2", "res 3/1"));
    Append(expected, {raster(0), "reset"});
    Append(expected, StartOps("dir 0", "dot 12", "cmode 2", "res 3/1"));
    Append(expected, {raster(1), "home", "reset"});
    Append(expected, StartOps("dir 0", "dot 12", "cmode 2", "res 3/1"));
    Append(expected, {raster(2), "home", raster(3), "home", "reset"});
    Append(expected, StartOps("dir 0", "dot 12", "cmode 2", "res 3/1"));
    Append(expected, {raster(4), "home", raster(5), "home", "feed 1"});
  }
  Append(expected, {"reset", "CRLF", "CRLF", "CRLF"});
  EXPECT_EQ(d.ops, expected);
  for (int pass = 0; pass < 3; ++pass) ExpectRowBlocks(d, 6 * pass, false);
}

TEST_F(BidPrintTest, BlackRowOfStored220UsesMinus34AndRestores220) {
  printer().SetEeprom(0x34, 220);
  ASSERT_EQ(pattern_.PrintBlackBidRow(job_, 2), rc::Success);
  EXPECT_THAT(Field("eeprom_read", "addr"), ElementsAre(0x34));
  EXPECT_THAT(Field("write_bid", "value"), ElementsAre(-36, -34, -32, -36));
  EXPECT_THAT(Field("write_bid", "drop"), testing::Each(2));
  EXPECT_EQ(printer().Eeprom(0x34), 220);
  const Decoded d = PrintedOnPrinter();
  ASSERT_GE(d.ops.size(), 4u);
  EXPECT_EQ(d.ops[0], "text:  6pl Black");
  EXPECT_EQ(d.ops[3], ValueLine("-36", "-34", "-32"));
  EXPECT_EQ(printtest::CountOp(d, "dot 11"), 4);
}

TEST_F(BidPrintTest, WholePatternPrintsSixRowsAndLeavesTheValuesAsFound) {
  const std::vector<uint8_t> before = printer().Eeprom(0x33, 0x38);
  ASSERT_EQ(pattern_.PrintBidPattern(job_), rc::Success);
  EXPECT_THAT(Field("eeprom_read", "addr"), ElementsAre(0x33, 0x36, 0x34, 0x37, 0x35, 0x38));
  EXPECT_EQ(printer().Trace("soft_reset").size(), 6u);
  EXPECT_EQ(printer().Trace("write_bid").size(), 3u * (4 + 10));
  EXPECT_EQ(printer().Eeprom(0x33, 0x38), before);
  EXPECT_TRUE(sleep_.calls().empty());

  const Decoded d = PrintedOnPrinter();
  std::vector<std::string> texts;
  for (const std::string& op : d.ops) {
    if (op.rfind("text:", 0) == 0 && op.find("data =") == std::string::npos) texts.push_back(op);
  }
  EXPECT_THAT(texts, ElementsAre("text:Bi-D check pattern\\0", "text:  MS Black", "text:  MS Color",
                                 "text:  6pl Black", "text:  6pl Color", "text:  4pl Black",
                                 "text:  4pl Color"));
  ASSERT_EQ(d.blocks.size(), 3u * (6 + 18));
  for (int row = 0; row < 3; ++row) {
    ExpectRowBlocks(d, 24 * row, true);
    for (int pass = 0; pass < 3; ++pass) ExpectRowBlocks(d, 24 * row + 6 + 6 * pass, false);
  }
}

TEST_F(BidPrintTest, AFailedWriteOfValueMinusTwoSendsNoTestBlock) {
  printer().SetEeprom(0x33, 35);
  printer().FailNth(Op::kWriteBid, 1, rc::LinkReceiveError);
  BidRestore restore;
  EXPECT_EQ(pattern_.PrintBlackBidRow(job_, 1, &restore), rc::LinkReceiveError);
  // A time-out leaves open whether the printer took 31: the stored byte is written back.
  EXPECT_THAT(Field("write_bid", "value"), ElementsAre(31, 35));
  EXPECT_EQ(printer().Eeprom(0x33), 35);
  EXPECT_TRUE(restore.Restored());
  const Decoded d = PrintedOnPrinter();
  EXPECT_EQ(d.blocks.size(), 1u);  // the reference only
  EXPECT_EQ(job_.Fill(), 0);
}

TEST_F(BidPrintTest, AFailedWriteOfValuePlusTwoWritesTheStoredValueBack) {
  printer().SetEeprom(0x33, 35);
  printer().FailNth(Op::kWriteBid, 3, rc::LinkReceiveError);
  BidRestore restore;
  EXPECT_EQ(pattern_.PrintBlackBidRow(job_, 1, &restore), rc::LinkReceiveError);
  EXPECT_THAT(Field("write_bid", "value"), ElementsAre(31, 33, 35, 35));
  EXPECT_EQ(printer().Trace("write_bid")[2].Refused(), rc::LinkReceiveError);
  EXPECT_EQ(printer().Eeprom(0x33), 35);
  EXPECT_TRUE(restore.Restored());
  const Decoded d = PrintedOnPrinter();
  EXPECT_EQ(d.blocks.size(), 4u);  // reference, value - 2, lead and value
}

TEST_F(BidPrintTest, AFailedSendAfterATemporaryWriteEndsTheRowThere) {
  printer().SetEeprom(0x33, 10);
  // A clean run tells how many packets go out before the first temporary value.
  ASSERT_EQ(pattern_.PrintBlackBidRow(job_, 1), rc::Success);
  int before = 0;
  for (const std::string& op : printer().TraceOps()) {
    if (op == "write_bid") break;
    before += op == "data" ? 1 : 0;
  }
  printer().ClearTrace();

  printer().FailNth(Op::kData, before + 1, rc::PortTransmitError);
  BidRestore restore;
  EXPECT_EQ(pattern_.PrintBlackBidRow(job_, 1, &restore), rc::PortTransmitError);
  EXPECT_THAT(Field("write_bid", "value"), ElementsAre(8, 10));
  EXPECT_EQ(printer().Eeprom(0x33), 10);  // the temporary value is replaced by the stored one
  EXPECT_EQ(job_.Fill(), 1000);           // the refused packet waits; the handler drops it
  EXPECT_EQ(DataPackets(), before);
  EXPECT_TRUE(restore.Restored());
}

TEST_F(BidPrintTest, TheRestoreIsTriedOnceAndTheReportSaysWhatThePrinterHolds) {
  // Stored 10: 8 is taken, 10 is refused, the restore of 10 is refused: the printer holds 8.
  printer().SetEeprom(0x33, 10);
  printer().FailNthWithPacketError(Op::kWriteBid, 2, d4::err::PrinterIsBusy);
  printer().FailNthWithPacketError(Op::kWriteBid, 3, d4::err::PrinterIsBusy);
  BidRestore restore;
  EXPECT_EQ(pattern_.PrintBlackBidRow(job_, 1, &restore), rc::PacketError);
  EXPECT_THAT(Field("write_bid", "value"), ElementsAre(8, 10, 10));
  EXPECT_EQ(restore.stored, 10);
  EXPECT_THAT(restore.held, ElementsAre(8));
  EXPECT_FALSE(restore.Restored());

  // A failure before any test value leaves no report.
  printer().device().ClearFaults();
  printer().SetEeprom(0x33, 10);
  printer().ClearTrace();
  printer().FailNth(Op::kEepromRead, 1, rc::LinkReceiveError);
  restore = BidRestore{};
  EXPECT_EQ(pattern_.PrintBlackBidRow(job_, 1, &restore), rc::LinkReceiveError);
  EXPECT_FALSE(restore.touched);
  EXPECT_TRUE(printer().Trace("write_bid").empty());
}

TEST_F(BidPrintTest, ATimedOutFinalWriteOfTheStoredValueIsRetriedOnce) {
  // The final write of 10 times out: written once more, the printer holds 10 again.
  printer().SetEeprom(0x33, 10);
  printer().FailNth(Op::kWriteBid, 4, rc::LinkReceiveError);
  BidRestore restore;
  EXPECT_EQ(pattern_.PrintBlackBidRow(job_, 1, &restore), rc::LinkReceiveError);
  EXPECT_THAT(Field("write_bid", "value"), ElementsAre(8, 10, 12, 10, 10));
  EXPECT_EQ(printer().Trace("write_bid")[4].Refused(), 0);  // the retry went through
  EXPECT_TRUE(restore.Restored());
  EXPECT_EQ(printer().Eeprom(0x33), 10);

  // The retry times out as well: no third try, and the report leaves open which value it holds.
  printer().device().ClearFaults();
  printer().ClearTrace();
  printer().FailNth(Op::kWriteBid, 4, rc::LinkReceiveError);
  printer().FailNth(Op::kWriteBid, 5, rc::LinkReceiveError);
  restore = BidRestore{};
  EXPECT_EQ(pattern_.PrintBlackBidRow(job_, 1, &restore), rc::LinkReceiveError);
  EXPECT_THAT(Field("write_bid", "value"), ElementsAre(8, 10, 12, 10, 10));
  EXPECT_THAT(restore.held, ElementsAre(10, 12));  // 12 taken; the timed-out 10 perhaps
  EXPECT_FALSE(restore.Restored());

  // The colour row ends the same way.
  printer().device().ClearFaults();
  printer().ClearTrace();
  printer().SetEeprom(0x36, 10);
  printer().FailNth(Op::kWriteBid, 10, rc::LinkReceiveError);
  restore = BidRestore{};
  EXPECT_EQ(pattern_.PrintColorBidRow(job_, 1, &restore), rc::LinkReceiveError);
  EXPECT_EQ(printer().Trace("write_bid").size(), 11u);
  EXPECT_TRUE(restore.Restored());
  EXPECT_EQ(printer().Eeprom(0x36), 10);
}

TEST_F(BidPrintTest, AFailedReadStopsBeforeTheRowsRaster) {
  printer().FailNth(Op::kEepromRead, 1, rc::LinkReceiveError);
  EXPECT_EQ(pattern_.PrintBidPattern(job_), rc::LinkReceiveError);
  EXPECT_EQ(DataPackets(), 0);
  EXPECT_TRUE(printer().Trace("write_bid").empty());
  // The title and the first row's label stay queued.
  const Decoded queued = printtest::Decode(job_.Waiting());
  EXPECT_THAT(queued.ops, ElementsAre("text:Bi-D check pattern\\0", "CRLF", "text:  MS Black",
                                      "CRLF", "reset"));
}

}  // namespace
