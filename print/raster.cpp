#include "print/raster.h"

#include <QString>
#include <algorithm>
#include <cstring>
#include <new>
#include <utility>

#include "link/pktlink.h"
#include "platform/dialogs.h"
#include "platform/terminate.h"

namespace {

// The builder's programming errors: no caller of this program can reach them, so they stop the
// program rather than send a stream the printer would misread.
[[noreturn]] void ProgrammingError(const char* text) {
  platform::MessageDlg(QString::fromLatin1(text), platform::DlgType::Error,
                       platform::DlgButtons::Ok);
  platform::TerminateProgram(0);
}

ResultCode SendOnDataChannel(const uint8_t* bytes, int32_t length) {
  return SendDataChannel(bytes, length);
}

}  // namespace

RasterJob::RasterJob() : RasterJob(Sender(&SendOnDataChannel)) {}

RasterJob::RasterJob(Sender sender)
    : sender_(std::move(sender)), buffer_(new (std::nothrow) uint8_t[kCapacity]()) {
  if (!buffer_) {
    platform::MessageDlg(QString::fromUtf8("メモリ不足"), platform::DlgType::Error,
                         platform::DlgButtons::Ok);
    platform::TerminateProgram(1);
  }
}

ResultCode RasterJob::SendWaiting() {
  RETURN_IF_FAILED(sender_(buffer_.get(), fill_));
  DiscardWaiting();
  return rc::Success;
}

ResultCode RasterJob::AppendWithSends(const uint8_t* bytes, int length) {
  if (length > kCapacity) ProgrammingError("Program miss!!!");
  if (length <= 0) return rc::Success;
  if (bytes == nullptr) ProgrammingError("Program miss!!!");
  // A full buffer means its send failed earlier: it goes out before anything more is stored, so
  // no append can run past the buffer however many sends have failed.
  if (fill_ >= kSendThreshold) RETURN_IF_FAILED(SendWaiting());
  int done = 0;
  while (done < length) {
    const int take = std::min(length - done, static_cast<int>(kSendThreshold - fill_));
    std::memcpy(buffer_.get() + fill_, bytes + done, static_cast<std::size_t>(take));
    fill_ += take;
    done += take;
    if (fill_ >= kSendThreshold) RETURN_IF_FAILED(SendWaiting());
  }
  return rc::Success;
}

ResultCode RasterJob::FlushData() {
  if (fill_ == 0) return rc::Success;
  return SendWaiting();
}

void RasterJob::DiscardWaiting() {
  std::memset(buffer_.get(), 0, kCapacity);
  fill_ = 0;
  carried_ = 0;
}

void RasterJob::DiscardFailedPrint() {
  // The buffer goes out only as a whole, which also forgets the carried bytes: while they are
  // counted, they are still the first bytes of the buffer.
  const int32_t keep = std::min(carried_, fill_);
  std::memset(buffer_.get() + keep, 0, static_cast<std::size_t>(kCapacity - keep));
  fill_ = keep;
  carried_ = keep;
}

ResultCode RasterJob::SendDirect(std::span<const uint8_t> bytes) {
  return sender_(bytes.data(), static_cast<int32_t>(bytes.size()));
}

ResultCode RasterJob::SendRemotePreamble() {
  for (std::span<const uint8_t> piece : remotepreamble::kPieces)
    RETURN_IF_FAILED(SendDirect(piece));
  return rc::Success;
}

ResultCode RasterJob::ResetPrinter() {
  return Append(std::array<uint8_t, 2>{0x1B, 0x40});
}

ResultCode RasterJob::SelectGraphicsMode() {
  return Append(std::array<uint8_t, 6>{0x1B, 0x28, 0x47, 0x01, 0x00, 0x01});
}

ResultCode RasterJob::SetUnit(uint8_t unit) {
  return Append(std::array<uint8_t, 6>{0x1B, 0x28, 0x55, 0x01, 0x00, unit});
}

ResultCode RasterJob::SetDirection(uint8_t mode) {
  return Append(std::array<uint8_t, 3>{0x1B, 0x55, mode});
}

uint8_t RasterJob::DotSizeByte(uint8_t kind) {
  switch (kind) {
    case 1:
      return 0x12;
    case 2:
      return 0x11;
    case 3:
      return 0x10;
    default:
      return 0x00;
  }
}

