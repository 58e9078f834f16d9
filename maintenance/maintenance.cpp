#include "maintenance/maintenance.h"

#include <array>
#include <cstring>
#include <string>

#include "eeprom/addressmap.h"
#include "eeprom/cellaccess.h"
#include "eeprom/eepromtext.h"

namespace {
// Low byte first, for the read and for the clear alike.
constexpr std::array<uint8_t, 2> kCounterCells = {eeprom::kProtectionCounterLow,
                                                  eeprom::kProtectionCounterHigh};
}  // namespace

ResultCode Maintenance::ReadProtectionCounter(char* area) const {
  std::array<uint8_t, 2> bytes{};
  RETURN_IF_FAILED(eeprom::ReadCells(kCounterCells, bytes.data()));
  const std::string text = eeprom::CounterText(static_cast<uint16_t>(bytes[1] * 256 + bytes[0]));
  std::memcpy(area, text.c_str(), text.size() + 1);  // at most "65535" and its terminator
  return rc::Success;
}

ResultCode Maintenance::ClearProtectionCounter() const {
  return eeprom::WriteCells(
      std::array<eeprom::CellValue, 2>{{{kCounterCells[0], 0x00}, {kCounterCells[1], 0x00}}});
}
