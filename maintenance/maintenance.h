// The waste-ink protection counter: an unsigned 16-bit count in two EEPROM cells.
#pragma once

#include "link/resultcode.h"

class Maintenance {
 public:
  // Reads the low byte, then the high byte. On 1 the decimal text and a terminator are written at
  // the start of area (six bytes, owned by the caller) and the bytes after the terminator keep what
  // they held; otherwise the area is untouched.
  ResultCode ReadProtectionCounter(char* area) const;
  // Writes 0 to the low byte, then to the high byte; a failure on the low byte leaves the high
  // byte unwritten.
  ResultCode ClearProtectionCounter() const;
};
