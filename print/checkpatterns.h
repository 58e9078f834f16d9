// The fixed check patterns of the A4 check page and the top-margin print. Each routine composes
// one printed item on the job, from its own StartJob to its closing reset and flush, and returns
// 1 or the first failing result (the bytes appended before it stay queued). The paper position
// carries over from one routine to the next.
#pragma once

#include "link/resultcode.h"
#include "print/raster.h"

class CheckPatterns {
 public:
  // A full-width line at the top margin with a 0.4-inch stroke at the first dot position, then
  // "Top margin value = " and the stored top-margin byte (EEPROM 46).
  ResultCode PrintTopMarginLine(RasterJob& job) const;
  // A solid black block, 8 x 0.8 inch.
  ResultCode PrintBlackBeta(RasterJob& job) const;
  // Solid cyan, magenta and yellow blocks side by side, 0.8 inch high.
  ResultCode PrintColorBeta(RasterJob& job) const;
  // The black nozzles as a staircase of strokes in the left, middle and right thirds.
  ResultCode PrintBlackNozzleCheck(RasterJob& job) const;
  // Every colour nozzle as its own line, cyan, magenta and yellow side by side.
  ResultCode PrintColorNozzleCheck(RasterJob& job) const;
  // Black staircases of marks with the colour marks beside them, one cell per drop size.
  ResultCode PrintAlignmentPattern(RasterJob& job) const;
  // Black and colour marks at one pitch, and a wide block of ticks from the black head.
  ResultCode PrintColorGap(RasterJob& job) const;
  // The three dot sizes side by side.
  ResultCode PrintVariableDot(RasterJob& job) const;
};
