// The print engine: a streaming interpreter of the print-data channel. Bytes arrive in arbitrary
// pieces, so every command is parsed by a state machine that keeps only a few bytes of a command
// at a time; raster data is decoded run by run straight onto the sheet, with no line buffer.
#include "vprinter/printengine.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "vprinter/engine_font.h"
#include "vprinter/engine_sheet.h"

namespace vprinter {
namespace {

constexpr uint8_t kEsc = 0x1B;
constexpr int kPrintWidth = 2880;                             // 8 inches of dots
constexpr int kLeftOrigin = (kSheetWidth - kPrintWidth) / 2;  // the print width centred on A4
constexpr int kDefaultTopMargin = 42;                         // 1/360 inch, about 3 mm
constexpr int kDefaultUnit = 10;                              // 10/3600 inch = 1/360 inch
constexpr int kBidPixelsPerUnit = 2;                          // one Bi-D unit = 1/180 inch
constexpr int kTabColumns = 8;
// The largest parameter block of a command the engine acts on (paper size, page format).
constexpr std::size_t kMaxParams = 8;
constexpr std::size_t kKeptParams = std::max(kMaxParams, kMaxRecordedRemoteParams);

std::string Hex(uint8_t b) {
  char text[8];
  std::snprintf(text, sizeof text, "0x%02X", b);
  return text;
}

std::string Printable(uint8_t b) {
  if (b >= 0x21 && b <= 0x7E) return std::string(1, static_cast<char>(b));
  return Hex(b);
}

int16_t Int16(const uint8_t* p) {
  return static_cast<int16_t>(p[0] | (p[1] << 8));
}
int64_t Int32(const uint8_t* p) {
  return static_cast<int32_t>(static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
                              (static_cast<uint32_t>(p[2]) << 16) |
                              (static_cast<uint32_t>(p[3]) << 24));
}

// The set-up a reset restores.
struct CommandState {
  bool graphics = false;
  int unit = kDefaultUnit;  // 1/3600 inch per unit
  bool bidirectional = true;
  int dropSize = 1;                 // 1 = MS, 2 = 6pl, 3 = 4pl
  int colorMode = 2;                // 1 = monochrome (black head only), 0 and 2 = colour
  int linePitch = 1;                // pixels between the raster lines of a block
  int dotPitch = 1;                 // pixels between the dots of a raster line
  int pageTop = kDefaultTopMargin;  // pixels from the paper's top edge to the first line
};

// The colour byte of a raster block: which ink, on which plane.
struct RasterInk {
  int ink;
  Plane plane;
  bool light;
};
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

enum class State {
  kGround,       // text, controls, and in remote mode the remote commands
  kEsc,          // after ESC
  kCollect,      // gathering the fixed bytes of a command
  kParams,       // the parameter block of ESC ( X or of a remote command
  kRemoteEnd,    // after ESC in remote mode: 00 00 00 must follow
  kRasterCount,  // a run-length block: expecting a counter byte
  kRasterLiteral,
  kRasterRepeat,
  kRasterRaw,  // an uncompressed block
};

// What the collected bytes are.
enum class Collect { kMove, kDirection, kRasterHeader, kParenHeader, kRemoteHeader };

}  // namespace

struct PrintEngine::Impl {
  Impl(std::filesystem::path dir, EngineEvents& ev) : trayDir(std::move(dir)), events(&ev) {}

  std::filesystem::path trayDir;
  EngineEvents* events;
  SheetImage sheet;

  PrintSettings pending;  // what SetSettings gave; latched when a sheet is fed
  PrintSettings active;   // what the sheet in progress is printed with
  CommandState cmd;

  bool sheetLoaded = false;
  int sheetsEjected = 0;
  int sheetTop = 0;  // where the sheet's first line lies, reverse feeds stop there
  int x = 0;         // pixels right of the print origin
  int y = 0;         // pixels below the paper's top edge
  bool remote = false;
  std::array<uint64_t, kInkCount> dots{};

