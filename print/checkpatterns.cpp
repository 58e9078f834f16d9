#include "print/checkpatterns.h"

#include <cstdio>

#include "eeprom/addressmap.h"
#include "eeprom/cellaccess.h"
#include "platform/sleep.h"
#include "print/steps.h"

using namespace printsteps;

namespace {

// Cyan, magenta and yellow blocks of 48 lines at 120 dpi, solid over bytes 0..237, 241..478 and
// 482..719, with carriage returns between them and the given feed after yellow.
ResultCode ColorThirds(RasterJob& job, uint8_t feedAfterYellow) {
  struct Third {
    uint8_t color;
    Run runs[6];
  };
  static constexpr Third kThirds[3] = {
      {rastercolor::Cyan,
       {{119, 0xFF}, {119, 0xFF}, {121, 0x00}, {121, 0x00}, {120, 0x00}, {120, 0x00}}},
      {rastercolor::Magenta,
       {{121, 0x00}, {120, 0x00}, {119, 0xFF}, {119, 0xFF}, {121, 0x00}, {120, 0x00}}},
      {rastercolor::Yellow,
       {{121, 0x00}, {121, 0x00}, {120, 0x00}, {120, 0x00}, {119, 0xFF}, {119, 0xFF}}}};
  for (const Third& third : kThirds) {
    RETURN_IF_FAILED(Resolution120(job));
    RETURN_IF_FAILED(Block(job, third.color, 720, 48));
    for (int line = 0; line < 48; ++line) RETURN_IF_FAILED(Runs(job, third.runs));
    const bool last = third.color == rastercolor::Yellow;
    RETURN_IF_FAILED(job.FeedPaper(last ? feedAfterYellow : 0));
  }
  return rc::Success;
}

// The black head's print of two full-width bands of 144 lines at 360 dpi, each line made by
// line(job, index), then 10 more units of paper.
template <typename LineMaker>
ResultCode TwoBlackBands(RasterJob& job, LineMaker line) {
  RETURN_IF_FAILED(job.StartJob(10, 1, 1, 1));
  for (int band = 0; band < 2; ++band) {
    RETURN_IF_FAILED(Resolution360(job));
    RETURN_IF_FAILED(Block(job, rastercolor::Black, 720, 144));
    for (int i = 0; i < 144; ++i) RETURN_IF_FAILED(line(job, i));
    RETURN_IF_FAILED(job.FeedPaper(144));
  }
  RETURN_IF_FAILED(job.FeedPaper(10));
  RETURN_IF_FAILED(job.ResetPrinter());
  return job.FlushData();
}

// Two marks of one value ten bytes apart in a 40-byte piece: the cells of the alignment pattern.
ResultCode TwoMarks(RasterJob& job, uint8_t value) {
  return Runs(job, {{1, value}, {9, 0x00}, {1, value}, {9, 0x00}, {20, 0x00}});
}

// A tick of the colour-gap pattern: one 55 byte and eleven empty ones.
ResultCode Ticks(RasterJob& job, int count) {
  for (int i = 0; i < count; ++i) RETURN_IF_FAILED(Runs(job, {{1, 0x55}, {11, 0x00}}));
  return rc::Success;
}

// One line of the colour-gap pattern's wide block (288 bytes).
ResultCode WideGapLine(RasterJob& job, int line) {
  const int phase = line % 3;
  if (line < 72) {
    if (phase != 0) return Repeat(job, 24, 12, 0x00);
    RETURN_IF_FAILED(Ticks(job, 11));
    RETURN_IF_FAILED(job.RepeatSend(12, 0x00));
    RETURN_IF_FAILED(Ticks(job, 11));
    return job.RepeatSend(12, 0x00);
  }
  switch (phase) {
    case 0:
      return Repeat(job, 24, 12, 0x00);
    case 1:
      RETURN_IF_FAILED(Ticks(job, 11));
      return Repeat(job, 13, 12, 0x00);
    default:
      RETURN_IF_FAILED(Repeat(job, 12, 12, 0x00));
      RETURN_IF_FAILED(Ticks(job, 11));
      return job.RepeatSend(12, 0x00);
  }
}

// The small 110-byte blocks of the colour-gap pattern: eleven marks at a 10-byte pitch in the
// upper or the lower 24 lines, then the print position moves on by 32 units.
ResultCode GapBlock(RasterJob& job, uint8_t color, bool marksInUpperHalf) {
  RETURN_IF_FAILED(Resolution120(job));
  RETURN_IF_FAILED(Block(job, color, 110, 48));
  for (int line = 0; line < 48; ++line) {
    const bool marks = (line < 24) == marksInUpperHalf;
    for (int i = 0; i < 11; ++i) {
      if (marks) {
        RETURN_IF_FAILED(Runs(job, {{1, 0x55}, {9, 0x00}}));
      } else {
        RETURN_IF_FAILED(job.RepeatSend(10, 0x00));
      }
    }
  }
  return job.MoveRight(32);
}

}  // namespace

