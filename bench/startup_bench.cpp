// Start-up benchmark: starts a bare Qt Widgets window and the program (up to the shown printer
// selection) alternately, each as its own process, and compares wall time and peak memory.
//
//   bench-startup [RUNS]      (default 15 runs of each)
//
// Both run to their normal end, on the display of DISPLAY (bench/startup.sh provides one with
// Xvfb), or offscreen when there is none or QT_QPA_PLATFORM says so. Prints the medians and the
// two ratios program / bare; the goal is at most 1.5 for both.
//
// Offscreen, the yardstick is flattering: a bare offscreen window draws no text and so never
// starts the font system, which any window with a caption pays for; on a display the platform
// start-up dominates both, as on the technician's PC.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace {
struct Run {
  double ms;
  double peakMiB;
};

Run RunOnce(const std::string& path) {
  const auto start = std::chrono::steady_clock::now();
  const pid_t pid = fork();
  if (pid == 0) {
    execl(path.c_str(), path.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  int status = 0;
  rusage usage{};
  wait4(pid, &status, 0, &usage);
  const auto end = std::chrono::steady_clock::now();
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    std::fprintf(stderr, "%s failed (status %d)\n", path.c_str(), status);
    std::exit(1);
  }
  return {std::chrono::duration<double, std::milli>(end - start).count(),
          static_cast<double>(usage.ru_maxrss) / 1024.0};
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const size_t n = values.size();
  return n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}
}  // namespace

int main(int argc, char** argv) {
  const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 15;
  if (std::getenv("QT_QPA_PLATFORM") == nullptr) {
    setenv("QT_QPA_PLATFORM", std::getenv("DISPLAY") != nullptr ? "xcb" : "offscreen", 1);
  }
  setenv("QUORLA_PRINTER", "embedded", 1);
  const std::filesystem::path dir = std::filesystem::read_symlink("/proc/self/exe").parent_path();
  const std::string bare = (dir / "bench-startup-bare").string();
  const std::string program = (dir / "bench-startup-program").string();

  // One warm-up run each, so both find the libraries in the page cache.
  RunOnce(bare);
  RunOnce(program);
  std::vector<double> bareMs, bareMiB, programMs, programMiB;
  for (int i = 0; i < runs; ++i) {
    const Run b = RunOnce(bare);
    const Run p = RunOnce(program);
    bareMs.push_back(b.ms);
    bareMiB.push_back(b.peakMiB);
    programMs.push_back(p.ms);
    programMiB.push_back(p.peakMiB);
  }
  const double bt = Median(bareMs), bm = Median(bareMiB);
  const double pt = Median(programMs), pm = Median(programMiB);
  std::printf("runs: %d each, platform: %s\n", runs, std::getenv("QT_QPA_PLATFORM"));
  std::printf("bare window     : %7.1f ms  %6.1f MiB peak\n", bt, bm);
  std::printf("program to shown: %7.1f ms  %6.1f MiB peak\n", pt, pm);
  std::printf("wall time ratio : %.2f (goal <= 1.5)\n", pt / bt);
  std::printf("peak memory ratio: %.2f (goal <= 1.5)\n", pm / bm);
  return 0;
}
