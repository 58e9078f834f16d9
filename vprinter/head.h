// The print head: one row of nozzles per ink chamber, which nozzles are clogged, and how the head
// sits in the carriage. A property of the mechanism like its Bi-D offsets, kept in the printer's
// state; the print engine lays each line of dots through the nozzle that prints it.
//
// The black row has 144 nozzles 1/360 inch apart, each colour row (cyan, magenta, yellow) 48
// nozzles 1/120 inch apart: both span 0.4 inch, the height of the nozzle check's bands. The light
// inks come from the cyan and magenta chambers and fire through their rows. Across the head, in the
// direction the carriage travels, the colour rows lie 0.1, 0.2 and 0.3 inch from the black row.
//
// docs/vprinter.md says how cleanings and the initial charge clear clogs and what the head angle
// does on paper. Not thread-safe: the device calls it under its lock, the engine on its thread.
#pragma once

#include <array>
#include <bitset>
#include <cstdint>
#include <optional>
#include <string>

namespace vprinter {

namespace head {
enum Row : int { kBlack, kCyan, kMagenta, kYellow };
inline constexpr int kRows = 4;
inline constexpr int kBlackNozzles = 144;
inline constexpr int kColorNozzles = 48;
// The sheet rows the head spans: both the black and the colour rows cover 144 pixels.
inline constexpr int kSpan = 144;
// The head angle, in tenths of a degree, that the carriage can hold.
inline constexpr int kMaxAngle = 40;
// A cleaning frees every clogged nozzle of a row but each fourth one, counted from the top.
inline constexpr int kCleaningLeavesEvery = 4;

constexpr int Nozzles(int row) {
  return row == kBlack ? kBlackNozzles : kColorNozzles;
}
// Sheet pixels (1/360 inch) from one nozzle of the row to the next.
constexpr int Pitch(int row) {
  return row == kBlack ? 1 : 3;
}
// Sheet pixels from the black row to this row, across the head.
constexpr int RowOffset(int row) {
  return 36 * row;
}
}  // namespace head

// "black", "cyan", "magenta", "yellow".
const char* HeadRowName(int row);
std::optional<int> HeadRowFromName(const std::string& name);

struct HeadState {
  // Clogged nozzles per row, nozzle 0 the top one; a colour row uses its first 48 bits.
  std::array<std::bitset<head::kBlackNozzles>, head::kRows> clogged{};
  // Tenths of a degree, -kMaxAngle..kMaxAngle. Positive: the head turned clockwise as the sheet
  // is seen, so its lower nozzles land to the left and the colour rows lower than the black one.
  int angle = 0;

  bool Clogged(int row, int nozzle) const { return clogged[row][nozzle]; }
  int CloggedCount() const;
  bool Straight() const { return angle == 0; }
  bool operator==(const HeadState&) const = default;
};

// False for a row or nozzle that does not exist.
bool ClogNozzle(HeadState& head, int row, int nozzle);
bool ClearNozzle(HeadState& head, int row, int nozzle);
void ClearAllNozzles(HeadState& head);
// Clogs `count` nozzles not yet clogged, drawn over all rows from `seed` (the same seed clogs the
// same nozzles); returns how many it clogged (fewer when the head runs out of open ones).
int ClogRandomNozzles(HeadState& head, int count, uint32_t seed);
// A head cleaning: frees the clogged nozzles of each row but every kCleaningLeavesEvery-th one,
// counted from the top among the clogged ones; returns how many it freed.
int CleanNozzles(HeadState& head);
// False for an angle beyond kMaxAngle.
bool SetHeadAngle(HeadState& head, int tenthsOfADegree);

// Where the dots of each nozzle land: precomputed from a HeadState for the print engine.
class NozzleMap {
 public:
  NozzleMap() { Set(HeadState{}); }
  void Set(const HeadState& head);
  // Whether the head prints exactly as a clean, straight one (the engine's fast path).
  bool Perfect() const { return perfect_; }
  bool Clogged(int row, int nozzle) const { return clogged_[row][nozzle]; }
  // Sheet pixels a nozzle's dots land to the right of where a straight head puts them.
  int ShiftX(int row, int nozzle) const { return shiftX_[row][nozzle]; }
  // Sheet pixels a row's dots land below where a straight head puts them.
  int ShiftY(int row) const { return shiftY_[row]; }

 private:
  bool perfect_ = true;
  std::array<std::bitset<head::kBlackNozzles>, head::kRows> clogged_{};
  std::array<std::array<int16_t, head::kBlackNozzles>, head::kRows> shiftX_{};
  std::array<int, head::kRows> shiftY_{};
};

}  // namespace vprinter
