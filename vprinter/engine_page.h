// The sheet under the head: feeding, the print position, the printer's settings as a sheet takes
// them, ejecting into the output tray, and where each raster line lands through the nozzle that
// prints it. All positions are sheet pixels (1/360 inch).
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>

#include "vprinter/engine_parser.h"
#include "vprinter/engine_sheet.h"
#include "vprinter/head.h"
#include "vprinter/printengine.h"

namespace vprinter {

namespace page {
inline constexpr int kPrintWidth = 2880;                             // 8 inches of dots
inline constexpr int kLeftOrigin = (kSheetWidth - kPrintWidth) / 2;  // centred on A4
inline constexpr int kDefaultTop = 42;                               // about 3 mm
inline constexpr int kBidPixelsPerUnit = 2;                          // one Bi-D unit = 1/180 inch
// How far the print position may go right, or the paper move in one feed, in sheets: far enough
// for any command, near enough that no position can overflow.
inline constexpr int kReach = 4;
}  // namespace page

// The ink of a raster block: which counter, which plane, at half strength or not.
struct RasterInk {
  int ink;
  Plane plane;
  bool light;
};

class Page : public RasterSpans {
 public:
  Page(std::filesystem::path trayDir, EngineEvents& events, SkipReporter& reports);

  // ---- settings ----
  void SetSettings(const PrintSettings& settings) { pending_ = settings; }
  void SetBid(int dropSize, int inkGroup, int8_t value);
  void SetHead(const HeadState& head) { nozzles_.Set(head); }
  // Where the first line of the next sheet fed lies below the paper's top edge.
  void SetPageTop(int pixels) { pageTop_ = pixels; }

  // ---- paper ----
  bool Loaded() const { return loaded_; }
  // The sheet the next EnsureSheet() feeds has been taken from the input tray already.
  void GrantSheet() { granted_ = true; }
  // Feeds a sheet (taking the settings as they stand) unless one is in the printer.
  void EnsureSheet();
  // The sheet comes out into the output tray.
  void Eject();
  // Moves the paper; past the bottom edge the sheet comes out, the next is fed on demand.
  void Feed(int pixels);

  // ---- the print position ----
  int X() const { return x_; }
  int Y() const { return y_; }
  void SetX(int x) { x_ = x; }
  void MoveX(int pixels);
  // The sheet column of a print position (the first dot position applied).
  int SheetX(int printX) const;

  // ---- laying ink ----
  // A raster block from the print position: its lines linePitch, its dots dotPitch apart; its odd
  // lines on the return pass when printed in both directions.
  void BeginRaster(const RasterInk& ink, int dropSize, int inkGroup, int linePitch, int dotPitch,
                   bool bidirectional);
  void Span(uint8_t b, uint32_t line, uint32_t first, uint32_t count) override;
  // One row of a text cell, `rowInCell` pixels below its top, from sheet column x0 for `width`
  // pixels: full black, through the black nozzle over that row.
  void TextRow(int x0, int width, int rowInCell);

  uint64_t Dots(int ink) const { return dots_[ink]; }
  int SheetsEjected() const { return sheetsEjected_; }
  const uint8_t* Pixels() const { return sheet_.Pixels(); }

 private:
  std::filesystem::path trayDir_;
  EngineEvents* events_;
  SkipReporter* reports_;
  SheetImage sheet_;
  NozzleMap nozzles_;

  PrintSettings pending_;  // what SetSettings gave; latched when a sheet is fed
  PrintSettings active_;   // what the sheet in progress is printed with
  int pageTop_ = page::kDefaultTop;
  bool loaded_ = false;
  bool granted_ = false;
  int sheetsEjected_ = 0;
  int sheetTop_ = 0;  // where the sheet's first line lies, reverse feeds stop there
  int x_ = 0;         // pixels right of the print origin
  int y_ = 0;         // pixels below the paper's top edge
  std::array<uint64_t, kInkCount> dots_{};

  // The rows of the sheet under the head: a raster block that starts outside them moves the
  // paper, and the head then spans head::kSpan rows from the block's first line (-1: none yet).
  int bandTop_ = -1;

  // The raster block being laid.
  struct Block {
    RasterInk ink{};
    int row = head::kBlack;
    int originX = 0;
    int originY = 0;
    int linePitch = 1;
    int dotPitch = 1;
    int returnShift = 0;  // pixels the return pass lies to the right
    bool bidirectional = false;
  } block_;
};

}  // namespace vprinter
