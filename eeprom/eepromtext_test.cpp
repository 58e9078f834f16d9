#include "eeprom/eepromtext.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "eeprom/addressmap.h"

namespace {

TEST(EepromText, HexAndDecimalForms) {
  EXPECT_EQ(eeprom::ByteToHexText(0x0A), "0A");
  EXPECT_EQ(eeprom::ByteToHexText(0xFF), "FF");
  EXPECT_EQ(eeprom::ByteToHexText(0x00), "00");
  EXPECT_EQ(eeprom::ByteToHexText(0xB7), "B7");
  EXPECT_EQ(eeprom::SignedCellText(0xDC), "-36");
  EXPECT_EQ(eeprom::SignedCellText(0x24), "36");
  EXPECT_EQ(eeprom::SignedCellText(0x00), "0");
  EXPECT_EQ(eeprom::SignedCellText(0x80), "-128");
  EXPECT_EQ(eeprom::SignedCellText(0x7F), "127");
}

TEST(TopMargin, PreselectionEdges) {
  EXPECT_EQ(eeprom::TopMarginPreselection(0xE7), 0);  // -25
  EXPECT_EQ(eeprom::TopMarginPreselection(0x15), 2);  // 21
  EXPECT_EQ(eeprom::TopMarginPreselection(0x14), 1);  // 20
  EXPECT_EQ(eeprom::TopMarginPreselection(0xEC), 1);  // -20
  EXPECT_EQ(eeprom::TopMarginPreselection(0xEB), 0);  // -21
  EXPECT_EQ(eeprom::TopMarginPreselection(0x19), 2);  // +25
  EXPECT_EQ(eeprom::TopMarginPreselection(0x00), 1);
  EXPECT_EQ(eeprom::TopMarginPreselection(0x7F), 2);
  EXPECT_EQ(eeprom::TopMarginPreselection(0x80), 0);  // -128, not +128
}

TEST(TopMargin, EachItemWritesItsByteAndPreselectsItselfAgain) {
  const uint8_t values[] = {0xE7, 0x00, 0x19};
  const char* labels[] = {"\"-\"", "\"0\"", "\"+\""};
  for (int item = 0; item < 3; ++item) {
    EXPECT_EQ(eeprom::TopMarginValue(item), values[item]);
    EXPECT_STREQ(eeprom::TopMarginLabel(item), labels[item]);
    EXPECT_EQ(eeprom::TopMarginPreselection(eeprom::TopMarginValue(item)), item);
  }
}

TEST(FirstDot, StoredByteReadsWithPlus128AtTheTop) {
  EXPECT_EQ(eeprom::FirstDotFromCell(0xB8), -72);
  EXPECT_EQ(eeprom::FirstDotFromCell(0x04), 4);
  EXPECT_EQ(eeprom::FirstDotFromCell(0x48), 72);
  EXPECT_EQ(eeprom::FirstDotFromCell(0x64), 100);
  EXPECT_EQ(eeprom::FirstDotFromCell(0x80), 128);
  EXPECT_EQ(eeprom::FirstDotFromCell(0x81), -127);
  EXPECT_EQ(eeprom::FirstDotFromCell(0xFF), -1);
  EXPECT_EQ(eeprom::ClampFirstDot(74), 72);
  EXPECT_EQ(eeprom::ClampFirstDot(-74), -72);
  EXPECT_EQ(eeprom::ClampFirstDot(70), 70);
}

struct DisplayCase {
  double v;
  int left;
  int right;
  const char* mm;
};

TEST(FirstDot, DisplayValues) {
  const DisplayCase cases[] = {
      {-72, 0, 100, "-0.6350 mm"},  // 0xB8
      {4, 52, 48, "0.0353 mm"},     // 0x04
      {72, 100, 0, "0.6350 mm"},    // 0x48, and 0x64 once clamped
      {1, 50, 50, "0.0088 mm"},     // one spinner step: 0.69 truncates to 0
      {-1, 50, 50, "-0.0088 mm"},  {0, 50, 50, "0.0000 mm"},
      {71, 98, 2, "0.6262 mm"},  // 48.97 truncates; no edge rule below 72
      {-71, 2, 98, "-0.6262 mm"},  {36, 74, 26, "0.3175 mm"},
      {-36, 26, 74, "-0.3175 mm"},
  };
  for (const DisplayCase& c : cases) {
    const eeprom::FirstDotDisplay display = eeprom::ComputeFirstDotDisplay(c.v);
    EXPECT_EQ(display.leftProgress, c.left) << c.v;
    EXPECT_EQ(display.rightProgress, c.right) << c.v;
    EXPECT_EQ(display.mmText, c.mm) << c.v;
  }
}

TEST(FirstDot, UnclampedValuesFillOneGaugeButKeepTheirMillimetres) {
  const eeprom::FirstDotDisplay high = eeprom::ComputeFirstDotDisplay(100);
  EXPECT_EQ(high.leftProgress, 100);
  EXPECT_EQ(high.rightProgress, 0);
  EXPECT_EQ(high.mmText, "0.8819 mm");
  const eeprom::FirstDotDisplay low = eeprom::ComputeFirstDotDisplay(-128);
  EXPECT_EQ(low.leftProgress, 0);
  EXPECT_EQ(low.rightProgress, 100);
  EXPECT_EQ(eeprom::ComputeFirstDotDisplay(-0.0).mmText, "0.0000 mm");
}

TEST(AddressMap, BackupSetHasTheFiftyEightCellsAscendingWithoutFirstDot) {
  const auto& cells = eeprom::kBackupCells;
  EXPECT_EQ(cells.size(), 58u);
  EXPECT_EQ(cells.front(), 0x0A);
  EXPECT_EQ(cells.back(), 0x5F);
  for (std::size_t i = 1; i < cells.size(); ++i) EXPECT_LT(cells[i - 1], cells[i]);
  for (const uint8_t excluded : {0x09, 0x0C, 0x0F, 0x20, 0x28, 0x29, 0x2C, 0x2D, 0x2F, 0x32, 0x39,
                                 0x3A, 0x3C, 0x3E, 0x4B, 0x4C, 0x60}) {
    EXPECT_EQ(std::count(cells.begin(), cells.end(), excluded), 0) << int{excluded};
  }
  // 21 cells (0A to 2E) come before the first Bi-D cell.
  EXPECT_EQ(cells[19], 0x2B);
  EXPECT_EQ(cells[20], 0x2E);
  EXPECT_EQ(cells[21], 0x33);
}

TEST(AddressMap, LiquidExchangeRewriteLeavesTheCounterAt2940) {
  const auto image = eeprom::LiquidExchangeRewrite(0);
  ASSERT_EQ(image.size(), 41u);
  for (std::size_t a = 0; a < image.size(); ++a) {
    EXPECT_EQ(image[a].address, a);
    uint8_t expected = 0x00;
    if (a == 0x00) expected = 0x10;
    if (a == 0x09) expected = 0x04;
    if (a == 0x0A) expected = 0x0B;
    if (a == 0x0B) expected = 0x7C;
    EXPECT_EQ(image[a].value, expected) << a;
  }
  EXPECT_EQ(eeprom::LiquidExchangeRewrite(4)[0x0A].value, 0x00);
  EXPECT_EQ(eeprom::LiquidExchangeRewrite(4)[0x0B].value, 0x00);
}

}  // namespace
