// The virtual printer's non-volatile memory: EEPROM, the two cartridge chips, ink used and the
// mechanism's hidden properties (Bi-D offsets, clogged nozzles, head angle). Kept in one text file
// in the state directory, replaced atomically (temporary file, then rename), checked by a checksum
// when read back.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <string>

#include "vprinter/head.h"

namespace vprinter {

inline constexpr std::size_t kEepromSize = 256;
inline constexpr std::size_t kChipSize = 64;
inline constexpr int kCartridges = 2;  // 0 = black, 1 = colour

// EEPROM cells the device itself looks at.
namespace cell {
inline constexpr uint8_t kCounterHigh = 0x0A;
inline constexpr uint8_t kCounterLow = 0x0B;
inline constexpr uint8_t kTopMargin = 0x2E;
inline constexpr uint8_t kBidFirst = 0x33;  // 0x33..0x38
inline constexpr uint8_t kFirstDot = 0x39;
}  // namespace cell

// Chip fields.
namespace chip {
inline constexpr uint8_t kInk0 = 0;  // black, or cyan on the colour cartridge
inline constexpr uint8_t kCleaning = 6;
inline constexpr uint8_t kInstall = 7;
inline constexpr uint8_t kYear = 12;
inline constexpr uint8_t kMonth = 13;
inline constexpr uint8_t kDay = 14;
inline constexpr uint8_t kRecycle = 21;
inline constexpr uint8_t kEffectPeriod = 28;
inline constexpr uint8_t kOpenEffectPeriod = 29;
inline constexpr uint8_t kCompany = 35;  // 35..39
}  // namespace chip

// What the head's liquid path holds: ink, or the transportation liquid a refurbished printer is
// shipped with (it must then get an initial ink charge before it prints).
enum class Liquid { kInk, kTransportation };
// What sits in the carriage's cartridge holders: ink cartridges, dummy cartridges filled with
// transportation liquid, or nothing.
enum class Cartridges { kInk, kDummy, kNone };

// The waste-ink counter at which the printer stops with a maintenance error.
inline constexpr unsigned kProtectionLimit = 23270;

// EEPROM cell of a Bi-D value: drop size 1..3 (MS, 6pl, 4pl), ink group 1..2 (black, colour).
constexpr uint8_t BidCell(int dropSize, int inkGroup) {
  return static_cast<uint8_t>(cell::kBidFirst + (inkGroup - 1) * 3 + (dropSize - 1));
}

struct PrinterState {
  std::array<uint8_t, kEepromSize> eeprom{};
  std::array<std::array<uint8_t, kChipSize>, kCartridges> chips{};
  // Ink used from the installed cartridges, in millilitres: black, cyan, magenta, yellow.
  std::array<double, 4> inkUsedMl{};
  // The mechanism's own return-pass error per [drop size - 1][ink group - 1].
  int8_t bidOffset[3][2] = {};
  bool inkCharged = true;  // false: "before initial fill up" until an initial ink charge
  Liquid liquidPath = Liquid::kInk;
  Cartridges cartridges = Cartridges::kInk;
  // The head's clogged nozzles and its angle in the carriage (a factory head: clean, straight).
  HeadState head;

  // Kept while the printer runs, not in the state file (a training scenario sets them up and a
  // scenario always starts afresh): the paper feed's own error, which puts the page this much
  // lower (1/360 inch) and further right (1/2880 inch) than the stored margins say, and the ID on
  // the label of a head fitted by replace-head (empty: the factory head, whose label is not known).
  int feedOffsetTop = 0;
  int feedOffsetLeft = 0;
  std::string headLabel;

  unsigned ProtectionCounter() const {
    return eeprom[cell::kCounterHigh] * 256u + eeprom[cell::kCounterLow];
  }
  void SetProtectionCounter(unsigned value);
};

// A printer as it leaves the factory: documented in docs/vprinter.md. The Bi-D offsets are drawn
// at random once and then kept in the state.
PrinterState FactoryState();
// A new cartridge chip made on this date (year, month 1..12, day): `installs` is its install
// counter.
struct ChipDate {
  int year = 2025, month = 6, day = 30;
};
std::array<uint8_t, kChipSize> NewCartridgeChip(int cartridge, uint8_t installs, ChipDate made);
// The EEPROM of a new, unprogrammed main board.
std::array<uint8_t, kEepromSize> NewBoardEeprom();
// A new cartridge chip; `installs` is its install counter.
std::array<uint8_t, kChipSize> NewCartridgeChip(int cartridge, uint8_t installs);
// Cartridge capacity in millilitres per ink (black, cyan, magenta, yellow).
double InkCapacityMl(int ink);
// Writes the ink-remaining percentages of inkUsedMl into the chips.
void UpdateInkCounters(PrinterState& state);

std::string Serialize(const PrinterState& state);
// False when the text is not a complete, intact state.
bool Deserialize(const std::string& text, PrinterState* state);

inline constexpr char kStateFileName[] = "printer-state.txt";

// Writes the state file atomically and, with `sync`, durably (on disk when it returns); false
// (and a reason) on failure.
bool SaveState(const std::filesystem::path& dir, const PrinterState& state, std::string* error,
               bool sync = true);
// What reading the state file gave.
struct LoadedState {
  enum class Kind {
    kLoaded,
    kMissing,    // no file: the factory image
    kDamaged,    // fails its checksum, truncated, or unreadable: the factory image
    kForbidden,  // the permissions keep it from being read: it must not be overwritten
  } kind = Kind::kLoaded;
  PrinterState state;   // the factory image unless loaded
  std::string message;  // what went wrong, naming the file
};
LoadedState ReadState(const std::filesystem::path& dir);
// Moves a damaged state file aside, beside it, as printer-state.txt.damaged-<UTC time> (with a
// number after a second one within a second), never over an earlier copy.
bool KeepDamagedState(const std::filesystem::path& dir, std::filesystem::path* keptAs,
                      std::string* error);
// Reads the state file without touching it; a missing or damaged one gives the factory image and
// a warning.
PrinterState LoadState(const std::filesystem::path& dir, std::string* warning);

}  // namespace vprinter
