// The printer's non-volatile memory as the device keeps it: the state (state.h) loaded from the
// state directory, whether it changed since it was last saved, when each EEPROM cell was last
// written, and what went wrong with the file. Not thread-safe: the device calls it under its lock.
#pragma once

#include <array>
#include <chrono>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "vprinter/state.h"

namespace vprinter {

class StateStore {
 public:
  using Clock = std::chrono::steady_clock;

  // Loads the state from dir (the factory image when dir is empty: nothing is kept). `durable`:
  // every save is on disk when it returns (fsync); without, only atomic.
  explicit StateStore(std::filesystem::path dir, bool durable = true);

  const PrinterState& Get() const { return state_; }
  // The state to change; it is saved with the next save.
  PrinterState& Edit() {
    dirty_ = true;
    return state_;
  }

  // EEPROM writes, with the time of each.
  void WriteCell(uint8_t address, uint8_t value);
  void SetProtectionCounter(unsigned value);
  void ReplaceEeprom(const std::array<uint8_t, kEepromSize>& cells);
  // Puts a cell back as it was before a write that could not be kept (its time stays).
  void RestoreCell(uint8_t address, uint8_t value) { state_.eeprom[address] = value; }
  // When each cell was last written since the printer started (Clock::time_point{}: not yet).
  const std::array<Clock::time_point, kEepromSize>& CellWritten() const { return written_; }

  bool Keeps() const { return !dir_.empty(); }
  // Why the printer must not start (a state file it may not read, or a damaged one it could not
  // keep aside); empty when it may. While set, nothing is ever saved over the file.
  const std::string& StartError() const { return startError_; }
  bool Dirty() const { return dirty_; }
  // Writes the state file now; false with the reason (nothing kept: always true).
  bool Save(std::string* error);
  // Saves when something changed; a failure becomes a warning (once while it repeats).
  void SaveIfDirty();

  // What went wrong with the state file (a damaged file, a failed save), for the owner to show.
  // The latest kWarningsKept.
  const std::vector<std::string>& Warnings() const { return warnings_; }
  static constexpr std::size_t kWarningsKept = 100;
  void Warn(const std::string& warning);
  // Told of every warning from now on, as it arises (the owner shows it at once).
  void SetWarningSink(std::function<void(const std::string&)> sink) { sink_ = std::move(sink); }

 private:
  std::filesystem::path dir_;
  bool durable_;
  PrinterState state_;
  bool dirty_ = false;
  std::vector<std::string> warnings_;
  std::string startError_;
  std::function<void(const std::string&)> sink_;
  std::array<Clock::time_point, kEepromSize> written_{};
};

}  // namespace vprinter
