// A raster block's data: the run-length coding (or none) decoded byte by byte into the block's
// lines, with no line buffer. The decoded bytes fill the lines one after the other, so a run may go
// on into the next line; a run that reaches past the block's end is read whole and what lies beyond
// the block is counted as overrun.
#pragma once

#include <cstdint>

namespace vprinter {

// Where decoded raster bytes go: count copies of the data byte b (never 0) from byte `first` of
// line `line` on, all within that line.
class RasterSpans {
 public:
  virtual ~RasterSpans() = default;
  virtual void Span(uint8_t b, uint32_t line, uint32_t first, uint32_t count) = 0;
};

class RasterDecoder {
 public:
  explicit RasterDecoder(RasterSpans& spans) : spans_(&spans) {}

  // A block of `lines` lines of `bytesPerLine` bytes, run-length coded (compression 1) or not (0).
  // With `emit` false the data is decoded for its length only. False when the block is empty.
  bool Start(bool runLength, uint32_t bytesPerLine, uint32_t lines, bool emit);
  // Decodes the next byte of the block; true when the block is complete with it.
  bool Take(uint8_t b);
  // Bytes decoded beyond the block's end, by its last run.
  uint64_t Overrun() const { return overrun_; }

 private:
  enum class State { kCounter, kLiteral, kRepeat, kRaw };
  void Emit(uint8_t b, int count);
  bool RunDone();

  RasterSpans* spans_;
  State state_ = State::kCounter;
  bool emit_ = false;
  uint32_t bytesPerLine_ = 0;
  uint64_t total_ = 0;
  uint64_t done_ = 0;
  uint64_t overrun_ = 0;
  int runLeft_ = 0;
};

}  // namespace vprinter
