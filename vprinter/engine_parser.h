// The print-data channel's syntax: a streaming state machine that cuts the byte stream into
// commands, whatever pieces it arrives in, and hands each complete command to its handler (the
// interpreter). It keeps only the fixed bytes of one command (at most 7) and the first bytes of a
// parameter block; the data of a raster block goes byte by byte to the raster decoder. Remote mode
// is syntax too: its commands are read and recorded here.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "vprinter/engine_raster.h"
#include "vprinter/printengine.h"

namespace vprinter {

// The reports of bytes the engine skipped. Unprintable bytes and text in graphics mode come as
// one report per run within one Consume call; anything else reported ends the run first, so the
// reports stay in stream order.
class SkipReporter {
 public:
  explicit SkipReporter(EngineEvents& events) : events_(&events) {}
  void Skip(const std::string& what, uint64_t offset);
  // One byte of a run of the same kind.
  void SkipByte(const char* what, uint64_t offset);
  // Reports the run in progress.
  void Flush();
  // Passes a remote command on, after the run before it.
  void Remote(const std::string& name, std::size_t length, const std::vector<uint8_t>& params,
              uint64_t offset);

 private:
  EngineEvents* events_;
  std::string runWhat_;
  uint64_t runStart_ = 0;
  uint64_t runCount_ = 0;
};

// The header of a raster block (ESC i r c b nL nH mL mH).
struct RasterHeader {
  uint8_t colour = 0;
  uint8_t compression = 0;
  uint8_t bits = 0;
  uint32_t bytesPerLine = 0;
  uint32_t lines = 0;
};

// What the interpreter does with the commands. Each call is one complete command.
class CommandHandler {
 public:
  enum class Text { kPrinted, kNotPrinted, kAgain };
  enum class Extended { kDone, kMisfit, kUnknown };
  virtual ~CommandHandler() = default;
  // A byte 20..7E outside remote mode. kNotPrinted: skipped as text in graphics mode; kAgain: the
  // line was full and has been ended, give the byte again.
  virtual Text Character(uint8_t code) = 0;
  // 00, 09, 0A, 0C or 0D.
  virtual void Control(uint8_t code) = 0;
  virtual void Reset() = 0;       // ESC @
  virtual void HeadReturn() = 0;  // ESC <
  virtual void Direction(bool bidirectional) = 0;
  virtual void Move(int16_t units) = 0;
  // ESC ( X with its declared length and its first bytes (all of them for the lengths the
  // interpreter acts on).
  virtual Extended ExtendedCommand(char letter, const uint8_t* params, std::size_t length) = 0;
  // A raster block the decoder can measure (compression 0 or 1); returns whether its data is
  // printed. A block that is not is decoded for its length only, and `skipped` says why.
  virtual bool RasterBlock(const RasterHeader& header, std::string* skipped) = 0;
  // The block's data is complete; its own reports come before the parser's overrun report.
  virtual void RasterDone() = 0;
};

class CommandParser {
 public:
  CommandParser(CommandHandler& handler, SkipReporter& reports, RasterSpans& spans);

  // Works on the next byte; false when the byte ended the state it found without belonging to
  // it, and must be given again.
  bool Step(uint8_t b);
  // The offset of the next byte since the parser was made.
  uint64_t Offset() const { return offset_; }
  bool InRemoteMode() const { return remote_; }

  // What the byte b would complete in the state the parser is in now.
  struct Completion {
    enum class Kind { kNothing, kCharacter, kLineFeed, kRasterHeader, kExtended } kind;
    uint8_t compression = 0;  // of a raster header
    char letter = 0;          // of an extended command
    std::size_t length = 0;
  };
  Completion WouldComplete(uint8_t b) const;

  // The initialisation: a command in progress is cut short (and reported), remote mode ends.
  void Interrupt();

 private:
  enum class State {
    kGround,     // text, controls, and in remote mode the remote commands
    kEsc,        // after ESC
    kCollect,    // gathering the fixed bytes of a command
    kParams,     // the parameter block of ESC ( X or of a remote command
    kRemoteEnd,  // after ESC in remote mode: 00 00 00 must follow
    kRaster,     // the data of a raster block, for the decoder
  };
  enum class Collect { kMove, kDirection, kRasterHeader, kParenHeader, kRemoteHeader };

  bool Work(uint8_t b);
  bool Ground(uint8_t b);
  void Escape(uint8_t b);
  void Expect(std::size_t count, Collect what);
  void Collected();
  void StartParams(bool remoteCommand, char first, char second, std::size_t length);
  void ParamsDone();
  void Extended();
  bool RemoteGround(uint8_t b);
  bool RemoteEnd(uint8_t b);
  void StartRaster();
  void EndRaster();

  CommandHandler* handler_;
  SkipReporter* reports_;
  RasterDecoder raster_;
  State state_ = State::kGround;
  bool remote_ = false;
  uint64_t offset_ = 0;    // of the byte being worked on
  uint64_t cmdStart_ = 0;  // offset of the command being parsed
  Collect collect_ = Collect::kMove;
  std::array<uint8_t, 8> fixed_{};
  std::size_t fixedWant_ = 0;
  std::size_t fixedHave_ = 0;
  bool paramsRemote_ = false;
  char paramName_[2] = {};
  std::size_t paramLength_ = 0;
  std::size_t paramHave_ = 0;
  std::vector<uint8_t> params_;  // the first bytes only, reserved once
  std::size_t remoteEndHave_ = 0;
  std::string rasterSkip_;  // why the block in progress is not printed
};

}  // namespace vprinter
