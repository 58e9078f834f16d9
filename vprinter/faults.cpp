#include "vprinter/faults.h"

#include <utility>

namespace vprinter {

d4::Outcome Faults::Armed::Answer() const {
  return kind == Kind::kResult ? d4::Outcome::Link(code) : d4::Outcome::Refused(code);
}

void Faults::Arm(Op op, int n, Armed::Kind kind, int16_t code) {
  armed_.push_back(Armed{op, n < 1 ? 1 : n, kind, code});
}

std::optional<Faults::Armed> Faults::Take(Op op) {
  ++calls_[static_cast<int>(op)];
  if (observer_) observer_(op);
  for (auto it = armed_.begin(); it != armed_.end(); ++it) {
    if (it->op == op && --it->countdown <= 0) {
      Armed fault = *it;
      armed_.erase(it);
      // The other faults of this kind count this call too.
      for (Armed& other : armed_) {
        if (other.op == op) --other.countdown;
      }
      return fault;
    }
  }
  return std::nullopt;
}

bool Faults::TakeDropRequest() {
  return std::exchange(dropRequested_, false);
}

bool Faults::TakeCorruptRequest() {
  return std::exchange(corruptRequested_, false);
}

std::optional<int16_t> Faults::ChannelRefusal(const std::string& service) const {
  auto it = refused_.find(service);
  if (it == refused_.end()) it = refused_.find("");
  if (it == refused_.end()) return std::nullopt;
  return it->second;
}

bool Faults::TakeBusyPoll() {
  if (busyPolls_ <= 0) return false;
  --busyPolls_;
  return true;
}

void Faults::Clear() {
  armed_.clear();
  refused_.clear();
  busyPolls_ = 0;
  forced_.reset();
  answering_ = true;
  corruptRequested_ = false;
}

}  // namespace vprinter
