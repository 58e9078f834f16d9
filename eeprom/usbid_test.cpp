#include "eeprom/usbid.h"

#include <gtest/gtest.h>

#include <string>

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

}  // namespace
