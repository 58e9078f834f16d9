// The one sheet image the printer holds, the inks' colours and the PNG files of the tray.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include "vprinter/printengine.h"

namespace vprinter {

class SheetImage {
 public:
  // Allocates the whole sheet once; it is never reallocated.
  SheetImage();
  // Makes the sheet white again.
  void Clear();
  const uint8_t* Pixels() const { return pixels_.get(); }
  // Rows [DirtyTop(), DirtyBottom()) may carry ink; every other row is white (0).
  int DirtyTop() const { return dirtyTop_; }
  int DirtyBottom() const { return dirtyBottom_; }
  // Adds ink to one pixel; coverage saturates at 3. Pixels off the sheet are not there to print.
  void Lay(int x, int y, Plane plane, int level) {
    if (x < 0 || y < 0 || x >= kSheetWidth || y >= kSheetHeight) return;
    if (y < dirtyTop_) dirtyTop_ = y;
    if (y >= dirtyBottom_) dirtyBottom_ = y + 1;
    uint8_t& p = pixels_[static_cast<std::size_t>(y) * kSheetWidth + x];
    const int shift = static_cast<int>(plane);
    const int now = (p >> shift) & 3;
    const int sum = now + level > 3 ? 3 : now + level;
    p = static_cast<uint8_t>((p & ~(3 << shift)) | (sum << shift));
  }
  // Writes the sheet as an 8-bit palette PNG, row by row straight from the buffer.
  bool WritePng(const std::filesystem::path& file, std::string& error) const;

 private:
  std::unique_ptr<uint8_t[]> pixels_;
  // Rows [dirtyTop_, dirtyBottom_) may carry ink: only they need clearing for the next sheet.
  int dirtyTop_ = 0;
  int dirtyBottom_ = kSheetHeight;
};

// Writes the sheet into the tray under a new name that sorts after the earlier ones and returns
// the file's path; an empty path and the reason if it could not be written.
std::string WriteToTray(const SheetImage& sheet, const std::filesystem::path& tray,
                        std::string& error);
// The same for a copy of a sheet's pixels (kSheetWidth x kSheetHeight).
std::string WriteToTray(const uint8_t* pixels, const std::filesystem::path& tray,
                        std::string& error);
// The same for a sheet given row by row: row(y) for y = 0 .. kSheetHeight-1 in turn, each
// kSheetWidth pixels, valid until the next call.
using SheetRows = std::function<const uint8_t*(int y)>;
std::string WriteToTray(const SheetRows& row, const std::filesystem::path& tray,
                        std::string& error);
bool WriteSheetPng(const uint8_t* pixels, const std::filesystem::path& file, std::string& error);

// Whether sheets can be written into the tray now: creates it if need be and writes, syncs and
// removes a small file there (a full disk shows only when data must reach it). False with the
// reason.
bool TrayWritable(const std::filesystem::path& tray, std::string& error);

// The colour of every pixel byte: the four inks at their coverage, mixed subtractively on white.
using Rgb = std::array<uint8_t, 3>;
const std::array<Rgb, 256>& SheetPalette();

}  // namespace vprinter
