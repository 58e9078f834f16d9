// Ending the program from deep inside a routine (the print builder's programming-error checks),
// behind a seam so that tests can see the request instead of losing the test process.
#pragma once

#include <functional>

namespace platform {

// Ends the program with the given exit status. Does not return.
[[noreturn]] void TerminateProgram(int status);

// The hook runs instead of the real exit; it must not return (throw to unwind in tests).
using TerminateHook = std::function<void(int status)>;
TerminateHook SetTerminateHook(TerminateHook hook);

}  // namespace platform
