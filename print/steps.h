// Small pieces the print routines share: text with or without its terminating NUL, and runs of one
// value.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <span>

#include "link/resultcode.h"
#include "print/raster.h"

namespace printsteps {

// A text literal with its terminating NUL, the way the headings and labels go to the printer.
template <std::size_t N>
ResultCode AppendWithNul(RasterJob& job, const char (&text)[N]) {
  return job.AppendData(text, static_cast<int>(N));
}

// A text literal without its NUL.
template <std::size_t N>
ResultCode AppendWithoutNul(RasterJob& job, const char (&text)[N]) {
  return job.AppendData(text, static_cast<int>(N - 1));
}

// One RepeatSend run: count copies of value.
struct Run {
  uint8_t count;
  uint8_t value;
};

// The runs in order.
ResultCode Runs(RasterJob& job, std::span<const Run> runs);
inline ResultCode Runs(RasterJob& job, std::initializer_list<Run> runs) {
  return Runs(job, std::span<const Run>(runs.begin(), runs.size()));
}

// times runs of count copies of value.
ResultCode Repeat(RasterJob& job, int times, uint8_t count, uint8_t value);

// A full-width (720-byte) line of one value, as six runs of 120.
inline ResultCode FullLine(RasterJob& job, uint8_t value) {
  return Repeat(job, 6, 120, value);
}

// The 120-dpi and 360-dpi vertical resolutions at 360 dpi across.
inline ResultCode Resolution120(RasterJob& job) {
  return job.SetRasterResolution(0x68, 0x01, 3, 1);
}
inline ResultCode Resolution360(RasterJob& job) {
  return job.SetRasterResolution(0x68, 0x01, 1, 1);
}

// A block of lines lines of width bytes, compression 1, 2 bits per dot.
ResultCode Block(RasterJob& job, uint8_t color, int width, int lines);

}  // namespace printsteps
