// The printer's end of the link behind a socketpair, as the embedded printer runs it, driven by a
// hostile host: raw bytes, or frames with valid CRCs (after a proper negotiation) whose channels,
// credits and payloads the fuzzer chooses. The printer must read everything, answer or refuse it,
// and close the connection when the host does.
#include <fuzzer/FuzzedDataProvider.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <vector>

#include "fuzz/fuzz_printer.h"
#include "makerlibs/d4/commands.h"
#include "makerlibs/d4/d4.h"
#include "vprinter/embedded.h"

namespace {

vprinter::EmbeddedPrinter& Printer() {
  static vprinter::EmbeddedPrinter* printer = [] {
    return new vprinter::EmbeddedPrinter(FuzzPrinterOptions());
  }();
  return *printer;
}

void Frame(uint8_t src, uint8_t dst, uint8_t credit, const std::vector<uint8_t>& payload,
           std::vector<uint8_t>& out) {
  d4::Encode(src, dst, credit, payload.data(), std::min(payload.size(), d4::kMaxPayload), out);
}

// What a host sends to get both channels open.
void Negotiation(std::vector<uint8_t>& out) {
  Frame(0, 0, 0, d4::tx::Init(d4::kRevision), out);
  d4::tx::OpenParams control{d4::cmd::kControlSocket, d4::cmd::kControlMaxPayload,
                             d4::cmd::kControlMaxPayload, 0};
  d4::tx::OpenParams data{d4::cmd::kDataSocket, d4::cmd::kDataMaxPayload, d4::cmd::kDataMaxPayload,
                          0};
  Frame(0, 0, 0, d4::tx::OpenChannel(control), out);
  Frame(0, 0, 0, d4::tx::OpenChannel(data), out);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider in(data, size);
  std::vector<uint8_t> stream;
  if (in.ConsumeBool()) {
    stream = in.ConsumeRemainingBytes<uint8_t>();
  } else {
    Negotiation(stream);
    while (in.remaining_bytes() > 0) {
      static constexpr uint8_t kSockets[] = {0, d4::cmd::kControlSocket, d4::cmd::kDataSocket};
      const uint8_t pick = in.ConsumeIntegralInRange<uint8_t>(0, 3);
      uint8_t src = pick < 3 ? kSockets[pick] : in.ConsumeIntegral<uint8_t>();
      uint8_t dst = pick < 3 ? src : in.ConsumeIntegral<uint8_t>();
      const uint8_t credit = in.ConsumeIntegralInRange<uint8_t>(0, 3) == 0
                                 ? in.ConsumeIntegral<uint8_t>()
                                 : uint8_t{0};
      const std::size_t length = in.ConsumeIntegralInRange<std::size_t>(0, 80);
      Frame(src, dst, credit, in.ConsumeBytes<uint8_t>(length), stream);
    }
  }

  // Paper for every input: an input that printed the tray empty leaves its rest waiting in the
  // "Paper out" error, which the next one finds cleared, as an operator would.
  vprinter::Device& device = Printer().device();
  device.LoadPaper();
  if (device.CurrentStatus().second == vprinter::status::kPaperOut) device.ClearError();
  const int fd = Printer().Connect();
  if (fd < 0) std::abort();
  // Write while reading the answers, so that neither side's buffer fills; then the host's end
  // of the stream, and everything until the printer closes.
  std::size_t sent = 0;
  bool writeOpen = true;
  // A printer that neither answers nor closes within 10 s has hung: that is a finding too. (The
  // fuzzer's own timer interrupts the wait now and then: that is no reason to stop.)
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  for (;;) {
    pollfd p{fd, static_cast<short>(POLLIN | (writeOpen ? POLLOUT : 0)), 0};
    const int ready = poll(&p, 1, 1000);
    if (ready < 0 && errno != EINTR) std::abort();
    if (ready <= 0) {
      if (std::chrono::steady_clock::now() > deadline) std::abort();
      continue;
    }
    if (p.revents & POLLIN) {
      uint8_t buffer[65536];
      const ssize_t n = read(fd, buffer, sizeof buffer);
      if (n == 0 || (n < 0 && errno != EINTR && errno != EAGAIN)) break;
    }
    if (writeOpen && (p.revents & POLLOUT)) {
      const ssize_t n =
          send(fd, stream.data() + sent, stream.size() - sent, MSG_NOSIGNAL | MSG_DONTWAIT);
      if (n > 0) sent += static_cast<std::size_t>(n);
      const bool retry = n < 0 && (errno == EINTR || errno == EAGAIN);
      if ((n < 0 && !retry) || sent == stream.size()) {
        shutdown(fd, SHUT_WR);
        writeOpen = false;
      }
    } else if (p.revents & (POLLHUP | POLLERR)) {
      break;
    }
  }
  close(fd);
  return 0;
}
