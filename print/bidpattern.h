// The Bi-D adjustment pattern: for each of the six Bi-D values (drop size x ink group) a
// reference row printed in one direction and three test rows printed in both directions with the
// printer's value set, through WriteBid, to the stored value - 2, the value and the value + 2.
// The technician reads the right value off the test row that lines up with the reference. The
// byte read at the start of a row is written back after it. A failure while a test value may be
// in the printer writes the stored byte once more (the restore after a failed test write, the one
// retry after a failed final write), and says in a BidRestore what the
// printer holds then: a test value left behind would be taken for the technician's own by the
// next print and by every page printed after it.
#pragma once

#include <cstdint>
#include <vector>

#include "link/resultcode.h"
#include "print/raster.h"

// What a failed row left in the printer's Bi-D value.
struct BidRestore {
  bool touched = false;  // a test value was written, or tried, before the failure
  int dropSize = 0;      // 1 = MS, 2 = 6pl, 3 = 4pl
  int inkGroup = 0;      // 1 = black, 2 = colour
  int8_t stored = 0;     // the value read before the row
  // The values the printer may hold now, ascending: one when the last writes' outcomes are known;
  // more when a write failed in a way that leaves open whether the printer took it (a time-out).
  std::vector<int8_t> held;

  bool Restored() const { return held.size() == 1 && held[0] == stored; }
};

class BidPattern {
 public:
  // The title "Bi-D check pattern", then the six rows: MS, 6pl, 4pl, black before colour.
  // `restore` (optional) receives the state of a row's Bi-D value after a failure in that row.
  ResultCode PrintBidPattern(RasterJob& job, BidRestore* restore = nullptr) const;
  // One row at 360 x 360 dpi in blocks of 144 lines (drop size 1 = MS, 2 = 6pl, 3 = 4pl).
  ResultCode PrintBlackBidRow(RasterJob& job, int dropSize, BidRestore* restore = nullptr) const;
  // One row at 120 dpi in blocks of 48 lines, printed three times one unit apart.
  ResultCode PrintColorBidRow(RasterJob& job, int dropSize, BidRestore* restore = nullptr) const;
  // The text line "data = " value - 2, value, value + 2 (signed bytes) above a row.
  ResultCode PrintValueTriple(RasterJob& job, uint8_t value) const;
  // One 720-byte line with three groups of five marks at bytes 90, 330 and 570.
  ResultCode BidReferenceLine(RasterJob& job) const;

  // The stored byte as the pattern uses it: values at the ends of the range are moved in so that
  // value - 2 and value + 2 stay printable (35, 36 -> 33; -36 -> -34; -35 -> -33).
  static uint8_t ClampForPattern(uint8_t stored);
  // The signed decimal text of value written at the start of the 4-byte field, with its NUL when
  // it fits. The longest texts ("-100" to "-128") fill the field without a NUL: the printer shows
  // the number as it is, and nothing is written past the field.
  static void WriteValueText(int8_t value, char (&field)[4]);
};