ResultCode RasterJob::SetDotSize(uint8_t kind) {
  return Append(std::array<uint8_t, 7>{0x1B, 0x28, 0x65, 0x02, 0x00, 0x00, DotSizeByte(kind)});
}

ResultCode RasterJob::SetColorMode(uint8_t mode) {
  // Only a warning: the command still goes out with the mode given.
  if (mode > 2) {
    platform::MessageDlg(QStringLiteral("program miss!!!\nRaster:SetColorMode"),
                         platform::DlgType::Warning, platform::DlgButtons::Ok,
                         QStringLiteral("error"));
  }
  return Append(std::array<uint8_t, 7>{0x1B, 0x28, 0x4B, 0x02, 0x00, 0x00, mode});
}

ResultCode RasterJob::StartJob(uint8_t unit, uint8_t direction, uint8_t dropSize,
                               uint8_t colorMode) {
  RETURN_IF_FAILED(ResetPrinter());
  RETURN_IF_FAILED(SelectGraphicsMode());
  RETURN_IF_FAILED(SetUnit(unit));
  RETURN_IF_FAILED(SetDirection(direction));
  RETURN_IF_FAILED(SetDotSize(dropSize));
  return SetColorMode(colorMode);
}

ResultCode RasterJob::SetRasterResolution(uint8_t rL, uint8_t rH, uint8_t v, uint8_t h) {
  return Append(std::array<uint8_t, 9>{0x1B, 0x28, 0x44, 0x04, 0x00, rL, rH, v, h});
}

ResultCode RasterJob::SetPaperSize(const std::array<uint8_t, 4>& width,
                                   const std::array<uint8_t, 4>& length) {
  return Append(std::array<uint8_t, 13>{0x1B, 0x28, 0x53, 0x08, 0x00, width[0], width[1], width[2],
                                        width[3], length[0], length[1], length[2], length[3]});
}

ResultCode RasterJob::SetPageMargins(const std::array<uint8_t, 4>& top,
                                     const std::array<uint8_t, 4>& bottom) {
  return Append(std::array<uint8_t, 13>{0x1B, 0x28, 0x63, 0x08, 0x00, top[0], top[1], top[2],
                                        top[3], bottom[0], bottom[1], bottom[2], bottom[3]});
}

uint8_t RasterJob::ColorByte(uint8_t color) {
  switch (color) {
    case rastercolor::Magenta:
      return 0x01;
    case rastercolor::LightMagenta:
      return 0x11;
    case rastercolor::Cyan:
      return 0x02;
    case rastercolor::LightCyan:
      return 0x12;
    case rastercolor::Yellow:
      return 0x04;
    default:
      return 0x00;  // black, and anything unknown
  }
}

ResultCode RasterJob::StartRaster(uint8_t color, uint8_t compression, uint8_t bitsPerDot,
                                  uint8_t nL, uint8_t nH, uint8_t mL, uint8_t mH) {
  return Append(std::array<uint8_t, 9>{0x1B, 0x69, ColorByte(color), compression, bitsPerDot, nL,
                                       nH, mL, mH});
}

void RasterJob::RepeatSendError() {
  ProgrammingError("RepeatSend() error");
}

ResultCode RasterJob::FeedPaper(uint8_t units) {
  return Append(std::array<uint8_t, 8>{0x1B, 0x28, 0x76, 0x02, 0x00, units, 0x00, 0x0D});
}

ResultCode RasterJob::MoveRight(int offset) {
  // The two bytes of a 16-bit offset; for the offsets the patterns use (0..2400) these are the
  // remainder and the quotient of a division by 256.
  const auto lo = static_cast<uint8_t>(offset & 0xFF);
  const auto hi = static_cast<uint8_t>((offset >> 8) & 0xFF);
  return Append(std::array<uint8_t, 4>{0x1B, 0x5C, lo, hi});
}

ResultCode RasterJob::ReturnHome() {
  return Append(std::array<uint8_t, 3>{0x1B, 0x3C, 0x0D});
}

ResultCode RasterJob::NewLines(int count) {
  for (int i = 0; i < count; ++i) {
    RETURN_IF_FAILED(Append(std::array<uint8_t, 2>{0x0D, 0x0A}));
  }
  return rc::Success;
}

ResultCode RasterJob::FormFeed() {
  return Append(std::array<uint8_t, 1>{0x0C});
}