  // Parser.
  State state = State::kGround;
  uint64_t offset = 0;    // of the byte being worked on
  uint64_t cmdStart = 0;  // offset of the command being parsed
  Collect collect = Collect::kMove;
  std::array<uint8_t, 8> fixed{};
  std::size_t fixedWant = 0;
  std::size_t fixedHave = 0;
  // A parameter block: ESC ( X or a remote command.
  bool paramsRemote = false;
  char paramName[2] = {};
  std::size_t paramLength = 0;
  std::size_t paramHave = 0;
  std::vector<uint8_t> params;  // the first bytes only, reserved once
  std::size_t remoteEndHave = 0;

  // The raster block being decoded.
  struct Raster {
    bool print = false;  // false: decoded for its length only
    RasterInk ink{};
    int group = 1;
    uint32_t bytesPerLine = 0;
    uint32_t lines = 0;
    uint64_t total = 0;
    uint64_t done = 0;
    uint64_t overrun = 0;
    int runLeft = 0;
    int originX = 0;  // sheet pixels
    int originY = 0;
    int linePitch = 1;
    int dotPitch = 1;
    int returnShift = 0;  // pixels the return pass lies to the right
    bool bidirectional = false;
    int advance = 0;  // pixels the print position moves on after the block
    std::string skipWhy;
  } raster;

  // Unprintable bytes are reported as one run rather than one report per byte.
  std::string runWhat;
  uint64_t runStart = 0;
  uint64_t runCount = 0;

  // ---- reporting ----

  void FlushRun() {
    if (runCount == 0) return;
    const std::string what =
        runWhat + " (" + std::to_string(runCount) + (runCount == 1 ? " byte)" : " bytes)");
    runCount = 0;
    events->Skipped(what, runStart);
  }
  void Skip(const std::string& what, uint64_t at) {
    FlushRun();
    events->Skipped(what, at);
  }
  void SkipByte(const char* what) {
    if (runCount > 0 && (runWhat != what || runStart + runCount != offset)) FlushRun();
    if (runCount == 0) {
      runWhat = what;
      runStart = offset;
    }
    ++runCount;
  }

  // ---- paper ----

  int FirstDotPixels() const { return static_cast<int>(std::lround(active.firstDot / 8.0)); }
  int SheetX(int printX) const { return kLeftOrigin + FirstDotPixels() + printX; }
  int UnitsToPixels(int64_t units) const {
    // Kept within a few sheets either way so that no position can overflow.
    const int64_t px = units * cmd.unit / kDefaultUnit;
    return static_cast<int>(std::clamp<int64_t>(px, -4 * kSheetHeight, 4 * kSheetHeight));
  }

  // A sheet is fed by the first thing that needs paper, and the printer's settings are taken
  // as they stand at that moment.
  void EnsureSheet() {
    if (sheetLoaded) return;
    sheet.Clear();
    active = pending;
    sheetLoaded = true;
    sheetTop = cmd.pageTop + active.topMargin;
    y = sheetTop;
  }

  void Eject() {
    // Bytes skipped on this sheet are reported before the sheet, as they came before it.
    FlushRun();
    sheetLoaded = false;
    ++sheetsEjected;
    std::string error;
    const std::string file = WriteToTray(sheet, trayDir, error);
    if (file.empty()) {
      events->SheetLost(error);
    } else {
      events->SheetEjected(file);
    }
  }

  // Moves the paper; past the bottom edge the sheet comes out and the next one is fed on demand.
  void FeedPixels(int px) {
    EnsureSheet();
    y = std::max(y + px, sheetTop);
    if (y >= kSheetHeight) Eject();
  }
  void LineFeed() { FeedPixels(font::kCellHeight); }

  void MoveX(int px) { x = std::clamp(x + px, 0, 4 * kSheetWidth); }

  // ---- text ----

