#include "eeprom/dataconversion.h"

#include <gtest/gtest.h>

namespace {

TEST(HexTextToByte, ConvertsTwoUpperCaseDigits) {
  const DataConversion conversion;
  uint8_t byte = 0x55;
  EXPECT_TRUE(conversion.HexTextToByte("0A", &byte));
  EXPECT_EQ(byte, 10);
  EXPECT_TRUE(conversion.HexTextToByte("FF", &byte));
  EXPECT_EQ(byte, 255);
  EXPECT_TRUE(conversion.HexTextToByte("00", &byte));
  EXPECT_EQ(byte, 0);
  EXPECT_TRUE(conversion.HexTextToByte("9F", &byte));
  EXPECT_EQ(byte, 0x9F);
}

TEST(HexTextToByte, RefusesAnythingElseAndStoresNothing) {
  const DataConversion conversion;
  for (const char* bad : {"0a", "G1", "1G", " 1", "-1", "@0", "/0", ":0", "", "5", "ABC"}) {
    uint8_t byte = 0x55;
    EXPECT_FALSE(conversion.HexTextToByte(bad, &byte)) << bad;
    EXPECT_EQ(byte, 0x55) << bad;
  }
}

}  // namespace
