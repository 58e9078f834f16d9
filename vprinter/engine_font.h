// The printer's own text-mode font: a monospace dot-matrix face, 5 dots wide and 7 high with two
// rows of descenders, drawn at 5 x 5 pixels per font dot into a 10-cpi, 1/6-inch character cell.
#pragma once

#include <array>
#include <cstdint>

namespace vprinter::font {

inline constexpr int kColumns = 5;
inline constexpr int kRows = 9;         // 7 above the baseline, 2 of descenders
inline constexpr int kDotPixels = 5;    // one font dot is a 5 x 5 pixel square at 360 dpi
inline constexpr int kCellWidth = 36;   // 10 characters per inch
inline constexpr int kCellHeight = 60;  // 6 lines per inch
inline constexpr int kOffsetX = (kCellWidth - kColumns * kDotPixels) / 2;
inline constexpr int kOffsetY = 6;  // cap line below the top of the cell

// One glyph: a row of kColumns bits per entry, the leftmost dot in the highest bit.
using Glyph = std::array<uint8_t, kRows>;

// The glyph of a printable ASCII character (0x20..0x7E); nullptr for anything else.
const Glyph* GlyphFor(uint8_t code);

}  // namespace vprinter::font
