#include "eeprom/bid.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "eeprom/eepromtrace_testutil.h"

namespace {

TEST(BidTable, SixValuesInProcessingOrderWithCellsAndRangeErrors) {
  struct Row {
    int drop;
    int ink;
    uint8_t cell;
    const char* name;
    ResultCode code;
  };
  const Row rows[] = {{1, 1, 0x33, "MS Black", 8193},  {1, 2, 0x36, "MS Color", 8194},
                      {2, 1, 0x34, "6pl Black", 8195}, {2, 2, 0x37, "6pl Color", 8196},
                      {3, 1, 0x35, "4pl Black", 8197}, {3, 2, 0x38, "4pl Color", 8198}};
  ASSERT_EQ(kBidValues.size(), std::size(rows));
  for (std::size_t i = 0; i < kBidValues.size(); ++i) {
    EXPECT_EQ(kBidValues[i].dropSize, rows[i].drop);
    EXPECT_EQ(kBidValues[i].inkGroup, rows[i].ink);
    EXPECT_EQ(kBidValues[i].cell, rows[i].cell);
    EXPECT_STREQ(kBidValues[i].name, rows[i].name);
    EXPECT_EQ(Bid::RangeError(rows[i].ink, rows[i].drop), rows[i].code);
  }
}

TEST(BidWrite, OutOfRangeAndNonNumbersGiveTheRangeErrorOfTheirValue) {
  const Bid bid;
  for (const char* text : {"37", "-37", "72", "-72", "100", "abc", "", "1.5", "12 "}) {
    EXPECT_EQ(bid.WriteBidValue(1, 1, text), 8193) << text;
    EXPECT_EQ(bid.WriteBidValue(2, 3, text), 8198) << text;
  }
  EXPECT_EQ(bid.WriteBidValue(2, 1, "37"), 8194);
  EXPECT_EQ(bid.WriteBidValue(1, 2, "-37"), 8195);
}

TEST(BidWrite, UnknownPairsAreRefusedBeforeAnythingIsSent) {
  const Bid bid;
  std::string text = "unchanged";
  EXPECT_THROW(bid.WriteBidValue(0, 1, "0"), std::out_of_range);
  EXPECT_THROW(bid.WriteBidValue(1, 4, "0"), std::out_of_range);
  EXPECT_THROW(bid.ReadBidValue(3, 1, &text), std::out_of_range);
  EXPECT_THROW(Bid::RangeError(1, 0), std::out_of_range);
  EXPECT_EQ(text, "unchanged");
}

class BidPrinterTest : public testing_support::VirtualPrinterTest {
 protected:
  const Bid bid_{};
};

TEST_F(BidPrinterTest, WritesTheEdgesOfTheRangeThroughWriteBidIntoThePairedCell) {
  for (const BidValueInfo& info : kBidValues) {
    printer().ClearTrace();
    ASSERT_EQ(bid_.WriteBidValue(info.inkGroup, info.dropSize, "-36"), rc::Success) << info.name;
    const auto writes = printer().Trace("write_bid");
    ASSERT_EQ(writes.size(), 1u);
    EXPECT_EQ(writes[0].Num("drop"), info.dropSize);
    EXPECT_EQ(writes[0].Num("ink"), info.inkGroup);
    EXPECT_EQ(writes[0].Num("value"), -36);
    EXPECT_EQ(printer().Eeprom(info.cell), 0xDC) << info.name;
    EXPECT_TRUE(printer().Trace("eeprom_write").empty());
  }
  ASSERT_EQ(bid_.WriteBidValue(2, 3, "36"), rc::Success);
  EXPECT_EQ(printer().Eeprom(0x38), 36);
  ASSERT_EQ(bid_.WriteBidValue(1, 2, "+0"), rc::Success);
  EXPECT_EQ(printer().Eeprom(0x34), 0);
}

TEST_F(BidPrinterTest, RangeErrorSendsNothing) {
  EXPECT_EQ(bid_.WriteBidValue(1, 1, "37"), 8193);
  EXPECT_EQ(bid_.WriteBidValue(2, 3, "abc"), 8198);
  EXPECT_EQ(bid_.WriteBidValue(1, 2, "72"), 8195);
  EXPECT_TRUE(printer().Trace().empty());
}

TEST_F(BidPrinterTest, WriteBidFailureIsHandedUpUnchanged) {
  printer().FailNth(testing_support::Op::kWriteBid, 1, rc::LinkTransmitError);
  const uint8_t before = printer().Eeprom(0x36);
  EXPECT_EQ(bid_.WriteBidValue(2, 1, "5"), rc::LinkTransmitError);
  EXPECT_EQ(printer().Eeprom(0x36), before);
  printer().FailNthWithPacketError(testing_support::Op::kWriteBid, 1, 9);
  EXPECT_EQ(bid_.WriteBidValue(2, 1, "5"), rc::PacketError);
}

TEST_F(BidPrinterTest, ReadsEachValueFromItsCellAsSignedDecimal) {
  printer().SetEeprom(0x33, {0xDC, 0x05, 0xFB, 0x00, 0x24, 0x80});
  const char* expected[] = {"-36", "0", "5", "36", "-5", "-128"};  // table order
  for (std::size_t i = 0; i < kBidValues.size(); ++i) {
    std::string text;
    ASSERT_EQ(bid_.ReadBidValue(kBidValues[i].inkGroup, kBidValues[i].dropSize, &text),
              rc::Success);
    EXPECT_EQ(text, expected[i]) << kBidValues[i].name;
  }
  EXPECT_EQ(eeprom_testing::Reads(printer()),
            (std::vector<int>{0x33, 0x36, 0x34, 0x37, 0x35, 0x38}));
}

TEST_F(BidPrinterTest, ReadFailureLeavesTheText) {
  printer().FailNth(testing_support::Op::kEepromRead, 1, rc::LinkReceiveError);
  std::string text = "7";
  EXPECT_EQ(bid_.ReadBidValue(1, 1, &text), rc::LinkReceiveError);
  EXPECT_EQ(text, "7");
}

}  // namespace
