// Two-digit hexadecimal text, as the technician types addresses and data of raw EEPROM cells.
#pragma once

#include <cstdint>
#include <string_view>

class DataConversion {
 public:
  // "0".."9" and "A".."F" only (lower case is refused, as the edits deliver upper case); on
  // success *out = first x 16 + second. Text of any length other than two is refused too, and on
  // false nothing is stored.
  bool HexTextToByte(std::string_view text, uint8_t* out) const;
};
