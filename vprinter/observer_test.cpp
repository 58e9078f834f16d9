// Watching the printer: a watcher's snapshot shows a change whole, notifications come off the
// printer's thread and never under its lock, and a watcher that takes its time holds up only its
// own notifications.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

#include "link/modelcode.h"
#include "link/pktlink.h"
#include "tests/support/vprinterfixture.h"
#include "vprinter/device.h"
#include "vprinter/tempdir_test.h"

namespace vprinter {
namespace {

using std::chrono::seconds;

// Takes a snapshot in every notification (which would dead-lock if the device's lock were held)
// and can be made to wait inside one.
class Watcher : public DeviceObserver {
 public:
  explicit Watcher(Device& device) : device_(device) {}
  // Also when a test ends early: a held call is let go before the watcher leaves the device.
  ~Watcher() override {
    Hold(false);
    device_.RemoveObserver(this);
  }

  void DeviceChanged(uint32_t changes) override {
    DeviceSnapshot snapshot = device_.Snapshot(0);
    std::unique_lock lock(mutex_);
    ++calls_;
    changes_.push_back(changes);
    threads_.push_back(std::this_thread::get_id());
    last_ = std::move(snapshot);
    changed_.notify_all();
    changed_.wait(lock, [&] { return !holding_; });
  }

  // Waits (at most 5 s) until a call whose snapshot satisfies `seen`; false if none came.
  template <typename Pred>
  bool AwaitSnapshot(Pred seen) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, seconds(5), [&] { return calls_ > 0 && seen(last_); });
  }
  bool AwaitCalls(int calls) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, seconds(5), [&] { return calls_ >= calls; });
  }
  void Hold(bool hold) {
    std::lock_guard lock(mutex_);
    holding_ = hold;
    changed_.notify_all();
  }
  int Calls() {
    std::lock_guard lock(mutex_);
    return calls_;
  }
  uint32_t LastChanges() {
    std::lock_guard lock(mutex_);
    return changes_.back();
  }
  DeviceSnapshot Last() {
    std::lock_guard lock(mutex_);
    return last_;
  }
  std::vector<std::thread::id> Threads() {
    std::lock_guard lock(mutex_);
    return threads_;
  }

 private:
  Device& device_;
  std::mutex mutex_;
  std::condition_variable changed_;
  int calls_ = 0;
  std::vector<uint32_t> changes_;
  std::vector<std::thread::id> threads_;
  DeviceSnapshot last_;
  bool holding_ = false;
};

class ObservedDevice : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(dir_.empty());
    DeviceOptions options = TempPrinterOptions(dir_);
    options.traceInMemory = false;
    device_ = std::make_unique<Device>(options);
  }
  void TearDown() override { device_.reset(); }
  TempDir tmp_{"quorla-obs"};
  const std::filesystem::path& dir_ = tmp_.path();
  std::unique_ptr<Device> device_;
};

TEST_F(ObservedDevice, AWatcherSeesEachChangeWholeWithTheTraceSinceItsLastLook) {
  device_->KeepTraceHistory(100);
  Watcher watcher(*device_);
  device_->AddObserver(&watcher);
  // A new watcher hears once at the start, with everything to look at.
  ASSERT_TRUE(watcher.AwaitCalls(1));
  const auto before = std::chrono::steady_clock::now();
  const uint64_t seq = device_->Snapshot().traceSeq;

  device_->PokeEeprom(0x2E, 25);
  device_->LoadPaper(7);
  device_->ClogNozzle(head::kMagenta, 3);
  ASSERT_TRUE(watcher.AwaitSnapshot([](const DeviceSnapshot& s) {
    return s.paperInTray == 7 && s.head.Clogged(head::kMagenta, 3);
  }));
  const DeviceSnapshot s = watcher.Last();
  EXPECT_EQ(s.eeprom[0x2E], 25);
  EXPECT_GE(s.eepromWritten[0x2E], before);
  EXPECT_EQ(s.eepromWritten[0x2F], std::chrono::steady_clock::time_point{});
  EXPECT_EQ(s.status, status::kIdle);
  EXPECT_EQ(s.inkLeft, (std::array<uint8_t, 4>{89, 85, 85, 85}));
  EXPECT_EQ(s.wasteCounter, 1234u);
  // Not on the thread that made the changes.
  for (std::thread::id id : watcher.Threads()) EXPECT_NE(id, std::this_thread::get_id());

  // The records after the sequence number asked for, and no others.
  const DeviceSnapshot since = device_->Snapshot(seq);
  ASSERT_EQ(since.trace.size(), 2u);
  EXPECT_NE(since.trace[0].find("\"op\":\"load_paper\",\"sheets\":7"), std::string::npos);
  EXPECT_NE(since.trace[1].find("\"op\":\"clog\",\"row\":\"magenta\",\"nozzle\":3"),
            std::string::npos);
  EXPECT_TRUE(device_->Snapshot(since.traceSeq).trace.empty());
  EXPECT_TRUE(device_->Snapshot().trace.empty());
}

// A watcher that takes its time (or hangs) delays its own notifications, never the printer: the
// program's calls go on being answered within the link's time-out, and what changed meanwhile
// comes in one notification.
class ObservedPrinter : public testing_support::VirtualPrinterTest {};

TEST_F(ObservedPrinter, ASlowWatcherDoesNotStallThePrinter) {
  Device& device = printer().device();
  auto printerThread = std::make_shared<std::atomic<std::thread::id>>();
  device.SetRequestObserver([printerThread](Op) { *printerThread = std::this_thread::get_id(); });
  Watcher watcher(device);
  watcher.Hold(true);
  device.AddObserver(&watcher);
  ASSERT_TRUE(watcher.AwaitCalls(1));  // and now stuck inside it

  const auto start = std::chrono::steady_clock::now();
  for (uint8_t address = 0; address < 40; ++address) {
    uint8_t value = 0;
    ASSERT_EQ(D4ReadEeprom(QUORLA_Z40_MODEL_CODE_1, QUORLA_Z40_MODEL_CODE_2, address, &value), 1);
  }
  ASSERT_EQ(D4WriteEeprom(QUORLA_Z40_MODEL_CODE_1, QUORLA_Z40_MODEL_CODE_2, 0x2E, 9), 1);
  const uint8_t text[] = {'H', 'I', 0x0C};
  ASSERT_EQ(SendDataChannel(text, sizeof text), 1);
  PrinterStatus status{};
  ASSERT_EQ(InquireStatus(&status), 1);
  EXPECT_LT(std::chrono::steady_clock::now() - start, seconds(2));
  EXPECT_EQ(watcher.Calls(), 1);

  device.TraceLines();  // the sheet is written off the printer's thread: wait until it is out
  watcher.Hold(false);
  ASSERT_TRUE(watcher.AwaitSnapshot(
      [](const DeviceSnapshot& s) { return s.eeprom[0x2E] == 9 && s.sheets.size() == 1; }));
  // Some 45 trace records, an EEPROM write and a sheet: one notification after the held one.
  EXPECT_EQ(watcher.Calls(), 2);
  const uint32_t changes = watcher.LastChanges();
  for (uint32_t bit : {change::kTrace, change::kEeprom, change::kSheets, change::kPaper}) {
    EXPECT_NE(changes & bit, 0u) << bit;
  }
  EXPECT_EQ(watcher.Last().paperInTray, PaperTray::kCapacity - 1);
  for (std::thread::id id : watcher.Threads()) EXPECT_NE(id, printerThread->load());
  device.SetRequestObserver(nullptr);
}

}  // namespace
}  // namespace vprinter
