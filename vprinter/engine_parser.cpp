#include "vprinter/engine_parser.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace vprinter {

namespace {

constexpr uint8_t kEsc = 0x1B;
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

}  // namespace

// ---- reports ----------------------------------------------------------------------------------

void SkipReporter::Flush() {
  if (runCount_ == 0) return;
  const std::string what =
      runWhat_ + " (" + std::to_string(runCount_) + (runCount_ == 1 ? " byte)" : " bytes)");
  runCount_ = 0;
  events_->Skipped(what, runStart_);
}

void SkipReporter::Skip(const std::string& what, uint64_t offset) {
  Flush();
  events_->Skipped(what, offset);
}

void SkipReporter::SkipByte(const char* what, uint64_t offset) {
  if (runCount_ > 0 && (runWhat_ != what || runStart_ + runCount_ != offset)) Flush();
  if (runCount_ == 0) {
    runWhat_ = what;
    runStart_ = offset;
  }
  ++runCount_;
}

void SkipReporter::Remote(const std::string& name, std::size_t length,
                          const std::vector<uint8_t>& params, uint64_t offset) {
  Flush();  // bytes skipped before it are reported before it
  events_->RemoteCommand(name, length, params, offset);
}

// ---- the parser -------------------------------------------------------------------------------

CommandParser::CommandParser(CommandHandler& handler, SkipReporter& reports, RasterSpans& spans)
    : handler_(&handler), reports_(&reports), raster_(spans) {
  params_.reserve(kKeptParams);
}

bool CommandParser::Step(uint8_t b) {
  const bool consumed = Work(b);
  if (consumed) ++offset_;
  return consumed;
}

bool CommandParser::Work(uint8_t b) {
  switch (state_) {
    case State::kGround:
      return Ground(b);
    case State::kEsc:
      Escape(b);
      return true;
    case State::kCollect:
      fixed_[fixedHave_++] = b;
      if (fixedHave_ == fixedWant_) Collected();
      return true;
    case State::kParams:
      if (params_.size() < kKeptParams) params_.push_back(b);
      if (++paramHave_ == paramLength_) ParamsDone();
      return true;
    case State::kRemoteEnd:
      return RemoteEnd(b);
    case State::kRaster:
      if (raster_.Take(b)) EndRaster();
      return true;
  }
  return true;
}

CommandParser::Completion CommandParser::WouldComplete(uint8_t b) const {
  using Kind = Completion::Kind;
  switch (state_) {
    case State::kGround:
      if (remote_) return {Kind::kNothing};
      if (b == 0x0A) return {Kind::kLineFeed};
      if (b >= 0x20 && b <= 0x7E) return {Kind::kCharacter};
      return {Kind::kNothing};
    case State::kCollect:
      if (fixedHave_ + 1 != fixedWant_) return {Kind::kNothing};
      if (collect_ == Collect::kRasterHeader) return {Kind::kRasterHeader, fixed_[1]};
      if (collect_ == Collect::kParenHeader && (fixed_[1] | (b << 8)) == 0) {
        return {Kind::kExtended, 0, static_cast<char>(fixed_[0]), 0};
      }
      return {Kind::kNothing};
    case State::kParams:
      if (paramsRemote_ || paramHave_ + 1 != paramLength_) return {Kind::kNothing};
      return {Kind::kExtended, 0, paramName_[0], paramLength_};
    default:
      return {Kind::kNothing};
  }
}

void CommandParser::Interrupt() {
  if (state_ != State::kGround) {
    reports_->Skip("command cut short by the initialisation", cmdStart_);
    state_ = State::kGround;
  }
  remote_ = false;
}

void CommandParser::Expect(std::size_t count, Collect what) {
  state_ = State::kCollect;
  collect_ = what;
  fixedWant_ = count;
  fixedHave_ = 0;
}

bool CommandParser::Ground(uint8_t b) {
  if (remote_) return RemoteGround(b);
  switch (b) {
    case 0x00:
      return true;  // prints nothing
    case 0x09:
    case 0x0A:
    case 0x0C:
    case 0x0D:
      handler_->Control(b);
      return true;
    case kEsc:
      cmdStart_ = offset_;
      state_ = State::kEsc;
      return true;
    default:
      break;
  }
  if (b >= 0x20 && b <= 0x7E) {
    switch (handler_->Character(b)) {
      case CommandHandler::Text::kPrinted:
        return true;
      case CommandHandler::Text::kNotPrinted:
        reports_->SkipByte("text in graphics mode", offset_);
        return true;
      case CommandHandler::Text::kAgain:
        return false;
    }
  }
  reports_->SkipByte("unprintable bytes", offset_);
  return true;
}

void CommandParser::Escape(uint8_t b) {
  state_ = State::kGround;
  if (b == kEsc) {  // the first ESC led nowhere; the second may start a command
    reports_->Skip("ESC without a command", cmdStart_);
    cmdStart_ = offset_;
    state_ = State::kEsc;
    return;
  }
  switch (b) {
    case '@':
      handler_->Reset();
      return;
    case '<':
      handler_->HeadReturn();
      return;
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
      reports_->Skip("unknown command ESC " + Printable(b), cmdStart_);
      return;
  }
}

