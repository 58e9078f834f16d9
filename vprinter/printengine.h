// The virtual printer's print engine: interprets the print-data channel and lays the dots on
// simulated A4 paper. The device model feeds it the bytes it has worked through, in order, with
// the Bi-D changes that arrived between them, and learns from it when a sheet was ejected.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>

namespace vprinter {

// The printer's own settings as far as printing shows them.
struct PrintSettings {
  int8_t topMargin = 0;  // EEPROM 0x2E: moves the page down (+) or up (-), 1/360 inch units
  int8_t firstDot = 0;   // EEPROM 0x39: moves the page right (+) or left (-), 1/2880 inch units
  int8_t bid[3][2] = {};  // EEPROM 0x33..0x38 by [drop size - 1][ink group - 1]
  // The mechanism's own return-pass error per [drop size - 1][ink group - 1], in Bi-D units: the
  // return pass lines up exactly when the stored Bi-D value equals it. A hidden property of each
  // printer, kept in its state.
  int8_t bidOffset[3][2] = {};
};

// What the engine tells the device model.
class EngineEvents {
 public:
  virtual ~EngineEvents() = default;
  // A sheet was ejected and written to the tray as this file.
  virtual void SheetEjected(const std::string& file) = 0;
  // Bytes the engine did not understand and skipped: a short description and their offset in
  // the stream since power-on.
  virtual void Skipped(const std::string& what, uint64_t offset) = 0;
};

class PrintEngine {
 public:
  PrintEngine(std::filesystem::path trayDir, EngineEvents& events);
  ~PrintEngine();
  PrintEngine(const PrintEngine&) = delete;
  PrintEngine& operator=(const PrintEngine&) = delete;

  // Settings latched at the start of the next sheet (the device calls this at power-on
  // initialisation and whenever its stored settings change).
  void SetSettings(const PrintSettings& settings);
  // A Bi-D value written while printing; it applies to the bytes consumed after this call.
  void SetBid(int dropSize, int inkGroup, int8_t value);
  // Interprets the next bytes of the print-data stream.
  void Consume(const uint8_t* data, std::size_t size);
  // Power-on initialisation: the command state is reset; a sheet in progress stays in the printer.
  void PowerOnReset();
  bool SheetInProgress() const;
  // Dots laid so far per ink since construction (black, cyan, magenta, yellow, light cyan,
  // light magenta), for the cartridges' ink counters.
  uint64_t DotsPrinted(int ink) const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace vprinter
