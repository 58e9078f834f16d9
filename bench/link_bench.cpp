// Link benchmarks against the standalone printer in another process, each beside the bare cost of
// the same exchange over a Unix socket:
//   - one request and its reply (8 bytes each way) vs reading the 256 EEPROM cells one call each;
//   - 1000-byte writes with a one-byte acknowledgement each vs SendDataChannel of 1 MB in
//     1000-byte calls.
// At the end it prints both figures and the ratios. Not part of the test run.
#include <benchmark/benchmark.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

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

struct Measured {
  double seconds = 0;
  long long iterations = 0;
  double PerIteration() const { return iterations > 0 ? seconds / iterations : 0; }
};
Measured g_bareRoundTrip, g_eepromRead, g_bareWrites, g_sendData;

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
      const std::string state = (dir / "state").string();
      const std::string tray = (dir / "tray").string();
      std::freopen("/dev/null", "w", stdout);
      execl(QUORLA_VPRINTER_PATH, QUORLA_VPRINTER_PATH, "--socket", socketPath.c_str(),
            "--state-dir", state.c_str(), "--tray-dir", tray.c_str(), "--time-scale", "0",
            static_cast<char*>(nullptr));
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

template <typename Body>
void Timed(benchmark::State& state, Measured& measured, Body body) {
  measured = {};
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    body();
    measured.seconds +=
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    ++measured.iterations;
  }
}

void BM_BareRoundTrip(benchmark::State& state) {
  BarePeer peer(8, 8);
  uint8_t request[8] = {1, 2, 3, 4, 5, 6, 7, 8}, reply[8];
  Timed(state, g_bareRoundTrip, [&] {
    if (!WriteFull(peer.fd, request, 8) || !ReadFull(peer.fd, reply, 8)) state.SkipWithError("io");
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
  state.counters["per_cell_us"] = g_eepromRead.PerIteration() / kCells * 1e6;
}

void BM_BareWrites1MBWithAcks(benchmark::State& state) {
  BarePeer peer(kDataCall, 1);
  std::vector<uint8_t> block(kDataCall, 0);
  uint8_t ack;
  Timed(state, g_bareWrites, [&] {
    for (int i = 0; i < kDataCalls; ++i) {
      if (!WriteFull(peer.fd, block.data(), block.size()) || !ReadFull(peer.fd, &ack, 1)) {
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

BENCHMARK(BM_BareRoundTrip)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_EepromRead256Cells)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BareWrites1MBWithAcks)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SendDataChannel1MB)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  signal(SIGPIPE, SIG_IGN);
  Printer printer;
  g_printer = &printer;
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();

  const double bare = g_bareRoundTrip.PerIteration();
  const double perCell = g_eepromRead.PerIteration() / kCells;
  const double megabyte = kDataCalls * kDataCall / 1e6;
  const double bareMBs =
      g_bareWrites.PerIteration() > 0 ? megabyte / g_bareWrites.PerIteration() : 0;
  const double sendMBs = g_sendData.PerIteration() > 0 ? megabyte / g_sendData.PerIteration() : 0;
  std::printf("\nbare round trip          %8.1f us\n", bare * 1e6);
  std::printf("EEPROM read, per cell    %8.1f us   ratio %.2f x bare (target <= 2)\n",
              perCell * 1e6, bare > 0 ? perCell / bare : 0);
  std::printf("256 cells                %8.2f ms\n", g_eepromRead.PerIteration() * 1e3);
  std::printf("bare 1000-byte writes    %8.1f MB/s\n", bareMBs);
  std::printf("SendDataChannel          %8.1f MB/s   ratio %.2f x bare (target >= 0.5)\n", sendMBs,
              bareMBs > 0 ? sendMBs / bareMBs : 0);
  return 0;
}
