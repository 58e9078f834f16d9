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
  // Every fault of this kind counts the call once. Of those due, the one armed first fires; a
  // second one due on the same call stays armed and fires on the next call of the kind.
  std::optional<Armed> fired;
  for (auto it = armed_.begin(); it != armed_.end();) {
    if (it->op == op && --it->countdown <= 0 && !fired) {
      fired = *it;
      it = armed_.erase(it);
    } else {
      ++it;
    }
  }
  return fired;
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
