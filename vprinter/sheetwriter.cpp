#include "vprinter/sheetwriter.h"

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <utility>

#include "vprinter/engine_sheet.h"

namespace vprinter {

namespace {
constexpr std::size_t kSheetBytes = static_cast<std::size_t>(kSheetWidth) * kSheetHeight;
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

void SheetWriter::Take(const uint8_t* pixels, int top, int bottom) {
  Copy copy;
  {
    std::lock_guard lock(mutex_);
    if (!free_.empty()) {
      copy = std::move(free_.back());
      free_.pop_back();
    }
  }
  if (!copy.pixels) {
    copy.pixels = std::make_unique<uint8_t[]>(kSheetBytes);
    std::memset(copy.pixels.get(), 0, kSheetBytes);
  } else if (copy.bottom > copy.top) {
    std::memset(copy.pixels.get() + static_cast<std::size_t>(copy.top) * kSheetWidth, 0,
                static_cast<std::size_t>(copy.bottom - copy.top) * kSheetWidth);
  }
  top = std::max(top, 0);
  bottom = std::min(bottom, kSheetHeight);
  copy.top = top;
  copy.bottom = bottom;
  if (bottom > top) {
    const std::size_t offset = static_cast<std::size_t>(top) * kSheetWidth;
    std::memcpy(copy.pixels.get() + offset, pixels + offset,
                static_cast<std::size_t>(bottom - top) * kSheetWidth);
  }
  {
    std::lock_guard lock(mutex_);
    queue_.push_back(std::move(copy));
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
    Copy copy = std::move(queue_.front());
    queue_.pop_front();
    ++busy_;
    lock.unlock();
    std::string error;
    const std::string file = WriteToTray(copy.pixels.get(), tray_, error);
    // Room is made before the printer is told, so that the loop it wakes finds it.
    lock.lock();
    free_.push_back(std::move(copy));
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
