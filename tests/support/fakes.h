// Test doubles for the platform seams. Each installs itself on construction and restores the real
// seam on destruction, so a test states what it fakes by declaring it.
#pragma once

#include <QDateTime>
#include <QString>
#include <deque>
#include <functional>
#include <utility>
#include <vector>

#include "platform/clock.h"
#include "platform/cursor.h"
#include "platform/dialogs.h"
#include "platform/exceptionbox.h"
#include "platform/sleep.h"

namespace testing_support {

// Answers message boxes from a queue and records every box asked, with the screen cursor at the
// moment it was shown. With an empty queue a box is answered with its first button (OK or Yes).
class FakeDialogs {
 public:
  struct Shown {
    platform::DialogRequest request;
    platform::CursorShape cursor;
    platform::DlgResult answer;
  };

  FakeDialogs();
  ~FakeDialogs();
  FakeDialogs(const FakeDialogs&) = delete;
  FakeDialogs& operator=(const FakeDialogs&) = delete;

  void QueueAnswer(platform::DlgResult answer) { answers_.push_back(answer); }
  // Runs `action` while each box is up (after recording it), to look at or change the program's
  // state at that moment.
  void WhileShown(std::function<void(const platform::DialogRequest&)> action) {
    whileShown_ = std::move(action);
  }
  const std::vector<Shown>& shown() const { return shown_; }
  std::vector<QString> Texts() const;
  void Clear() { shown_.clear(); }

 private:
  std::deque<platform::DlgResult> answers_;
  std::vector<Shown> shown_;
  std::function<void(const platform::DialogRequest&)> whileShown_;
  platform::DialogHook previous_;
};

// Records every sleep instead of sleeping.
class FakeSleep {
 public:
  FakeSleep();
  ~FakeSleep();
  FakeSleep(const FakeSleep&) = delete;
  FakeSleep& operator=(const FakeSleep&) = delete;

  // Runs `action` at each pause (after recording it), to see the window as it stands then.
  void AtEachPause(std::function<void(int ms)> action) { atEachPause_ = std::move(action); }
  const std::vector<int>& calls() const { return calls_; }
  long long TotalMs() const;
  void Clear() { calls_.clear(); }

 private:
  std::vector<int> calls_;
  std::function<void(int ms)> atEachPause_;
  platform::SleepHook previous_;
};

// A clock that stands still at the time it is set to.
class FakeClock {
 public:
  explicit FakeClock(const QDateTime& now);
  ~FakeClock();
  FakeClock(const FakeClock&) = delete;
  FakeClock& operator=(const FakeClock&) = delete;

  void Set(const QDateTime& now) { now_ = now; }

 private:
  QDateTime now_;
  platform::ClockHook previous_;
};

// Records the messages of the exception box instead of showing it.
class FakeExceptionBox {
 public:
  FakeExceptionBox();
  ~FakeExceptionBox();
  FakeExceptionBox(const FakeExceptionBox&) = delete;
  FakeExceptionBox& operator=(const FakeExceptionBox&) = delete;

  const std::vector<QString>& messages() const { return messages_; }

 private:
  std::vector<QString> messages_;
  platform::ExceptionBoxHook previous_;
};

}  // namespace testing_support
