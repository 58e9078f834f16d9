// The print engine: the interpreter that joins its pieces. The parser (engine_parser) cuts the
// stream into commands, this file keeps the command set-up and acts on each command, the raster
// decoder (engine_raster) unpacks block data, the page (engine_page) feeds the paper and lays the
// dots through the head's nozzles, and engine_text draws characters in the printer's font.
#include "vprinter/printengine.h"

#include <algorithm>
#include <cstdio>

#include "vprinter/engine_page.h"
#include "vprinter/engine_parser.h"
#include "vprinter/engine_text.h"

namespace vprinter {
namespace {

constexpr int kDefaultUnit = 10;  // 10/3600 inch = 1/360 inch

int16_t Int16(const uint8_t* p) {
  return static_cast<int16_t>(p[0] | (p[1] << 8));
}
int64_t Int32(const uint8_t* p) {
  return static_cast<int32_t>(static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
                              (static_cast<uint32_t>(p[2]) << 16) |
                              (static_cast<uint32_t>(p[3]) << 24));
}

std::string Hex(uint8_t b) {
  char text[8];
  std::snprintf(text, sizeof text, "0x%02X", b);
  return text;
}

// The set-up a reset restores (with the page format, which the page keeps).
struct CommandState {
  bool graphics = false;
  int unit = kDefaultUnit;  // 1/3600 inch per unit
  bool bidirectional = true;
  int dropSize = 1;   // 1 = MS, 2 = 6pl, 3 = 4pl
  int colorMode = 2;  // 1 = monochrome (black head only), 0 and 2 = colour
  int linePitch = 1;  // pixels between the raster lines of a block
  int dotPitch = 1;   // pixels between the dots of a raster line
};

// The colour byte of a raster block.
struct ColourByte {
  uint8_t code;
  RasterInk ink;
};
constexpr ColourByte kColourBytes[] = {
    {0x00, {kInkBlack, Plane::kBlack, false}},
    {0x01, {kInkMagenta, Plane::kMagenta, false}},
    {0x02, {kInkCyan, Plane::kCyan, false}},
    {0x04, {kInkYellow, Plane::kYellow, false}},
    {0x11, {kInkLightMagenta, Plane::kMagenta, true}},
    {0x12, {kInkLightCyan, Plane::kCyan, true}},
};
bool InkOfColourByte(uint8_t r, RasterInk& out) {
  for (const ColourByte& c : kColourBytes) {
    if (c.code == r) {
      out = c.ink;
      return true;
    }
  }
  return false;
}

}  // namespace

struct PrintEngine::Impl : CommandHandler {
  Impl(std::filesystem::path trayDir, EngineEvents& ev)
      : events(&ev),
        reports(ev),
        page(std::move(trayDir), ev, reports),
        parser(*this, reports, page) {}

  EngineEvents* events;
  SkipReporter reports;
  Page page;
  CommandParser parser;
  CommandState cmd;
  int rasterAdvance = 0;  // pixels the print position moves on after the block in progress

  int UnitsToPixels(int64_t units) const {
    const int64_t px = units * cmd.unit / kDefaultUnit;
    return static_cast<int>(
        std::clamp<int64_t>(px, -page::kReach * kSheetHeight, page::kReach * kSheetHeight));
  }

  std::size_t Consume(const uint8_t* data, std::size_t size) {
    std::size_t i = 0;
    while (i < size) {
      if (!page.Loaded() && NeedsSheet(data[i])) {
        // Out of paper: stop before the byte, which is given again once there is a sheet.
        if (!events->FeedSheet()) break;
        page.GrantSheet();
      }
      if (parser.Step(data[i])) ++i;
    }
    reports.Flush();
    return i;
  }

  // Whether the byte feeds a sheet (with none in the printer): exactly the commands that call
  // Page::EnsureSheet().
  bool NeedsSheet(uint8_t b) const {
    using Kind = CommandParser::Completion::Kind;
    const CommandParser::Completion c = parser.WouldComplete(b);
    switch (c.kind) {
      case Kind::kCharacter:
        return !cmd.graphics;
      case Kind::kLineFeed:
        return true;
      case Kind::kRasterHeader:
        return c.compression <= 1;
      case Kind::kExtended:
        return c.letter == 'v' && c.length == 2;
      case Kind::kNothing:
        return false;
    }
    return false;
  }

  // ---- CommandHandler ----

  Text Character(uint8_t code) override {
    if (cmd.graphics) return Text::kNotPrinted;
    return text::Print(page, code) ? Text::kPrinted : Text::kAgain;
  }

  void Control(uint8_t code) override {
    switch (code) {
      case 0x09:
        text::Tab(page);
        return;
      case 0x0A:
        text::LineFeed(page);
        return;
      case 0x0C:  // form feed: the sheet comes out, the next one starts at the left edge
        if (page.Loaded()) page.Eject();
        page.SetX(0);
        return;
      case 0x0D:
        page.SetX(0);
        return;
      default:
        return;
    }
  }

  // A reset restores the set-up and brings the head back to the left edge.
  void Reset() override {
    cmd = CommandState{};
    page.SetPageTop(page::kDefaultTop);
    page.SetX(0);
  }

  void HeadReturn() override { page.SetX(0); }
  void Direction(bool bidirectional) override { cmd.bidirectional = bidirectional; }
  void Move(int16_t units) override { page.MoveX(UnitsToPixels(units)); }

