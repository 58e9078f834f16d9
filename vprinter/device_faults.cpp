// Fault injection: armed answers, refusals and drops, a printer that stops answering.
#include "vprinter/device.h"

namespace vprinter {

void Device::FailNth(Op op, int n, int16_t result) {
  std::lock_guard lock(mutex_);
  faults_.Arm(op, n, Faults::Armed::Kind::kResult, result);
  Changed(change::kFaults);
}

void Device::FailNthWithPacketError(Op op, int n, int16_t code) {
  std::lock_guard lock(mutex_);
  faults_.Arm(op, n, Faults::Armed::Kind::kPacketError, code);
  Changed(change::kFaults);
}

void Device::DropLinkAtNth(Op op, int n) {
  std::lock_guard lock(mutex_);
  faults_.Arm(op, n, Faults::Armed::Kind::kDrop, 0);
  Changed(change::kFaults);
}

void Device::StopAnswering() {
  std::lock_guard lock(mutex_);
  faults_.SetAnswering(false);
  Changed(change::kFaults);
  Wake();
}

void Device::ResumeAnswering() {
  std::lock_guard lock(mutex_);
  faults_.SetAnswering(true);
  Changed(change::kFaults);
  Wake();
}

void Device::DropLink() {
  std::lock_guard lock(mutex_);
  faults_.RequestDrop();
  Wake();
}

void Device::CorruptNextPacket() {
  std::lock_guard lock(mutex_);
  faults_.RequestCorrupt();
  Wake();
}

void Device::RefuseChannel(const std::string& service, int16_t code) {
  std::lock_guard lock(mutex_);
  faults_.RefuseChannel(service, code);
  Changed(change::kFaults);
}

void Device::AcceptChannels() {
  std::lock_guard lock(mutex_);
  faults_.AcceptChannels();
  Changed(change::kFaults);
}

void Device::BusyForPolls(int polls) {
  std::lock_guard lock(mutex_);
  faults_.BusyForPolls(polls);
  Changed(change::kFaults);
}

void Device::SetRequestObserver(std::function<void(Op)> observer) {
  std::lock_guard lock(mutex_);
  faults_.SetRequestObserver(std::move(observer));
}

void Device::ClearFaults() {
  std::lock_guard lock(mutex_);
  faults_.Clear();
  Changed(change::kFaults | change::kStatus);
  Wake();
}

}  // namespace vprinter
