// The virtual Quorla Z40: EEPROM, status and errors, the mechanism's work in simulated time,
// cartridge chips, the print engine behind the data channel, fault injection and the trace.
//
// The protocol loop (server.h) drives it from one thread; tests and the standalone's command input
// may call the test API from another at any time: one mutex guards all state, and the loop is
// woken when a change needs it to act (a fault to apply, work that may now proceed).
#pragma once

#include <array>
#include <chrono>
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
#include "vprinter/mechanism.h"
#include "vprinter/printengine.h"
#include "vprinter/state.h"
#include "vprinter/trace.h"

namespace vprinter {

// Printer status words (the Status and Error of the status record).
namespace status {
inline constexpr uint16_t kBeforeInitialFillUp = 0xEFF9;
inline constexpr uint16_t kCleaning = 0xEFFA;
inline constexpr uint16_t kIdle = 0xEFFB;
inline constexpr uint16_t kPrinting = 0xEFFC;
inline constexpr uint16_t kBusy = 0xEFFD;
inline constexpr uint16_t kSelfTest = 0xEFFE;
inline constexpr uint16_t kError = 0xEFFF;

inline constexpr uint16_t kHeadHot = 0xEF03;
inline constexpr uint16_t kMaintenance = 0xEF06;
inline constexpr uint16_t kPaperSize = 0xEF08;
inline constexpr uint16_t kPaperOut = 0xEF09;
inline constexpr uint16_t kInkOut = 0xEF0A;
inline constexpr uint16_t kPaperJam = 0xEF0B;
inline constexpr uint16_t kCoverOpen = 0xEF0C;
inline constexpr uint16_t kInterfaceNotSelected = 0xEF0E;
inline constexpr uint16_t kFatal = 0xEF0F;
}  // namespace status

// The kinds of request, named as their trace ops.
enum class Op {
  kNegotiate,
  kTerminate,
  kEepromRead,
  kEepromWrite,
  kStatus,
  kSoftReset,
  kData,
  kHeadCleaning,
  kDriveCR,
  kDrivePF,
  kCRHomeReturn,
  kColorFlushing,
  kWaitTime,
  kPowerOnInitialize,
  kSaveAllCurrentData,
  kWriteBid,
  kReadCrtag,
};
inline constexpr int kOpCount = 17;
const char* OpName(Op op);
std::optional<Op> OpFromName(const std::string& name);

struct DeviceOptions {
  std::filesystem::path stateDir;  // empty: nothing is kept
  std::filesystem::path trayDir;
  std::filesystem::path traceFile;  // empty: no trace file
  bool traceInMemory = false;
  // Real seconds per simulated second; 0 = everything completes at once.
  double timeScale = 1.0;
};

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

// Waste-ink points per operation.
namespace waste {
inline constexpr unsigned kCleaning = 150;
inline constexpr unsigned kInitialCharge = 1800;
inline constexpr unsigned kFlushDivisor = 10;  // points = amount / 10
}  // namespace waste

class Device : private EngineEvents {
 public:
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

  // ---- test and operator API -------------------------------------------------------------------
  uint8_t PeekEeprom(uint8_t address) const;
  void PokeEeprom(uint8_t address, uint8_t value);
  std::array<uint8_t, kEepromSize> Eeprom() const;
  uint8_t PeekChip(int cartridge, uint8_t address) const;
  void PokeChip(int cartridge, uint8_t address, uint8_t value);
  PrinterState State() const;
  void SetBidOffsets(const int8_t offsets[3][2]);

  // The status an inquiry would answer now (without counting it as a poll).
  std::pair<uint16_t, uint16_t> CurrentStatus() const;
  void RaiseError(uint16_t error);
  void ClearError();
  // Answers this Status word to every inquiry (nullopt: the real status again).
  void ForceStatus(std::optional<uint16_t> value);
  void SetInkCharged(bool charged);
  void SetTimeScale(double scale);
  double TimeScale() const;

  // Faults. n counts calls of the kind from now: 1 = the next one.
  void FailNth(Op op, int n, int16_t result);
  void FailNthWithPacketError(Op op, int n, int16_t code);
  void DropLinkAtNth(Op op, int n);
  void StopAnswering();
  void ResumeAnswering();
  void DropLink();
  void CorruptNextPacket();
  // Refuses opening the named service ("" = every service) with the code (34 = denial).
  void RefuseChannel(const std::string& service, int16_t code = d4::err::DenialConnect);
  void AcceptChannels();
  void BusyForPolls(int polls);
  void ClearFaults();
  // Called with the kind of every request as the printer takes it, before a fault applies, on the
  // printer's thread and under the device's lock (so it must not call the device): a test sees
  // the host's side as it stands while the host waits for that request. Empty: none.
  void SetRequestObserver(std::function<void(Op)> observer);