ResultCode CheckPatterns::PrintTopMarginLine(RasterJob& job) const {
  RETURN_IF_FAILED(job.ResetPrinter());
  platform::SleepMs(10);
  uint8_t topMargin = 0;
  RETURN_IF_FAILED(eeprom::ReadCell(eeprom::kTopMargin, &topMargin));
  // Up to "255" and its NUL: the field always holds the whole text.
  char value[4] = {0, 0, 0, 0};
  std::snprintf(value, sizeof value, "%u", static_cast<unsigned>(topMargin));

  RETURN_IF_FAILED(job.StartJob(10, 1, 3, 1));
  RETURN_IF_FAILED(job.SetPaperSize({0xA0, 0x0B, 0x00, 0x00}, {0x70, 0x10, 0x00, 0x00}));
  RETURN_IF_FAILED(job.SetPageMargins({0x2A, 0x00, 0x00, 0x00}, {0x1E, 0x1F, 0x00, 0x00}));
  RETURN_IF_FAILED(job.SetRasterResolution(0x68, 0x01, 2, 1));
  RETURN_IF_FAILED(Block(job, rastercolor::Black, 720, 72));
  RETURN_IF_FAILED(FullLine(job, 0xFF));
  for (int line = 1; line < 72; ++line) {
    RETURN_IF_FAILED(Runs(job, {{1, 0xC0}, {119, 0x00}}));
    RETURN_IF_FAILED(Repeat(job, 5, 120, 0x00));
  }
  RETURN_IF_FAILED(job.ResetPrinter());
  RETURN_IF_FAILED(job.NewLines(3));
  RETURN_IF_FAILED(job.ResetPrinter());
  RETURN_IF_FAILED(AppendWithNul(job, "Top margin value = "));
  RETURN_IF_FAILED(job.AppendData(value, 4));
  return job.FlushData();
}

ResultCode CheckPatterns::PrintBlackBeta(RasterJob& job) const {
  return TwoBlackBands(job, [](RasterJob& j, int) { return FullLine(j, 0xFF); });
}

ResultCode CheckPatterns::PrintColorBeta(RasterJob& job) const {
  RETURN_IF_FAILED(job.StartJob(10, 1, 1, 2));
  // Each band prints its 1/120-inch rows three times, one unit lower each time: 1 + 1 + 1 + 141
  // units make one band of 144.
  for (int band = 0; band < 2; ++band) {
    for (int pass = 0; pass < 3; ++pass) RETURN_IF_FAILED(ColorThirds(job, 1));
    RETURN_IF_FAILED(job.FeedPaper(141));
  }
  RETURN_IF_FAILED(job.ResetPrinter());
  RETURN_IF_FAILED(job.NewLines(1));
  return job.FlushData();
}

ResultCode CheckPatterns::PrintBlackNozzleCheck(RasterJob& job) const {
  return TwoBlackBands(job, [](RasterJob& j, int line) {
    // The stroke steps through the left, middle and right third, one nozzle line each.
    const int third = line % 3;
    RETURN_IF_FAILED(Repeat(j, 2 * third, 120, 0x00));
    RETURN_IF_FAILED(Repeat(j, 2, 120, 0xFF));
    return Repeat(j, 4 - 2 * third, 120, 0x00);
  });
}

ResultCode CheckPatterns::PrintColorNozzleCheck(RasterJob& job) const {
  RETURN_IF_FAILED(job.StartJob(10, 1, 1, 2));
  // One pass per band, so the 1/120-inch rows stay apart and each nozzle shows its own line.
  for (int band = 0; band < 2; ++band) RETURN_IF_FAILED(ColorThirds(job, 144));
  RETURN_IF_FAILED(job.ResetPrinter());
  RETURN_IF_FAILED(job.NewLines(1));
  return job.FlushData();
}

