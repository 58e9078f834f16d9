// Sleeping in milliseconds, behind a seam: tests install a recording fake and never wait for real.
#pragma once

#include <functional>

namespace platform {

// Blocks the calling thread for ms milliseconds (the user-interface thread included, on purpose:
// the printer's pauses are part of the print).
void SleepMs(int ms);

using SleepHook = std::function<void(int ms)>;
SleepHook SetSleepHook(SleepHook hook);

}  // namespace platform