void CommandParser::Collected() {
  state_ = State::kGround;
  switch (collect_) {
    case Collect::kDirection: {
      const uint8_t n = fixed_[0];
      if (n == 0 || n == '0') {
        handler_->Direction(true);
      } else if (n == 1 || n == '1') {
        handler_->Direction(false);
      } else {
        reports_->Skip("ESC U with unknown direction " + Hex(n), cmdStart_);
      }
      return;
    }
    case Collect::kMove:
      handler_->Move(Int16(fixed_.data()));
      return;
    case Collect::kRasterHeader:
      StartRaster();
      return;
    case Collect::kParenHeader:
      StartParams(false, static_cast<char>(fixed_[0]), 0, fixed_[1] | (fixed_[2] << 8));
      return;
    case Collect::kRemoteHeader:
      StartParams(true, static_cast<char>(fixed_[0]), static_cast<char>(fixed_[1]),
                  fixed_[2] | (fixed_[3] << 8));
      return;
  }
}

void CommandParser::StartParams(bool remoteCommand, char first, char second, std::size_t length) {
  paramsRemote_ = remoteCommand;
  paramName_[0] = first;
  paramName_[1] = second;
  paramLength_ = length;
  paramHave_ = 0;
  params_.clear();
  if (length == 0) {
    ParamsDone();
  } else {
    state_ = State::kParams;
  }
}

void CommandParser::ParamsDone() {
  state_ = State::kGround;
  if (paramsRemote_) {
    reports_->Remote(std::string(paramName_, 2), paramLength_, params_, cmdStart_);
  } else {
    Extended();
  }
}

void CommandParser::Extended() {
  const uint8_t letter = static_cast<uint8_t>(paramName_[0]);
  const std::size_t n = paramLength_;
  const uint8_t* p = params_.data();
  CommandHandler::Extended outcome = CommandHandler::Extended::kMisfit;
  if (letter == 'R') {
    // Remote mode: only the entry with "REMOTE1" is known.
    if (n == 8 && p[0] == 0 && std::memcmp(p + 1, "REMOTE1", 7) == 0) {
      remote_ = true;
      return;
    }
  } else {
    outcome = handler_->ExtendedCommand(static_cast<char>(letter), p, n);
  }
  const std::string tail =
      "ESC ( " + Printable(letter) + " with " + std::to_string(n) + " parameter bytes";
  if (outcome == CommandHandler::Extended::kMisfit) reports_->Skip(tail, cmdStart_);
  if (outcome == CommandHandler::Extended::kUnknown) {
    reports_->Skip("unknown command " + tail, cmdStart_);
  }
}

// ---- remote mode ----

bool CommandParser::RemoteGround(uint8_t b) {
  cmdStart_ = offset_;
  if (b == kEsc) {
    state_ = State::kRemoteEnd;
    remoteEndHave_ = 0;
    return true;
  }
  if ((b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z')) {
    Expect(4, Collect::kRemoteHeader);
    fixed_[0] = b;
    fixedHave_ = 1;
    return true;
  }
  // Not a remote command: the sender has moved on without ending remote mode.
  reports_->Skip("remote mode left without its end sequence", offset_);
  remote_ = false;
  return false;
}

bool CommandParser::RemoteEnd(uint8_t b) {
  if (b == 0x00) {
    if (++remoteEndHave_ == 3) {
      remote_ = false;
      state_ = State::kGround;
    }
    return true;
  }
  reports_->Skip("remote mode left with a broken end sequence", cmdStart_);
  remote_ = false;
  if (remoteEndHave_ == 0) {  // ESC and a command byte: an ordinary command follows
    state_ = State::kEsc;
  } else {
    state_ = State::kGround;
  }
  return false;
}

// ---- raster blocks ----

void CommandParser::StartRaster() {
  RasterHeader header;
  header.colour = fixed_[0];
  header.compression = fixed_[1];
  header.bits = fixed_[2];
  header.bytesPerLine = fixed_[3] | (fixed_[4] << 8);
  header.lines = fixed_[5] | (fixed_[6] << 8);
  if (header.compression > 1) {
    // Without the coding the block's length is unknown: only its header can be skipped.
    reports_->Skip("raster block with unknown compression " + Hex(header.compression), cmdStart_);
    return;
  }
  rasterSkip_.clear();
  const bool print = handler_->RasterBlock(header, &rasterSkip_);
  if (raster_.Start(header.compression == 1, header.bytesPerLine, header.lines, print)) {
    state_ = State::kRaster;
  } else {
    EndRaster();
  }
}

void CommandParser::EndRaster() {
  state_ = State::kGround;
  handler_->RasterDone();
  if (!rasterSkip_.empty()) reports_->Skip(rasterSkip_, cmdStart_);
  if (raster_.Overrun() > 0) {
    reports_->Skip(
        "raster data overran its block by " + std::to_string(raster_.Overrun()) + " bytes",
        cmdStart_);
  }
}

}  // namespace vprinter
