#include "vprinter/engine_sheet.h"

#include <png.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <vector>

namespace vprinter {

SheetImage::SheetImage()
    : pixels_(new uint8_t[static_cast<std::size_t>(kSheetWidth) * kSheetHeight]) {
  Clear();
}

void SheetImage::Clear() {
  if (dirtyBottom_ > dirtyTop_) {
    std::memset(pixels_.get() + static_cast<std::size_t>(dirtyTop_) * kSheetWidth, 0,
                static_cast<std::size_t>(dirtyBottom_ - dirtyTop_) * kSheetWidth);
  }
  dirtyTop_ = kSheetHeight;
  dirtyBottom_ = 0;
}

namespace {

// Share of the paper an ink covers at each coverage level: the three dot sizes read as three
// densities, the large dot covering its pixel fully.
constexpr double kLevelShare[4] = {0.0, 0.4, 0.7, 1.0};

struct InkColour {
  Plane plane;
  double r, g, b;  // the ink's colour at full coverage, 0..1
};
constexpr InkColour kInks[4] = {
    {Plane::kBlack, 0.08, 0.08, 0.09},
    {Plane::kCyan, 0.0, 0.62, 0.88},
    {Plane::kMagenta, 0.89, 0.0, 0.50},
    {Plane::kYellow, 1.0, 0.92, 0.0},
};

std::array<Rgb, 256> MakePalette() {
  std::array<Rgb, 256> palette{};
  for (int index = 0; index < 256; ++index) {
    // Each ink passes on its own colour's share of the light and absorbs the rest where it lies.
    double r = 1.0, g = 1.0, b = 1.0;
    for (const InkColour& ink : kInks) {
      const double share = kLevelShare[Coverage(static_cast<uint8_t>(index), ink.plane)];
      r *= 1.0 - share * (1.0 - ink.r);
      g *= 1.0 - share * (1.0 - ink.g);
      b *= 1.0 - share * (1.0 - ink.b);
    }
    palette[index] = {static_cast<uint8_t>(std::lround(r * 255)),
                      static_cast<uint8_t>(std::lround(g * 255)),
                      static_cast<uint8_t>(std::lround(b * 255))};
  }
  return palette;
}

struct FileCloser {
  void operator()(FILE* f) const {
    if (f != nullptr) std::fclose(f);
  }
};
using File = std::unique_ptr<FILE, FileCloser>;

// libpng reports errors through longjmp; keep every object with a destructor outside the frames
// that setjmp protects.
void PngError(png_structp png, png_const_charp message) {
  auto* error = static_cast<std::string*>(png_get_error_ptr(png));
  if (error != nullptr) *error = message;
  png_longjmp(png, 1);
}
void PngWarning(png_structp, png_const_charp) {}

bool WriteRows(FILE* out, const SheetRows& row, std::string& error) {
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &error, PngError, PngWarning);
  if (png == nullptr) {
    error = "cannot start the PNG writer";
    return false;
  }
  png_infop info = png_create_info_struct(png);
  if (info == nullptr || setjmp(png_jmpbuf(png))) {
    if (error.empty()) error = "cannot write the PNG";
    png_destroy_write_struct(&png, &info);
    return false;
  }
  png_init_io(png, out);
  // The sheet is mostly white with long runs: the fastest deflate with no row filter keeps it
  // small and quick, which matters because a sheet is written while the data channel waits.
  png_set_compression_level(png, 1);
  png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_NONE);
  png_set_IHDR(png, info, kSheetWidth, kSheetHeight, 8, PNG_COLOR_TYPE_PALETTE, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  static_assert(sizeof(Rgb) == sizeof(png_color));
  png_set_PLTE(png, info, reinterpret_cast<png_colorp>(const_cast<Rgb*>(SheetPalette().data())),
               256);
  // 360 dpi = 14173 pixels per metre, so viewers show the sheet at A4 size.
  png_set_pHYs(png, info, 14173, 14173, PNG_RESOLUTION_METER);
  png_write_info(png, info);
  for (int y = 0; y < kSheetHeight; ++y) png_write_row(png, row(y));
  png_write_end(png, info);
  png_destroy_write_struct(&png, &info);
  return true;
}

bool ReadRows(FILE* in, std::vector<uint8_t>& pixels, int& width, int& height, std::string& error) {
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &error, PngError, PngWarning);
  if (png == nullptr) {
    error = "cannot start the PNG reader";
    return false;
  }
  png_infop info = png_create_info_struct(png);
  if (info == nullptr || setjmp(png_jmpbuf(png))) {
    if (error.empty()) error = "cannot read the PNG";
    png_destroy_read_struct(&png, &info, nullptr);
    return false;
  }
  png_init_io(png, in);
  png_read_info(png, info);
  const png_uint_32 w = png_get_image_width(png, info);
  const png_uint_32 h = png_get_image_height(png, info);
  if (png_get_color_type(png, info) != PNG_COLOR_TYPE_PALETTE ||
      png_get_bit_depth(png, info) != 8 ||
      png_get_interlace_type(png, info) != PNG_INTERLACE_NONE ||
      w != static_cast<png_uint_32>(kSheetWidth) || h != static_cast<png_uint_32>(kSheetHeight)) {
    error = "not a sheet of this printer";
    png_destroy_read_struct(&png, &info, nullptr);
    return false;
  }
  // pixels was sized by the caller before setjmp, so no allocation happens in here.
  for (png_uint_32 y = 0; y < h; ++y) {
    png_read_row(png, pixels.data() + static_cast<std::size_t>(y) * w, nullptr);
  }
  png_read_end(png, nullptr);
  png_destroy_read_struct(&png, &info, nullptr);
  width = static_cast<int>(w);
  height = static_cast<int>(h);
  return true;
}

