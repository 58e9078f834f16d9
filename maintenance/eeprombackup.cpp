#include "maintenance/eeprombackup.h"

#include "eeprom/cellaccess.h"

ResultCode EepromBackup::Read(Values* values, std::size_t* done) const {
  std::size_t n = 0;
  ResultCode result = rc::Success;
  for (; n < eeprom::kBackupCells.size(); ++n) {
    result = eeprom::ReadCell(eeprom::kBackupCells[n], &(*values)[n]);
    if (result != rc::Success) break;
  }
  if (done != nullptr) *done = n;
  return result;
}

ResultCode EepromBackup::Write(const Values& values, std::size_t* done) const {
  std::size_t n = 0;
  ResultCode result = rc::Success;
  for (; n < eeprom::kBackupCells.size(); ++n) {
    result = eeprom::WriteCell(eeprom::kBackupCells[n], values[n]);
    if (result != rc::Success) break;
  }
  if (done != nullptr) *done = n;
  return result;
}
