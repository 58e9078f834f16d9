// The printer's loop under a print that makes sheets: the round trip of an EEPROM read from one
// client while another client's packet of line and form feeds is being printed (every form feed
// a sheet, written into the tray), against the same read's round trip with the printer idle, both
// at the 99th percentile. Runs the standalone printer in another process and the printing client
// in a third. Prints both figures and the ratio (target <= 2). Not part of the test run.
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "link/modelcode.h"
#include "link/pktlink.h"
#include "link/porthub.h"

namespace {

constexpr int kIdleReads = 5000;
// The reads while printing go on until this many sheets more are out (or kMaxReads).
constexpr int kSheetsMeasured = 20;
constexpr int kMaxReads = 200000;

bool Connect() {
  LoadLibraryByPHub();
  uint16_t port = 0;
  for (int attempt = 0; attempt < 300; ++attempt) {
    if (SearchActivePortByPHub(&port) == 1 && D4Negotiation() == 1) return true;
    usleep(10000);  // the printer is still starting
  }
  return false;
}

int SheetsIn(const std::filesystem::path& tray) {
  int n = 0;
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(tray, ec)) {
    n += entry.path().extension() == ".png";
  }
  return n;
}

// Round trips of EEPROM reads in microseconds, sorted: `reads` of them, or while `more()` says so.
template <typename More>
std::vector<double> RoundTrips(int reads, More more) {
  std::vector<double> times;
  for (int i = 0; i < reads && (i % 100 != 0 || more()); ++i) {
    uint8_t value = 0;
    const auto start = std::chrono::steady_clock::now();
    if (D4ReadEeprom(QUORLA_Z40_MODEL_CODE_1, QUORLA_Z40_MODEL_CODE_2,
                     static_cast<uint8_t>(i & 0xFF), &value) != 1) {
      std::fprintf(stderr, "contention_bench: a read failed\n");
      std::exit(1);
    }
    times.push_back(
        std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start)
            .count());
  }
  std::sort(times.begin(), times.end());
  return times;
}

double Percentile(const std::vector<double>& sorted, double p) {
  return sorted[static_cast<std::size_t>(p * static_cast<double>(sorted.size() - 1))];
}

}  // namespace

int main() {
  signal(SIGPIPE, SIG_IGN);
  char pattern[] = "/tmp/quorla-bench-XXXXXX";
  if (mkdtemp(pattern) == nullptr) return 1;
  const std::filesystem::path dir = pattern;
  const std::string socketPath = (dir / "printer.sock").string();
  const std::filesystem::path tray = dir / "tray";
  const pid_t printer = fork();
  if (printer == 0) {
    const std::string state = (dir / "state").string();
    std::freopen("/dev/null", "w", stdout);
    execl(QUORLA_VPRINTER_PATH, QUORLA_VPRINTER_PATH, "--socket", socketPath.c_str(), "--state-dir",
          state.c_str(), "--tray-dir", tray.c_str(), "--time-scale", "0",
          static_cast<char*>(nullptr));
    _exit(127);
  }
  setenv("QUORLA_PRINTER", ("unix:" + socketPath).c_str(), 1);

  // The printing client, connected before the measurement and started by a byte on `go`: one
  // 4000-byte packet of line and form feeds (the tray's 100 sheets are all that come out of
  // it), then it stays connected.
  int go[2];
  if (pipe(go) != 0) return 1;
  const pid_t printing = fork();
  if (printing == 0) {
    close(go[1]);
    if (!Connect()) _exit(1);
    char byte;
    if (read(go[0], &byte, 1) != 1) _exit(0);
    std::vector<uint8_t> feeds;
    for (int i = 0; i < 2000; ++i) feeds.insert(feeds.end(), {0x0A, 0x0C});
    if (SendDataChannel(feeds.data(), static_cast<uint32_t>(feeds.size())) != 1) _exit(1);
    pause();
    _exit(0);
  }
  close(go[0]);

  int status = 1;
  if (Connect()) {
    const std::vector<double> idle = RoundTrips(kIdleReads, [] { return true; });
    if (write(go[1], "g", 1) != 1) return 1;
    // Measure once the sheets have begun to come out.
    const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (SheetsIn(tray) < 1 && std::chrono::steady_clock::now() < limit) usleep(1000);
    const int sheetsBefore = SheetsIn(tray);
    const std::vector<double> busy =
        RoundTrips(kMaxReads, [&] { return SheetsIn(tray) < sheetsBefore + kSheetsMeasured; });
    const int sheetsAfter = SheetsIn(tray);

    const double idle99 = Percentile(idle, 0.99);
    const double busy99 = Percentile(busy, 0.99);
    std::printf("EEPROM read round trip, idle printer     p50 %8.1f us   p99 %8.1f us\n",
                Percentile(idle, 0.5), idle99);
    std::printf("EEPROM read round trip, printing sheets  p50 %8.1f us   p99 %8.1f us\n",
                Percentile(busy, 0.5), busy99);
    std::printf("reads                                    %zu idle, %zu printing\n", idle.size(),
                busy.size());
    std::printf("sheets written meanwhile                 %d (from %d to %d)\n",
                sheetsAfter - sheetsBefore, sheetsBefore, sheetsAfter);
    std::printf("p99 ratio printing / idle                %8.2f x   (target <= 2)\n",
                idle99 > 0 ? busy99 / idle99 : 0);
    if (sheetsAfter == sheetsBefore || sheetsAfter >= 100) {
      std::printf("note: no sheet was being written during the whole measurement\n");
    }
    status = 0;
  } else {
    std::fprintf(stderr, "contention_bench: no printer\n");
  }
  D4Termination();
  PortCloseByPHub();
  FreeLibraryByPHub();
  close(go[1]);
  kill(printing, SIGTERM);
  waitpid(printing, nullptr, 0);
  kill(printer, SIGTERM);
  waitpid(printer, nullptr, 0);
  std::filesystem::remove_all(dir);
  return status;
}
