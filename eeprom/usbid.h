// The printer's USB serial ID: 10 typed characters and an 8-character date stamp from the PC's
// clock, one ASCII character per EEPROM cell.
#pragma once

#include <QDateTime>
#include <string_view>

#include "link/resultcode.h"

class UsbId {
 public:
  // Validates the serial number, writes it, then writes the stamp of the moment of writing. On 1
  // stamp holds the 8 stamp characters and a terminator; otherwise it is not written. A PC clock
  // outside 1999..2034 is refused before any cell is written.
  ResultCode WriteUsbId(std::string_view text, char* stamp) const;
  // On 1 place holds the 18 stored characters and a terminator; otherwise it is not written.
  ResultCode ReadUsbId(char* place) const;
  // The date stamp of a local date and time; false (stamp untouched) for an invalid time or a year
  // outside 1999..2034, which the stamp cannot encode.
  static bool ComposeDateStamp(const QDateTime& when, char* stamp);
};
