#include "print/checkpattern.h"

#include <cstring>

#include "link/statuscontrol.h"
#include "print/steps.h"

using namespace printsteps;

namespace {
constexpr char kBlankCounter[6] = {' ', ' ', ' ', ' ', ' ', '\0'};
}  // namespace

CheckPage::CheckPage(const Maintenance& maintenance, const HeadId& headId, const UsbId& usbId,
                     const CheckPatterns& patterns, const AngularPattern& angular,
                     const BidPattern& bid)
    : maintenance_(maintenance),
      headIdUnit_(headId),
      usbIdUnit_(usbId),
      patterns_(patterns),
      angular_(angular),
      bid_(bid) {}

ResultCode CheckPage::ReadValues() {
  // The reading routine writes only the text and its NUL; without this reset a shorter counter
  // would print with the tail of a longer earlier one (123 after 45678 as "123" NUL "8").
  std::memcpy(protectionCounter_, kBlankCounter, sizeof protectionCounter_);
  RETURN_IF_FAILED(maintenance_.ReadProtectionCounter(protectionCounter_));
  RETURN_IF_FAILED(headIdUnit_.ReadHeadId(headId_));
  return usbIdUnit_.ReadUsbId(usbId_);
}

ResultCode CheckPage::PrintFirstSheet(RasterJob& job, BidRestore* restore) {
  for (std::span<const uint8_t> piece : remotepreamble::kPieces) {
    RETURN_IF_FAILED(job.AppendData(piece));
  }
  RETURN_IF_FAILED(patterns_.PrintTopMarginLine(job));

  RETURN_IF_FAILED(job.NewLines(2));
  RETURN_IF_FAILED(AppendWithNul(job, "2. Protection counter value = "));
  RETURN_IF_FAILED(job.AppendData(protectionCounter_, 5));
  RETURN_IF_FAILED(job.NewLines(2));

  RETURN_IF_FAILED(AppendWithNul(job, "3. Beta pattern(BK/C-M-Y)"));
  RETURN_IF_FAILED(job.NewLines(1));
  RETURN_IF_FAILED(patterns_.PrintBlackBeta(job));
  RETURN_IF_FAILED(patterns_.PrintColorBeta(job));

  RETURN_IF_FAILED(AppendWithNul(job, "4. Nozzle check pattern(BK/C-M-Y)"));
  RETURN_IF_FAILED(job.NewLines(1));
  RETURN_IF_FAILED(patterns_.PrintBlackNozzleCheck(job));
  RETURN_IF_FAILED(patterns_.PrintColorNozzleCheck(job));

  RETURN_IF_FAILED(AppendWithNul(job, "5. "));
  RETURN_IF_FAILED(angular_.PrintHeadAngularPattern(job));
  RETURN_IF_FAILED(job.NewLines(1));

  RETURN_IF_FAILED(AppendWithNul(job, "6. "));
  RETURN_IF_FAILED(bid_.PrintBidPattern(job, restore));

  RETURN_IF_FAILED(job.FormFeed());
  return job.FlushData();
}

ResultCode CheckPage::PrintSecondSheet(RasterJob& job) {
  RETURN_IF_FAILED(job.NewLines(2));
  RETURN_IF_FAILED(AppendWithNul(job, "7. Head ID = "));
  RETURN_IF_FAILED(job.AppendData(headId_, 11));
  RETURN_IF_FAILED(job.NewLines(2));
  RETURN_IF_FAILED(AppendWithNul(job, "8. USB ID = "));
  RETURN_IF_FAILED(job.AppendData(usbId_, 18));
  RETURN_IF_FAILED(job.NewLines(2));
  RETURN_IF_FAILED(job.FlushData());
  RETURN_IF_FAILED(WaitUntilIdle());

  RETURN_IF_FAILED(AppendWithNul(job, "9. Alignment pattern(BK/C-M-Y)"));
  RETURN_IF_FAILED(job.NewLines(1));
  RETURN_IF_FAILED(patterns_.PrintAlignmentPattern(job));
  RETURN_IF_FAILED(job.FlushData());
  RETURN_IF_FAILED(WaitUntilIdle());

  RETURN_IF_FAILED(AppendWithNul(job, "10. Color Gap"));
  RETURN_IF_FAILED(job.NewLines(1));
  RETURN_IF_FAILED(patterns_.PrintColorGap(job));
  RETURN_IF_FAILED(job.NewLines(2));

  RETURN_IF_FAILED(AppendWithNul(job, "11. 6pl VARIABLE DOT"));
  RETURN_IF_FAILED(job.NewLines(1));
  RETURN_IF_FAILED(patterns_.PrintVariableDot(job));

  RETURN_IF_FAILED(job.FormFeed());
  return job.FlushData();
}

ResultCode CheckPage::PrintCheckPage(RasterJob& job, BidRestore* restore) {
  RETURN_IF_FAILED(ReadValues());
  RETURN_IF_FAILED(PrintFirstSheet(job, restore));
  RETURN_IF_FAILED(WaitUntilIdle());
  RETURN_IF_FAILED(PrintSecondSheet(job));
  return rc::Success;
}
