// The printer's work in simulated time: print data, Bi-D changes, cleanings, motions and
// initialisations, queued in the order they arrived on the byte stream and worked through one after
// another. The time scale turns printer seconds into real seconds (0: everything is done as soon as
// the queue is advanced). A half-printed sheet left without data for a while comes out. Not
// thread-safe: the device calls it under its lock.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <variant>
#include <vector>

namespace vprinter {

// Simulated durations, in printer seconds.
namespace timing {
inline constexpr double kCleaning = 30.0;
inline constexpr double kInitialCharge = 120.0;
inline constexpr double kPowerOn = 2.0;
inline constexpr double kHomeReturn = 1.0;
inline constexpr double kPrintBytesPerSecond = 20000.0;
inline constexpr double kMotionUnitsPerSecond = 4000.0;
inline constexpr double kFlushUnitsPerSecond = 100.0;
inline constexpr double kWaitUnit = 0.1;
// A sheet left half printed is ejected after this long without print data, as a real printer
// does at the end of a job that sends no form feed (only when time runs, time scale > 0).
inline constexpr double kIdleEject = 20.0;
}  // namespace timing

// The kinds of work, each with what it needs and nothing else.
namespace work {
// Print data as it came in one packet; what the engine could not take yet stays in `bytes`.
struct PrintData {
  std::vector<uint8_t> bytes;
};
// A Bi-D value that the engine takes where it stands in the stream.
struct BidChange {
  int drop = 0;  // 1..3
  int ink = 0;   // 1 black, 2 colour
  int8_t value = 0;
};
struct Cleaning {};
struct InkCharge {};
// The power-on initialisation feeds out a sheet left in the printer and homes the carriage; the
// one after saving all current data only takes the stored settings again.
struct Initialise {
  bool full = true;
};
struct CarriageMove {
  int mode = 0;
  int direction = 0;
  int amount = 0;
};
struct PaperFeedMove {
  int mode = 0;
  int direction = 0;
  int amount = 0;
};
struct HomeReturn {};
// The printer only waits.
struct Wait {};
struct Flush {
  int amount = 0;
};
// What is on the sheet comes out.
struct Eject {};
}  // namespace work

using WorkKind = std::variant<work::PrintData, work::BidChange, work::Cleaning, work::InkCharge,
                              work::Initialise, work::CarriageMove, work::PaperFeedMove,
                              work::HomeReturn, work::Wait, work::Flush, work::Eject>;

struct Work {
  WorkKind what;
  double remaining = 0;  // simulated seconds
  int connection = -1;   // who queued it (-1: the printer itself)
};

// What the queue asks of the printer while it advances.
class WorkPerformer {
 public:
  virtual ~WorkPerformer() = default;
  // Does the work whose time has come. False when it could not finish (the printer stopped in an
  // error with it): it stays at the head of the queue, as Perform left it, for later.
  virtual bool Perform(Work& work) = 0;
  // The printer stands in an error: nothing advances.
  virtual bool Halted() const = 0;
  // The printer waits for something outside the queue (room to write sheets), which wakes it:
  // nothing advances, and no time is due.
  virtual bool Waiting() const { return false; }
  // A sheet half printed, and its ejection when the printer idled long enough.
  virtual bool SheetInProgress() const = 0;
  virtual void EjectIdleSheet() = 0;
};

class WorkQueue {
 public:
  using Clock = std::chrono::steady_clock;

  WorkQueue() : lastAdvance_(Clock::now()) {}

  void Push(Work work);
  // Does the work that is due at this time scale; returns how long until more is due (nullopt:
  // nothing pending, or the printer halted).
  std::optional<std::chrono::nanoseconds> Advance(double scale, WorkPerformer& printer);
  // Time starts afresh from now (after a pause: an error cleared, the printer switched on).
  void Restart() { lastAdvance_ = Clock::now(); }
  void Clear() { queue_.clear(); }
  // Forgets the idle time (the printer started afresh).
  void ResetIdle() { idleSeconds_ = 0; }

  bool Empty() const { return queue_.empty(); }
  // The work at the head, the one the status tells of (nullptr: none).
  const Work* Head() const { return queue_.empty() ? nullptr : &queue_.front(); }
  // Bytes of print data accepted but not worked through yet.
  std::size_t PendingPrintBytes() const;
  // Works other than print data that this connection queued and are not done yet.
  std::size_t PendingWorkOf(int connection) const;

 private:
  // With the queue empty: ejects a half-printed sheet after the idle time; the wait left.
  std::optional<std::chrono::nanoseconds> IdleEjectDue(double scale, double elapsed,
                                                       WorkPerformer& printer);

  std::deque<Work> queue_;
  Clock::time_point lastAdvance_;
  // Simulated seconds the queue has been empty, for the idle eject.
  double idleSeconds_ = 0;
};

}  // namespace vprinter
