// Watching the printer: a consistent picture of its state (DeviceSnapshot) and notifications of
// change (DeviceObserver), for the front panel and for tests. Free of any toolkit: a window turns
// a notification into a queued signal of its own and takes a snapshot on its own thread.
//
//   class Watcher : public vprinter::DeviceObserver {
//     void DeviceChanged(uint32_t changes) override { emit changed(changes); }  // queued
//   };
//   device.AddObserver(&watcher);             // ... and in the slot:
//   const vprinter::DeviceSnapshot s = device.Snapshot(lastTraceSeq);
//
// Notifications come on a thread of the device's own, never on the printer's thread and never
// under the device's lock, so a watcher may take a snapshot from inside one. Changes are gathered:
// whatever changes while a watcher is being called, or within the notify interval after a call,
// comes in one later call, so a burst of trace records is one notification, not thousands. A slow
// watcher delays only the notifications, never the printer.
#pragma once

#include <array>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "vprinter/head.h"
#include "vprinter/state.h"

namespace vprinter {

// What changed, as bits of DeviceObserver::DeviceChanged.
namespace change {
inline constexpr uint32_t kPower = 1u << 0;
inline constexpr uint32_t kStatus = 1u << 1;     // status or error word, work under way
inline constexpr uint32_t kMechanism = 1u << 2;  // carriage, paper feed, liquid, cartridges
inline constexpr uint32_t kInk = 1u << 3;        // ink left, waste-ink counter
inline constexpr uint32_t kEeprom = 1u << 4;
inline constexpr uint32_t kPaper = 1u << 5;  // the input tray
inline constexpr uint32_t kHead = 1u << 6;   // clogged nozzles, head angle
inline constexpr uint32_t kTimeScale = 1u << 7;
inline constexpr uint32_t kSheets = 1u << 8;  // a sheet came out
inline constexpr uint32_t kTrace = 1u << 9;
inline constexpr uint32_t kFaults = 1u << 10;  // armed faults, answering or not
inline constexpr uint32_t kAll = (1u << 11) - 1;
}  // namespace change

struct DeviceSnapshot {
  using Clock = std::chrono::steady_clock;

  bool powered = true;
  // What a status inquiry would answer now (without counting it as a poll).
  uint16_t status = 0;
  uint16_t error = 0;
  // Carriage position in steps from home (mech::kHome; the I/C replacement position is
  // mech::kReplacementPosition) and its place in words; paper fed since power-on (1/360 inch).
  long carriage = 0;
  std::string carriagePlace;
  long paperFeed = 0;
  Liquid liquidPath = Liquid::kInk;
  Cartridges cartridges = Cartridges::kInk;
  // Ink left per chamber as the chips hold it, in percent: black, cyan, magenta, yellow.
  std::array<uint8_t, 4> inkLeft{};
  // The waste-ink (protection) counter; the printer stops at kProtectionLimit.
  unsigned wasteCounter = 0;
  std::array<uint8_t, kEepromSize> eeprom{};
  // When each cell was last written since the printer started (Clock::time_point{}: not yet).
  std::array<Clock::time_point, kEepromSize> eepromWritten{};
  int paperInTray = 0;
  HeadState head;
  double timeScale = 1.0;
  std::size_t pendingPrintBytes = 0;
  bool sheetInProgress = false;
  int armedFaults = 0;
  bool answering = true;
  // The sheets that came out, newest first (the files in the output tray; the latest ones).
  std::vector<std::string> sheets;
  // Trace records after the sequence number asked for, oldest first, as far as the device keeps
  // them (Device::KeepTraceHistory); traceSeq is the latest record's sequence number, to ask from
  // next time.
  std::vector<std::string> trace;
  uint64_t traceSeq = 0;
};

class DeviceObserver {
 public:
  virtual ~DeviceObserver() = default;
  // Something in `changes` (change:: bits) changed since the last call.
  virtual void DeviceChanged(uint32_t changes) = 0;
};

// Delivers the device's changes to its observers on a thread of its own, started with the first
// observer.
class ChangeNotifier {
 public:
  explicit ChangeNotifier(std::chrono::milliseconds interval) : interval_(interval) {}
  ~ChangeNotifier();
  ChangeNotifier(const ChangeNotifier&) = delete;
  ChangeNotifier& operator=(const ChangeNotifier&) = delete;

  void Add(DeviceObserver* observer);
  // When it returns, the observer is not called again; a call in progress has ended (unless
  // Remove is called from inside that call).
  void Remove(DeviceObserver* observer);
  // Records changes; any thread, cheap, never waits for an observer.
  void Post(uint32_t changes);
  void SetInterval(std::chrono::milliseconds interval);

 private:
  void Run();

  std::mutex mutex_;
  std::condition_variable wake_;
  std::condition_variable callDone_;
  std::vector<DeviceObserver*> observers_;
  DeviceObserver* calling_ = nullptr;
  uint32_t pending_ = 0;
  bool stop_ = false;
  std::chrono::milliseconds interval_;
  std::thread thread_;
};

}  // namespace vprinter