  void PrintCharacter(uint8_t code) {
    EnsureSheet();
    if (x + font::kCellWidth > kPrintWidth) {  // the line is full: go on at the next one
      x = 0;
      LineFeed();
      EnsureSheet();
    }
    const font::Glyph* glyph = font::GlyphFor(code);
    const int left = SheetX(x) + font::kOffsetX;
    const int top = y + font::kOffsetY;
    for (int row = 0; row < font::kRows; ++row) {
      for (int col = 0; col < font::kColumns; ++col) {
        if (((*glyph)[row] >> (font::kColumns - 1 - col) & 1) == 0) continue;
        for (int dy = 0; dy < font::kDotPixels; ++dy) {
          for (int dx = 0; dx < font::kDotPixels; ++dx) {
            sheet.Lay(left + col * font::kDotPixels + dx, top + row * font::kDotPixels + dy,
                      Plane::kBlack, 3);
          }
        }
        dots[kInkBlack] += font::kDotPixels * font::kDotPixels;
      }
    }
    x += font::kCellWidth;
  }

  void Tab() {
    const int column = x / font::kCellWidth;
    const int next = (column / kTabColumns + 1) * kTabColumns * font::kCellWidth;
    x = std::min(next, kPrintWidth);
  }

  // ---- the parser ----

  void Consume(const uint8_t* data, std::size_t size) {
    std::size_t i = 0;
    while (i < size) {
      if (Step(data[i])) {
        ++i;
        ++offset;
      }
    }
    FlushRun();
  }

  // Works on one byte; returns false when the byte ends the current state without belonging to
  // it, and must be worked on again in the state now set.
  bool Step(uint8_t b) {
    switch (state) {
      case State::kGround:
        return Ground(b);
      case State::kEsc:
        Escape(b);
        return true;
      case State::kCollect:
        fixed[fixedHave++] = b;
        if (fixedHave == fixedWant) Collected();
        return true;
      case State::kParams:
        if (params.size() < kKeptParams) params.push_back(b);
        if (++paramHave == paramLength) ParamsDone();
        return true;
      case State::kRemoteEnd:
        return RemoteEnd(b);
      case State::kRasterCount:
        RasterCounter(b);
        return true;
      case State::kRasterLiteral:
        Emit(b, 1);
        if (--raster.runLeft == 0) RasterRunDone();
        return true;
      case State::kRasterRepeat:
        Emit(b, raster.runLeft);
        RasterRunDone();
        return true;
      case State::kRasterRaw:
        Emit(b, 1);
        if (raster.done == raster.total) EndRaster();
        return true;
    }
    return true;
  }

  void Expect(std::size_t count, Collect what) {
    state = State::kCollect;
    collect = what;
    fixedWant = count;
    fixedHave = 0;
  }

  bool Ground(uint8_t b) {
    if (remote) return RemoteGround(b);
    switch (b) {
      case 0x00:
        return true;  // prints nothing
      case 0x09:
        Tab();
        return true;
      case 0x0A:
        LineFeed();
        return true;
      case 0x0C:  // form feed: the sheet comes out, the next one starts at the left edge
        if (sheetLoaded) Eject();
        x = 0;
        return true;
      case 0x0D:
        x = 0;
        return true;
      case kEsc:
        cmdStart = offset;
        state = State::kEsc;
        return true;
      default:
        break;
    }
    if (b >= 0x20 && b <= 0x7E) {
      if (cmd.graphics) {
        SkipByte("text in graphics mode");
      } else {
        PrintCharacter(b);
      }
    } else {
      SkipByte("unprintable bytes");
    }
    return true;
  }

  void Escape(uint8_t b) {
    state = State::kGround;
    if (b == kEsc) {  // the first ESC led nowhere; the second may start a command
      Skip("ESC without a command", cmdStart);
      cmdStart = offset;
      state = State::kEsc;
      return;
    }
    switch (b) {
      case '@':
        Reset();
        return;
      case '<':
        x = 0;
        return;  // head return: the next line starts at the left edge
      case 'U':
        Expect(1, Collect::kDirection);
        return;
      case '\\':
        Expect(2, Collect::kMove);
        return;
      case 'i':
        Expect(7, Collect::kRasterHeader);
        return;
      case '(':
        Expect(3, Collect::kParenHeader);
        return;
      default:
        Skip("unknown command ESC " + Printable(b), cmdStart);
        return;
    }
  }

  // A reset restores the set-up and brings the head back to the left edge.
  void Reset() {
    cmd = CommandState{};
    x = 0;
  }

