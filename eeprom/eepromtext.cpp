#include "eeprom/eepromtext.h"

#include <charconv>
#include <cmath>

#include "eeprom/addressmap.h"

namespace eeprom {

std::string ByteToHexText(uint8_t value) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  return {kDigits[value >> 4], kDigits[value & 0x0F]};
}

std::string DecimalText(int value) {
  return std::to_string(value);
}

std::string SignedCellText(uint8_t cell) {
  return DecimalText(static_cast<int8_t>(cell));
}

std::string CounterText(uint16_t value) {
  return DecimalText(value);
}

int TopMarginPreselection(uint8_t cell) {
  const int value = static_cast<int8_t>(cell);
  if (value > 20) return 2;
  if (value < -20) return 0;
  return 1;
}

uint8_t TopMarginValue(int item) {
  return kTopMarginValues.at(static_cast<std::size_t>(item));
}

const char* TopMarginLabel(int item) {
  static constexpr std::array<const char*, 3> kLabels = {"\"-\"", "\"0\"", "\"+\""};
  return kLabels.at(static_cast<std::size_t>(item));
}

int FirstDotFromCell(uint8_t cell) {
  return cell <= 0x80 ? cell : cell - 256;
}

int ClampFirstDot(int value) {
  if (value < kFirstDotMin) return kFirstDotMin;
  if (value > kFirstDotMax) return kFirstDotMax;
  return value;
}

FirstDotDisplay ComputeFirstDotDisplay(double v) {
  int offset = 0;
  if (v >= kFirstDotMax) {
    offset = 50;
  } else if (v <= kFirstDotMin) {
    offset = -50;
  } else {
    offset = static_cast<int>(std::trunc(v * 100.0 / 145.0));
  }
  int left = offset + 50;
  if (left < 0) left = 0;
  if (left > 100) left = 100;

  // The product is formed in single precision and only then rounded to four decimals, so the last
  // digit is the float's. "+ 0.0f" turns a negative zero into "0.0000".
  const float mm = static_cast<float>(v) * 0.0088194f + 0.0f;
  char buffer[64];
  const auto result =
      std::to_chars(buffer, buffer + sizeof buffer, mm, std::chars_format::fixed, 4);
  std::string text(buffer, result.ptr);
  text += " mm";
  return {left, 100 - left, text};
}

}  // namespace eeprom
