// Fault injection: what an operator or a test arms against the printer's next requests (a result
// or a refusal instead of the work, a dropped link), and the link-level faults the protocol loop
// applies (stop answering, drop every connection, corrupt the next packet, refuse channels, busy
// polls, a forced status). It also counts the calls of each kind. Not thread-safe: the device
// calls it under its lock.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "makerlibs/d4/d4.h"
#include "vprinter/ops.h"

namespace vprinter {

class Faults {
 public:
  struct Armed {
    Op op;
    int countdown;
    enum class Kind { kResult, kPacketError, kDrop } kind;
    int16_t code;
    // What the printer answers instead of doing the request.
    d4::Outcome Answer() const;
  };

  // n counts calls of the kind from now: 1 = the next one (anything below counts as 1).
  void Arm(Op op, int n, Armed::Kind kind, int16_t code);
  // Counts the call (telling the request observer) and takes the fault armed for it, if any.
  // Each armed fault of the kind counts the call once; when two are due on one call, the one
  // armed first fires and the other on the next call of that kind.
  std::optional<Armed> Take(Op op);
  int Calls(Op op) const { return calls_[static_cast<int>(op)]; }
  int ArmedCount() const { return static_cast<int>(armed_.size()); }
  void SetRequestObserver(std::function<void(Op)> observer) { observer_ = std::move(observer); }

  void SetAnswering(bool answering) { answering_ = answering; }
  bool Answering() const { return answering_; }
  void RequestDrop() { dropRequested_ = true; }
  bool TakeDropRequest();
  void RequestCorrupt() { corruptRequested_ = true; }
  bool TakeCorruptRequest();

  // Refuses opening the named service ("" = every service) with the code.
  void RefuseChannel(const std::string& service, int16_t code) { refused_[service] = code; }
  void AcceptChannels() { refused_.clear(); }
  std::optional<int16_t> ChannelRefusal(const std::string& service) const;

  void BusyForPolls(int polls) { busyPolls_ = polls < 0 ? 0 : polls; }
  // Takes one busy poll, if any are left.
  bool TakeBusyPoll();
  int BusyPolls() const { return busyPolls_; }
  void ForceStatus(std::optional<uint16_t> value) { forced_ = value; }
  std::optional<uint16_t> ForcedStatus() const { return forced_; }

  // Forgets armed faults, refusals, busy polls and the forced status, and answers again.
  void Clear();

 private:
  std::vector<Armed> armed_;
  std::array<int, kOpCount> calls_{};
  std::function<void(Op)> observer_;
  bool answering_ = true;
  bool dropRequested_ = false;
  bool corruptRequested_ = false;
  std::map<std::string, int16_t> refused_;
  int busyPolls_ = 0;
  std::optional<uint16_t> forced_;
};

}  // namespace vprinter