  void Collected() {
    state = State::kGround;
    switch (collect) {
      case Collect::kDirection: {
        const uint8_t n = fixed[0];
        if (n == 0 || n == '0') {
          cmd.bidirectional = true;
        } else if (n == 1 || n == '1') {
          cmd.bidirectional = false;
        } else {
          Skip("ESC U with unknown direction " + Hex(n), cmdStart);
        }
        return;
      }
      case Collect::kMove:
        MoveX(UnitsToPixels(Int16(fixed.data())));
        return;
      case Collect::kRasterHeader:
        StartRaster();
        return;
      case Collect::kParenHeader:
        StartParams(false, static_cast<char>(fixed[0]), 0, fixed[1] | (fixed[2] << 8));
        return;
      case Collect::kRemoteHeader:
        StartParams(true, static_cast<char>(fixed[0]), static_cast<char>(fixed[1]),
                    fixed[2] | (fixed[3] << 8));
        return;
    }
  }

  void StartParams(bool remoteCommand, char first, char second, std::size_t length) {
    paramsRemote = remoteCommand;
    paramName[0] = first;
    paramName[1] = second;
    paramLength = length;
    paramHave = 0;
    params.clear();
    if (length == 0) {
      ParamsDone();
    } else {
      state = State::kParams;
    }
  }

  void ParamsDone() {
    state = State::kGround;
    if (paramsRemote) {
      FlushRun();  // bytes skipped before it are reported before it
      events->RemoteCommand(std::string(paramName, 2), paramLength, params, cmdStart);
    } else {
      ExtendedCommand();
    }
  }

  // ESC ( X with its parameter block.
  void ExtendedCommand() {
    const char letter = paramName[0];
    const std::size_t n = paramLength;
    const uint8_t* p = params.data();
    const auto misfit = [&] {
      Skip("ESC ( " + Printable(static_cast<uint8_t>(letter)) + " with " + std::to_string(n) +
               " parameter bytes",
           cmdStart);
    };
    switch (letter) {
      case 'G':  // graphics mode on (1) or off (0)
        if (n != 1 || p[0] > 1) return misfit();
        cmd.graphics = p[0] == 1;
        return;
      case 'U':  // unit in 1/3600 inch
        if (n != 1 || p[0] == 0) return misfit();
        cmd.unit = p[0];
        return;
      case 'e':  // dot size: selects the drop size, and with it the Bi-D value used
        if (n != 2) return misfit();
        switch (p[1]) {
          case 0x00:
          case 0x12:
            cmd.dropSize = 1;
            return;
          case 0x11:
            cmd.dropSize = 2;
            return;
          case 0x10:
            cmd.dropSize = 3;
            return;
          default:
            return misfit();
        }
      case 'K':  // colour mode
        if (n != 2 || p[1] > 2) return misfit();
        cmd.colorMode = p[1];
        return;
      case 'D': {  // raster resolution: base and divisors
        if (n != 4) return misfit();
        const int base = p[0] | (p[1] << 8);
        const int v = p[2];
        const int h = p[3];
        if (base == 0 || v == 0 || h == 0 || (v * 360) % base != 0 || (h * 360) % base != 0) {
          return misfit();
        }
        cmd.linePitch = v * 360 / base;
        cmd.dotPitch = h * 360 / base;
        return;
      }
      case 'v': {  // relative feed; the CR that the sender puts after it comes on its own
        if (n != 2) return misfit();
        FeedPixels(UnitsToPixels(Int16(p)));
        return;
      }
      case 'S':  // paper size: the tray holds A4 whatever is announced
        if (n != 8) return misfit();
        return;
      case 'c': {  // page format: the top margin counts from the next sheet fed
        if (n != 8) return misfit();
        const int64_t top = Int32(p);
        if (top < 0 || UnitsToPixels(top) >= kSheetHeight) return misfit();
        cmd.pageTop = UnitsToPixels(top);
        return;
      }
      case 'R':  // remote mode: only the entry with "REMOTE1" is known
        if (n == 8 && p[0] == 0 && std::memcmp(p + 1, "REMOTE1", 7) == 0) {
          remote = true;
          return;
        }
        return misfit();
      default:
        Skip("unknown command ESC ( " + Printable(static_cast<uint8_t>(letter)) + " with " +
                 std::to_string(n) + " parameter bytes",
             cmdStart);
        return;
    }
  }

