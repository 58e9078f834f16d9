#include "vprinter/engine_raster.h"

#include <algorithm>

namespace vprinter {

bool RasterDecoder::Start(bool runLength, uint32_t bytesPerLine, uint32_t lines, bool emit) {
  state_ = runLength ? State::kCounter : State::kRaw;
  emit_ = emit;
  bytesPerLine_ = bytesPerLine;
  total_ = static_cast<uint64_t>(bytesPerLine) * lines;
  done_ = 0;
  overrun_ = 0;
  runLeft_ = 0;
  return total_ > 0;
}

bool RasterDecoder::Take(uint8_t b) {
  switch (state_) {
    case State::kCounter:
      if (b <= 0x7F) {
        runLeft_ = b + 1;
        state_ = State::kLiteral;
      } else {
        runLeft_ = 257 - b;  // 0x80 stands for 129 copies
        state_ = State::kRepeat;
      }
      return false;
    case State::kLiteral:
      Emit(b, 1);
      return --runLeft_ == 0 && RunDone();
    case State::kRepeat:
      Emit(b, runLeft_);
      return RunDone();
    case State::kRaw:
      Emit(b, 1);
      return done_ == total_;
  }
  return false;
}

// A run that reached past the block's end has been read whole; the block ends with it.
bool RasterDecoder::RunDone() {
  if (done_ >= total_) return true;
  state_ = State::kCounter;
  return false;
}

void RasterDecoder::Emit(uint8_t b, int count) {
  uint64_t left = static_cast<uint64_t>(count);
  while (left > 0 && done_ < total_) {
    const uint32_t line = static_cast<uint32_t>(done_ / bytesPerLine_);
    const uint32_t first = static_cast<uint32_t>(done_ % bytesPerLine_);
    const uint32_t n = static_cast<uint32_t>(std::min<uint64_t>(left, bytesPerLine_ - first));
    if (emit_ && b != 0) spans_->Span(b, line, first, n);
    done_ += n;
    left -= n;
  }
  overrun_ += left;
}

}  // namespace vprinter
