#include "link/statuscontrol.h"

#include "platform/sleep.h"

PrinterStatus& ProgramPrinterStatus() {
  static PrinterStatus status{0, 0};
  return status;
}

bool PrinterInErrorMode() { return ProgramPrinterStatus().Status == printerstatus::ErrorState; }

ResultCode QueryStatus() { return InquireStatus(&ProgramPrinterStatus()); }

ResultCode WaitUntilIdle() {
  for (int pass = 0; pass < kWaitUntilIdleMaxPasses; ++pass) {
    if (pass > 0) platform::SleepMs(1000);
    ResultCode result = SoftReset();
    if (result != rc::Success) return result;
    result = InquireStatus(&ProgramPrinterStatus());
    if (result != rc::Success) return result;
    const uint16_t status = ProgramPrinterStatus().Status;
    if (status == printerstatus::Idle) return rc::Success;
    if (status == printerstatus::BeforeInitialFillUp || status == printerstatus::ErrorState) {
      return rc::PrinterNotReady;
    }
  }
  return rc::PrinterNeverIdle;
}
