#include "vprinter/state.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fstream>
#include <random>
#include <sstream>

namespace vprinter {

namespace {

constexpr char kMagic[] = "quorla-vprinter-state 1";
// Bytes of the clogged-nozzle bitmap: 144 black and 3 x 48 colour nozzles.
constexpr std::size_t kNozzleBytes = (head::kBlackNozzles + 3 * head::kColorNozzles) / 8;

uint64_t Fnv1a(const std::string& text) {
  uint64_t h = 1469598103934665603ull;
  for (unsigned char c : text) {
    h ^= c;
    h *= 1099511628211ull;
  }
  return h;
}

std::string Hex(const uint8_t* data, std::size_t size) {
  static const char digits[] = "0123456789abcdef";
  std::string out;
  out.reserve(size * 2);
  for (std::size_t i = 0; i < size; ++i) {
    out += digits[data[i] >> 4];
    out += digits[data[i] & 15];
  }
  return out;
}

bool Unhex(const std::string& text, uint8_t* out, std::size_t size) {
  if (text.size() != size * 2) return false;
  auto value = [](char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
  };
  for (std::size_t i = 0; i < size; ++i) {
    const int hi = value(text[2 * i]);
    const int lo = value(text[2 * i + 1]);
    if (hi < 0 || lo < 0) return false;
    out[i] = static_cast<uint8_t>(hi * 16 + lo);
  }
  return true;
}

void PutString(std::array<uint8_t, kEepromSize>& e, uint8_t at, const char* text) {
  for (std::size_t i = 0; text[i] != '\0'; ++i) e[at + i] = static_cast<uint8_t>(text[i]);
}

}  // namespace

void PrinterState::SetProtectionCounter(unsigned value) {
  if (value > 0xFFFF) value = 0xFFFF;
  eeprom[cell::kCounterHigh] = static_cast<uint8_t>(value >> 8);
  eeprom[cell::kCounterLow] = static_cast<uint8_t>(value & 0xFF);
}

double InkCapacityMl(int ink) {
  return ink == 0 ? 17.0 : 6.0;
}

std::array<uint8_t, kChipSize> NewCartridgeChip(int cartridge, uint8_t installs) {
  // The factory's cartridges were made in 2025.
  return NewCartridgeChip(cartridge, installs,
                          cartridge == 0 ? ChipDate{2025, 6, 30} : ChipDate{2025, 9, 12});
}

std::array<uint8_t, kChipSize> NewCartridgeChip(int cartridge, uint8_t installs, ChipDate made) {
  std::array<uint8_t, kChipSize> c{};
  c[chip::kInk0] = 100;
  if (cartridge == 1) {
    c[chip::kInk0 + 1] = 100;
    c[chip::kInk0 + 2] = 100;
  }
  c[chip::kInstall] = installs;
  // Good for three years from when it was made, six months once opened.
  c[chip::kYear] = static_cast<uint8_t>(made.year % 100);
  c[chip::kMonth] = static_cast<uint8_t>(made.month);
  c[chip::kDay] = static_cast<uint8_t>(made.day);
  c[chip::kEffectPeriod] = 36;
  c[chip::kOpenEffectPeriod] = 6;
  const char company[] = "KORVA";
  for (int i = 0; i < 5; ++i) c[chip::kCompany + i] = static_cast<uint8_t>(company[i]);
  return c;
}

std::array<uint8_t, kEepromSize> NewBoardEeprom() {
  std::array<uint8_t, kEepromSize> e;
  e.fill(0xFF);
  // A new board knows its mechanism's defaults but no head ID, no USB ID and no history.
  for (uint8_t a = 0x00; a <= 0x28; ++a) e[a] = 0x00;
  e[0x00] = 0x10;
  e[0x09] = 0x04;
  e[cell::kTopMargin] = 0x00;
  for (uint8_t a = cell::kBidFirst; a <= cell::kFirstDot; ++a) e[a] = 0x00;
  return e;
}

void UpdateInkCounters(PrinterState& state) {
  for (int ink = 0; ink < 4; ++ink) {
    const double capacity = InkCapacityMl(ink);
    const double left = std::max(0.0, capacity - state.inkUsedMl[ink]);
    // Rounded up: a cartridge shows 0% only when it is really empty.
    const int percent = static_cast<int>(std::ceil(left * 100.0 / capacity - 1e-9));
    const int cartridge = ink == 0 ? 0 : 1;
    const int field = ink == 0 ? 0 : ink - 1;
    state.chips[cartridge][chip::kInk0 + field] = static_cast<uint8_t>(std::clamp(percent, 0, 100));
  }
}

PrinterState FactoryState() {
  PrinterState s;
  auto& e = s.eeprom;
  e = NewBoardEeprom();
  // Cells the program names without a meaning hold what a shipped printer has.
  e[0x3A] = 0x03;
  e[0x3C] = 0x9E;
  e[0x5F] = 0x00;
  s.SetProtectionCounter(1234);
  // Head ID F2KM7RW TTT: character codes at 0x3F, 0x40, 0x41, 0x43, 0x44, 0x45, the second
  // character as a number at 0x46, and the four marker cells.
  e[0x3F] = 6;   // F
  e[0x40] = 10;  // K
  e[0x41] = 12;  // M
  e[0x42] = 0x00;
  e[0x43] = 32;  // 7
  e[0x44] = 17;  // R
  e[0x45] = 22;  // W
  e[0x46] = 2;   // 2
  for (uint8_t a = 0x47; a <= 0x4A; ++a) e[a] = 0x32;
  // USB ID: serial number and the date stamp of 30 June 2025, 10:14:52.
  PutString(e, 0x4D, "Q40Z123456");
  PutString(e, 0x57, "Q6UAEM10");
  // Bi-D values of the factory adjustment, top margin and first dot as shipped.
  const int8_t bid[6] = {3, -2, 1, 4, -1, 2};
  for (int i = 0; i < 6; ++i) e[cell::kBidFirst + i] = static_cast<uint8_t>(bid[i]);
  e[cell::kTopMargin] = 0;
  e[cell::kFirstDot] = 0;

  s.chips[0] = NewCartridgeChip(0, 1);
  s.chips[1] = NewCartridgeChip(1, 1);
  // The initial ink charge at the factory emptied the first cartridges a little.
  s.inkUsedMl = {2.0, 0.9, 0.9, 0.9};
  UpdateInkCounters(s);

  std::random_device random;
  std::uniform_int_distribution<int> offset(-6, 6);
  for (auto& row : s.bidOffset) {
    for (int8_t& v : row) v = static_cast<int8_t>(offset(random));
  }
  s.inkCharged = true;
  return s;
}

std::string Serialize(const PrinterState& s) {
  std::ostringstream out;
  out << kMagic << '\n';
  out << "eeprom " << Hex(s.eeprom.data(), s.eeprom.size()) << '\n';
  for (int c = 0; c < kCartridges; ++c) {
    out << "chip" << c << ' ' << Hex(s.chips[c].data(), s.chips[c].size()) << '\n';
  }
  out << "bidoffset";
  for (const auto& row : s.bidOffset) {
    for (int8_t v : row) out << ' ' << int{v};
  }
  out << '\n';
  char ink[128];
  std::snprintf(ink, sizeof ink, "inkused %.6f %.6f %.6f %.6f\n", s.inkUsedMl[0], s.inkUsedMl[1],
                s.inkUsedMl[2], s.inkUsedMl[3]);
  out << ink;
  out << "charged " << (s.inkCharged ? 1 : 0) << '\n';
  out << "liquid " << (s.liquidPath == Liquid::kInk ? "ink" : "transportation") << '\n';
  out << "cartridges "
      << (s.cartridges == Cartridges::kInk     ? "ink"
          : s.cartridges == Cartridges::kDummy ? "dummy"
                                               : "none")
      << '\n';
  // The clogged nozzles, row after row (black, cyan, magenta, yellow), 8 nozzles a byte from the
  // top one in the high bit; then the head angle in tenths of a degree.
  std::array<uint8_t, kNozzleBytes> nozzles{};
  std::size_t at = 0;
  for (int row = 0; row < head::kRows; ++row) {
    for (int n = 0; n < head::Nozzles(row); ++n) {
      if (s.head.clogged[row][n]) nozzles[at + n / 8] |= static_cast<uint8_t>(0x80 >> (n % 8));
    }
    at += static_cast<std::size_t>(head::Nozzles(row)) / 8;
  }
  out << "nozzles " << Hex(nozzles.data(), nozzles.size()) << '\n';
  out << "headangle " << s.head.angle << '\n';
  std::string body = out.str();
  char sum[40];
  std::snprintf(sum, sizeof sum, "checksum %016llx\n",
                static_cast<unsigned long long>(Fnv1a(body)));
  return body + sum;
}

bool Deserialize(const std::string& text, PrinterState* state) {
  const std::size_t sumAt = text.rfind("checksum ");
  if (sumAt == std::string::npos || (sumAt > 0 && text[sumAt - 1] != '\n')) return false;
  const std::string body = text.substr(0, sumAt);
  char expected[40];
  std::snprintf(expected, sizeof expected, "checksum %016llx\n",
                static_cast<unsigned long long>(Fnv1a(body)));
  if (text.substr(sumAt) != expected) return false;

  std::istringstream in(body);
  std::string line;
  if (!std::getline(in, line) || line != kMagic) return false;
  PrinterState s;
  int seen = 0;
  while (std::getline(in, line)) {
    std::istringstream fields(line);
    std::string key;
    fields >> key;
    std::string hex;
    if (key == "eeprom") {
      fields >> hex;
      if (!Unhex(hex, s.eeprom.data(), s.eeprom.size())) return false;
      seen |= 1;
    } else if (key == "chip0" || key == "chip1") {
      const int c = key[4] - '0';
      fields >> hex;
      if (!Unhex(hex, s.chips[c].data(), s.chips[c].size())) return false;
      seen |= c == 0 ? 2 : 4;
    } else if (key == "bidoffset") {
      for (auto& row : s.bidOffset) {
        for (int8_t& v : row) {
          int value = 0;
          if (!(fields >> value) || value < -36 || value > 36) return false;
          v = static_cast<int8_t>(value);
        }
      }
      seen |= 8;
    } else if (key == "inkused") {
      for (double& v : s.inkUsedMl) {
        if (!(fields >> v) || !(v >= 0.0 && v < 1e6)) return false;
      }
      seen |= 16;
    } else if (key == "charged") {
      int value = 0;
      if (!(fields >> value)) return false;
      s.inkCharged = value != 0;
      seen |= 32;
    } else if (key == "liquid") {
      // Optional: a state written before the liquid path was kept holds ink.
      std::string value;
      fields >> value;
      if (value == "ink") {
        s.liquidPath = Liquid::kInk;
      } else if (value == "transportation") {
        s.liquidPath = Liquid::kTransportation;
      } else {
        return false;
      }
    } else if (key == "cartridges") {
      std::string value;
      fields >> value;
      if (value == "ink") {
        s.cartridges = Cartridges::kInk;
      } else if (value == "dummy") {
        s.cartridges = Cartridges::kDummy;
      } else if (value == "none") {
        s.cartridges = Cartridges::kNone;
      } else {
        return false;
      }
    } else if (key == "nozzles") {
      // Optional, as the head angle: a state written before the head was kept has a clean,
      // straight one.
      std::array<uint8_t, kNozzleBytes> nozzles{};
      fields >> hex;
      if (!Unhex(hex, nozzles.data(), nozzles.size())) return false;
      std::size_t at = 0;
      for (int row = 0; row < head::kRows; ++row) {
        for (int n = 0; n < head::Nozzles(row); ++n) {
          s.head.clogged[row][n] = (nozzles[at + n / 8] & (0x80 >> (n % 8))) != 0;
        }
        at += static_cast<std::size_t>(head::Nozzles(row)) / 8;
      }
    } else if (key == "headangle") {
      int value = 0;
      if (!(fields >> value) || !SetHeadAngle(s.head, value)) return false;
    }
  }
  if (seen != 63) return false;
  *state = s;
  return true;
}

namespace {

// Writes all of text to fd, through short writes and interruptions.
bool WriteAll(int fd, const std::string& text) {
  std::size_t done = 0;
  while (done < text.size()) {
    const ssize_t n = write(fd, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<std::size_t>(n);
  }
  return true;
}

bool SyncDirectory(const std::filesystem::path& dir) {
  const int fd = open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return false;
  const bool synced = fsync(fd) == 0;
  close(fd);
  return synced;
}

std::string Reason(const std::string& what, const std::filesystem::path& file) {
  std::string text = what;
  text += ' ';
  text += file.string();
  text += ": ";
  text += std::strerror(errno);
  return text;
}

}  // namespace

// The new state reaches the disk under the temporary name before it replaces the old one, and the
// rename is made durable before the save counts as done: after a power loss the file holds the old
// state or the new one, and a save reported done is there.
bool SaveState(const std::filesystem::path& dir, const PrinterState& state, std::string* error,
               bool sync) {
  std::error_code ec;
  std::filesystem::create_directories(dir, ec);
  const std::filesystem::path target = dir / kStateFileName;
  std::filesystem::path temp = dir;
  temp /= std::string(kStateFileName) + ".tmp";
  auto fail = [&](const std::string& reason) {
    if (error) *error = reason;
    unlink(temp.c_str());
    return false;
  };
  const int fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (fd < 0) {
    if (error) *error = Reason("cannot write", temp);
    return false;
  }
  if (!WriteAll(fd, Serialize(state)) || (sync && fsync(fd) != 0)) {
    const std::string reason = Reason("cannot write", temp);
    close(fd);
    return fail(reason);
  }
  if (close(fd) != 0) return fail(Reason("cannot write", temp));
  if (sync && !SyncDirectory(dir)) return fail(Reason("cannot sync the folder", dir));
  if (rename(temp.c_str(), target.c_str()) != 0) return fail(Reason("cannot replace", target));
  if (sync && !SyncDirectory(dir)) {
    if (error) *error = Reason("cannot sync the folder", dir);
    return false;
  }
  return true;
}

LoadedState ReadState(const std::filesystem::path& dir) {
  LoadedState loaded;
  const std::filesystem::path file = dir / kStateFileName;
  const int fd = open(file.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    const int error = errno;
    loaded.state = FactoryState();
    if (error == ENOENT) {
      loaded.kind = LoadedState::Kind::kMissing;
      loaded.message = std::string("no saved state at ") + file.string();
    } else {
      loaded.kind = error == EACCES || error == EPERM ? LoadedState::Kind::kForbidden
                                                      : LoadedState::Kind::kDamaged;
      loaded.message = std::string("cannot read the saved state at ") + file.string() + ": " +
                       std::strerror(error);
    }
    return loaded;
  }
  std::string text;
  char buffer[8192];
  bool readFailed = false;
  for (;;) {
    const ssize_t n = read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) readFailed = true;
    if (n <= 0) break;
    text.append(buffer, static_cast<std::size_t>(n));
    // No state is this large: what follows is not one.
    if (text.size() > (1u << 20)) break;
  }
  const int readError = errno;
  close(fd);
  PrinterState state;
  if (readFailed) {
    loaded.state = FactoryState();
    loaded.kind = LoadedState::Kind::kDamaged;
    loaded.message = std::string("cannot read the saved state at ") + file.string() + ": " +
                     std::strerror(readError);
  } else if (!Deserialize(text, &state)) {
    loaded.state = FactoryState();
    loaded.kind = LoadedState::Kind::kDamaged;
    loaded.message = std::string("the saved state at ") + file.string() + " is damaged";
  } else {
    loaded.state = state;
  }
  return loaded;
}

bool KeepDamagedState(const std::filesystem::path& dir, std::filesystem::path* keptAs,
                      std::string* error) {
  const std::filesystem::path file = dir / kStateFileName;
  const std::time_t now = std::time(nullptr);
  std::tm tm{};
  gmtime_r(&now, &tm);
  char stamp[32];
  std::strftime(stamp, sizeof stamp, "%Y%m%dT%H%M%SZ", &tm);
  for (int n = 1; n < 1000; ++n) {
    std::string name = kStateFileName;
    name += ".damaged-";
    name += stamp;
    if (n > 1) {
      name += '-';
      name += std::to_string(n);
    }
    const std::filesystem::path target = dir / name;
    // A link never replaces a copy kept earlier; the damaged file then leaves its name.
    if (link(file.c_str(), target.c_str()) == 0) {
      if (unlink(file.c_str()) != 0) {
        if (error) *error = Reason("cannot move aside", file);
        return false;
      }
      if (keptAs) *keptAs = target;
      return true;
    }
    if (errno == EEXIST) continue;
    // A directory in the file's place cannot be linked: renamed, with the same care.
    if (errno == EPERM && !std::filesystem::exists(target)) {
      if (rename(file.c_str(), target.c_str()) == 0) {
        if (keptAs) *keptAs = target;
        return true;
      }
    }
    if (error) *error = Reason("cannot keep the damaged state as", target);
    return false;
  }
  if (error) {
    *error = std::string("no free name beside ") + file.string() + " for the damaged state";
  }
  return false;
}

PrinterState LoadState(const std::filesystem::path& dir, std::string* warning) {
  LoadedState loaded = ReadState(dir);
  if (warning) {
    warning->clear();
    if (loaded.kind != LoadedState::Kind::kLoaded) {
      *warning = loaded.message + "; starting as from the factory";
    }
  }
  return std::move(loaded.state);
}

}  // namespace vprinter
