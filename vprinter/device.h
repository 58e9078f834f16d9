// The virtual Quorla Z40: the facade that the protocol loop, the port library, the operator's
// commands, the tests and the fuzz harnesses use. It holds one lock over the printer's pieces,
// each of which keeps one concern:
//
//   service.h      the protocol's syntax: requests checked, traced and answered
//   workqueue.h    the work in simulated time
//   consumables.h  ink and waste ink
//   faults.h       fault injection and call counts
//   statestore.h   the non-volatile memory and its file
//   mechanism.h    carriage, paper feed, pump and liquid path
//   papertray.h    the blank sheets in the input tray
//   head.h         the nozzles and the head angle
//   printengine.h  the print data on paper
//   observer.h     snapshots and change notifications for watchers (the front panel)
//
// The facade itself holds the life cycle, the power switch and the dispatch (device.cpp); what each
// request does is in device_requests.cpp, each kind of work in device_work.cpp, the operator's
// side (operatorcontrols.h) in device_operator.cpp and fault injection in device_faults.cpp.
//
// The protocol loop (server.h) drives it from one thread; tests, watchers and the standalone's
// command input may call the rest from another at any time: one mutex guards all state, and the
// loop is woken when a change needs it to act (a fault to apply, work that may now proceed).
#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "makerlibs/d4/d4.h"
#include "vprinter/consumables.h"
#include "vprinter/faults.h"
#include "vprinter/head.h"
#include "vprinter/mechanism.h"
#include "vprinter/observer.h"
#include "vprinter/operatorcontrols.h"
#include "vprinter/ops.h"
#include "vprinter/papertray.h"
#include "vprinter/printengine.h"
#include "vprinter/service.h"
#include "vprinter/sheetwriter.h"
#include "vprinter/state.h"
#include "vprinter/statestore.h"
#include "vprinter/status.h"
#include "vprinter/trace.h"
#include "vprinter/workqueue.h"

