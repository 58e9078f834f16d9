#include "eeprom/cellaccess.h"

#include "link/modelselection.h"
#include "link/pktlink.h"

namespace eeprom {

ResultCode ReadCell(uint8_t address, uint8_t* value) {
  uint8_t byte = 0;
  const ResultCode result = D4ReadEeprom(CurrentModelCode1(), CurrentModelCode2(), address, &byte);
  if (result == rc::Success) *value = byte;
  return result;
}

ResultCode WriteCell(uint8_t address, uint8_t value) {
  return D4WriteEeprom(CurrentModelCode1(), CurrentModelCode2(), address, value);
}

ResultCode ReadCells(std::span<const uint8_t> addresses, uint8_t* values) {
  for (std::size_t i = 0; i < addresses.size(); ++i) {
    RETURN_IF_FAILED(ReadCell(addresses[i], &values[i]));
  }
  return rc::Success;
}

ResultCode WriteCells(std::span<const CellValue> cells) {
  for (const CellValue& cell : cells) {
    RETURN_IF_FAILED(WriteCell(cell.address, cell.value));
  }
  return rc::Success;
}

}  // namespace eeprom
