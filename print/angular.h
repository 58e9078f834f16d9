// The head angular pattern: black and magenta segments in alternating raster lines, printed in
// both directions, the magenta segments bridging the gaps of the black ones, so the black head's
// output can be compared with the colour head's along the band.
#pragma once

#include "link/resultcode.h"
#include "print/raster.h"

class AngularPattern {
 public:
  // The title "Head Angular pattern(BK-M)", a line end, then the pattern.
  ResultCode PrintHeadAngularPattern(RasterJob& job) const;
  // The raster part alone: 24 pairs of one-line blocks, 3 units apart, a band of 0.4 inch.
  ResultCode PrintHeadAngular(RasterJob& job) const;
};
