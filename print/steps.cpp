#include "print/steps.h"

namespace printsteps {

ResultCode Runs(RasterJob& job, std::span<const Run> runs) {
  for (const Run& run : runs) RETURN_IF_FAILED(job.RepeatSend(run.count, run.value));
  return rc::Success;
}

ResultCode Repeat(RasterJob& job, int times, uint8_t count, uint8_t value) {
  for (int i = 0; i < times; ++i) RETURN_IF_FAILED(job.RepeatSend(count, value));
  return rc::Success;
}

ResultCode Block(RasterJob& job, uint8_t color, int width, int lines) {
  return job.StartRaster(color, 1, 2, static_cast<uint8_t>(width & 0xFF),
                         static_cast<uint8_t>(width >> 8), static_cast<uint8_t>(lines & 0xFF),
                         static_cast<uint8_t>(lines >> 8));
}

}  // namespace printsteps
