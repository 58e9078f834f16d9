// The word tables: the rows that share texts, the values without one, and the fallback.
#include "link/resulttexts.h"

#include <gtest/gtest.h>

TEST(ResultText, SharesTheLinkTextsAndNamesCodesWithoutOne) {
  for (ResultCode code : {-8193, -104, -82}) EXPECT_EQ(ResultText(code), "Receive error") << code;
  for (ResultCode code : {-103, -81}) EXPECT_EQ(ResultText(code), "Transmission error") << code;
  EXPECT_EQ(ResultText(-105), "Cannot open port.");
  EXPECT_EQ(ResultText(0x1001), ResultText(0x3001));
  EXPECT_EQ(ResultText(0x100B), "Tenth Digit is wrong.");
  EXPECT_EQ(ResultText(0x3011), "USB ID is invalid");  // no full stop
  EXPECT_EQ(ResultText(0x5002), "Bi-D Print error!!");
  EXPECT_TRUE(ResultText(rc::UsbIdClockOutOfRange).startsWith("PC clock is outside 1999 to 2034."));
  EXPECT_EQ(ResultText(-2),
            "Unexpected result -2 (0xFFFE). Check the printer and the cable, then try again.");
  EXPECT_EQ(ResultText(0x5001),
            "Unexpected result 20481 (0x5001). Check the printer and the cable, then try again.");
}

TEST(PacketErrorText, KnowsTheTableOnly) {
  EXPECT_EQ(PacketErrorText(145), "D4Error : INVALID_PALAMETER");
  EXPECT_EQ(PacketErrorText(-1), "D4Error : D4_UNKNOWN_ERROR");
  EXPECT_EQ(PacketErrorText(0), std::nullopt);
  EXPECT_EQ(PacketErrorText(177), std::nullopt);
}

TEST(PrinterStatusTexts, TheErrorStateHasNoStateTextAndFiveErrorsAskToClear) {
  EXPECT_EQ(PrinterStateText(0xEFFB), "Printer Status : Idle");
  EXPECT_EQ(PrinterStateText(0xEFFF), std::nullopt);
  EXPECT_EQ(PrinterStateText(0), std::nullopt);
  int askToClear = 0;
  for (int error = 0xEF00; error <= 0xEF10; ++error) {
    if (const auto info = PrinterErrorText(static_cast<uint16_t>(error))) {
      askToClear += info->askToClear ? 1 : 0;
    }
  }
  EXPECT_EQ(askToClear, 5);
  EXPECT_EQ(PrinterErrorText(0xEF0E)->text, "I/F not select error");
  EXPECT_EQ(PrinterErrorText(0xEF07), std::nullopt);
}