  // ---- remote mode ----

  bool RemoteGround(uint8_t b) {
    cmdStart = offset;
    if (b == kEsc) {
      state = State::kRemoteEnd;
      remoteEndHave = 0;
      return true;
    }
    if ((b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z')) {
      Expect(4, Collect::kRemoteHeader);
      fixed[0] = b;
      fixedHave = 1;
      return true;
    }
    // Not a remote command: the sender has moved on without ending remote mode.
    Skip("remote mode left without its end sequence", offset);
    remote = false;
    return false;
  }

  bool RemoteEnd(uint8_t b) {
    if (b == 0x00) {
      if (++remoteEndHave == 3) {
        remote = false;
        state = State::kGround;
      }
      return true;
    }
    Skip("remote mode left with a broken end sequence", cmdStart);
    remote = false;
    if (remoteEndHave == 0) {  // ESC and a command byte: an ordinary command follows
      state = State::kEsc;
    } else {
      state = State::kGround;
    }
    return false;
  }

  // ---- raster blocks ----

  void StartRaster() {
    const uint8_t colour = fixed[0];
    const uint8_t compression = fixed[1];
    const uint8_t bits = fixed[2];
    Raster& r = raster;
    r = Raster{};
    r.bytesPerLine = fixed[3] | (fixed[4] << 8);
    r.lines = fixed[5] | (fixed[6] << 8);
    r.total = static_cast<uint64_t>(r.bytesPerLine) * r.lines;
    if (compression > 1) {
      // Without the coding the block's length is unknown: only its header can be skipped.
      Skip("raster block with unknown compression " + Hex(compression), cmdStart);
      return;
    }
    EnsureSheet();
    const int dotsPerByte = (bits == 1 || bits == 2 || bits == 4 || bits == 8) ? 8 / bits : 0;
    r.advance = static_cast<int>(std::min<int64_t>(
        static_cast<int64_t>(r.bytesPerLine) * dotsPerByte * cmd.dotPitch, 4 * kSheetWidth));
    if (!InkOfColourByte(colour, r.ink)) {
      r.skipWhy = "raster block of unknown colour " + Hex(colour);
    } else if (bits != 2) {
      r.skipWhy = "raster block with " + std::to_string(bits) + " bits per dot";
    } else {
      r.print = true;
      if (cmd.colorMode == 1) r.ink = {kInkBlack, Plane::kBlack, false};  // black head only
      r.group = r.ink.ink == kInkBlack ? 1 : 2;
      r.originX = SheetX(x);
      r.originY = y;
      r.linePitch = cmd.linePitch;
      r.dotPitch = cmd.dotPitch;
      r.bidirectional = cmd.bidirectional;
      const int d = cmd.dropSize - 1;
      const int g = r.group - 1;
      r.returnShift = (active.bid[d][g] - active.bidOffset[d][g]) * kBidPixelsPerUnit;
    }
    if (r.total == 0) {
      EndRaster();
    } else {
      state = compression == 1 ? State::kRasterCount : State::kRasterRaw;
    }
  }

  void RasterCounter(uint8_t c) {
    if (c <= 0x7F) {
      raster.runLeft = c + 1;
      state = State::kRasterLiteral;
    } else {
      raster.runLeft = 257 - c;  // 0x80 stands for 129 copies
      state = State::kRasterRepeat;
    }
  }

  void RasterRunDone() {
    // A run that reached past the block's end has been read whole; the block ends with it.
    if (raster.done >= raster.total) {
      EndRaster();
    } else {
      state = State::kRasterCount;
    }
  }

  void EndRaster() {
    state = State::kGround;
    x = std::min(x + raster.advance, 4 * kSheetWidth);
    if (!raster.skipWhy.empty()) Skip(raster.skipWhy, cmdStart);
    if (raster.overrun > 0) {
      Skip("raster data overran its block by " + std::to_string(raster.overrun) + " bytes",
           cmdStart);
    }
  }

  // count copies of the data byte b, laid line by line.
  void Emit(uint8_t b, int count) {
    Raster& r = raster;
    uint64_t left = static_cast<uint64_t>(count);
    while (left > 0 && r.done < r.total) {
      const uint32_t line = static_cast<uint32_t>(r.done / r.bytesPerLine);
      const uint32_t first = static_cast<uint32_t>(r.done % r.bytesPerLine);
      const uint32_t n = static_cast<uint32_t>(std::min<uint64_t>(left, r.bytesPerLine - first));
      if (r.print && b != 0) LaySpan(b, line, first, n);
      r.done += n;
      left -= n;
    }
    r.overrun += left;
  }

  // n bytes of value b from byte `first` of a line: each of the byte's four dot positions that
  // holds a dot repeats every 4 dots along the span.
  void LaySpan(uint8_t b, uint32_t line, uint32_t first, uint32_t n) {
    Raster& r = raster;
    const int64_t py = static_cast<int64_t>(r.originY) + static_cast<int64_t>(line) * r.linePitch;
    const bool returnPass = r.bidirectional && (line & 1) != 0;
    const int64_t px0 = r.originX + (returnPass ? r.returnShift : 0);
    const int64_t step = 4LL * r.dotPitch;
    for (int k = 0; k < 4; ++k) {
      const int code = (b >> (6 - 2 * k)) & 3;
      if (code == 0) continue;
      dots[r.ink.ink] += n;
      if (py < 0 || py >= kSheetHeight) continue;
      const int level = r.ink.light ? (code + 1) / 2 : code;
      // Only the dots that fall on the sheet are visited.
      const int64_t start = px0 + (4LL * first + k) * r.dotPitch;
      int64_t from = 0;
      if (start < 0) from = (-start + step - 1) / step;
      const int64_t to =
          std::min<int64_t>(n, start >= kSheetWidth ? 0 : (kSheetWidth - start + step - 1) / step);
      for (int64_t j = from; j < to; ++j) {
        sheet.Lay(static_cast<int>(start + j * step), static_cast<int>(py), r.ink.plane, level);
      }
    }
  }

  void PowerOnReset() {
    if (state != State::kGround) {
      Skip("command cut short by the initialisation", cmdStart);
      state = State::kGround;
    }
    remote = false;
    Reset();
    x = 0;
  }
};

PrintEngine::PrintEngine(std::filesystem::path trayDir, EngineEvents& events)
    : impl_(std::make_unique<Impl>(std::move(trayDir), events)) {
  impl_->params.reserve(kKeptParams);
}

PrintEngine::~PrintEngine() = default;

void PrintEngine::SetSettings(const PrintSettings& settings) {
  impl_->pending = settings;
}

void PrintEngine::SetBid(int dropSize, int inkGroup, int8_t value) {
  if (dropSize < 1 || dropSize > 3 || inkGroup < 1 || inkGroup > 2) return;
  impl_->pending.bid[dropSize - 1][inkGroup - 1] = value;
  impl_->active.bid[dropSize - 1][inkGroup - 1] = value;
}

void PrintEngine::Consume(const uint8_t* data, std::size_t size) {
  if (data == nullptr) return;
  impl_->Consume(data, size);
}

void PrintEngine::PowerOnReset() {
  impl_->PowerOnReset();
}

bool PrintEngine::EjectSheet() {
  if (!impl_->sheetLoaded) return false;
  impl_->FlushRun();
  impl_->Eject();
  impl_->x = 0;
  return true;
}

bool PrintEngine::SheetInProgress() const {
  return impl_->sheetLoaded;
}

uint64_t PrintEngine::DotsPrinted(int ink) const {
  if (ink < 0 || ink >= kInkCount) return 0;
  return impl_->dots[ink];
}

const uint8_t* PrintEngine::SheetPixels() const {
  return impl_->sheet.Pixels();
}
PrintPosition PrintEngine::Position() const {
  return {impl_->SheetX(impl_->x), impl_->y};
}
uint64_t PrintEngine::BytesConsumed() const {
  return impl_->offset;
}
int PrintEngine::SheetsEjected() const {
  return impl_->sheetsEjected;
}
bool PrintEngine::InRemoteMode() const {
  return impl_->remote;
}

}  // namespace vprinter
