// The program's one printer status record, the status query and the wait until the printer is
// idle again.
#pragma once

#include <functional>

#include "link/pktlink.h"
#include "link/resultcode.h"

// Status values of the record (16-bit).
namespace printerstatus {
inline constexpr uint16_t BeforeInitialFillUp = 0xEFF9;
inline constexpr uint16_t Cleaning = 0xEFFA;
inline constexpr uint16_t Idle = 0xEFFB;
inline constexpr uint16_t Printing = 0xEFFC;
inline constexpr uint16_t Busy = 0xEFFD;
inline constexpr uint16_t SelfTest = 0xEFFE;
inline constexpr uint16_t ErrorState = 0xEFFF;
}  // namespace printerstatus

// The one program-wide record: zero at start, written only by InquireStatus.
PrinterStatus& ProgramPrinterStatus();

// True while the last inquiry found the printer in its error state.
bool PrinterInErrorMode();

// One InquireStatus on the record; its result unchanged.
ResultCode QueryStatus();

// How many passes WaitUntilIdle makes before it gives up: at one pass a second, a quarter of an
// hour, far beyond the longest cleaning or ink charge of the printer.
inline constexpr int kWaitUntilIdleMaxPasses = 900;

// Soft reset and status inquiry, once a second, until the printer is idle (1), in its error state
// or before initial fill up (0x4000), a call fails (its result), or the passes run out
// (rc::PrinterNeverIdle).
ResultCode WaitUntilIdle();

// What WaitUntilIdle tells a window that shows how long the printer keeps it waiting: Began before
// the first inquiry, Waited after each one-second pause with the seconds waited so far, Ended when
// it returns, whatever the outcome.
enum class WaitEvent { Began, Waited, Ended };
using WaitObserver = std::function<void(WaitEvent event, int secondsWaited)>;
// Installs the observer (empty: none) and returns the one it replaces.
WaitObserver SetWaitObserver(WaitObserver observer);
