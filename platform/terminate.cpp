#include "platform/terminate.h"

#include <cstdlib>
#include <utility>

namespace platform {
namespace {
TerminateHook& Hook() {
  static TerminateHook hook;
  return hook;
}
}  // namespace

TerminateHook SetTerminateHook(TerminateHook hook) { return std::exchange(Hook(), std::move(hook)); }

void TerminateProgram(int status) {
  if (Hook()) Hook()(status);
  std::exit(status);
}

}  // namespace platform
