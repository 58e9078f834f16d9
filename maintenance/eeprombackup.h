// The EEPROM backup across a main-board swap: the 58 cells of eeprom::kBackupCells, read from the
// old board into memory and written unchanged into the new one, both in ascending order. Each
// stops at its first failure and says how far it got.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "eeprom/addressmap.h"
#include "link/resultcode.h"

class EepromBackup {
 public:
  using Values = std::array<uint8_t, eeprom::kBackupCellCount>;

  // Reads every cell; on failure *done is the number of cells read before it (values beyond it
  // are left as they were).
  ResultCode Read(Values* values, std::size_t* done = nullptr) const;
  // Writes every cell back into the same address; on failure *done is the number of cells written
  // before it, 58 on success.
  ResultCode Write(const Values& values, std::size_t* done = nullptr) const;
};
