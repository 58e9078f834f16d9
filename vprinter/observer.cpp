#include "vprinter/observer.h"

#include <algorithm>
#include <utility>

namespace vprinter {

ChangeNotifier::~ChangeNotifier() {
  {
    std::lock_guard lock(mutex_);
    stop_ = true;
  }
  wake_.notify_all();
  if (thread_.joinable()) thread_.join();
}

void ChangeNotifier::Add(DeviceObserver* observer) {
  std::lock_guard lock(mutex_);
  if (std::find(observers_.begin(), observers_.end(), observer) == observers_.end()) {
    observers_.push_back(observer);
  }
  // A new watcher hears once at the start, so it can take its first picture.
  pending_ |= change::kAll;
  if (!thread_.joinable()) thread_ = std::thread([this] { Run(); });
  wake_.notify_all();
}

void ChangeNotifier::Remove(DeviceObserver* observer) {
  std::unique_lock lock(mutex_);
  observers_.erase(std::remove(observers_.begin(), observers_.end(), observer), observers_.end());
  if (std::this_thread::get_id() == thread_.get_id()) return;
  callDone_.wait(lock, [&] { return calling_ != observer; });
}

void ChangeNotifier::Post(uint32_t changes) {
  std::lock_guard lock(mutex_);
  if (observers_.empty()) return;
  const bool idle = pending_ == 0;
  pending_ |= changes;
  if (idle) wake_.notify_all();
}

void ChangeNotifier::SetInterval(std::chrono::milliseconds interval) {
  std::lock_guard lock(mutex_);
  interval_ = interval;
}

void ChangeNotifier::Run() {
  std::unique_lock lock(mutex_);
  while (!stop_) {
    wake_.wait(lock, [&] { return stop_ || (pending_ != 0 && !observers_.empty()); });
    if (stop_) break;
    const uint32_t changes = std::exchange(pending_, 0u);
    const std::vector<DeviceObserver*> round = observers_;
    for (DeviceObserver* observer : round) {
      if (stop_) break;
      // One removed while another was being called is not called any more.
      if (std::find(observers_.begin(), observers_.end(), observer) == observers_.end()) continue;
      calling_ = observer;
      lock.unlock();
      observer->DeviceChanged(changes);
      lock.lock();
      calling_ = nullptr;
      callDone_.notify_all();
    }
    // What changes in the next moments comes in one call.
    if (interval_.count() > 0) wake_.wait_for(lock, interval_, [&] { return stop_; });
  }
}

}  // namespace vprinter