  // The power switch. Switched off, the printer drops every connection, takes no new one (the
  // port search does not find it) and loses the work in progress; its non-volatile memory stays.
  // Switched on, it starts afresh: carriage home, no errors but those its memory or its ink
  // cause, and a new connection is needed.
  void PowerOff();
  void PowerOn();
  bool PoweredOn() const;

  // The main-board swap: only while the printer is switched off (false, and nothing changes,
  // while it is on).
  bool ReplaceMainBoard();
  // New ink cartridges in both holders.
  void ReplaceCartridges();
  void ReplaceCartridge(int cartridge);
  // Dummy cartridges filled with transportation liquid, or empty holders (for the liquid
  // exchange); ReplaceCartridges() puts ink cartridges back.
  void InstallDummyCartridges();
  void RemoveCartridges();

  // Calls of each kind since start-up.
  int Calls(Op op) const;
  std::vector<std::string> TraceLines() const;
  void ClearTrace();
  // What went wrong with the state or the trace file (a damaged state file, a failed save), for
  // the owner to show; the device itself prints nothing.
  std::vector<std::string> Warnings() const;
  // Carriage position (steps from home) and paper fed since power-on.
  std::pair<long, long> MechanismPosition() const;
  // Where the carriage stands in words ("home", "I/C replacement position", "cap" or "").
  std::string CarriagePlace() const;
  Liquid LiquidPath() const;
  Cartridges InstalledCartridges() const;
  // Bytes of print data accepted but not worked through yet.
  std::size_t PendingPrintBytes() const;
  bool Save();

 private:
  struct Work {
    enum class Kind { kData, kBid, kCleaning, kCharge, kPowerOn, kMotion, kFlush, kEject } kind;
    double remaining = 0;  // simulated seconds
    std::vector<uint8_t> bytes;
    int connection = -1;
    int a = 0, b = 0, c = 0;
    int mode = 0;  // of a motion
  };
  struct Fault {
    Op op;
    int countdown;
    enum class Kind { kResult, kPacketError, kDrop } kind;
    int16_t code;
    // What the printer answers instead of doing the request.
    d4::Outcome Answer() const;
  };

  // EngineEvents, called from inside PrintEngine while the lock is held.
  void SheetEjected(const std::string& file) override;
  void Skipped(const std::string& what, uint64_t offset) override;

  void TraceLocked(const TraceRecord& record) { trace_.Write(record); }
  // Counts the call and answers the fault armed for it, if any.
  std::optional<Fault> TakeFault(Op op);
  // A request of the transaction channel (negotiate, terminate): trace and faults.
  d4::Outcome TransactionLocked(Op op, bool* drop);
  void Enqueue(Work work);
  void Complete(Work& work);
  // With the print queue empty: ejects a half-printed sheet after the idle time; the wait left.
  std::optional<std::chrono::nanoseconds> IdleEjectDue(double scale, double elapsed);
  void ApplySettingsLocked();
  // The start of a switched-on printer: engine, mechanism and errors afresh.
  void StartAfreshLocked();
  void AddWaste(unsigned points);
  void UseInk(int ink, double ml);
  std::pair<uint16_t, uint16_t> StatusLocked() const;
  d4::Outcome CheckModel(const uint8_t* args) const;
  d4::Outcome Mechanism(uint8_t command, const uint8_t* args, TraceRecord& record);
  void Wake();

  DeviceOptions options_;
  mutable std::mutex mutex_;
  std::function<void()> waker_;
  PrinterState state_;
  bool dirty_ = false;
  std::vector<std::string> warnings_;
  Trace trace_;
  std::unique_ptr<PrintEngine> engine_;
  std::array<uint64_t, 6> dotsSeen_{};
  std::deque<Work> queue_;
  std::chrono::steady_clock::time_point lastAdvance_;
  // Simulated seconds the print queue has been empty, for the idle eject.
  double idleSeconds_ = 0;
  std::map<int, int> creditReturns_;
  uint16_t error_ = 0;
  std::optional<uint16_t> forcedStatus_;
  int busyPolls_ = 0;
  std::vector<Fault> faults_;
  std::array<int, kOpCount> calls_{};
  std::function<void(Op)> requestObserver_;
  bool answering_ = true;
  bool dropRequested_ = false;
  bool corruptRequested_ = false;
  std::map<std::string, int16_t> refusedServices_;
  vprinter::Mechanism mechanism_;
  bool powered_ = true;
};

}  // namespace vprinter
