#include "vprinter/head.h"

#include <cmath>
#include <random>
#include <vector>

namespace vprinter {

namespace {
constexpr const char* kRowNames[head::kRows] = {"black", "cyan", "magenta", "yellow"};

bool Exists(int row, int nozzle) {
  return row >= 0 && row < head::kRows && nozzle >= 0 && nozzle < head::Nozzles(row);
}
}  // namespace

const char* HeadRowName(int row) {
  return row >= 0 && row < head::kRows ? kRowNames[row] : "";
}

std::optional<int> HeadRowFromName(const std::string& name) {
  for (int row = 0; row < head::kRows; ++row) {
    if (name == kRowNames[row]) return row;
  }
  return std::nullopt;
}

int HeadState::CloggedCount() const {
  int count = 0;
  for (const auto& row : clogged) count += static_cast<int>(row.count());
  return count;
}

bool ClogNozzle(HeadState& head, int row, int nozzle) {
  if (!Exists(row, nozzle)) return false;
  head.clogged[row].set(nozzle);
  return true;
}

bool ClearNozzle(HeadState& head, int row, int nozzle) {
  if (!Exists(row, nozzle)) return false;
  head.clogged[row].reset(nozzle);
  return true;
}

void ClearAllNozzles(HeadState& head) {
  for (auto& row : head.clogged) row.reset();
}

int ClogRandomNozzles(HeadState& head, int count, uint32_t seed) {
  std::vector<std::pair<int, int>> open;
  for (int row = 0; row < head::kRows; ++row) {
    for (int nozzle = 0; nozzle < head::Nozzles(row); ++nozzle) {
      if (!head.clogged[row][nozzle]) open.emplace_back(row, nozzle);
    }
  }
  // A partial Fisher-Yates shuffle with our own engine, so a seed clogs the same nozzles on every
  // machine (the standard distributions are not the same everywhere).
  std::mt19937 random(seed);
  int clogged = 0;
  for (std::size_t i = 0; i < open.size() && clogged < count; ++i, ++clogged) {
    const std::size_t pick = i + random() % (open.size() - i);
    std::swap(open[i], open[pick]);
    head.clogged[open[i].first].set(open[i].second);
  }
  return clogged;
}

int CleanNozzles(HeadState& head) {
  int freed = 0;
  for (int row = 0; row < head::kRows; ++row) {
    int seen = 0;
    for (int nozzle = 0; nozzle < head::Nozzles(row); ++nozzle) {
      if (!head.clogged[row][nozzle]) continue;
      if (++seen % head::kCleaningLeavesEvery == 0) continue;
      head.clogged[row].reset(nozzle);
      ++freed;
    }
  }
  return freed;
}

bool SetHeadAngle(HeadState& head, int tenthsOfADegree) {
  if (tenthsOfADegree < -head::kMaxAngle || tenthsOfADegree > head::kMaxAngle) return false;
  head.angle = tenthsOfADegree;
  return true;
}

void NozzleMap::Set(const HeadState& head) {
  clogged_ = head.clogged;
  // The head turns about its top black nozzle: a point h pixels down the head moves -h sin(a)
  // across, a point d pixels across moves d sin(a) down (the cosine terms stay below half a
  // pixel within the head's 0.4 inch at the angles it can hold).
  const double sine = std::sin(head.angle / 10.0 * M_PI / 180.0);
  for (int row = 0; row < head::kRows; ++row) {
    shiftY_[row] = static_cast<int>(std::lround(head::RowOffset(row) * sine));
    for (int nozzle = 0; nozzle < head::kBlackNozzles; ++nozzle) {
      shiftX_[row][nozzle] = static_cast<int16_t>(std::lround(-nozzle * head::Pitch(row) * sine));
    }
  }
  perfect_ = head.angle == 0 && head.CloggedCount() == 0;
}

}  // namespace vprinter
