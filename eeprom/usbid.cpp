#include "eeprom/usbid.h"

#include <array>
#include <cstring>

#include "eeprom/addressmap.h"
#include "eeprom/cellaccess.h"
#include "platform/clock.h"

namespace {

bool IsUsbIdChar(char c) {
  return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z');
}

// 0..9 as the digit, 10 upward as "A" + (n - 10).
char StampDigit(int n) {
  return static_cast<char>(n < 10 ? '0' + n : 'A' + (n - 10));
}

char YearChar(int year) {
  if (year == 1999) return '9';
  if (year <= 2008) return static_cast<char>('0' + (year - 2000));
  return static_cast<char>('A' + (year - 2009));
}

constexpr int kFirstStampYear = 1999;
constexpr int kLastStampYear = 2034;

// Writes characters to consecutive cells from the first address on.
ResultCode WriteText(uint8_t first, const char* text, int length) {
  std::array<eeprom::CellValue, eeprom::kUsbIdSerialLength> cells{};
  static_assert(eeprom::kUsbIdSerialLength >= eeprom::kUsbIdStampLength);
  for (int i = 0; i < length; ++i) {
    cells[i] = {static_cast<uint8_t>(first + i), static_cast<uint8_t>(text[i])};
  }
  return eeprom::WriteCells(std::span(cells.data(), static_cast<std::size_t>(length)));
}

}  // namespace

bool UsbId::ComposeDateStamp(const QDateTime& when, char* stamp) {
  if (!when.isValid()) return false;
  const QDate date = when.date();
  const QTime time = when.time();
  if (date.year() < kFirstStampYear || date.year() > kLastStampYear) return false;
  const int minute = time.minute();
  const int second = time.second();
  const char composed[eeprom::kUsbIdStampLength + 1] = {
      YearChar(date.year()),
      StampDigit(date.month()),
      StampDigit(date.day()),
      StampDigit(time.hour()),
      StampDigit(minute % 30),
      StampDigit(second % 30),
      static_cast<char>('0' + (minute >= 30 ? 2 : 0) + (second >= 30 ? 1 : 0)),
      '0',
      '\0'};
  std::memcpy(stamp, composed, sizeof composed);
  return true;
}

ResultCode UsbId::WriteUsbId(std::string_view text, char* stamp) const {
  if (text.size() != static_cast<std::size_t>(eeprom::kUsbIdSerialLength)) {
    return rc::UsbIdDigitCount;
  }
  for (const char c : text) {
    if (!IsUsbIdChar(c)) return rc::UsbIdNotAlnum;
  }
  // A clock the stamp cannot encode would leave a new serial number behind an unreadable stamp:
  // refuse before the first cell.
  char composed[eeprom::kUsbIdStampLength + 1];
  if (!ComposeDateStamp(platform::Now(), composed)) return rc::UsbIdClockOutOfRange;

  RETURN_IF_FAILED(WriteText(eeprom::kUsbIdSerialFirst, text.data(), eeprom::kUsbIdSerialLength));

  // The stamp records the moment the serial number has been written.
  if (!ComposeDateStamp(platform::Now(), composed)) return rc::UsbIdClockOutOfRange;
  RETURN_IF_FAILED(WriteText(eeprom::kUsbIdStampFirst, composed, eeprom::kUsbIdStampLength));
  std::memcpy(stamp, composed, sizeof composed);
  return rc::Success;
}

ResultCode UsbId::ReadUsbId(char* place) const {
  char text[eeprom::kUsbIdLength + 1];
  for (int i = 0; i < eeprom::kUsbIdLength; ++i) {
    uint8_t cell = 0;
    RETURN_IF_FAILED(eeprom::ReadCell(static_cast<uint8_t>(eeprom::kUsbIdSerialFirst + i), &cell));
    text[i] = static_cast<char>(cell);
    // An erased or foreign cell ends the read at once; nothing of the ID is handed out.
    if (!IsUsbIdChar(text[i])) return rc::UsbIdInvalid;
  }
  text[eeprom::kUsbIdLength] = '\0';
  std::memcpy(place, text, sizeof text);
  return rc::Success;
}
