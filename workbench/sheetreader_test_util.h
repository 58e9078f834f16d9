// Reads the sheets the virtual printer ejected, as a technician reads paper: where the ink lies,
// how dense it is, and what the text lines say. The sheets are the PNG files in the printer's
// tray, decoded back to their ink levels (docs/printengine.md).
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/vprinterfixture.h"
#include "vprinter/printengine.h"

namespace sheettest {

using vprinter::Plane;

// The left edge of printing: the 8-inch print width centred on A4 paper.
inline constexpr int kLeftEdge = (vprinter::kSheetWidth - 2880) / 2;
// Where the first line of a sheet lies with a stored top margin of 0 (the page format's top).
inline constexpr int kPageTop = 42;
// One text line (1/6 inch) and one character cell (1/10 inch), in sheet pixels.
inline constexpr int kLinePixels = 60;
inline constexpr int kCellPixels = 36;

// The sheet pixel of one ink at one coverage level (1..3) and no other ink.
constexpr uint8_t Ink(Plane plane, int level) {
  return static_cast<uint8_t>(level << static_cast<int>(plane));
}

class Sheet {
 public:
  // Decodes a tray file; on failure the sheet stays empty and error says why.
  bool Load(const std::filesystem::path& file, std::string& error);

  int width() const { return width_; }
  int height() const { return height_; }
  uint8_t Pixel(int x, int y) const;
  int Level(int x, int y, Plane plane) const { return vprinter::Coverage(Pixel(x, y), plane); }

  // The columns in [x0, x1) where row y carries the plane's ink.
  std::vector<int> InkColumns(Plane plane, int y, int x0, int x1) const;
  // Whether every pixel of the rectangle [x0, x1) x [y0, y1) is exactly this pixel value.
  bool Uniform(int x0, int y0, int x1, int y1, uint8_t pixel) const;
  // The first row at or below y0 with any ink in the columns [x0, x1); -1 when there is none.
  int FirstInkedRow(int x0, int x1, int y0 = 0) const;
  // The text of count character cells from x on, in the text line whose top edge is y: each cell
  // read against the printer's font, a blank cell as a space, anything else as '?'.
  std::string ReadText(int x, int y, int count) const;

 private:
  std::vector<uint8_t> pixels_;
  int width_ = 0;
  int height_ = 0;
};

// The sheets the printer ejected since its trace was last cleared, in order, decoded.
std::vector<Sheet> EjectedSheets(const testing_support::VirtualPrinter& printer);

}  // namespace sheettest
