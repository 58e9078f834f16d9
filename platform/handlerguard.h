// The one way an exception that escapes a handler is dealt with: the exception box shows its
// message, and the program is left usable: every top-level window enabled, the normal cursor. (A
// handler that wrote a busy line has disabled its window and set the hourglass; without this the
// window would stay dead after the box.)
//
// Guarded() wraps a handler so that the exception is caught at the handler's own edge and never
// unwinds through the toolkit's frames; the application object's notify() catches whatever still
// escapes an event handler and calls HandleEscapedException() too.
#pragma once

#include <exception>
#include <utility>

namespace platform {

void HandleEscapedException(std::exception_ptr exception) noexcept;

// The wrapper takes no arguments, so it can be connected to any signal; the handler reads what it
// needs from its controls.
template <class Handler>
auto Guarded(Handler handler) {
  return [handler = std::move(handler)]() noexcept {
    try {
      handler();
    } catch (...) {
      HandleEscapedException(std::current_exception());
    }
  };
}

}  // namespace platform
