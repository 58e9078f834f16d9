#include "vprinter/sheetwriter.h"

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

void SheetWriter::Take(const uint8_t* pixels) {
  auto copy = std::make_unique<uint8_t[]>(kSheetBytes);
  std::memcpy(copy.get(), pixels, kSheetBytes);
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
  std::unique_lock lock(mutex_);
  for (;;) {
    wake_.wait(lock, [this] { return (!queue_.empty() && !held_) || (stop_ && queue_.empty()); });
    if (queue_.empty()) return;  // stopping, everything written
    std::unique_ptr<uint8_t[]> pixels = std::move(queue_.front());
    queue_.pop_front();
    ++busy_;
    lock.unlock();
    std::string error;
    const std::string file = WriteToTray(pixels.get(), tray_, error);
    pixels.reset();
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
