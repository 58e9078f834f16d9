#include "tests/support/fakes.h"

#include <numeric>

namespace testing_support {

FakeDialogs::FakeDialogs() {
  previous_ = platform::SetDialogHook([this](const platform::DialogRequest& request) {
    platform::DlgResult answer;
    if (!answers_.empty()) {
      answer = answers_.front();
      answers_.pop_front();
    } else {
      answer = request.buttons == platform::DlgButtons::YesNo ? platform::DlgResult::Yes
                                                              : platform::DlgResult::Ok;
    }
    shown_.push_back(Shown{request, platform::ScreenCursor(), answer});
    if (whileShown_) whileShown_(request);
    return answer;
  });
}

FakeDialogs::~FakeDialogs() { platform::SetDialogHook(previous_); }

std::vector<QString> FakeDialogs::Texts() const {
  std::vector<QString> texts;
  for (const Shown& s : shown_) texts.push_back(s.request.text);
  return texts;
}

FakeSleep::FakeSleep() {
  previous_ = platform::SetSleepHook([this](int ms) {
    calls_.push_back(ms);
    if (atEachPause_) atEachPause_(ms);
  });
}

FakeSleep::~FakeSleep() { platform::SetSleepHook(previous_); }

long long FakeSleep::TotalMs() const {
  return std::accumulate(calls_.begin(), calls_.end(), 0LL);
}

FakeClock::FakeClock(const QDateTime& now) : now_(now) {
  previous_ = platform::SetClockHook([this] { return now_; });
}

FakeClock::~FakeClock() { platform::SetClockHook(previous_); }

FakeExceptionBox::FakeExceptionBox() {
  previous_ = platform::SetExceptionBoxHook([this](const QString& m) { messages_.push_back(m); });
}

FakeExceptionBox::~FakeExceptionBox() { platform::SetExceptionBoxHook(previous_); }

}  // namespace testing_support
