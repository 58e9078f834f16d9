#include "link/resulttexts.h"

#include <array>
#include <utility>

namespace {
struct CodeText {
  int code;
  const char* text;
};

constexpr std::array kResultTexts{
    CodeText{0x1000, "Head ID is invalid."},
    CodeText{0x1001, "The Number of digit is wrong."},
    CodeText{0x1002, "First Digit is wrong."},
    CodeText{0x1003, "Second Digit is wrong."},
    CodeText{0x1004, "Third Digit is wrong."},
    CodeText{0x1005, "Fourth Digit is wrong."},
    CodeText{0x1006, "Fifth Digit is wrong."},
    CodeText{0x1007, "Sixth Digit is wrong."},
    CodeText{0x1008, "Seventh Digit is wrong."},
    CodeText{0x1009, "Eighth Digit is wrong."},
    CodeText{0x100A, "Ninth Digit is wrong."},
    CodeText{0x100B, "Tenth Digit is wrong."},
    CodeText{0x100C, "Check ID is invalid."},
    CodeText{0x2001, "MS Black value is wrong."},
    CodeText{0x2002, "MS Color value is wrong."},
    CodeText{0x2003, "6pl Black value is wrong."},
    CodeText{0x2004, "6pl Color value is wrong."},
    CodeText{0x2005, "4pl Black value is wrong."},
    CodeText{0x2006, "4pl Color value is wrong."},
    CodeText{0x3001, "The Number of digit is wrong."},
    CodeText{0x3002, "Parameter is only number & alphabet."},
    CodeText{0x3011, "USB ID is invalid"},
    CodeText{0x3012,
             "PC clock is outside 1999 to 2034. Set the date and time, then write the USB ID "
             "again."},
    // 0x4000 is the wait's: the chip information item reports its refusals with the codes of
    // the cartridge (0x4010..0x4013), so these words need speak of the printer only.
    CodeText{0x4000,
             "Printer is not ready (error or before initial fill up). Click [Get status] to see "
             "the printer's state."},
    CodeText{0x4001, "The cartridge has passed its effect date. Install a new cartridge."},
    CodeText{0x4002,
             "Printer did not become idle within 15 minutes. Check the printer, then click [Get "
             "status]."},
    CodeText{0x4010,
             "Black I/C is not a KORVA cartridge. Replace it with a KORVA black ink cartridge."},
    CodeText{0x4011,
             "Color I/C is not a KORVA cartridge. Replace it with a KORVA color ink cartridge."},
    CodeText{0x4012,
             "Black I/C has passed its effect date. Replace it with a new black ink cartridge."},
    CodeText{0x4013,
             "Color I/C has passed its effect date. Replace it with a new color ink cartridge."},
    CodeText{0x5000, "Head angular pattern print error!!"},
    CodeText{0x5002, "Bi-D Print error!!"},
    CodeText{0x5003, "CRTAG information print error!!"},
    CodeText{0x5004, "A4 pattern print error!!"},
    CodeText{-8193, "Receive error"},
    CodeText{-105, "Cannot open port."},
    CodeText{-104, "Receive error"},
    CodeText{-103, "Transmission error"},
    CodeText{-82, "Receive error"},
    CodeText{-81, "Transmission error"},
};

constexpr std::array kPacketErrorTexts{
    CodeText{17, "D4Error : CANNOT_CBT_COMM"},
    CodeText{18, "D4Error : REVISION_INVALID"},
    CodeText{19, "D4Error : INIT_FAILED"},
    CodeText{33, "D4Error : LACK_RESOURCE"},
    CodeText{34, "D4Error : DENIAL_CONNECT"},
    CodeText{35, "D4Error : ALREADY_OPENED"},
    CodeText{36, "D4Error : UNKNOWN_CHANNEL"},
    CodeText{37, "D4Error : PACKET_SIZE_INVALID"},
    CodeText{38, "D4Error : PACKET_SIZE_IS_NULL"},
    CodeText{49, "D4Error : CREDIT_OVERFLOW"},
    CodeText{50, "D4Error : CHANNEL_NOT_OPENED"},
    CodeText{65, "D4Error : CBT_CHANNEL"},
    CodeText{81, "D4Error : CANNOT_MOVE_PACKET_MODE"},
    CodeText{128, "D4Error : ERRPACKET_LENGTH_INVALID"},
    CodeText{129, "D4Error : ERRPACKET_HAS_NO_CREDIT"},
    CodeText{130, "D4Error : ERRPACKET_REPLAY_INVALID"},
    CodeText{131, "D4Error : ERRPACKET_SIZE_INVALID"},
    CodeText{132, "D4Error : ERRPACKET_CHANNEL_IS_NOT_OPENED"},
    CodeText{133, "D4Error : ERRPACKET_RESULT_INVALID"},
    CodeText{134, "D4Error : ERRPACKET_CREDIT_OVERFLOW"},
    CodeText{135, "D4Error : ERRPACKET_CBT_REPLY_INVALID"},
    CodeText{144, "D4Error : PRINTER_IS_BUSY"},
    CodeText{145, "D4Error : INVALID_PALAMETER"},
    CodeText{160, "D4Error : INVALID_STATUS_REPLY"},
    CodeText{176, "D4Error : D4_EEPROM_READ_ERROR"},
    CodeText{-1, "D4Error : D4_UNKNOWN_ERROR"},
};

constexpr std::array kStateTexts{
    CodeText{0xEFF9, "Printer Status : Before initial fill up"},
    CodeText{0xEFFA, "Printer Status : Cleaning"},
    CodeText{0xEFFB, "Printer Status : Idle"},
    CodeText{0xEFFC, "Printer Status : Printing"},
    CodeText{0xEFFD, "Printer Status : Busy"},
    CodeText{0xEFFE, "Printer Status : Self-test"},
};

struct ErrorRow {
  int error;
  const char* text;
  bool askToClear;
};

constexpr std::array kErrorTexts{
    ErrorRow{0xEF03, "Head hot error", false},  ErrorRow{0xEF06, "Maintenance error", false},
    ErrorRow{0xEF08, "Paper size error", true}, ErrorRow{0xEF09, "Paper out error", true},
    ErrorRow{0xEF0A, "Ink out error", true},    ErrorRow{0xEF0B, "Paper jam error", true},
    ErrorRow{0xEF0C, "Cover open error", true}, ErrorRow{0xEF0E, "I/F not select error", false},
    ErrorRow{0xEF0F, "Fatal error", false},
};

template <class Table>
const char* Find(const Table& table, int code) {
  for (const auto& row : table) {
    if (row.code == code) return row.text;
  }
  return nullptr;
}
}  // namespace

QString ResultText(ResultCode code) {
  if (const char* text = Find(kResultTexts, code)) return QString::fromLatin1(text);
  const QString hex =
      QStringLiteral("%1").arg(static_cast<uint16_t>(code), 4, 16, QLatin1Char('0')).toUpper();
  return QStringLiteral(
             "Unexpected result %1 (0x%2). Check the printer and the cable, then try "
             "again.")
      .arg(code)
      .arg(hex);
}

std::optional<QString> PacketErrorText(int16_t code) {
  if (const char* text = Find(kPacketErrorTexts, code)) return QString::fromLatin1(text);
  return std::nullopt;
}

std::optional<QString> PrinterStateText(uint16_t status) {
  if (const char* text = Find(kStateTexts, status)) return QString::fromLatin1(text);
  return std::nullopt;
}

std::optional<PrinterErrorInfo> PrinterErrorText(uint16_t error) {
  for (const ErrorRow& row : kErrorTexts) {
    if (row.error == error) return PrinterErrorInfo{QString::fromLatin1(row.text), row.askToClear};
  }
  return std::nullopt;
}
