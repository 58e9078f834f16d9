#include "eeprom/usbid.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "eeprom/eepromtrace_testutil.h"
#include "tests/support/fakes.h"

namespace {

std::string Stamp(const QDateTime& when) {
  char stamp[9] = "xxxxxxxx";
  if (!UsbId::ComposeDateStamp(when, stamp)) return "refused";
  return stamp;
}

QDateTime At(int y, int mo, int d, int h, int mi, int s) {
  return QDateTime(QDate(y, mo, d), QTime(h, mi, s));
}

TEST(UsbIdStamp, EncodesTheLocalDateAndTime) {
  EXPECT_EQ(Stamp(At(2026, 12, 7, 6, 55, 42)), "RC76PC30");
  EXPECT_EQ(Stamp(At(2000, 1, 1, 0, 0, 0)), "01100000");
  EXPECT_EQ(Stamp(At(2009, 10, 31, 23, 29, 59)), "AAVNTT10");
}

TEST(UsbIdStamp, MidnightAndNoonDifferOnlyInTheHour) {
  EXPECT_EQ(Stamp(At(2024, 5, 17, 0, 12, 34)), "P5H0C410");
  EXPECT_EQ(Stamp(At(2024, 5, 17, 12, 12, 34)), "P5HCC410");
}

TEST(UsbIdStamp, YearsAndHalfFlags) {
  EXPECT_EQ(Stamp(At(1999, 9, 9, 9, 9, 9))[0], '9');
  EXPECT_EQ(Stamp(At(2008, 1, 1, 0, 0, 0))[0], '8');
  EXPECT_EQ(Stamp(At(2034, 1, 1, 0, 0, 0))[0], 'Z');
  EXPECT_EQ(Stamp(At(2024, 11, 1, 0, 29, 30)).substr(1), "B10T010");
  EXPECT_EQ(Stamp(At(2024, 11, 1, 0, 30, 29)).substr(4), "0T20");
  EXPECT_EQ(Stamp(At(2024, 11, 1, 0, 30, 30)).substr(4), "0030");
}

TEST(UsbIdStamp, ClockOutsideTheEncodableYearsIsRefusedAndLeavesThePlace) {
  EXPECT_EQ(Stamp(At(1998, 12, 31, 23, 59, 59)), "refused");
  EXPECT_EQ(Stamp(At(2035, 1, 1, 0, 0, 0)), "refused");
  EXPECT_EQ(Stamp(QDateTime()), "refused");
  char stamp[9] = "keepthis";
  EXPECT_FALSE(UsbId::ComposeDateStamp(At(2035, 6, 1, 0, 0, 0), stamp));
  EXPECT_STREQ(stamp, "keepthis");
}

class UsbIdPrinterTest : public testing_support::VirtualPrinterTest {
 protected:
  void StoreOldId() {
    const std::string old = "OLDSERIAL1PB10T010";
    for (int i = 0; i < 18; ++i) printer().SetEeprom(static_cast<uint8_t>(0x4D + i), old[i]);
  }
  std::string Stored() {
    const std::vector<uint8_t> cells = printer().Eeprom(0x4D, 0x5E);
    return std::string(cells.begin(), cells.end());
  }
  const UsbId usbId_{};
  testing_support::FakeClock clock_{At(2026, 12, 7, 6, 55, 42)};
};

TEST_F(UsbIdPrinterTest, WritesSerialThenStampAscendingAndReportsTheStamp) {
  char stamp[9] = "--------";
  ASSERT_EQ(usbId_.WriteUsbId("AB12CD34EF", stamp), rc::Success);
  EXPECT_STREQ(stamp, "RC76PC30");
  const auto writes = eeprom_testing::Writes(printer());
  ASSERT_EQ(writes.size(), 18u);
  const std::string expected = "AB12CD34EFRC76PC30";
  for (int i = 0; i < 18; ++i) {
    EXPECT_EQ(writes[i].first, 0x4D + i);
    EXPECT_EQ(writes[i].second, expected[i]);
  }
  EXPECT_TRUE(eeprom_testing::Reads(printer()).empty());

  char place[19];
  ASSERT_EQ(usbId_.ReadUsbId(place), rc::Success);
  EXPECT_STREQ(place, "AB12CD34EFRC76PC30");
}

TEST_F(UsbIdPrinterTest, StampIsTakenAfterTheSerialNumberHasBeenWritten) {
  std::vector<std::size_t> writesSeen;
  const platform::ClockHook previous = platform::SetClockHook([&] {
    writesSeen.push_back(printer().Trace("eeprom_write").size());
    return writesSeen.size() == 1 ? At(2026, 12, 7, 6, 55, 42) : At(2026, 12, 7, 6, 55, 43);
  });
  char stamp[9];
  const ResultCode result = usbId_.WriteUsbId("0000000000", stamp);
  platform::SetClockHook(previous);
  ASSERT_EQ(result, rc::Success);
  ASSERT_FALSE(writesSeen.empty());
  EXPECT_EQ(writesSeen.back(), 10u);
  EXPECT_STREQ(stamp, "RC76PD30");
  EXPECT_EQ(Stored(), "0000000000RC76PD30");
}

TEST_F(UsbIdPrinterTest, RefusalsWriteNothing) {
  StoreOldId();
  char stamp[9] = "--------";
  EXPECT_EQ(usbId_.WriteUsbId("AB12CD34E", stamp), rc::UsbIdDigitCount);
  EXPECT_EQ(usbId_.WriteUsbId("AB12CD34EF0", stamp), rc::UsbIdDigitCount);
  EXPECT_EQ(usbId_.WriteUsbId("AB12-D34EF", stamp), rc::UsbIdNotAlnum);
  EXPECT_EQ(usbId_.WriteUsbId("ab12cd34ef", stamp), rc::UsbIdNotAlnum);
  EXPECT_EQ(usbId_.WriteUsbId(std::string_view("AB12\0D34EF", 10), stamp), rc::UsbIdNotAlnum);
  EXPECT_TRUE(printer().Trace().empty());
  EXPECT_STREQ(stamp, "--------");
}

TEST_F(UsbIdPrinterTest, ClockOutsideTheStampYearsIsRefusedBeforeAnyCell) {
  StoreOldId();
  char stamp[9] = "--------";
  for (const QDateTime& when : {At(2035, 1, 1, 0, 0, 0), At(1998, 12, 31, 23, 59, 59)}) {
    clock_.Set(when);
    EXPECT_EQ(usbId_.WriteUsbId("AB12CD34EF", stamp), rc::UsbIdClockOutOfRange);
  }
  EXPECT_TRUE(printer().Trace().empty());
  EXPECT_EQ(Stored(), "OLDSERIAL1PB10T010");
  EXPECT_STREQ(stamp, "--------");
}

TEST_F(UsbIdPrinterTest, FailureDuringTheStampLeavesTheNewSerialWithTheOldStamp) {
  StoreOldId();
  printer().FailNth(testing_support::Op::kEepromWrite, 13, rc::PortTransmitError);
  char stamp[9] = "--------";
  EXPECT_EQ(usbId_.WriteUsbId("AB12CD34EF", stamp), rc::PortTransmitError);
  EXPECT_EQ(eeprom_testing::Writes(printer()).size(), 13u);
  EXPECT_EQ(Stored(), "AB12CD34EFRC10T010");  // two stamp characters written, the rest old
  EXPECT_STREQ(stamp, "--------");

  printer().FailNth(testing_support::Op::kEepromWrite, 4, rc::PortTransmitError);
  EXPECT_EQ(usbId_.WriteUsbId("ZZZZZZZZZZ", stamp), rc::PortTransmitError);
  EXPECT_EQ(Stored(), "ZZZ2CD34EFRC10T010");
}

TEST_F(UsbIdPrinterTest, ReadStopsAtTheFirstForeignCharacter) {
  StoreOldId();
  printer().SetEeprom(0x57, 0xFF);  // an erased first stamp cell
  char place[19] = "unchanged";
  EXPECT_EQ(usbId_.ReadUsbId(place), rc::UsbIdInvalid);
  EXPECT_EQ(eeprom_testing::Reads(printer()).size(), 11u);
  EXPECT_STREQ(place, "unchanged");

  StoreOldId();
  printer().SetEeprom(0x5E, 'a');
  EXPECT_EQ(usbId_.ReadUsbId(place), rc::UsbIdInvalid);
  EXPECT_STREQ(place, "unchanged");
}

TEST_F(UsbIdPrinterTest, ReadFailureIsHandedUpAndLeavesThePlace) {
  StoreOldId();
  printer().FailNth(testing_support::Op::kEepromRead, 18, rc::ReceiveTimeout);
  char place[19] = "unchanged";
  EXPECT_EQ(usbId_.ReadUsbId(place), rc::ReceiveTimeout);
  EXPECT_STREQ(place, "unchanged");

  printer().ClearTrace();
  ASSERT_EQ(usbId_.ReadUsbId(place), rc::Success);
  EXPECT_STREQ(place, "OLDSERIAL1PB10T010");
  std::vector<int> ascending;
  for (int a = 0x4D; a <= 0x5E; ++a) ascending.push_back(a);
  EXPECT_EQ(eeprom_testing::Reads(printer()), ascending);
}

}  // namespace
