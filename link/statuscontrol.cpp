#include "link/statuscontrol.h"

#include <utility>

#include "platform/sleep.h"

namespace {

WaitObserver& Observer() {
  static WaitObserver observer;
  return observer;
}

void Notify(WaitEvent event, int seconds) {
  if (Observer()) Observer()(event, seconds);
}

ResultCode PollUntilIdle() {
  for (int pass = 0; pass < kWaitUntilIdleMaxPasses; ++pass) {
    if (pass > 0) {
      platform::SleepMs(1000);
      Notify(WaitEvent::Waited, pass);
    }
    RETURN_IF_FAILED(SoftReset());
    RETURN_IF_FAILED(InquireStatus(&ProgramPrinterStatus()));
    const uint16_t status = ProgramPrinterStatus().Status;
    if (status == printerstatus::Idle) return rc::Success;
    if (status == printerstatus::BeforeInitialFillUp || status == printerstatus::ErrorState) {
      return rc::PrinterNotReady;
    }
  }
  return rc::PrinterNeverIdle;
}

}  // namespace

PrinterStatus& ProgramPrinterStatus() {
  static PrinterStatus status{0, 0};
  return status;
}

bool PrinterInErrorMode() {
  return ProgramPrinterStatus().Status == printerstatus::ErrorState;
}

ResultCode QueryStatus() {
  return InquireStatus(&ProgramPrinterStatus());
}

ResultCode WaitUntilIdle() {
  Notify(WaitEvent::Began, 0);
  const ResultCode result = PollUntilIdle();
  Notify(WaitEvent::Ended, 0);
  return result;
}

WaitObserver SetWaitObserver(WaitObserver observer) {
  return std::exchange(Observer(), std::move(observer));
}
