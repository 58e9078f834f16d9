// The program and the virtual printer each keep their own table of where things are in the
// printer's EEPROM and on the cartridge chips: the printer does not build on the program's
// headers (a maker's printer would not), and the program must not learn addresses from our
// printer. Both tables are pinned here to the same literal values, so neither can move alone.
#include <gtest/gtest.h>

#include "crtag/crtag.h"
#include "eeprom/addressmap.h"
#include "vprinter/state.h"

namespace {

TEST(Layout, EepromCellsAreWhereBothSidesSay) {
  EXPECT_EQ(eeprom::kProtectionCounterHigh, 0x0A);
  EXPECT_EQ(vprinter::cell::kCounterHigh, 0x0A);
  EXPECT_EQ(eeprom::kProtectionCounterLow, 0x0B);
  EXPECT_EQ(vprinter::cell::kCounterLow, 0x0B);
  EXPECT_EQ(eeprom::kTopMargin, 0x2E);
  EXPECT_EQ(vprinter::cell::kTopMargin, 0x2E);
  EXPECT_EQ(eeprom::kFirstDot, 0x39);
  EXPECT_EQ(vprinter::cell::kFirstDot, 0x39);
  // MS, 6pl, 4pl black, then colour.
  const uint8_t bid[3][2] = {{0x33, 0x36}, {0x34, 0x37}, {0x35, 0x38}};
  for (int drop = 1; drop <= 3; ++drop) {
    for (int ink = 1; ink <= 2; ++ink) {
      EXPECT_EQ(eeprom::BidCell(drop, ink), bid[drop - 1][ink - 1]) << drop << "/" << ink;
      EXPECT_EQ(vprinter::BidCell(drop, ink), bid[drop - 1][ink - 1]) << drop << "/" << ink;
    }
  }
}

TEST(Layout, ChipFieldsAreWhereBothSidesSay) {
  const struct {
    uint8_t program, printer, literal;
  } fields[] = {
      {crtagfield::kInk, vprinter::chip::kInk0, 0},
      {crtagfield::kCleaning, vprinter::chip::kCleaning, 6},
      {crtagfield::kInstall, vprinter::chip::kInstall, 7},
      {crtagfield::kYear, vprinter::chip::kYear, 12},
      {crtagfield::kMonth, vprinter::chip::kMonth, 13},
      {crtagfield::kDay, vprinter::chip::kDay, 14},
      {crtagfield::kRecycle, vprinter::chip::kRecycle, 21},
      {crtagfield::kEffectPeriod, vprinter::chip::kEffectPeriod, 28},
      {crtagfield::kOpenEffectPeriod, vprinter::chip::kOpenEffectPeriod, 29},
      {crtagfield::kCompany, vprinter::chip::kCompany, 35},
  };
  for (const auto& f : fields) {
    EXPECT_EQ(f.program, f.literal);
    EXPECT_EQ(f.printer, f.literal);
  }
}

}  // namespace
