// The one way the units reach EEPROM cells: one byte per library call, with the ModelCode taken
// afresh from the printer selection for every call. Sequences stop at the first result other than
// 1 and hand it up unchanged; nothing is retried and nothing written before is rolled back.
#pragma once

#include <cstdint>
#include <span>

#include "eeprom/addressmap.h"
#include "link/resultcode.h"

namespace eeprom {

// D4ReadEeprom of one cell; *value is written only on success.
ResultCode ReadCell(uint8_t address, uint8_t* value);

// D4WriteEeprom of one cell.
ResultCode WriteCell(uint8_t address, uint8_t value);

// Reads the cells in the given order into values[0..n-1]; on failure the values after the failing
// cell are left as they were.
ResultCode ReadCells(std::span<const uint8_t> addresses, uint8_t* values);

// Writes the cells in the given order.
ResultCode WriteCells(std::span<const CellValue> cells);

}  // namespace eeprom
