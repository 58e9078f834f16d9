// The printer's EEPROM as far as this program touches it: every cell any routine reads or writes,
// with its encoding. Routines take their addresses from here and nowhere else, so that the map in
// docs/eeprom.md and the code cannot drift apart.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace eeprom {

// One cell and the byte a fixed sequence puts there.
struct CellValue {
  uint8_t address;
  uint8_t value;
};

// --- Protection (waste-ink) counter: unsigned 16-bit, high byte first in the map, but read and
// cleared low byte first.
inline constexpr uint8_t kProtectionCounterHigh = 0x0A;
inline constexpr uint8_t kProtectionCounterLow = 0x0B;

// --- Margins.
// Top margin, signed. Only three values are ever written: -25, 0 and +25, for the items "-", "0"
// and "+" of the choice.
inline constexpr uint8_t kTopMargin = 0x2E;
inline constexpr std::array<uint8_t, 3> kTopMarginValues = {0xE7, 0x00, 0x19};
// First dot position, signed, -72..72 (minus moves the first dot to the left).
inline constexpr uint8_t kFirstDot = 0x39;
inline constexpr int kFirstDotMin = -72;
inline constexpr int kFirstDotMax = 72;

// --- Bi-D values: one signed cell per drop size (1 = MS, 2 = 6pl, 3 = 4pl) and ink group
// (1 = black, 2 = colour). WriteBid stores through the mechanism library; the program relies on
// the value landing in this cell.
inline constexpr uint8_t kBidFirst = 0x33;
inline constexpr int kBidMin = -36;
inline constexpr int kBidMax = 36;
constexpr uint8_t BidCell(int dropSize, int inkGroup) {
  return static_cast<uint8_t>(kBidFirst + 3 * (inkGroup - 1) + (dropSize - 1));
}

// --- Head ID block 0x3F..0x4A. Characters 1..7 are stored as value codes (character 2 as a
// number), 8..10 as the fixed 0x32, the check character is not stored. 0x42 lies in the block but
// belongs to nobody here.
inline constexpr int kHeadIdLength = 11;
inline constexpr int kHeadIdStoredPositions = 10;
inline constexpr uint8_t kHeadIdMarker = 0x47;
inline constexpr uint8_t kHeadIdFixedByte = 0x32;
// Cell of positions 1..10 (index 0..9), which is also the write order; the marker cell follows
// last, so that an interrupted write on a blank board never looks like a stored ID.
inline constexpr std::array<uint8_t, kHeadIdStoredPositions> kHeadIdPositionCell = {
    0x3F, 0x46, 0x40, 0x41, 0x43, 0x44, 0x45, 0x48, 0x49, 0x4A};
// Cells that must all hold 0x32 for a stored head ID to count.
inline constexpr std::array<uint8_t, 4> kHeadIdMarkerCells = {0x47, 0x48, 0x49, 0x4A};
// Read order: ascending.
inline constexpr std::array<uint8_t, 11> kHeadIdReadOrder = {0x3F, 0x40, 0x41, 0x43, 0x44, 0x45,
                                                             0x46, 0x47, 0x48, 0x49, 0x4A};

// --- USB ID: 18 ASCII characters, no terminator and no length cell.
inline constexpr uint8_t kUsbIdSerialFirst = 0x4D;  // ..0x56, the 10-character serial number
inline constexpr int kUsbIdSerialLength = 10;
inline constexpr uint8_t kUsbIdStampFirst = 0x57;  // ..0x5E, the 8-character date stamp
inline constexpr int kUsbIdStampLength = 8;
inline constexpr int kUsbIdLength = kUsbIdSerialLength + kUsbIdStampLength;

// --- EEPROM initial setting of a replaced main board, in the order written.
inline constexpr std::array<CellValue, 4> kInitialSetting = {
    {{0x5F, 0x00}, {0x09, 0x04}, {0x3A, 0x03}, {0x3C, 0x9E}}};

// --- The 58 cells that the backup after a main-board replacement carries across, ascending (the
// order of both the reads and the writes). The first dot position (0x39) is deliberately absent.
inline constexpr std::size_t kBackupCellCount = 58;
namespace detail {
constexpr std::array<uint8_t, kBackupCellCount> MakeBackupCells() {
  std::array<uint8_t, kBackupCellCount> cells{};
  std::size_t n = 0;
  auto range = [&](int first, int last) {
    for (int a = first; a <= last; ++a) cells[n++] = static_cast<uint8_t>(a);
  };
  range(0x0A, 0x0B);
  range(0x10, 0x1F);
  range(0x2A, 0x2B);
  range(0x2E, 0x2E);
  range(0x33, 0x38);
  range(0x3F, 0x4A);
  range(0x4D, 0x5F);
  return cells;
}
}  // namespace detail
inline constexpr std::array<uint8_t, kBackupCellCount> kBackupCells = detail::MakeBackupCells();

// --- The rewrite of cells 0x00..0x28 at the end of the transportation liquid exchange, in
// ascending order. Models at positions 0..3 of the model list restart the protection counter at
// 2940 (0x0B7C); any other model at 0.
inline constexpr std::size_t kLiquidExchangeCellCount = 0x29;
constexpr std::array<CellValue, kLiquidExchangeCellCount> LiquidExchangeRewrite(int modelPosition) {
  std::array<CellValue, kLiquidExchangeCellCount> cells{};
  const bool counterStart = modelPosition < 4;
  for (std::size_t a = 0; a < kLiquidExchangeCellCount; ++a) {
    uint8_t value = 0x00;
    if (a == 0x00) value = 0x10;
    if (a == 0x09) value = 0x04;
    if (a == kProtectionCounterHigh && counterStart) value = 0x0B;
    if (a == kProtectionCounterLow && counterStart) value = 0x7C;
    cells[a] = {static_cast<uint8_t>(a), value};
  }
  return cells;
}

}  // namespace eeprom
