// The A4 check page from its panel's "OK" against the embedded virtual printer at time scale 0,
// with the print's pauses skipped. For each run it measures
//   - the program's own CPU time: the user-interface thread, which composes and sends every byte
//     (the printer renders on its own thread and is not counted);
//   - the wall time from the click until both sheets are rendered and written to the tray;
//   - the peak memory of the process while printing, above the idle process (workbench open,
//     printer connected and holding its one sheet buffer).
// It prints the figures and whether each stays within its limit, and fails when one does not.
//
//   a4page_bench [RUNS]     (default 5; needs no display)
#include <time.h>
#include <unistd.h>

#include <QApplication>
#include <QDir>
#include <QPushButton>
#include <QRadioButton>
#include <QTextEdit>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>

#include "app/toolprinter.h"
#include "bench/a4checkpanel.h"
#include "workbench/formadjust.h"

namespace {

constexpr double kProgramCpuLimitMs = 100;
constexpr double kWallLimitS = 3;
constexpr double kPeakLimitMiB = 10;
constexpr auto kSheetTimeout = std::chrono::seconds(30);

double CpuSeconds(clockid_t clock) {
  timespec t{};
  clock_gettime(clock, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

// Resident memory of the process now, in bytes.
long long ResidentBytes() {
  std::ifstream statm("/proc/self/statm");
  long long pages = 0;
  long long resident = 0;
  statm >> pages >> resident;
  return resident * sysconf(_SC_PAGESIZE);
}

// Samples the resident memory every millisecond until stopped and keeps the highest value: the
// peak of the print itself, whatever the process reached before it.
class PeakSampler {
 public:
  PeakSampler() : peak_(ResidentBytes()), thread_([this] { Run(); }) {}
  ~PeakSampler() { Stop(); }
  long long Stop() {
    if (thread_.joinable()) {
      stop_ = true;
      thread_.join();
      Sample();
    }
    return peak_;
  }

 private:
  void Sample() { peak_ = std::max(peak_.load(), ResidentBytes()); }
  void Run() {
    while (!stop_) {
      Sample();
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
  }
  std::atomic<bool> stop_{false};
  std::atomic<long long> peak_;
  std::thread thread_;
};

struct Run {
  double programCpuMs;
  double processCpuMs;
  double wallS;
  double peakMiB;
};

}  // namespace

int main(int argc, char** argv) {
  setenv("QUORLA_PRINTER", "embedded", 1);
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QApplication app(argc, argv);
  const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;

  ToolPrinter printer;
  const QDir tray = printer.Tray();

  TFormAdjust* form = bench::OpenA4CheckPanel();
  if (form == nullptr) return 2;

  std::printf(
      "A4 check page from A4CheckPrnOKBtn, embedded printer at time scale 0, pauses "
      "skipped\n");
  std::printf("%-4s %16s %16s %24s %18s\n", "run", "program CPU", "process CPU",
              "wall to 2 sheets written", "peak above idle");
  std::vector<Run> results;
  bool failed = false;
  for (int i = 0; i < runs; ++i) {
    // Any number of runs: the input tray holds 100 sheets, so it is filled before each page.
    printer.device().LoadPaper();
    const int sheetsBefore = bench::SheetsInTray(tray);
    const long long idle = ResidentBytes();
    PeakSampler sampler;
    const auto wallStart = std::chrono::steady_clock::now();
    const double threadStart = CpuSeconds(CLOCK_THREAD_CPUTIME_ID);
    const double processStart = CpuSeconds(CLOCK_PROCESS_CPUTIME_ID);
    form->findChild<QPushButton*>(QStringLiteral("A4CheckPrnOKBtn"))->click();
    const double programCpu = CpuSeconds(CLOCK_THREAD_CPUTIME_ID) - threadStart;
    while (bench::SheetsInTray(tray) < sheetsBefore + 2 &&
           std::chrono::steady_clock::now() - wallStart < kSheetTimeout) {
      std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    const double wall =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - wallStart).count();
    const double processCpu = CpuSeconds(CLOCK_PROCESS_CPUTIME_ID) - processStart;
    const long long peak = sampler.Stop();
    if (bench::SheetsInTray(tray) < sheetsBefore + 2 ||
        form->StatusMemo->toPlainText() != QStringLiteral("A4 pattern print is completed.")) {
      std::fprintf(stderr, "run %d: the page did not print (%s)\n", i + 1,
                   form->StatusMemo->toPlainText().toLocal8Bit().constData());
      DestroyProgramWindows();
      return 2;
    }
    form->DisableTimerTimer();
    const Run r{programCpu * 1e3, processCpu * 1e3, wall,
                static_cast<double>(std::max(0LL, peak - idle)) / (1024.0 * 1024.0)};
    results.push_back(r);
    std::printf("%-4d %13.1f ms %13.1f ms %22.3f s %14.2f MiB\n", i + 1, r.programCpuMs,
                r.processCpuMs, r.wallS, r.peakMiB);
  }

  auto worst = [&](double Run::*field) {
    double value = 0;
    for (const Run& r : results) value = std::max(value, r.*field);
    return value;
  };
  const struct {
    const char* what;
    double value;
    double limit;
    const char* unit;
  } checks[] = {{"program CPU", worst(&Run::programCpuMs), kProgramCpuLimitMs, "ms"},
                {"wall time", worst(&Run::wallS), kWallLimitS, "s"},
                {"peak memory above idle", worst(&Run::peakMiB), kPeakLimitMiB, "MiB"}};
  std::printf("worst of %d runs:\n", runs);
  for (const auto& c : checks) {
    const bool ok = c.value <= c.limit;
    failed |= !ok;
    std::printf("  %-24s %10.3f %-3s (limit %g %s) %s\n", c.what, c.value, c.unit, c.limit, c.unit,
                ok ? "ok" : "OVER THE LIMIT");
  }

  DestroyProgramWindows();
  return failed ? 1 : 0;
}
