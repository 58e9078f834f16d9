#include "vprinter/headlabel.h"

#include <random>

namespace vprinter {

namespace {
constexpr std::string_view kAlphabet = "ABCDEFGHJKLMNOPQRSTUVWXYZ123456789%*+-$:";
// Highest value code of positions 1..7 (position 2 has a rule of its own).
constexpr std::array<int, 7> kMaxCode = {33, 0, 34, 40, 38, 38, 38};
constexpr std::array<uint8_t, 10> kPositionCell = {0x3F, 0x46, 0x40, 0x41, 0x43,
                                                   0x44, 0x45, 0x48, 0x49, 0x4A};
constexpr std::array<uint8_t, 4> kMarkerCells = {0x47, 0x48, 0x49, 0x4A};
constexpr uint8_t kFixed = 0x32;

int Code(char c) {
  const std::size_t at = kAlphabet.find(c);
  return at == std::string_view::npos ? 0 : static_cast<int>(at) + 1;
}

char Char(int code) {
  return code >= 1 && code <= static_cast<int>(kAlphabet.size()) ? kAlphabet[code - 1] : '?';
}

int CheckCode(const std::array<int, 10>& stored) {
  int sum = 0;
  for (std::size_t i = 0; i < stored.size(); ++i) sum += static_cast<int>(2 * (i + 1)) * stored[i];
  return 31 - sum % 31;
}

// Position 2 is Z or 1 to 4; any other stored byte (a cell written by hand) shows as '?', as an
// unknown code does elsewhere, so the text stays plain ASCII.
char SecondChar(int code) {
  if (code == 0) return 'Z';
  return code >= 1 && code <= 4 ? static_cast<char>('0' + code) : '?';
}

std::string Text(const std::array<int, 10>& form) {
  std::string text;
  for (int i = 0; i < 7; ++i) text += i == 1 ? SecondChar(form[1]) : Char(form[i]);
  text += "TTT";
  text += Char(CheckCode(form));
  return text;
}
}  // namespace

bool IsHeadIdCell(int address) {
  for (uint8_t cell : kPositionCell) {
    if (cell == address) return true;
  }
  for (uint8_t cell : kMarkerCells) {
    if (cell == address) return true;
  }
  return false;
}

std::string HeadLabelFault(std::string_view label) {
  if (label.size() != 11) return "a head ID has 11 characters";
  std::array<int, 10> form{};
  for (int i = 0; i < 10; ++i) {
    const char c = label[static_cast<std::size_t>(i)];
    const std::string at = "character " + std::to_string(i + 1);
    if (i >= 7) {
      if (c != 'T') return at + " must be T";
      form[i] = kFixed;
    } else if (i == 1) {
      if (c != 'Z' && (c < '1' || c > '4')) return at + " must be Z or 1..4";
      form[i] = c == 'Z' ? 0 : c - '0';
    } else {
      form[i] = Code(c);
      if (form[i] == 0 || form[i] > kMaxCode[i]) return at + " is not allowed there";
    }
  }
  if (Code(label[10]) != CheckCode(form)) return "the check character does not match";
  return "";
}

std::string MakeHeadLabel(uint32_t seed) {
  std::mt19937 random(seed);
  std::array<int, 10> form{};
  for (int i = 0; i < 7; ++i) {
    form[i] = i == 1 ? std::uniform_int_distribution<int>(0, 4)(random)
                     : std::uniform_int_distribution<int>(1, kMaxCode[i])(random);
  }
  for (int i = 7; i < 10; ++i) form[i] = kFixed;
  return Text(form);
}

std::string StoredHeadId(const std::array<uint8_t, 256>& eeprom) {
  for (const uint8_t marker : kMarkerCells) {
    if (eeprom[marker] != kFixed) return "";
  }
  std::array<int, 10> form{};
  for (std::size_t i = 0; i < form.size(); ++i) form[i] = eeprom[kPositionCell[i]];
  return Text(form);
}

}  // namespace vprinter
