#include "print/angular.h"

#include "print/steps.h"

using namespace printsteps;

namespace {

// 72-byte segments every 108 bytes: the black ones from byte 0, the magenta ones 54 bytes later,
// so each magenta segment covers a black gap and overlaps both neighbours by 18 bytes.
ResultCode Segments(RasterJob& job) {
  for (int i = 0; i < 6; ++i) RETURN_IF_FAILED(Runs(job, {{72, 0xFF}, {36, 0x00}}));
  return rc::Success;
}

ResultCode OneLineBlock(RasterJob& job, uint8_t color) {
  RETURN_IF_FAILED(Resolution120(job));
  return Block(job, color, 720, 1);
}

}  // namespace

ResultCode AngularPattern::PrintHeadAngularPattern(RasterJob& job) const {
  RETURN_IF_FAILED(AppendWithNul(job, "Head Angular pattern(BK-M)"));
  RETURN_IF_FAILED(job.NewLines(1));
  return PrintHeadAngular(job);
}

ResultCode AngularPattern::PrintHeadAngular(RasterJob& job) const {
  RETURN_IF_FAILED(job.StartJob(10, 0, 1, 2));
  for (int pair = 0; pair < 24; ++pair) {
    RETURN_IF_FAILED(OneLineBlock(job, rastercolor::Black));
    RETURN_IF_FAILED(Segments(job));
    RETURN_IF_FAILED(job.RepeatSend(72, 0xFF));
    RETURN_IF_FAILED(job.FeedPaper(3));
    RETURN_IF_FAILED(OneLineBlock(job, rastercolor::Magenta));
    RETURN_IF_FAILED(job.RepeatSend(54, 0x00));
    RETURN_IF_FAILED(Segments(job));
    RETURN_IF_FAILED(job.RepeatSend(18, 0xFF));
    RETURN_IF_FAILED(job.FeedPaper(3));
  }
  RETURN_IF_FAILED(job.ResetPrinter());
  return job.FlushData();
}
