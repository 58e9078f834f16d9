// The ID on a print head's label and the head ID block of the EEPROM, as the printer reads them:
// 11 characters of the head alphabet (no "I", no "0"), positions 8..10 "T", the last a check
// character over the first ten. The block: positions 1..10 at 3F 46 40 41 43 44 45 48 49 4A
// (position 2 as 0 for "Z" or its digit 1..4, 8..10 as 32), markers 47..4A all 32.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace vprinter {

// Empty when `label` is a head ID a head can carry; else what is wrong with it.
std::string HeadLabelFault(std::string_view label);
// A valid head ID drawn from `seed` (the same seed, the same ID).
std::string MakeHeadLabel(uint32_t seed);
// Whether the cell is one of the head ID block's (its positions or its markers).
bool IsHeadIdCell(int address);
// The head ID the EEPROM holds ("" when its markers say none is stored).
std::string StoredHeadId(const std::array<uint8_t, 256>& eeprom);

}  // namespace vprinter