  Extended ExtendedCommand(char letter, const uint8_t* p, std::size_t n) override {
    switch (letter) {
      case 'G':  // graphics mode on (1) or off (0)
        if (n != 1 || p[0] > 1) return Extended::kMisfit;
        cmd.graphics = p[0] == 1;
        return Extended::kDone;
      case 'U':  // unit in 1/3600 inch
        if (n != 1 || p[0] == 0) return Extended::kMisfit;
        cmd.unit = p[0];
        return Extended::kDone;
      case 'e':  // dot size: selects the drop size, and with it the Bi-D value used
        if (n != 2) return Extended::kMisfit;
        switch (p[1]) {
          case 0x00:
          case 0x12:
            cmd.dropSize = 1;
            return Extended::kDone;
          case 0x11:
            cmd.dropSize = 2;
            return Extended::kDone;
          case 0x10:
            cmd.dropSize = 3;
            return Extended::kDone;
          default:
            return Extended::kMisfit;
        }
      case 'K':  // colour mode
        if (n != 2 || p[1] > 2) return Extended::kMisfit;
        cmd.colorMode = p[1];
        return Extended::kDone;
      case 'D': {  // raster resolution: base and divisors
        if (n != 4) return Extended::kMisfit;
        const int base = p[0] | (p[1] << 8);
        const int v = p[2];
        const int h = p[3];
        if (base == 0 || v == 0 || h == 0 || (v * 360) % base != 0 || (h * 360) % base != 0) {
          return Extended::kMisfit;
        }
        cmd.linePitch = v * 360 / base;
        cmd.dotPitch = h * 360 / base;
        return Extended::kDone;
      }
      case 'v':  // relative feed; the CR that the sender puts after it comes on its own
        if (n != 2) return Extended::kMisfit;
        page.Feed(UnitsToPixels(Int16(p)));
        return Extended::kDone;
      case 'S':  // paper size: the tray holds A4 whatever is announced
        return n == 8 ? Extended::kDone : Extended::kMisfit;
      case 'c': {  // page format: the top margin counts from the next sheet fed
        if (n != 8) return Extended::kMisfit;
        const int64_t top = Int32(p);
        if (top < 0 || UnitsToPixels(top) >= kSheetHeight) return Extended::kMisfit;
        page.SetPageTop(UnitsToPixels(top));
        return Extended::kDone;
      }
      default:
        return Extended::kUnknown;
    }
  }

  bool RasterBlock(const RasterHeader& h, std::string* skipped) override {
    page.EnsureSheet();
    const int dotsPerByte =
        (h.bits == 1 || h.bits == 2 || h.bits == 4 || h.bits == 8) ? 8 / h.bits : 0;
    rasterAdvance = static_cast<int>(
        std::min<int64_t>(static_cast<int64_t>(h.bytesPerLine) * dotsPerByte * cmd.dotPitch,
                          page::kReach * kSheetWidth));
    RasterInk ink{};
    if (!InkOfColourByte(h.colour, ink)) {
      *skipped = "raster block of unknown colour " + Hex(h.colour);
      return false;
    }
    if (h.bits != 2) {
      *skipped = "raster block with " + std::to_string(h.bits) + " bits per dot";
      return false;
    }
    if (cmd.colorMode == 1) ink = {kInkBlack, Plane::kBlack, false};  // black head only
    const int group = ink.ink == kInkBlack ? 1 : 2;
    page.BeginRaster(ink, cmd.dropSize, group, cmd.linePitch, cmd.dotPitch, cmd.bidirectional);
    return true;
  }

  void RasterDone() override {
    page.SetX(std::min(page.X() + rasterAdvance, page::kReach * kSheetWidth));
  }
};

PrintEngine::PrintEngine(std::filesystem::path trayDir, EngineEvents& events)
    : impl_(std::make_unique<Impl>(std::move(trayDir), events)) {}

PrintEngine::~PrintEngine() = default;

void PrintEngine::SetSettings(const PrintSettings& settings) {
  impl_->page.SetSettings(settings);
}

void PrintEngine::SetBid(int dropSize, int inkGroup, int8_t value) {
  if (dropSize < 1 || dropSize > 3 || inkGroup < 1 || inkGroup > 2) return;
  impl_->page.SetBid(dropSize, inkGroup, value);
}

void PrintEngine::SetHead(const HeadState& head) {
  impl_->page.SetHead(head);
}

std::size_t PrintEngine::Consume(const uint8_t* data, std::size_t size) {
  if (data == nullptr) return size;
  return impl_->Consume(data, size);
}

void PrintEngine::PowerOnReset() {
  impl_->parser.Interrupt();
  impl_->Reset();
}

bool PrintEngine::EjectSheet() {
  if (!impl_->page.Loaded()) return false;
  impl_->reports.Flush();
  impl_->page.Eject();
  impl_->page.SetX(0);
  return true;
}

bool PrintEngine::SheetInProgress() const {
  return impl_->page.Loaded();
}

uint64_t PrintEngine::DotsPrinted(int ink) const {
  if (ink < 0 || ink >= kInkCount) return 0;
  return impl_->page.Dots(ink);
}

const uint8_t* PrintEngine::SheetPixels() const {
  return impl_->page.Pixels();
}
PrintPosition PrintEngine::Position() const {
  return {impl_->page.SheetX(impl_->page.X()), impl_->page.Y()};
}
uint64_t PrintEngine::BytesConsumed() const {
  return impl_->parser.Offset();
}
int PrintEngine::SheetsEjected() const {
  return impl_->page.SheetsEjected();
}
bool PrintEngine::InRemoteMode() const {
  return impl_->parser.InRemoteMode();
}

}  // namespace vprinter
