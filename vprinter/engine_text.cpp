#include "vprinter/engine_text.h"

#include <algorithm>

#include "vprinter/engine_font.h"

namespace vprinter::text {

namespace {
constexpr int kTabColumns = 8;
}

bool Print(Page& page, uint8_t code) {
  page.EnsureSheet();
  if (page.X() + font::kCellWidth > page::kPrintWidth) {  // the 81st character starts a line
    page.SetX(0);
    LineFeed(page);
    return false;
  }
  const font::Glyph* glyph = font::GlyphFor(code);
  const int left = page.SheetX(page.X()) + font::kOffsetX;
  for (int row = 0; row < font::kRows; ++row) {
    for (int col = 0; col < font::kColumns; ++col) {
      if (((*glyph)[row] >> (font::kColumns - 1 - col) & 1) == 0) continue;
      for (int dy = 0; dy < font::kDotPixels; ++dy) {
        page.TextRow(left + col * font::kDotPixels, font::kDotPixels,
                     font::kOffsetY + row * font::kDotPixels + dy);
      }
    }
  }
  page.SetX(page.X() + font::kCellWidth);
  return true;
}

void Tab(Page& page) {
  const int column = page.X() / font::kCellWidth;
  const int next = (column / kTabColumns + 1) * kTabColumns * font::kCellWidth;
  page.SetX(std::min(next, page::kPrintWidth));
}

void LineFeed(Page& page) {
  page.Feed(font::kCellHeight);
}

}  // namespace vprinter::text
