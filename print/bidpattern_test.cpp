#include "print/bidpattern.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "print/printtest_util.h"

using printtest::Decoded;
using printtest::Hex;
using printtest::MarkedBytes;
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
