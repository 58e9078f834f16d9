// The chip information page: both cartridges' texts as plain text, no printer set-up before them,
// so the printer prints them in its own text mode from the top of the sheet.
#include <array>
#include <span>
#include <string>

#include "crtag/crtag.h"
#include "print/raster.h"

namespace {

// Headings go out with their terminating zero byte, which prints nothing.
constexpr char kBlackHeading[] = "Black CRTAG information";
constexpr char kColorHeading[] = "Color CRTAG information";
constexpr char kPeculiar[] = "     (Peculiar)";
constexpr char kHistory[] = "     (History)";

// What earlier bytes wait in the job go first, so the printer gets everything in the order sent.
ResultCode SendAfterWaiting(RasterJob& job, std::span<const uint8_t> bytes) {
  RETURN_IF_FAILED(job.FlushData());
  return job.SendDirect(bytes);
}

template <std::size_t N>
ResultCode SendHeading(RasterJob& job, const char (&heading)[N]) {
  return SendAfterWaiting(job, std::span(reinterpret_cast<const uint8_t*>(heading), N));
}

ResultCode SendText(RasterJob& job, const std::string& text) {
  return SendAfterWaiting(job,
                          std::span(reinterpret_cast<const uint8_t*>(text.data()), text.size()));
}

ResultCode SendPage(RasterJob& job, const std::array<std::string, 4>& texts) {
  for (int cartridge = 0; cartridge < 2; ++cartridge) {
    RETURN_IF_FAILED(cartridge == 0 ? SendHeading(job, kBlackHeading)
                                    : SendHeading(job, kColorHeading));
    RETURN_IF_FAILED(job.NewLines(2));
    RETURN_IF_FAILED(SendHeading(job, kPeculiar));
    RETURN_IF_FAILED(job.NewLines(1));
    RETURN_IF_FAILED(SendText(job, texts[2 * cartridge]));
    RETURN_IF_FAILED(job.NewLines(2));
    RETURN_IF_FAILED(SendHeading(job, kHistory));
    RETURN_IF_FAILED(job.NewLines(1));
    RETURN_IF_FAILED(SendText(job, texts[2 * cartridge + 1]));
    RETURN_IF_FAILED(job.NewLines(3));
  }
  RETURN_IF_FAILED(job.FormFeed());
  return job.FlushData();
}

}  // namespace

ResultCode Crtag::PrintCrtagInformation(RasterJob& job) const {
  std::array<std::string, 4> texts;
  RETURN_IF_FAILED(CrtagUniqueText(kBlack, &texts[0]));
  RETURN_IF_FAILED(CrtagUsageText(kBlack, &texts[1]));
  RETURN_IF_FAILED(CrtagUniqueText(kColor, &texts[2]));
  RETURN_IF_FAILED(CrtagUsageText(kColor, &texts[3]));

  // Bytes an earlier print left waiting (the form feed after a Bi-D pattern) go out first. If
  // they cannot, nothing of this page is queued and they stay for the next print.
  RETURN_IF_FAILED(job.FlushData());
  const ResultCode result = SendPage(job, texts);
  // A page cut short must not reach the paper at the head of the next print.
  if (result != rc::Success) job.DiscardWaiting();
  return result;
}
