#include "vprinter/sheetwriter.h"

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <utility>

#include "vprinter/engine_sheet.h"

namespace vprinter {

namespace {
// The first byte of a packed row: the row's bytes follow as they are, or as runs of (length low,
// length high, value).
constexpr uint8_t kRaw = 0;
constexpr uint8_t kRuns = 1;
// A white row to compare with and to hand out. Constant and never destroyed: the printer's threads
// may still be ejecting sheets while the process exits and its static objects are torn down.
constexpr std::array<uint8_t, kSheetWidth> kWhiteRow{};
}  // namespace

SheetWriter::SheetWriter(std::filesystem::path tray, Done done)
    : tray_(std::move(tray)), done_(std::move(done)), thread_([this] { Run(); }) {}

SheetWriter::~SheetWriter() {
  {
    std::lock_guard lock(mutex_);
    stop_ = true;
    held_ = false;
  }
  wake_.notify_all();
  thread_.join();
}

bool SheetWriter::HasRoom() const {
  std::lock_guard lock(mutex_);
  return queue_.size() + busy_ < kCapacity;
}

void SheetWriter::PackRow(const uint8_t* row, std::vector<uint8_t>& out) {
  const std::size_t start = out.size();
  out.push_back(kRuns);
  // Most rows of a sheet are white: one comparison instead of a walk through the row.
  if (std::memcmp(row, kWhiteRow.data(), kWhiteRow.size()) == 0) {
    out.insert(out.end(), {static_cast<uint8_t>(kSheetWidth & 0xFF),
                           static_cast<uint8_t>(kSheetWidth >> 8), 0});
    return;
  }
  for (int x = 0; x < kSheetWidth;) {
    const uint8_t value = row[x];
    int end = x + 1;
    while (end < kSheetWidth && row[end] == value) ++end;
    const int length = end - x;
    out.push_back(static_cast<uint8_t>(length & 0xFF));
    out.push_back(static_cast<uint8_t>(length >> 8));
    out.push_back(value);
    x = end;
    if (out.size() - start > static_cast<std::size_t>(kSheetWidth)) {
      out.resize(start);
      out.push_back(kRaw);
      out.insert(out.end(), row, row + kSheetWidth);
      return;
    }
  }
}

const uint8_t* SheetWriter::UnpackRow(const Packed& sheet, int y, uint8_t* buffer) {
  if (y < sheet.top || y >= sheet.bottom) return kWhiteRow.data();
  const uint8_t* p = sheet.bytes.data() + sheet.rowAt[static_cast<std::size_t>(y - sheet.top)];
  if (*p++ == kRaw) return p;
  for (int x = 0; x < kSheetWidth; p += 3) {
    const int length = std::min(p[0] | (p[1] << 8), kSheetWidth - x);
    std::memset(buffer + x, p[2], static_cast<std::size_t>(length));
    x += length;
  }
  return buffer;
}

void SheetWriter::Take(const uint8_t* pixels, int top, int bottom) {
  Packed sheet;
  sheet.top = std::max(top, 0);
  sheet.bottom = std::max(sheet.top, std::min(bottom, kSheetHeight));
  sheet.rowAt.reserve(static_cast<std::size_t>(sheet.bottom - sheet.top));
  for (int y = sheet.top; y < sheet.bottom; ++y) {
    sheet.rowAt.push_back(static_cast<uint32_t>(sheet.bytes.size()));
    PackRow(pixels + static_cast<std::size_t>(y) * kSheetWidth, sheet.bytes);
  }
  sheet.bytes.shrink_to_fit();
  {
    std::lock_guard lock(mutex_);
    queue_.push_back(std::move(sheet));
  }
  wake_.notify_all();
}

void SheetWriter::Drain() {
  std::unique_lock lock(mutex_);
  drained_.wait(lock, [this] { return (queue_.empty() && busy_ == 0 && telling_ == 0) || held_; });
}

void SheetWriter::Hold(bool hold) {
  {
    std::lock_guard lock(mutex_);
    held_ = hold;
  }
  wake_.notify_all();
  drained_.notify_all();
}

void SheetWriter::Run() {
  // Sheets are background work: the printer's loop, which answers every client, goes first when
  // the cores are busy.
  setpriority(PRIO_PROCESS, static_cast<id_t>(syscall(SYS_gettid)), 10);
  std::unique_lock lock(mutex_);
  for (;;) {
    wake_.wait(lock, [this] { return (!queue_.empty() && !held_) || (stop_ && queue_.empty()); });
    if (queue_.empty()) return;  // stopping, everything written
    Packed sheet = std::move(queue_.front());
    queue_.pop_front();
    ++busy_;
    lock.unlock();
    std::string error;
    std::vector<uint8_t> row(kSheetWidth);
    const std::string file =
        WriteToTray([&](int y) { return UnpackRow(sheet, y, row.data()); }, tray_, error);
    sheet = Packed{};
    // Room is made before the printer is told, so that the loop it wakes finds it.
    lock.lock();
    --busy_;
    ++telling_;
    lock.unlock();
    done_(file, error);
    lock.lock();
    --telling_;
    drained_.notify_all();
  }
}

}  // namespace vprinter