ResultCode CheckPatterns::PrintAlignmentPattern(RasterJob& job) const {
  struct Cell {
    uint8_t value;
    uint8_t dropSize;
  };
  static constexpr Cell kCells[3] = {{0xF0, 1}, {0x50, 2}, {0x55, 3}};
  for (int band = 0; band < 2; ++band) {
    for (int pass = 0; pass < 3; ++pass) {
      for (int k = 0; k < 3; ++k) {
        const Cell& cell = kCells[k];
        RETURN_IF_FAILED(job.StartJob(10, 1, cell.dropSize, 1));
        RETURN_IF_FAILED(job.MoveRight(960 * k));
        RETURN_IF_FAILED(Resolution360(job));
        RETURN_IF_FAILED(Block(job, rastercolor::Black, 120, 144));
        for (int line = 0; line < 144; ++line) {
          // The marks shift by 40 bytes a line in a cycle of three: a staircase.
          const int lead = line % 3;
          if (lead > 0) RETURN_IF_FAILED(job.RepeatSend(static_cast<uint8_t>(40 * lead), 0x00));
          RETURN_IF_FAILED(TwoMarks(job, cell.value));
          if (lead < 2)
            RETURN_IF_FAILED(job.RepeatSend(static_cast<uint8_t>(80 - 40 * lead), 0x00));
        }
        RETURN_IF_FAILED(job.StartJob(10, 1, cell.dropSize, 2));
        RETURN_IF_FAILED(job.MoveRight(960 * k + 480));
        for (uint8_t color : {rastercolor::Cyan, rastercolor::Magenta, rastercolor::Yellow}) {
          RETURN_IF_FAILED(Resolution120(job));
          RETURN_IF_FAILED(Block(job, color, 40, 48));
          for (int line = 0; line < 48; ++line) RETURN_IF_FAILED(TwoMarks(job, cell.value));
        }
      }
      RETURN_IF_FAILED(job.FeedPaper(1));
      platform::SleepMs(2000);
    }
    RETURN_IF_FAILED(job.FeedPaper(141));
  }
  RETURN_IF_FAILED(job.FeedPaper(60));
  RETURN_IF_FAILED(job.ResetPrinter());
  return job.FlushData();
}

ResultCode CheckPatterns::PrintColorGap(RasterJob& job) const {
  for (int pass = 0; pass < 3; ++pass) {
    RETURN_IF_FAILED(job.StartJob(10, 1, 2, 2));
    for (int block = 0; block < 3; ++block) {
      RETURN_IF_FAILED(GapBlock(job, rastercolor::Black, true));
    }
    RETURN_IF_FAILED(job.FeedPaper(0));
    for (uint8_t color : {rastercolor::Cyan, rastercolor::Magenta, rastercolor::Yellow}) {
      RETURN_IF_FAILED(GapBlock(job, color, false));
    }
    platform::SleepMs(1000);
    // The wide block is printed in monochrome mode at the black head's geometry, so it names
    // black: a colour byte here would ask the printer for a colour the mode does not print.
    RETURN_IF_FAILED(job.StartJob(10, 1, 2, 1));
    RETURN_IF_FAILED(job.MoveRight(1440));
    RETURN_IF_FAILED(Resolution360(job));
    RETURN_IF_FAILED(Block(job, rastercolor::Black, 288, 144));
    for (int line = 0; line < 144; ++line) RETURN_IF_FAILED(WideGapLine(job, line));
    RETURN_IF_FAILED(job.FeedPaper(1));
    platform::SleepMs(1000);
  }
  RETURN_IF_FAILED(job.FeedPaper(141));
  RETURN_IF_FAILED(job.ResetPrinter());
  return job.FlushData();
}

ResultCode CheckPatterns::PrintVariableDot(RasterJob& job) const {
  RETURN_IF_FAILED(job.StartJob(10, 1, 2, 1));
  RETURN_IF_FAILED(Resolution360(job));
  RETURN_IF_FAILED(Block(job, rastercolor::Black, 720, 144));
  for (int line = 0; line < 144; ++line) {
    RETURN_IF_FAILED(
        Runs(job, {{120, 0xFF}, {120, 0xFF}, {120, 0xAA}, {120, 0xAA}, {120, 0x55}, {120, 0x55}}));
  }
  RETURN_IF_FAILED(job.FeedPaper(204));
  RETURN_IF_FAILED(job.ResetPrinter());
  return job.FlushData();
}
