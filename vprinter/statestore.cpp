#include "vprinter/statestore.h"

#include <utility>

namespace vprinter {

StateStore::StateStore(std::filesystem::path dir) : dir_(std::move(dir)) {
  if (dir_.empty()) {
    state_ = FactoryState();
    return;
  }
  std::string warning;
  state_ = LoadState(dir_, &warning);
  if (!warning.empty()) {
    warnings_.push_back(warning);
    dirty_ = true;
  }
}

void StateStore::WriteCell(uint8_t address, uint8_t value) {
  state_.eeprom[address] = value;
  written_[address] = Clock::now();
  dirty_ = true;
}

void StateStore::SetProtectionCounter(unsigned value) {
  state_.SetProtectionCounter(value);
  const Clock::time_point now = Clock::now();
  written_[cell::kCounterHigh] = now;
  written_[cell::kCounterLow] = now;
  dirty_ = true;
}

void StateStore::ReplaceEeprom(const std::array<uint8_t, kEepromSize>& cells) {
  state_.eeprom = cells;
  written_.fill(Clock::now());
  dirty_ = true;
}

bool StateStore::Save(std::string* error) {
  if (dir_.empty()) return true;
  if (!SaveState(dir_, state_, error)) return false;
  dirty_ = false;
  return true;
}

void StateStore::SaveIfDirty() {
  if (!dirty_ || dir_.empty()) return;
  std::string error;
  if (SaveState(dir_, state_, &error)) {
    dirty_ = false;
  } else if (warnings_.empty() || warnings_.back() != error) {
    warnings_.push_back(error);
  }
}

}  // namespace vprinter
