// The virtual printer's print engine: interprets the print-data channel and lays the dots on
// simulated A4 paper. The device model feeds it the bytes it has worked through, in order, with
// the Bi-D changes that arrived between them, and learns from it when a sheet was ejected or
// when it needs a sheet from the input tray.
//
// docs/printengine.md describes the command set, the geometry, when each setting takes effect and
// the pieces the engine is made of. The engine is not thread-safe: one thread (the device's)
// calls all of it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "vprinter/head.h"

namespace vprinter {

// The sheet: A4 at 360 dpi. One byte per pixel, row after row, each byte holding 2 bits of
// coverage (0 = none .. 3 = full) for each of the four process inks; the same byte is the index
// into the written PNG's palette, so a decoded sheet gives the ink levels back unchanged.
inline constexpr int kSheetWidth = 2976;
inline constexpr int kSheetHeight = 4208;

// Where each ink's 2 coverage bits sit in a sheet pixel.
enum class Plane : int { kBlack = 6, kCyan = 4, kMagenta = 2, kYellow = 0 };
constexpr int Coverage(uint8_t pixel, Plane plane) {
  return (pixel >> static_cast<int>(plane)) & 3;
}

// The inks of DotsPrinted. The light inks lay their dots on the cyan and magenta planes.
enum Ink : int { kInkBlack, kInkCyan, kInkMagenta, kInkYellow, kInkLightCyan, kInkLightMagenta };
inline constexpr int kInkCount = 6;

// The printer's own settings as far as printing shows them.
struct PrintSettings {
  int8_t topMargin = 0;   // EEPROM 0x2E: moves the page down (+) or up (-), 1/360 inch units
  int8_t firstDot = 0;    // EEPROM 0x39: moves the page right (+) or left (-), 1/2880 inch units
  int8_t bid[3][2] = {};  // EEPROM 0x33..0x38 by [drop size - 1][ink group - 1]
  // The mechanism's own return-pass error per [drop size - 1][ink group - 1], in Bi-D units: the
  // return pass lines up exactly when the stored Bi-D value equals it. A hidden property of each
  // printer, kept in its state.
  int8_t bidOffset[3][2] = {};
  // The paper feed's own error, hidden like the Bi-D offsets: the page lands this much lower
  // (1/360 inch) and further right (1/2880 inch) than the stored margins alone put it.
  int feedTop = 0;
  int feedLeft = 0;
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
  // A command received in remote mode, accepted and recorded but not acted on: its two-letter
  // name, its declared parameter length, its first parameter bytes (at most
  // kMaxRecordedRemoteParams) and the offset of its first byte.
  virtual void RemoteCommand(const std::string& /*name*/, std::size_t /*length*/,
                             const std::vector<uint8_t>& /*params*/, uint64_t /*offset*/) {}
  // A sheet was ejected but could not be written to the tray; the sheet is lost.
  virtual void SheetLost(const std::string& /*error*/) {}
  // A sheet was ejected: its kSheetWidth x kSheetHeight pixels, valid during the call, white
  // (0) outside the rows [top, bottom). True when the receiver writes it to the tray itself (and
  // then tells SheetEjected or SheetLost); false, the default, and the engine writes it at once.
  virtual bool TakeSheet(const uint8_t* /*pixels*/, int /*top*/, int /*bottom*/) { return false; }
  // A sheet is to be fed from the input tray: false when the tray is empty, and the engine then
  // stops before the byte that needed the sheet (Consume returns short). Without an override the
  // tray never runs out.
  virtual bool FeedSheet() { return true; }
};

inline constexpr std::size_t kMaxRecordedRemoteParams = 64;

// Where the next dot or character lands on the sheet, in sheet pixels (before any Bi-D shift).
struct PrintPosition {
  int x = 0;
  int y = 0;
};

class PrintEngine {
 public:
  // Allocates the one sheet buffer the printer ever holds; sheets are written into trayDir,
  // which is created when the first sheet comes out.
  PrintEngine(std::filesystem::path trayDir, EngineEvents& events);
  ~PrintEngine();
  PrintEngine(const PrintEngine&) = delete;
  PrintEngine& operator=(const PrintEngine&) = delete;

  // Settings latched at the start of the next sheet (the device calls this at power-on
  // initialisation and whenever its stored settings change).
  void SetSettings(const PrintSettings& settings);
  // A Bi-D value written while printing; it applies to the bytes consumed after this call.
  void SetBid(int dropSize, int inkGroup, int8_t value);
  // The head's clogged nozzles and angle; they apply to the dots laid after this call.
  void SetHead(const HeadState& head);
  // Interprets the next bytes of the print-data stream. Returns how many it took: all of them,
  // unless a sheet was needed and the input tray had none (EngineEvents::FeedSheet); the rest is
  // to be given again once there is paper.
  std::size_t Consume(const uint8_t* data, std::size_t size);
  // Power-on initialisation: the command state is reset; a sheet in progress stays in the printer.
  void PowerOnReset();
  // Ejects the sheet in progress, as a printer does when a job has ended without a form feed
  // (its data channel closed, or idle for long); false if there was none. A form feed that
  // arrives later finds no sheet and feeds out nothing.
  bool EjectSheet();
  bool SheetInProgress() const;
  // Dots laid so far per ink since construction (black, cyan, magenta, yellow, light cyan,
  // light magenta), for the cartridges' ink counters.
  uint64_t DotsPrinted(int ink) const;

  // The sheet in progress, or the last one ejected until the next sheet is fed:
  // kSheetWidth * kSheetHeight pixels, row after row. Valid as long as the engine lives.
  const uint8_t* SheetPixels() const;
  // The print position on the sheet in progress (with none, where the last one was left).
  PrintPosition Position() const;
  // Bytes consumed since construction (the offsets of Skipped count the same way).
  uint64_t BytesConsumed() const;
  // Sheets ejected since construction, written or lost.
  int SheetsEjected() const;
  // True between the remote-mode entry command and its end sequence.
  bool InRemoteMode() const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

// Reads a sheet written by the engine back into its pixel bytes (the palette indices, that is the
// ink levels). Returns false with a message for anything that is not such a sheet.
bool DecodeSheetPng(const std::filesystem::path& file, std::vector<uint8_t>& pixels, int& width,
                    int& height, std::string& error);

}  // namespace vprinter
