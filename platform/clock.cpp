#include "platform/clock.h"

#include <utility>

namespace platform {
namespace {
ClockHook& Hook() {
  static ClockHook hook;
  return hook;
}
}  // namespace

ClockHook SetClockHook(ClockHook hook) { return std::exchange(Hook(), std::move(hook)); }

QDateTime Now() { return Hook() ? Hook()() : QDateTime::currentDateTime(); }

QDate Today() { return Now().date(); }

}  // namespace platform