namespace vprinter {

struct DeviceOptions {
  std::filesystem::path stateDir;  // empty: nothing is kept
  // Every save of the state is on disk before the printer answers (fsync). Tests of other
  // things turn it off: their state is thrown away, and a sync costs milliseconds per write.
  bool durable = true;
  std::filesystem::path trayDir;
  std::filesystem::path traceFile;  // empty: no trace file
  bool traceInMemory = false;
  // Real seconds per simulated second; 0 = everything completes at once.
  double timeScale = 1.0;
  // Changes within this time after a notification come to observers in one later call.
  std::chrono::milliseconds notifyInterval{20};
  // Told at once of every warning that arises while the printer runs (a failed save, a lost
  // sheet), on the thread that met it and under the device's lock: it must not call the device.
  // Warnings from start-up are in Warnings().
  std::function<void(const std::string&)> onWarning;
  // The printer's clock: today's date (empty: the local date of the system clock).
  std::function<ChipDate()> today;
};

class Device : public OperatorControls,
               public FaultInjection,
               private EngineEvents,
               private WorkPerformer {
 public:
  // Mechanism commands one connection may have queued and not yet done; more are refused with
  // packet error 144, so one client cannot fill the printer's memory or its time.
  static constexpr std::size_t kMaxQueuedWorkPerConnection = 256;

  explicit Device(DeviceOptions options);
  ~Device() override;
  Device(const Device&) = delete;
  Device& operator=(const Device&) = delete;

  // ---- the protocol loop's side ----------------------------------------------------------------
  struct Answer {
    bool drop = false;  // close the link without answering
    std::vector<uint8_t> reply;
  };
  void Connected(int connection);
  void Disconnected(int connection);
  d4::Outcome Negotiate(int connection, bool* drop);
  d4::Outcome Terminate(int connection, bool* drop);
  d4::Outcome OpenChannel(const std::string& service);
  // A control-channel request (command, tag, arguments).
  Answer Control(int connection, const std::vector<uint8_t>& request);
  // A print-data packet with its sequence number.
  Answer Data(int connection, uint8_t seq, const std::vector<uint8_t>& bytes);
  void ProtocolError(int connection, int16_t code);
  // Does the work that is due; returns how long until more is due (nullopt: nothing pending).
  std::optional<std::chrono::nanoseconds> Advance();
  // Data-channel credits to give back, per connection, since the last call.
  std::map<int, int> TakeCreditReturns();
  bool Answering() const;
  bool TakeDropRequest();
  bool TakeCorruptRequest();
  void SaveIfDirty();
  // Called (without the device lock) when the loop should look at the device again.
  void SetWaker(std::function<void()> waker);

  // ---- the operator's side (OperatorControls) ------------------------------------------------
  void PowerOff() override;
  void PowerOn() override;
  bool PoweredOn() const override;
  bool ReplaceMainBoard() override;
  void ReplaceCartridges() override;
  void ReplaceCartridge(int cartridge) override;
  void InstallDummyCartridges() override;
  void RemoveCartridges() override;
  void ReplaceWastePads() override;
  void ReplaceHead(const std::string& label) override;
  std::string HeadLabel() const override;
  bool SetBidOffset(int dropSize, int inkGroup, int offset) override;
  bool SetFeedOffset(int top, int left) override;
  ChipDate Today() const override;
  bool LoadPaper(int sheets = PaperTray::kCapacity) override;
  int PaperInTray() const override;
  bool ClogNozzle(int row, int nozzle) override;
  int ClogRandomNozzles(int count, uint32_t seed) override;
  bool ClearNozzle(int row, int nozzle) override;
  void ClearNozzles() override;
  bool SetHeadAngle(int tenthsOfADegree) override;
  HeadState Head() const override;
  void RaiseError(uint16_t error) override;
  void ClearError() override;
  void ForceStatus(std::optional<uint16_t> value) override;
  void SetInkCharged(bool charged) override;
  void SetTimeScale(double scale) override;
  uint8_t PeekEeprom(uint8_t address) const override;
  void PokeEeprom(uint8_t address, uint8_t value) override;
  uint8_t PeekChip(int cartridge, uint8_t address) const override;
  void PokeChip(int cartridge, uint8_t address, uint8_t value) override;
  bool Save() override;
  PrinterState State() const override;
  std::pair<uint16_t, uint16_t> CurrentStatus() const override;
  std::pair<long, long> MechanismPosition() const override;
  std::string CarriagePlace() const override;
  std::size_t PendingPrintBytes() const override;

  // ---- fault injection (FaultInjection) --------------------------------------------------------
  void FailNth(Op op, int n, int16_t result) override;
  void FailNthWithPacketError(Op op, int n, int16_t code) override;
  void DropLinkAtNth(Op op, int n) override;
  void StopAnswering() override;
  void ResumeAnswering() override;
  void DropLink() override;
  void CorruptNextPacket() override;
  void RefuseChannel(const std::string& service, int16_t code = d4::err::DenialConnect) override;
  void AcceptChannels() override;
  void BusyForPolls(int polls) override;
  void ClearFaults() override;

  // ---- tests and tools -------------------------------------------------------------------------
  std::array<uint8_t, kEepromSize> Eeprom() const;
  void SetBidOffsets(const int8_t offsets[3][2]);
  double TimeScale() const;
  Liquid LiquidPath() const;
  Cartridges InstalledCartridges() const;
  // Called with the kind of every request as the printer takes it, before a fault applies, on the
  // printer's thread and under the device's lock (so it must not call the device): a test sees
  // the host's side as it stands while the host waits for that request. Empty: none.
  void SetRequestObserver(std::function<void(Op)> observer);
  // Calls of each kind since start-up.
  int Calls(Op op) const;
  // Returns once every sheet ejected so far has been written (or lost), traced and listed.
  void FinishSheets() const;
  // The trace, once every sheet ejected so far has been written (or lost) and traced.
  std::vector<std::string> TraceLines() const;
  void ClearTrace();
  // Keeps every trace record in memory from now on (TraceLines), as a training scenario's judge
  // needs.
  void KeepTraceInMemory();
  // Ink taken from the cartridges since the printer started, in millilitres.
  double InkUsedMl() const;
  // Tests: the sheet writer stops before its next sheet (the tray seems slow) until let go.
  void HoldSheetWriter(bool hold);
  // What went wrong with the state or the trace file (a damaged state file, a failed save), for
  // the owner to show; the device itself prints nothing.
  std::vector<std::string> Warnings() const;
  // Why this printer must not be started (its state file may not be read, or a damaged one could
  // not be kept aside): its owner refuses to run it. Empty when it may run.
  std::string StartError() const;
  // Why no sheet could be written into the tray when the printer started (empty: it could).
  std::string TrayError() const;

  // ---- watchers (observer.h) -------------------------------------------------------------------
  void AddObserver(DeviceObserver* observer);
  // When it returns, the observer is not called again.
  void RemoveObserver(DeviceObserver* observer);
  // Keeps the latest `records` trace records for snapshots (0: none, the default).
  void KeepTraceHistory(std::size_t records);
  void SetNotifyInterval(std::chrono::milliseconds interval);
  static constexpr uint64_t kNoTrace = UINT64_MAX;
  // The printer's state in one consistent picture, with the trace records after sequence number
  // `traceSince` (kNoTrace: none; 0: all that are kept).
  DeviceSnapshot Snapshot(uint64_t traceSince = kNoTrace) const;

 private:
  // EngineEvents, called from inside PrintEngine while the lock is held.
  void SheetEjected(const std::string& file) override;
  void SheetLost(const std::string& error) override;
  void Skipped(const std::string& what, uint64_t offset) override;
  bool FeedSheet() override;
  bool TakeSheet(const uint8_t* pixels, int top, int bottom) override;
  // WorkPerformer, called from inside WorkQueue::Advance while the lock is held.
  bool Perform(Work& work) override;
  bool Halted() const override { return error_ != 0; }
  bool Waiting() const override { return waitingForWriter_ && !writer_->HasRoom(); }
  bool SheetInProgress() const override { return engine_->SheetInProgress(); }
  void EjectIdleSheet() override { engine_->EjectSheet(); }

  void TraceLocked(const TraceRecord& record);
  // Saves the state file now; a failure is traced and warned of at once.
  bool SaveNowLocked();
  // Tells watchers (change:: bits); cheap, never waits for them.
  void Changed(uint32_t changes) { notifier_.Post(changes); }
  // Enters an error unless the printer stands in one already (0: nothing).
  void RaiseLocked(uint16_t error);
  // A request of the transaction channel (negotiate, terminate): trace and faults.
  d4::Outcome TransactionLocked(Op op, bool* drop);
  void Enqueue(Work work);
  void ApplySettingsLocked();
  void ApplyHeadLocked();
  ChipDate TodayLocked() const;
  // The start of a switched-on printer: engine, mechanism and errors afresh.
  void StartAfreshLocked();
  std::pair<uint16_t, uint16_t> StatusLocked() const;
  // What a control request does, once it has passed its faults and model code check
  // (device_requests.cpp): one function per request kind.
  class Reply;
  Answer Execute(int connection, const service::ControlRequest& request, TraceRecord& record);
  Answer ReadEepromRequest(const uint8_t* args, Reply& reply);
  Answer WriteEepromRequest(const uint8_t* args, Reply& reply);
  Answer InquireStatusRequest(Reply& reply);
  Answer WriteBidRequest(const uint8_t* args, Reply& reply);
  Answer ReadCrtagRequest(const uint8_t* args, Reply& reply);
  Answer PowerOnInitializeRequest(Reply& reply);
  Answer SaveAllCurrentDataRequest(Reply& reply);
  Answer MechanismRequest(int connection, const service::ControlRequest& request, Reply& reply);
  bool WriteCellDurablyLocked(uint8_t address, uint8_t value);
  // What each kind of work does when its time has come (device_work.cpp).
  bool Do(work::PrintData& data, int connection);
  bool Do(work::BidChange& bid, int connection);
  bool Do(work::Cleaning& cleaning, int connection);
  bool Do(work::InkCharge& charge, int connection);
  bool Do(work::Initialise& init, int connection);
  bool Do(work::CarriageMove& move, int connection);
  bool Do(work::PaperFeedMove& move, int connection);
  bool Do(work::HomeReturn& home, int connection);
  bool Do(work::Wait& wait, int connection);
  bool Do(work::Flush& flush, int connection);
  bool Do(work::Eject& eject, int connection);
  bool Maintain(const std::function<uint16_t()>& pump);
  void Wake();

  DeviceOptions options_;
  mutable std::mutex mutex_;
  std::function<void()> waker_;
  StateStore store_;
  Consumables consumables_{store_};
  Trace trace_;
  std::unique_ptr<PrintEngine> engine_;
  // Writes ejected sheets off the printer's thread; its thread calls back under the lock.
  std::unique_ptr<SheetWriter> writer_;
  bool waitingForWriter_ = false;
  std::array<uint64_t, kInkCount> dotsSeen_{};
  WorkQueue queue_;
  std::map<int, int> creditReturns_;
  uint16_t error_ = 0;
  std::string trayError_;
  Faults faults_;
  Mechanism mechanism_;
  PaperTray paper_;
  bool powered_ = true;
  // The latest sheets that came out, newest first.
  std::deque<std::string> sheets_;
  // Last: its thread must stop before anything it may report on goes.
  ChangeNotifier notifier_;
};

}  // namespace vprinter