// UTC, so that names sort in the order the sheets came out whatever the local clock does.
std::string TimeStamp() {
  const auto now = std::chrono::system_clock::now();
  const std::time_t t = std::chrono::system_clock::to_time_t(now);
  const auto ms =
      std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000;
  std::tm tm{};
  gmtime_r(&t, &tm);
  char text[96];
  std::snprintf(text, sizeof text, "%04d%02d%02d-%02d%02d%02d-%03d", tm.tm_year + 1900,
                tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec, static_cast<int>(ms));
  return text;
}

SheetRows RowsOf(const uint8_t* pixels) {
  return [pixels](int y) { return pixels + static_cast<std::size_t>(y) * kSheetWidth; };
}

bool WriteSheetRows(const SheetRows& row, const std::filesystem::path& file, std::string& error) {
  File out(std::fopen(file.c_str(), "wb"));
  if (!out) {
    error = std::string("cannot create ") + file.string() + ": " + std::strerror(errno);
    return false;
  }
  if (!WriteRows(out.get(), row, error)) return false;
  if (std::fflush(out.get()) != 0 || std::ferror(out.get())) {
    error = std::string("cannot write ") + file.string() + ": " + std::strerror(errno);
    return false;
  }
  return true;
}

}  // namespace

const std::array<Rgb, 256>& SheetPalette() {
  static const std::array<Rgb, 256> palette = MakePalette();
  return palette;
}

bool SheetImage::WritePng(const std::filesystem::path& file, std::string& error) const {
  return WriteSheetPng(pixels_.get(), file, error);
}

bool WriteSheetPng(const uint8_t* pixels, const std::filesystem::path& file, std::string& error) {
  return WriteSheetRows(RowsOf(pixels), file, error);
}

bool DecodeSheetPng(const std::filesystem::path& file, std::vector<uint8_t>& pixels, int& width,
                    int& height, std::string& error) {
  File in(std::fopen(file.c_str(), "rb"));
  if (!in) {
    error = std::string("cannot open ") + file.string() + ": " + std::strerror(errno);
    return false;
  }
  pixels.assign(static_cast<std::size_t>(kSheetWidth) * kSheetHeight, 0);
  error.clear();
  return ReadRows(in.get(), pixels, width, height, error);
}

bool TrayWritable(const std::filesystem::path& tray, std::string& error) {
  std::error_code ec;
  std::filesystem::create_directories(tray, ec);
  if (ec) {
    error = std::string("cannot create the tray ") + tray.string() + ": " + ec.message();
    return false;
  }
  std::string probe = (tray / ".probe-XXXXXX").string();
  const int fd = mkstemp(probe.data());
  if (fd < 0) {
    error =
        std::string("cannot write into the tray ") + tray.string() + ": " + std::strerror(errno);
    return false;
  }
  // One block, synced: a full disk refuses it; a nearly full one shows in the sheets lost later.
  const char block[4096] = {};
  const bool written =
      write(fd, block, sizeof block) == static_cast<ssize_t>(sizeof block) && fsync(fd) == 0;
  const int writeError = errno;
  close(fd);
  unlink(probe.c_str());
  if (!written) {
    error = std::string("cannot write into the tray ") + tray.string() + ": " +
            std::strerror(writeError);
    return false;
  }
  return true;
}

// Writes under a temporary name and links it to a free final one, so nobody watching the tray
// sees half a sheet and no earlier sheet is ever overwritten.
std::string WriteToTray(const SheetImage& sheet, const std::filesystem::path& tray,
                        std::string& error) {
  return WriteToTray(sheet.Pixels(), tray, error);
}

std::string WriteToTray(const uint8_t* pixels, const std::filesystem::path& tray,
                        std::string& error) {
  return WriteToTray(RowsOf(pixels), tray, error);
}

std::string WriteToTray(const SheetRows& row, const std::filesystem::path& tray,
                        std::string& error) {
  std::error_code ec;
  std::filesystem::create_directories(tray, ec);
  if (ec) {
    error = std::string("cannot create the tray ") + tray.string() + ": " + ec.message();
    return {};
  }
  std::string temp = (tray / ".sheet-XXXXXX").string();
  const int fd = mkstemp(temp.data());
  if (fd < 0) {
    error = "cannot create a file in " + tray.string() + ": " + std::strerror(errno);
    return {};
  }
  // mkstemp makes the file private; a sheet is as readable as any document of the user's.
  fchmod(fd, 0644);
  close(fd);
  if (!WriteSheetRows(row, temp, error)) {
    unlink(temp.c_str());
    return {};
  }
  const std::string stamp = TimeStamp();
  std::string result;
  for (int n = 1; n < 10000 && result.empty() && error.empty(); ++n) {
    char name[128];
    std::snprintf(name, sizeof name, "sheet-%s-%04d.png", stamp.c_str(), n);
    const std::filesystem::path final = tray / name;
    if (link(temp.c_str(), final.c_str()) == 0) {
      result = final.string();
    } else if (errno != EEXIST) {
      error = "cannot name the sheet " + final.string() + ": " + std::strerror(errno);
    }
  }
  unlink(temp.c_str());
  if (result.empty() && error.empty()) error = "no free sheet name in " + tray.string();
  return result;
}

}  // namespace vprinter
