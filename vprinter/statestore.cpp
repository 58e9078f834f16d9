#include "vprinter/statestore.h"

#include <utility>

namespace vprinter {

StateStore::StateStore(std::filesystem::path dir, bool durable)
    : dir_(std::move(dir)), durable_(durable) {
  if (dir_.empty()) {
    state_ = FactoryState();
    return;
  }
  LoadedState loaded = ReadState(dir_);
  state_ = loaded.state;
  const std::string factory = "; starting as from the factory";
  switch (loaded.kind) {
    case LoadedState::Kind::kLoaded:
      break;
    case LoadedState::Kind::kMissing:
      warnings_.push_back(loaded.message + factory);
      dirty_ = true;
      break;
    case LoadedState::Kind::kDamaged: {
      // What the technician's printer held is never thrown away: it may be all there is of it.
      std::filesystem::path kept;
      std::string error;
      if (KeepDamagedState(dir_, &kept, &error)) {
        warnings_.push_back(loaded.message + "; kept as " + kept.string() + factory);
        dirty_ = true;
      } else {
        startError_ = loaded.message + "; " + error + "; not starting, so as not to lose it";
      }
      break;
    }
    case LoadedState::Kind::kForbidden:
      startError_ = loaded.message + "; not starting, so as not to overwrite it";
      break;
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
  if (!startError_.empty()) {
    if (error) *error = startError_;
    return false;
  }
  if (dir_.empty()) return true;
  if (!SaveState(dir_, state_, error, durable_)) return false;
  dirty_ = false;
  return true;
}

void StateStore::SaveIfDirty() {
  if (!dirty_ || dir_.empty() || !startError_.empty()) return;
  std::string error;
  if (SaveState(dir_, state_, &error, durable_)) {
    dirty_ = false;
  } else if (warnings_.empty() || warnings_.back() != error) {
    Warn(error);
  }
}

void StateStore::Warn(const std::string& warning) {
  // The latest ones: a tray that fails every sheet must not grow the printer without end.
  if (warnings_.size() >= kWarningsKept) warnings_.erase(warnings_.begin());
  warnings_.push_back(warning);
  if (sink_) sink_(warning);
}

}  // namespace vprinter
