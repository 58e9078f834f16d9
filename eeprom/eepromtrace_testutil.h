// What the EEPROM routines asked of the virtual printer, in order, for tests of cells and orders.
#pragma once

#include <cstdint>
#include <utility>
#include <vector>

#include "tests/support/vprinterfixture.h"

namespace eeprom_testing {

// (address, value) of every EEPROM write the printer received, refused ones included.
inline std::vector<std::pair<int, int>> Writes(testing_support::VirtualPrinter& printer) {
  std::vector<std::pair<int, int>> writes;
  for (const auto& entry : printer.Trace("eeprom_write")) {
    writes.emplace_back(static_cast<int>(entry.Num("addr")), static_cast<int>(entry.Num("value")));
  }
  return writes;
}

// Addresses of every EEPROM read the printer received, refused ones included.
inline std::vector<int> Reads(testing_support::VirtualPrinter& printer) {
  std::vector<int> reads;
  for (const auto& entry : printer.Trace("eeprom_read")) {
    reads.push_back(static_cast<int>(entry.Num("addr")));
  }
  return reads;
}

}  // namespace eeprom_testing
