// The print head's 11-character ID: alphabet, validation with its check character, and the packed
// form in the EEPROM's head ID block.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "eeprom/addressmap.h"
#include "link/resultcode.h"

class HeadId {
 public:
  // The stored values of positions 1..10 (positions 8..10 as 0x32).
  using StoredForm = std::array<uint8_t, eeprom::kHeadIdStoredPositions>;

  // Value code 1..40 of a character of the head ID alphabet; 0 for any other character.
  static uint8_t IdCharToValue(char c);
  // The character of code 1..40; any other byte comes back unchanged.
  static char ValueToIdChar(uint8_t code);

  // Checks the text position by position and by its check character without touching the
  // printer: 1 with *stored filled, or the code of the first fault (4097..4108).
  static ResultCode EncodeHeadId(std::string_view text, StoredForm* stored);
  // The value code of the check character for a stored form, 1..31.
  static uint8_t CheckCode(const StoredForm& stored);

  // Validates and writes positions 1..10, the marker cell last.
  ResultCode WriteHeadId(std::string_view text) const;
  // Reads the block; on 1 place[0..10] holds the ID (no terminator), otherwise it is not written.
  ResultCode ReadHeadId(char* place) const;
};
