#include "platform/sleep.h"

#include <chrono>
#include <thread>
#include <utility>

namespace platform {
namespace {
SleepHook& Hook() {
  static SleepHook hook;
  return hook;
}
}  // namespace

SleepHook SetSleepHook(SleepHook hook) { return std::exchange(Hook(), std::move(hook)); }

void SleepMs(int ms) {
  if (Hook()) {
    Hook()(ms);
    return;
  }
  if (ms > 0) std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

}  // namespace platform
