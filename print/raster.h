// The print-data builder: the one object through which every print composes the printer's command
// stream. Bytes collect in a fixed 1024-byte buffer and go out on the data channel in sends of
// 1000 bytes as they fill, the rest on FlushData. Every operation returns 1 or the first send
// result other than 1, unchanged; composite operations stop at the first failing step.
#pragma once

#include <array>
#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <span>

#include "link/resultcode.h"

// Colour arguments of StartRaster.
namespace rastercolor {
inline constexpr uint8_t Black = 1;
inline constexpr uint8_t Magenta = 129;
inline constexpr uint8_t LightMagenta = 130;
inline constexpr uint8_t Cyan = 131;
inline constexpr uint8_t LightCyan = 132;
inline constexpr uint8_t Yellow = 133;
}  // namespace rastercolor

// The remote-mode preamble: three pieces, always sent in this order. The top-margin print sends
// them straight to the data channel; the check page appends them.
namespace remotepreamble {
inline constexpr std::array<uint8_t, 13> kEnter = {0x1B, 0x28, 0x52, 0x08, 0x00, 0x00, 'R',
                                                   'E',  'M',  'O',  'T',  'E',  '1'};
inline constexpr std::array<uint8_t, 7> kSn = {'S', 'N', 0x03, 0x00, 0x00, 0x00, 0x03};
inline constexpr std::array<uint8_t, 4> kExit = {0x1B, 0x00, 0x00, 0x00};
inline constexpr std::array<std::span<const uint8_t>, 3> kPieces = {kEnter, kSn, kExit};
}  // namespace remotepreamble

class RasterJob {
 public:
  static constexpr int32_t kCapacity = 1024;
  static constexpr int32_t kSendThreshold = 1000;

  // Where the bytes go: the packet library's SendDataChannel unless a test says otherwise.
  using Sender = std::function<ResultCode(const uint8_t* bytes, int32_t length)>;

  // Allocates the buffer; if that fails, tells the technician and ends the program.
  RasterJob();
  explicit RasterJob(Sender sender);
  RasterJob(const RasterJob&) = delete;
  RasterJob& operator=(const RasterJob&) = delete;

  // Appends the bytes unchanged, sending each time 1000 bytes are waiting. A length above 1024 is
  // a programming error that ends the program; 0 or less appends nothing. If a send fails, the
  // rest of this call is not appended and the waiting bytes stay queued: they go out first on
  // the next append or flush, so the buffer never holds more than 1000 bytes.
  ResultCode AppendData(const uint8_t* bytes, int length) {
    // Most appends are a few bytes that fit below the threshold: copy them here, inline.
    if (length > 0 && bytes != nullptr && length < kSendThreshold - fill_) {
      std::memcpy(buffer_.get() + fill_, bytes, static_cast<std::size_t>(length));
      fill_ += length;
      return rc::Success;
    }
    return AppendWithSends(bytes, length);
  }
  ResultCode AppendData(std::span<const uint8_t> bytes) {
    return AppendData(bytes.data(), static_cast<int>(bytes.size()));
  }
  // Text as the caller holds it; the length decides whether a terminating NUL goes along.
  ResultCode AppendData(const char* text, int length) {
    return AppendData(reinterpret_cast<const uint8_t*>(text), length);
  }
  // Sends what is waiting (nothing when nothing is). On failure the bytes stay queued.
  ResultCode FlushData();

  // Drops the bytes waiting in the buffer without sending them. Queued bytes belong to the
  // connection they were built for: a failed print can leave an unfinished raster block behind,
  // which must not reach the next printer.
  void DiscardWaiting();

  // A print starts: what waits now was left by an earlier print that succeeded (the form feed
  // after a Bi-D pattern) and still belongs at the head of the next print sent.
  void BeginPrint() { carried_ = fill_; }
  // A print failed: drops everything it appended and could not send, which may end in the middle
  // of a raster block and would otherwise be read as the next print's beginning. What an earlier
  // print left waiting stays, unless it has gone out since BeginPrint().
  void DiscardFailedPrint();

  // Hands the bytes to the data channel at once, ahead of whatever is waiting in the buffer.
  ResultCode SendDirect(std::span<const uint8_t> bytes);
  // The three pieces of the remote-mode preamble, one direct send each, in order; stops at the
  // first failing send.
  ResultCode SendRemotePreamble();

  ResultCode ResetPrinter();
  ResultCode SelectGraphicsMode();
  ResultCode SetUnit(uint8_t unit);
  ResultCode SetDirection(uint8_t mode);
  ResultCode SetDotSize(uint8_t kind);
  ResultCode SetColorMode(uint8_t mode);
  ResultCode StartJob(uint8_t unit, uint8_t direction, uint8_t dropSize, uint8_t colorMode);
  ResultCode SetRasterResolution(uint8_t rL, uint8_t rH, uint8_t v, uint8_t h);
  ResultCode SetPaperSize(const std::array<uint8_t, 4>& width,
                          const std::array<uint8_t, 4>& length);
  ResultCode SetPageMargins(const std::array<uint8_t, 4>& top,
                            const std::array<uint8_t, 4>& bottom);
  ResultCode StartRaster(uint8_t color, uint8_t compression, uint8_t bitsPerDot, uint8_t nL,
                         uint8_t nH, uint8_t mL, uint8_t mH);
  // One run of count copies of value (1..129); any other count is a programming error that ends
  // the program.
  ResultCode RepeatSend(uint8_t count, uint8_t value) {
    if (count > 129 || count == 0) RepeatSendError();
    const uint8_t counter = count == 1 ? 0x00 : static_cast<uint8_t>(257 - count);
    return Append(std::array<uint8_t, 2>{counter, value});
  }
  ResultCode FeedPaper(uint8_t units);
  ResultCode MoveRight(int offset);
  ResultCode ReturnHome();
  ResultCode NewLines(int count);
  ResultCode FormFeed();

  // The bytes waiting to be sent, for inspection.
  std::span<const uint8_t> Waiting() const {
    return {buffer_.get(), static_cast<std::size_t>(fill_)};
  }
  int32_t Fill() const { return fill_; }

  // The command bytes of the drop-size kinds and the colour arguments.
  static uint8_t DotSizeByte(uint8_t kind);
  static uint8_t ColorByte(uint8_t color);

 private:
  template <std::size_t N>
  ResultCode Append(const std::array<uint8_t, N>& bytes) {
    return AppendData(bytes.data(), static_cast<int>(N));
  }
  ResultCode AppendWithSends(const uint8_t* bytes, int length);
  ResultCode SendWaiting();
  // A count of 0 cannot be coded at all (its counter would announce two literal bytes and bring
  // one), so it is refused like a count beyond the longest run.
  [[noreturn]] static void RepeatSendError();

  Sender sender_;
  std::unique_ptr<uint8_t[]> buffer_;
  int32_t fill_ = 0;
  int32_t carried_ = 0;  // bytes at the head of the buffer left by an earlier print
};
