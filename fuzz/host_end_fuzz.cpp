// The program's end of the link against a scripted hostile printer: the port library finds it on a
// Unix socket, the printer's whole answer (raw bytes, or frames with valid CRCs whose channels,
// credits and payloads the fuzzer chooses) is waiting before the program asks anything, and then
// the printer hangs up. Every call the program makes must come back, with a result of the
// contract, whatever the printer wrote.
#include <fuzzer/FuzzedDataProvider.h>
#include <stdlib.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "link/mechcmd.h"
#include "link/modelcode.h"
#include "link/pktlink.h"
#include "link/porthub.h"
#include "makerlibs/d4/commands.h"
#include "makerlibs/d4/d4.h"
#include "makerlibs/porthub/portcontrol.h"

namespace {

constexpr uint8_t M1 = QUORLA_Z40_MODEL_CODE_1;
constexpr uint8_t M2 = QUORLA_Z40_MODEL_CODE_2;

void Check(bool condition) {
  if (!condition) std::abort();
}

// A result the program may see: success, a packet error, or one of the link's own failures.
void Contract(int16_t result) {
  Check(result == 1 || result == 8192 || result == -105 || result == -104 || result == -103 ||
        result == -82 || result == -81 || result == -8193);
}

char g_dir[] = "/tmp/quorla-hostile-XXXXXX";
std::string g_path;

int Listener() {
  static int fd = [] {
    if (mkdtemp(g_dir) == nullptr) std::abort();
    g_path = std::string(g_dir) + "/printer.sock";
    const std::string& path = g_path;
    std::atexit([] {
      unlink(g_path.c_str());
      rmdir(g_dir);
    });
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
    const int s = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || listen(s, 4) != 0) {
      std::abort();
    }
    setenv("QUORLA_PRINTER", ("unix:" + path).c_str(), 1);
    // Nothing here waits for the printer: its answer is all there, then it closes.
    quorla::link::SetTimeoutMs(2000);
    LoadLibraryByPHub();
    return s;
  }();
  return fd;
}

std::vector<uint8_t> Script(FuzzedDataProvider& in) {
  std::vector<uint8_t> out;
  while (in.remaining_bytes() > 0 && out.size() < 65536) {
    const uint8_t kind = in.ConsumeIntegral<uint8_t>();
    if (kind < 64) {
      const std::vector<uint8_t> raw =
          in.ConsumeBytes<uint8_t>(in.ConsumeIntegralInRange<std::size_t>(0, 64));
      out.insert(out.end(), raw.begin(), raw.end());
      continue;
    }
    static constexpr uint8_t kSockets[] = {0, d4::cmd::kControlSocket, d4::cmd::kDataSocket};
    uint8_t src = kSockets[kind % 3];
    uint8_t dst = src;
    if (kind >= 240) {
      src = in.ConsumeIntegral<uint8_t>();
      dst = in.ConsumeIntegral<uint8_t>();
    }
    const uint8_t credit = (kind & 0x18) == 0 ? in.ConsumeIntegral<uint8_t>() : (kind >> 5) & 1;
    const std::vector<uint8_t> payload =
        in.ConsumeBytes<uint8_t>(in.ConsumeIntegralInRange<std::size_t>(0, 72));
    d4::Encode(src, dst, credit, payload.data(), payload.size(), out);
  }
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const int listener = Listener();
  FuzzedDataProvider in(data, size);
  const std::vector<uint8_t> script = Script(in);

  uint16_t port = 0;
  Contract(SearchActivePortByPHub(&port));
  // The fuzzer's own timer may interrupt any of these calls: they are simply made again.
  int printer;
  do {
    printer = accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
  } while (printer < 0 && errno == EINTR);
  Check(printer >= 0);
  std::size_t sent = 0;
  while (sent < script.size()) {
    const ssize_t n = send(printer, script.data() + sent, script.size() - sent, MSG_NOSIGNAL);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    sent += static_cast<std::size_t>(n);
  }
  shutdown(printer, SHUT_WR);

  uint8_t value = 0;
  PrinterStatus status{};
  std::vector<uint8_t> print(1500, 0x1B);
  Contract(D4Negotiation());
  Contract(D4ReadEeprom(M1, M2, 0x2E, &value));
  Contract(D4WriteEeprom(M1, M2, 0x5F, 1));
  Contract(InquireStatus(&status));
  Contract(SoftReset());
  Contract(SendDataChannel(print.data(), static_cast<int32_t>(print.size())));
  Contract(WriteBid(M1, M2, 1, 1, 3));
  Contract(ReadCrtag(M1, M2, 0, 35, &value));
  Contract(HeadCleaning(M1, M2, 2));
  Contract(D4Negotiation());
  Contract(SendDataChannel(print.data(), 10));
  Contract(D4Termination());
  GetD4ErrorCode();
  PortCloseByPHub();
  close(printer);
  return 0;
}
