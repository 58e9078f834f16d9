#include "vprinter/workqueue.h"

#include <cmath>
#include <limits>
#include <utility>

namespace vprinter {

void WorkQueue::Push(Work work) {
  if (queue_.empty()) lastAdvance_ = Clock::now();
  queue_.push_back(std::move(work));
}

std::optional<std::chrono::nanoseconds> WorkQueue::Advance(double scale, WorkPerformer& printer) {
  const Clock::time_point now = Clock::now();
  const double elapsed = std::chrono::duration<double>(now - lastAdvance_).count();
  lastAdvance_ = now;
  if (queue_.empty()) return IdleEjectDue(scale, elapsed, printer);
  idleSeconds_ = 0;
  if (printer.Halted() || printer.Waiting()) return std::nullopt;
  double budget = scale <= 0 ? std::numeric_limits<double>::infinity() : elapsed / scale;
  while (!queue_.empty() && !printer.Halted()) {
    Work& head = queue_.front();
    if (head.remaining > budget) {
      head.remaining -= budget;
      break;
    }
    budget -= head.remaining;
    head.remaining = 0;
    if (!printer.Perform(head)) break;
    queue_.pop_front();
  }
  if (queue_.empty()) return IdleEjectDue(scale, 0, printer);
  if (printer.Halted() || printer.Waiting()) return std::nullopt;
  return std::chrono::nanoseconds(
      static_cast<long long>(std::ceil(queue_.front().remaining * scale * 1e9)));
}

std::optional<std::chrono::nanoseconds> WorkQueue::IdleEjectDue(double scale, double elapsed,
                                                                WorkPerformer& printer) {
  if (scale <= 0 || !printer.SheetInProgress()) {
    idleSeconds_ = 0;
    return std::nullopt;
  }
  idleSeconds_ += elapsed / scale;
  if (idleSeconds_ >= timing::kIdleEject) {
    idleSeconds_ = 0;
    printer.EjectIdleSheet();
    return std::nullopt;
  }
  return std::chrono::nanoseconds(
      static_cast<long long>(std::ceil((timing::kIdleEject - idleSeconds_) * scale * 1e9)));
}

std::size_t WorkQueue::PendingPrintBytes() const {
  std::size_t total = 0;
  for (const Work& w : queue_) {
    if (const auto* data = std::get_if<work::PrintData>(&w.what)) total += data->bytes.size();
  }
  return total;
}

std::size_t WorkQueue::PendingWorkOf(int connection) const {
  std::size_t count = 0;
  for (const Work& queued : queue_) {
    count +=
        !std::holds_alternative<work::PrintData>(queued.what) && queued.connection == connection;
  }
  return count;
}

}  // namespace vprinter
