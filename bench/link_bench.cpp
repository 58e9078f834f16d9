// Link benchmarks against the standalone printer in another process, each beside the bare cost of
// the same exchange over a Unix socket:
//   - one request and its reply (8 bytes each way) vs reading the 256 EEPROM cells one call each;
//   - 1000-byte writes with a one-byte acknowledgement each vs SendDataChannel of 1 MB in
//     1000-byte calls.
// The bare exchanges carry the bytes the link's packets carry (a 15-byte request and a 13-byte
// reply for a cell; 1008 bytes and a 21-byte answer for a data call), over the same kind of socket
// to a peer process. Each figure is measured in several repetitions in this one process; at the end
// it prints each figure's median with its spread (lowest to highest) and the ratios of the medians;
// the repetitions of all four are interleaved so that each pair is measured in the same spells.
// The printer keeps looking for the next request for a moment after it answered (its
// --spin-wait); --spin-wait=0 measures it sleeping at once like the bare peer. Not part of the
// test run.
#include <benchmark/benchmark.h>
#include <sched.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "link/modelcode.h"
#include "link/pktlink.h"
#include "link/porthub.h"

namespace {

constexpr int kCells = 256;
constexpr int kDataCalls = 1000;
constexpr int kDataCall = 1000;

// Packet sizes of the link as they go over the socket (header, payload, check).
constexpr std::size_t kCellRequest = 15;
constexpr std::size_t kCellReply = 13;
constexpr std::size_t kDataPacket = kDataCall + 8;
constexpr std::size_t kDataAnswer = 21;
constexpr int kRepetitions = 7;

// Seconds per iteration of each repetition of one benchmark.
struct Measured {
  std::vector<double> runs;
  double Median() const {
    if (runs.empty()) return 0;
    std::vector<double> sorted = runs;
    std::sort(sorted.begin(), sorted.end());
    const std::size_t mid = sorted.size() / 2;
    return sorted.size() % 2 == 1 ? sorted[mid] : (sorted[mid - 1] + sorted[mid]) / 2;
  }
  double Low() const { return runs.empty() ? 0 : *std::min_element(runs.begin(), runs.end()); }
  double High() const { return runs.empty() ? 0 : *std::max_element(runs.begin(), runs.end()); }
};
Measured g_bareRoundTrip, g_eepromRead, g_bareWrites, g_sendData;

// The same thread layout for the bare peer and the printer: the caller on one processor, the peer
// process on another (when there are two), so neither figure depends on where the scheduler
// happens to put the two ends.
constexpr int kCallerCpu = 0;
constexpr int kPeerCpu = 1;
void PinTo(int cpu) {
  if (sysconf(_SC_NPROCESSORS_ONLN) < 2) return;
  cpu_set_t set;
  CPU_ZERO(&set);
  CPU_SET(cpu, &set);
  sched_setaffinity(0, sizeof set, &set);
}

bool ReadFull(int fd, uint8_t* data, std::size_t size) {
  while (size > 0) {
    const ssize_t n = read(fd, data, size);
    if (n <= 0) return false;
    data += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

bool WriteFull(int fd, const uint8_t* data, std::size_t size) {
  while (size > 0) {
    const ssize_t n = write(fd, data, size);
    if (n <= 0) return false;
    data += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

// A peer process that answers every `request` bytes with `reply` bytes.
struct BarePeer {
  int fd = -1;
  pid_t pid = -1;
  BarePeer(std::size_t request, std::size_t reply) {
    int fds[2];
    if (socketpair(AF_UNIX, SOCK_STREAM, 0, fds) != 0) std::abort();
    pid = fork();
    if (pid == 0) {
      PinTo(kPeerCpu);
      close(fds[0]);
      std::vector<uint8_t> in(request), out(reply, 0x5A);
      while (ReadFull(fds[1], in.data(), in.size()) && WriteFull(fds[1], out.data(), out.size())) {
      }
      _exit(0);
    }
    close(fds[1]);
    fd = fds[0];
  }
  ~BarePeer() {
    close(fd);
    waitpid(pid, nullptr, 0);
  }
};

// The printer's --spin-wait, when --spin-wait=US is given; else the printer's default. 0 shows the
// link with a printer that sleeps as soon as it has answered, as the bare peer does.
std::string g_spinWait;

// The standalone printer, started for the whole run.
struct Printer {
  pid_t pid = -1;
  std::filesystem::path dir;
  bool connected = false;

  Printer() {
    char pattern[] = "/tmp/quorla-bench-XXXXXX";
    if (mkdtemp(pattern) == nullptr) std::abort();
    dir = pattern;
    const std::string socketPath = (dir / "printer.sock").string();
    pid = fork();
    if (pid == 0) {
      PinTo(kPeerCpu);
      const std::string state = (dir / "state").string();
      const std::string tray = (dir / "tray").string();
      std::freopen("/dev/null", "w", stdout);
      std::vector<const char*> printerArgs = {
          QUORLA_VPRINTER_PATH, "--socket",     socketPath.c_str(),
          "--state-dir",        state.c_str(),  "--tray-dir",
          tray.c_str(),         "--time-scale", "0"};
      if (!g_spinWait.empty()) {
        printerArgs.push_back("--spin-wait");
        printerArgs.push_back(g_spinWait.c_str());
      }
      printerArgs.push_back(nullptr);
      execv(QUORLA_VPRINTER_PATH, const_cast<char* const*>(printerArgs.data()));
      _exit(127);
    }
    setenv("QUORLA_PRINTER", ("unix:" + socketPath).c_str(), 1);
    LoadLibraryByPHub();
    uint16_t port = 0;
    for (int attempt = 0; attempt < 200 && !connected; ++attempt) {
      if (SearchActivePortByPHub(&port) == 1 && D4Negotiation() == 1) {
        connected = true;
      } else {
        usleep(10000);  // the printer is still starting
      }
    }
  }
  ~Printer() {
    D4Termination();
    PortCloseByPHub();
    FreeLibraryByPHub();
    kill(pid, SIGTERM);
    waitpid(pid, nullptr, 0);
    std::filesystem::remove_all(dir);
  }
};

Printer* g_printer = nullptr;

// One repetition: its seconds per iteration join the figure's runs.
template <typename Body>
void Timed(benchmark::State& state, Measured& measured, Body body) {
  double seconds = 0;
  long long iterations = 0;
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    body();
    seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    ++iterations;
  }
  if (iterations > 0 && !state.error_occurred()) measured.runs.push_back(seconds / iterations);
}

void BM_BareRoundTrip(benchmark::State& state) {
  BarePeer peer(kCellRequest, kCellReply);
  uint8_t request[kCellRequest] = {}, reply[kCellReply];
  Timed(state, g_bareRoundTrip, [&] {
    if (!WriteFull(peer.fd, request, kCellRequest) || !ReadFull(peer.fd, reply, kCellReply)) {
      state.SkipWithError("io");
    }
  });
}

void BM_EepromRead256Cells(benchmark::State& state) {
  if (!g_printer->connected) return state.SkipWithError("no printer");
  Timed(state, g_eepromRead, [&] {
    for (int a = 0; a < kCells; ++a) {
      uint8_t value;
      if (D4ReadEeprom(QUORLA_Z40_MODEL_CODE_1, QUORLA_Z40_MODEL_CODE_2, static_cast<uint8_t>(a),
                       &value) != 1) {
        state.SkipWithError("read failed");
        return;
      }
    }
  });
}

void BM_BareWrites1MBWithAcks(benchmark::State& state) {
  BarePeer peer(kDataPacket, kDataAnswer);
  std::vector<uint8_t> block(kDataPacket, 0);
  uint8_t answer[kDataAnswer];
  Timed(state, g_bareWrites, [&] {
    for (int i = 0; i < kDataCalls; ++i) {
      if (!WriteFull(peer.fd, block.data(), block.size()) ||
          !ReadFull(peer.fd, answer, kDataAnswer)) {
        state.SkipWithError("io");
        return;
      }
    }
  });
  state.SetBytesProcessed(state.iterations() * kDataCalls * kDataCall);
}

void BM_SendDataChannel1MB(benchmark::State& state) {
  if (!g_printer->connected) return state.SkipWithError("no printer");
  std::vector<uint8_t> block(kDataCall, 0);
  Timed(state, g_sendData, [&] {
    for (int i = 0; i < kDataCalls; ++i) {
      if (SendDataChannel(block.data(), kDataCall) != 1) {
        state.SkipWithError("send failed");
        return;
      }
    }
  });
  state.SetBytesProcessed(state.iterations() * kDataCalls * kDataCall);
}

// Fixed iterations, so that every call of a benchmark is one of its repetitions.
BENCHMARK(BM_BareRoundTrip)
    ->Unit(benchmark::kMicrosecond)
    ->Iterations(4000)
    ->Repetitions(kRepetitions);
BENCHMARK(BM_EepromRead256Cells)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(16)
    ->Repetitions(kRepetitions);
BENCHMARK(BM_BareWrites1MBWithAcks)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(4)
    ->Repetitions(kRepetitions);
BENCHMARK(BM_SendDataChannel1MB)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(4)
    ->Repetitions(kRepetitions);

}  // namespace

int main(int argc, char** argv) {
  signal(SIGPIPE, SIG_IGN);
  std::vector<char*> args;
  for (int i = 0; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg.rfind("--spin-wait=", 0) == 0) {
      g_spinWait = arg.substr(std::strlen("--spin-wait="));
    } else {
      args.push_back(argv[i]);
    }
  }
  PinTo(kCallerCpu);
  Printer printer;
  g_printer = &printer;
  // The repetitions of the four figures interleaved in random order: a bare reference and the
  // link's figure then share the machine's conditions (its slow and fast spells) instead of
  // being measured one after the other. A flag of the caller's own comes after and wins.
  char interleave[] = "--benchmark_enable_random_interleaving=true";
  args.insert(args.begin() + 1, interleave);
  int count = static_cast<int>(args.size());
  benchmark::Initialize(&count, args.data());
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();

  // Per cell and per megabyte, each run; the ratios are of the medians.
  const double megabyte = kDataCalls * kDataCall / 1e6;
  auto spread = [](const Measured& m, double scale) {
    char text[64];
    std::snprintf(text, sizeof text, "(%.1f .. %.1f, %zu runs)", m.Low() * scale, m.High() * scale,
                  m.runs.size());
    return std::string(text);
  };
  std::printf("\nprinter's spin wait: %s\n",
              g_spinWait.empty() ? "its default" : (g_spinWait + " us").c_str());
  const double bare = g_bareRoundTrip.Median();
  const double perCell = g_eepromRead.Median() / kCells;
  std::printf("\nbare round trip          %8.1f us  %s\n", bare * 1e6,
              spread(g_bareRoundTrip, 1e6).c_str());
  std::printf("EEPROM read, per cell    %8.1f us  %s   ratio %.2f x bare (target <= 1.2)\n",
              perCell * 1e6, spread(g_eepromRead, 1e6 / kCells).c_str(),
              bare > 0 ? perCell / bare : 0);
  std::printf("256 cells                %8.2f ms\n", g_eepromRead.Median() * 1e3);
  // Megabytes per second: the slowest run is the lowest rate.
  auto rate = [&](const Measured& m) { return m.Median() > 0 ? megabyte / m.Median() : 0; };
  auto rateSpread = [&](const Measured& m) {
    char text[64];
    std::snprintf(text, sizeof text, "(%.1f .. %.1f, %zu runs)",
                  m.High() > 0 ? megabyte / m.High() : 0, m.Low() > 0 ? megabyte / m.Low() : 0,
                  m.runs.size());
    return std::string(text);
  };
  const double bareMBs = rate(g_bareWrites);
  const double sendMBs = rate(g_sendData);
  std::printf("bare 1008-byte writes    %8.1f MB/s %s\n", bareMBs,
              rateSpread(g_bareWrites).c_str());
  std::printf("SendDataChannel          %8.1f MB/s %s   ratio %.2f x bare (target >= 0.6)\n",
              sendMBs, rateSpread(g_sendData).c_str(), bareMBs > 0 ? sendMBs / bareMBs : 0);
  return 0;
}
