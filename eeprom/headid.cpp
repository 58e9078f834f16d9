#include "eeprom/headid.h"

#include <cstring>

#include "eeprom/cellaccess.h"

namespace {

// The head ID alphabet: value code = position + 1. It has no "I" and no "0".
constexpr std::string_view kAlphabet = "ABCDEFGHJKLMNOPQRSTUVWXYZ123456789%*+-$:";

// Highest code each of positions 1..7 accepts; position 2 has its own rule.
constexpr std::array<uint8_t, 7> kMaxCode = {33, 0, 34, 40, 38, 38, 38};

constexpr int kSecondPosition = 1;      // index of position 2
constexpr int kFirstFixedPosition = 7;  // index of position 8

}  // namespace

uint8_t HeadId::IdCharToValue(char c) {
  const std::size_t at = kAlphabet.find(c);
  return at == std::string_view::npos ? 0 : static_cast<uint8_t>(at + 1);
}

char HeadId::ValueToIdChar(uint8_t code) {
  if (code >= 1 && code <= kAlphabet.size()) return kAlphabet[code - 1];
  return static_cast<char>(code);
}

uint8_t HeadId::CheckCode(const StoredForm& stored) {
  int sum = 0;
  for (std::size_t i = 0; i < stored.size(); ++i) sum += static_cast<int>(2 * (i + 1)) * stored[i];
  return static_cast<uint8_t>(31 - sum % 31);
}

ResultCode HeadId::EncodeHeadId(std::string_view text, StoredForm* stored) {
  if (text.size() != static_cast<std::size_t>(eeprom::kHeadIdLength)) return rc::HeadIdDigitCount;
  StoredForm form{};
  for (int i = 0; i < eeprom::kHeadIdStoredPositions; ++i) {
    const char c = text[i];
    const ResultCode rejected = static_cast<ResultCode>(rc::HeadIdFirstDigit + i);
    if (i >= kFirstFixedPosition) {
      if (c != 'T') return rejected;
      form[i] = eeprom::kHeadIdFixedByte;
    } else if (i == kSecondPosition) {
      if (c == 'Z') {
        form[i] = 0;
      } else if (c >= '1' && c <= '4') {
        form[i] = static_cast<uint8_t>(c - '0');
      } else {
        return rejected;
      }
    } else {
      const uint8_t code = IdCharToValue(c);
      if (code == 0 || code > kMaxCode[i]) return rejected;
      form[i] = code;
    }
  }
  const uint8_t check = IdCharToValue(text[eeprom::kHeadIdLength - 1]);
  if (check == 0 || check != CheckCode(form)) return rc::HeadIdCheckInvalid;
  *stored = form;
  return rc::Success;
}

ResultCode HeadId::WriteHeadId(std::string_view text) const {
  StoredForm form{};
  RETURN_IF_FAILED(EncodeHeadId(text, &form));

  // Positions 1..10 in order, then the marker cell last.
  std::array<eeprom::CellValue, eeprom::kHeadIdStoredPositions + 1> cells{};
  for (std::size_t i = 0; i < form.size(); ++i) {
    cells[i] = {eeprom::kHeadIdPositionCell[i], form[i]};
  }
  cells.back() = {eeprom::kHeadIdMarker, eeprom::kHeadIdFixedByte};
  return eeprom::WriteCells(cells);
}

ResultCode HeadId::ReadHeadId(char* place) const {
  std::array<uint8_t, eeprom::kHeadIdReadOrder.size()> values{};
  RETURN_IF_FAILED(eeprom::ReadCells(eeprom::kHeadIdReadOrder, values.data()));

  std::array<uint8_t, 256> image{};
  for (std::size_t i = 0; i < values.size(); ++i) image[eeprom::kHeadIdReadOrder[i]] = values[i];
  for (const uint8_t marker : eeprom::kHeadIdMarkerCells) {
    if (image[marker] != eeprom::kHeadIdFixedByte) return rc::HeadIdInvalid;
  }

  StoredForm form{};
  for (std::size_t i = 0; i < form.size(); ++i) form[i] = image[eeprom::kHeadIdPositionCell[i]];

  // Stored bytes are shown as they are, even outside the alphabet; the check character is
  // computed afresh over them.
  char text[eeprom::kHeadIdLength];
  for (int i = 0; i < kFirstFixedPosition; ++i) text[i] = ValueToIdChar(form[i]);
  text[kSecondPosition] =
      form[kSecondPosition] == 0 ? 'Z' : static_cast<char>('0' + form[kSecondPosition]);
  for (int i = kFirstFixedPosition; i < eeprom::kHeadIdStoredPositions; ++i) text[i] = 'T';
  text[eeprom::kHeadIdLength - 1] = ValueToIdChar(CheckCode(form));
  std::memcpy(place, text, sizeof text);
  return rc::Success;
}
