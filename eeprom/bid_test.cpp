#include "eeprom/bid.h"

#include <gtest/gtest.h>

#include <stdexcept>

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

}  // namespace
