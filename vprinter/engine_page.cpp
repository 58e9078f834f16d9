#include "vprinter/engine_page.h"

#include <algorithm>
#include <cmath>
#include <string>

namespace vprinter {

namespace {
// The nozzle row an ink fires through: the light inks come from the cyan and magenta chambers.
int RowOfInk(int ink) {
  switch (ink) {
    case kInkCyan:
    case kInkLightCyan:
      return head::kCyan;
    case kInkMagenta:
    case kInkLightMagenta:
      return head::kMagenta;
    case kInkYellow:
      return head::kYellow;
    default:
      return head::kBlack;
  }
}
}  // namespace

Page::Page(std::filesystem::path trayDir, EngineEvents& events, SkipReporter& reports)
    : trayDir_(std::move(trayDir)), events_(&events), reports_(&reports) {}

void Page::SetBid(int dropSize, int inkGroup, int8_t value) {
  pending_.bid[dropSize - 1][inkGroup - 1] = value;
  active_.bid[dropSize - 1][inkGroup - 1] = value;
}

int Page::SheetX(int printX) const {
  return page::kLeftOrigin +
         static_cast<int>(std::lround((active_.firstDot + active_.feedLeft) / 8.0)) + printX;
}

// A sheet is fed by the first thing that needs paper, and the printer's settings are taken as
// they stand at that moment.
void Page::EnsureSheet() {
  if (loaded_) return;
  // The engine asks the input tray before the byte that needs the sheet; this is the sheet.
  if (!granted_) events_->FeedSheet();
  granted_ = false;
  sheet_.Clear();
  active_ = pending_;
  loaded_ = true;
  sheetTop_ = pageTop_ + active_.topMargin + active_.feedTop;
  y_ = sheetTop_;
  bandTop_ = -1;
}

void Page::Eject() {
  // Bytes skipped on this sheet are reported before the sheet, as they came before it.
  reports_->Flush();
  loaded_ = false;
  ++sheetsEjected_;
  if (events_->TakeSheet(sheet_.Pixels(), sheet_.DirtyTop(), sheet_.DirtyBottom())) return;
  std::string error;
  const std::string file = WriteToTray(sheet_, trayDir_, error);
  if (file.empty()) {
    events_->SheetLost(error);
  } else {
    events_->SheetEjected(file);
  }
}

void Page::Feed(int pixels) {
  EnsureSheet();
  y_ = std::max(y_ + pixels, sheetTop_);
  if (y_ >= kSheetHeight) Eject();
}

void Page::MoveX(int pixels) {
  x_ = std::clamp(x_ + pixels, 0, page::kReach * kSheetWidth);
}

void Page::BeginRaster(const RasterInk& ink, int dropSize, int inkGroup, int linePitch,
                       int dotPitch, bool bidirectional) {
  Block& b = block_;
  b.ink = ink;
  b.row = RowOfInk(ink.ink);
  b.originX = SheetX(x_);
  b.originY = y_;
  b.linePitch = linePitch;
  b.dotPitch = dotPitch;
  b.bidirectional = bidirectional;
  const int d = dropSize - 1;
  const int g = inkGroup - 1;
  b.returnShift = (active_.bid[d][g] - active_.bidOffset[d][g]) * page::kBidPixelsPerUnit;
  if (bandTop_ < 0 || y_ < bandTop_ || y_ >= bandTop_ + head::kSpan) bandTop_ = y_;
}

// count bytes of value b from byte `first` of a line: each of the byte's four dot positions that
// holds a dot repeats every 4 dots along the span.
void Page::Span(uint8_t b, uint32_t line, uint32_t first, uint32_t count) {
  const Block& r = block_;
  int64_t py = static_cast<int64_t>(r.originY) + static_cast<int64_t>(line) * r.linePitch;
  const bool returnPass = r.bidirectional && (line & 1) != 0;
  int64_t px0 = r.originX + (returnPass ? r.returnShift : 0);
  if (!nozzles_.Perfect()) {
    // The nozzle over this row of the band; a block taller than the head wraps round it.
    const int64_t inBand = (py - bandTop_) % head::kSpan;
    const int nozzle = static_cast<int>(inBand / head::Pitch(r.row));
    if (nozzles_.Clogged(r.row, nozzle)) return;
    px0 += nozzles_.ShiftX(r.row, nozzle);
    py += nozzles_.ShiftY(r.row);
  }
  const int64_t step = 4LL * r.dotPitch;
  for (int k = 0; k < 4; ++k) {
    const int code = (b >> (6 - 2 * k)) & 3;
    if (code == 0) continue;
    dots_[r.ink.ink] += count;
    if (py < 0 || py >= kSheetHeight) continue;
    const int level = r.ink.light ? (code + 1) / 2 : code;
    // Only the dots that fall on the sheet are visited.
    const int64_t start = px0 + (4LL * first + k) * r.dotPitch;
    int64_t from = 0;
    if (start < 0) from = (-start + step - 1) / step;
    const int64_t to = std::min<int64_t>(
        count, start >= kSheetWidth ? 0 : (kSheetWidth - start + step - 1) / step);
    for (int64_t j = from; j < to; ++j) {
      sheet_.Lay(static_cast<int>(start + j * step), static_cast<int>(py), r.ink.plane, level);
    }
  }
}

void Page::TextRow(int x0, int width, int rowInCell) {
  int y = y_ + rowInCell;
  if (!nozzles_.Perfect()) {
    // A text line is printed in a pass of its own, the cell's top row under the top nozzle.
    const int nozzle = rowInCell % head::kSpan;
    if (nozzles_.Clogged(head::kBlack, nozzle)) return;
    x0 += nozzles_.ShiftX(head::kBlack, nozzle);
    y += nozzles_.ShiftY(head::kBlack);
  }
  for (int x = x0; x < x0 + width; ++x) sheet_.Lay(x, y, Plane::kBlack, 3);
  dots_[kInkBlack] += static_cast<uint64_t>(width);
}

}  // namespace vprinter
