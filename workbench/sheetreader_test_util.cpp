#include "workbench/sheetreader_test_util.h"

#include <gtest/gtest.h>

#include "vprinter/engine_font.h"

namespace sheettest {

namespace font = vprinter::font;

bool Sheet::Load(const std::filesystem::path& file, std::string& error) {
  if (vprinter::DecodeSheetPng(file, pixels_, width_, height_, error)) return true;
  pixels_.clear();
  width_ = height_ = 0;
  return false;
}

uint8_t Sheet::Pixel(int x, int y) const {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return 0;
  return pixels_[static_cast<std::size_t>(y) * width_ + x];
}

std::vector<int> Sheet::InkColumns(Plane plane, int y, int x0, int x1) const {
  std::vector<int> columns;
  for (int x = x0; x < x1; ++x) {
    if (Level(x, y, plane) != 0) columns.push_back(x);
  }
  return columns;
}

bool Sheet::Uniform(int x0, int y0, int x1, int y1, uint8_t pixel) const {
  for (int y = y0; y < y1; ++y) {
    for (int x = x0; x < x1; ++x) {
      if (Pixel(x, y) != pixel) return false;
    }
  }
  return true;
}

int Sheet::FirstInkedRow(int x0, int x1, int y0) const {
  for (int y = y0; y < height_; ++y) {
    for (int x = x0; x < x1; ++x) {
      if (Pixel(x, y) != 0) return y;
    }
  }
  return -1;
}

std::string Sheet::ReadText(int x, int y, int count) const {
  // A font dot is a 5 x 5 square of full black; its centre pixel tells whether it is set.
  auto dotSet = [&](int cellX, int row, int column) {
    const int px = cellX + font::kOffsetX + column * font::kDotPixels + font::kDotPixels / 2;
    const int py = y + font::kOffsetY + row * font::kDotPixels + font::kDotPixels / 2;
    return Level(px, py, Plane::kBlack) != 0;
  };
  auto matches = [&](int cellX, const font::Glyph& glyph) {
    for (int row = 0; row < font::kRows; ++row) {
      for (int column = 0; column < font::kColumns; ++column) {
        const bool wanted = (glyph[row] >> (font::kColumns - 1 - column)) & 1;
        if (dotSet(cellX, row, column) != wanted) return false;
      }
    }
    return true;
  };
  std::string text;
  for (int i = 0; i < count; ++i) {
    const int cellX = x + i * font::kCellWidth;
    char read = '?';
    for (int code = 0x20; code <= 0x7E; ++code) {
      const font::Glyph* glyph = font::GlyphFor(static_cast<uint8_t>(code));
      if (glyph != nullptr && matches(cellX, *glyph)) {
        read = static_cast<char>(code);
        break;
      }
    }
    text += read;
  }
  return text;
}

std::vector<Sheet> EjectedSheets(const testing_support::VirtualPrinter& printer) {
  std::vector<Sheet> sheets;
  for (const testing_support::TraceEntry& entry : printer.Trace("sheet")) {
    const auto file = entry.strings.find("file");
    if (file == entry.strings.end()) {
      ADD_FAILURE() << "a sheet record without its file";
      continue;
    }
    std::string error;
    Sheet sheet;
    if (!sheet.Load(file->second, error)) ADD_FAILURE() << file->second << ": " << error;
    sheets.push_back(std::move(sheet));
  }
  return sheets;
}

}  // namespace sheettest
