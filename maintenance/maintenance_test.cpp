#include "maintenance/maintenance.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "eeprom/eepromtrace_testutil.h"

namespace {

using eeprom_testing::Reads;
using eeprom_testing::Writes;

class ProtectionCounterTest : public testing_support::VirtualPrinterTest {
 protected:
  void SetCounter(uint8_t high, uint8_t low) { printer().SetEeprom(0x0A, {high, low}); }
  std::string Read(const char* start) {
    char area[6];
    std::memcpy(area, start, 6);
    EXPECT_EQ(maintenance_.ReadProtectionCounter(area), rc::Success);
    return std::string(area, 6);
  }
  const Maintenance maintenance_{};
};

TEST_F(ProtectionCounterTest, TextOfTheCounterWithTheRestOfTheAreaKept) {
  SetCounter(0x0B, 0x7C);
  EXPECT_EQ(Read("     \0"), std::string("2940\0\0", 6));
  SetCounter(0x00, 0x00);
  EXPECT_EQ(Read("     \0"), std::string("0\0   \0", 6));
  SetCounter(0xFF, 0xFF);
  EXPECT_EQ(Read("     \0"), std::string("65535\0", 6));
  // A shorter value after a longer one leaves the older digits behind its terminator.
  SetCounter(0x00, 0x07);
  EXPECT_EQ(Read("65535\0"), std::string("7\0"
                                         "535\0",
                                         6));
  // 0x6000 is beyond both guidance numbers and is shown like any other value.
  SetCounter(0x60, 0x00);
  EXPECT_EQ(Read("     \0"), std::string("24576\0", 6));
}

TEST_F(ProtectionCounterTest, ReadsLowByteFirstAndWritesNothing) {
  SetCounter(0x01, 0x02);
  EXPECT_EQ(Read("     \0"), std::string("258\0 \0", 6));
  EXPECT_EQ(Reads(printer()), (std::vector<int>{0x0B, 0x0A}));
  EXPECT_TRUE(Writes(printer()).empty());
}

TEST_F(ProtectionCounterTest, ReadFailureLeavesTheAreaAndStopsAtOnce) {
  for (int failing = 1; failing <= 2; ++failing) {
    printer().ClearTrace();
    printer().FailNth(testing_support::Op::kEepromRead, failing, rc::ReceiveTimeout);
    char area[6] = {'1', '2', '3', '4', '5', '\0'};
    EXPECT_EQ(maintenance_.ReadProtectionCounter(area), rc::ReceiveTimeout);
    EXPECT_EQ(std::string(area, 6), std::string("12345\0", 6));
    EXPECT_EQ(Reads(printer()).size(), static_cast<std::size_t>(failing));
  }
}

TEST_F(ProtectionCounterTest, ClearWritesLowThenHighAndAFollowingCheckShowsZero) {
  SetCounter(0x3F, 0xA0);
  ASSERT_EQ(maintenance_.ClearProtectionCounter(), rc::Success);
  EXPECT_EQ(Writes(printer()), (std::vector<std::pair<int, int>>{{0x0B, 0}, {0x0A, 0}}));
  EXPECT_EQ(Read("     \0"), std::string("0\0   \0", 6));
}

TEST_F(ProtectionCounterTest, ClearFailingOnTheLowByteLeavesTheHighByteUnwritten) {
  SetCounter(0x3F, 0xA0);
  printer().FailNth(testing_support::Op::kEepromWrite, 1, rc::PortTransmitError);
  EXPECT_EQ(maintenance_.ClearProtectionCounter(), rc::PortTransmitError);
  EXPECT_EQ(Writes(printer()).size(), 1u);
  EXPECT_EQ(printer().Eeprom(0x0A), 0x3F);
  EXPECT_EQ(printer().Eeprom(0x0B), 0xA0);

  printer().FailNth(testing_support::Op::kEepromWrite, 2, rc::PortTransmitError);
  EXPECT_EQ(maintenance_.ClearProtectionCounter(), rc::PortTransmitError);
  EXPECT_EQ(printer().Eeprom(0x0A), 0x3F);
  EXPECT_EQ(printer().Eeprom(0x0B), 0x00);
}

}  // namespace
