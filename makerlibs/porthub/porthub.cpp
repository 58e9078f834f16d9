// Port library: finds the printer and holds the open port (a connected stream socket).
#include "link/porthub.h"

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <sys/un.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "makerlibs/d4/peer.h"
#include "makerlibs/linkcontrol.h"
#include "vprinter/embedded.h"
#include "vprinter/panel/frontpanel.h"

namespace {

// Port numbers written by the search; the program never reads them.
constexpr uint16_t kSocketPort = 1;
constexpr uint16_t kEmbeddedPort = 2;

struct PortHub {
  std::recursive_mutex mutex;
  bool loaded = false;
  int fd = -1;
  bool fdIsEmbedded = false;
  uint64_t generation = 0;
  std::optional<vprinter::DeviceOptions> options;
  std::unique_ptr<vprinter::EmbeddedPrinter> embedded;
  // The embedded printer's front panel (QUORLA_VPRINTER_PANEL=1); goes before the printer.
  std::unique_ptr<vprinter::panel::PanelHandle> panel;
  bool pinned = false;  // started by a test: survives FreeLibraryByPHub
  // Without QUORLA_PRINTER: the printer the first successful search of this library load found.
  // Later searches look for that one only, so the library never moves to another printer behind
  // the program's back (old values meant for one printer written into another).
  enum class Found { kNone, kStandalone, kEmbedded } found = Found::kNone;

  ~PortHub() {
    if (fd >= 0) close(fd);
    panel.reset();
    embedded.reset();
  }
};

PortHub& Hub() {
  static PortHub hub;
  return hub;
}

void ClosePort(PortHub& hub) {
  if (hub.fd >= 0) close(hub.fd);
  hub.fd = -1;
  hub.fdIsEmbedded = false;
}

vprinter::EmbeddedPrinter& EnsureEmbedded(PortHub& hub) {
  if (!hub.embedded) {
    vprinter::DeviceOptions options = hub.options ? *hub.options : vprinter::DefaultDeviceOptions();
    if (!options.onWarning) {
      options.onWarning = [](const std::string& warning) {
        std::fprintf(stderr, "quorla-vprinter (embedded): warning: %s\n", warning.c_str());
      };
    }
    hub.embedded = std::make_unique<vprinter::EmbeddedPrinter>(std::move(options));
    // The program reads no environment; its user asks for the printer's window here.
    const char* panel = std::getenv("QUORLA_VPRINTER_PANEL");
    if (panel != nullptr && std::strcmp(panel, "1") == 0 &&
        hub.embedded->device().StartError().empty()) {
      hub.panel = vprinter::panel::OpenPanelFor(hub.embedded->device());
    }
  }
  return *hub.embedded;
}

// The link time-out: the packet library's waits and the connect below.
std::atomic<int> g_timeoutMs{quorla::link::kDefaultTimeoutMs};

// Connects within the link time-out. A Unix-socket connect blocks while the listener's backlog is
// full (a printer that is stopped, or swamped); a non-blocking one fails at once with EAGAIN
// instead of reporting progress through poll, so the wait is bounded with SO_SNDTIMEO, which the
// kernel applies to exactly that wait. -1 when nobody accepted in time.
int ConnectWithin(const sockaddr_un& address, std::chrono::milliseconds timeout) {
  const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return -1;
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  for (;;) {
    const auto left =
        std::chrono::ceil<std::chrono::microseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) break;
    timeval tv{static_cast<time_t>(left.count() / 1000000),
               static_cast<suseconds_t>(left.count() % 1000000)};
    setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &tv, sizeof tv);
    if (connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0) {
      const timeval none{};
      setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &none, sizeof none);
      return fd;
    }
    if (errno != EINTR && errno != EAGAIN) break;  // EAGAIN: the time-out passed, or a retry
  }
  close(fd);
  return -1;
}

// A printer reached through a socket: only one run by this user (or root) is taken. Anyone else
// could read and write the EEPROM the technician believes to be the printer's.
constexpr int kNobodyThere = -1;
constexpr int kImpostor = -2;

int ConnectUnix(const std::string& path) {
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  if (path.empty() || path.size() >= sizeof address.sun_path) return kNobodyThere;
  std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
  const int fd = ConnectWithin(address, std::chrono::milliseconds(g_timeoutMs.load()));
  if (fd < 0) return kNobodyThere;
  const d4::PeerVerdict peer = d4::CheckPeer(fd);
  if (!peer.accepted()) {
    std::fprintf(stderr, "quorla porthub: refused the printer at %s: %s\n", path.c_str(),
                 peer.Reason().c_str());
    close(fd);
    return kImpostor;
  }
  return fd;
}

// A standalone printer's socket file, whether or not anyone accepts on it.
bool SocketFilePresent(const std::string& path) {
  struct stat st {};
  return lstat(path.c_str(), &st) == 0 && S_ISSOCK(st.st_mode);
}

// The default socket, when its directory can be trusted; kNobodyThere otherwise: a directory
// another user made or opened is never connected into, and the embedded printer is used.
// kSwitchedOff: our own socket file is there but nobody accepts on it.
constexpr int kSwitchedOff = -3;
int ConnectDefault() {
  std::string error;
  if (!vprinter::PrepareDefaultSocketDir(false, &error)) {
    if (!error.empty()) {
      std::fprintf(stderr, "quorla porthub: not looking for a printer in %s\n", error.c_str());
    }
    return kNobodyThere;
  }
  const std::string path = vprinter::DefaultSocketPath().string();
  const int fd = ConnectUnix(path);
  if (fd == kNobodyThere && SocketFilePresent(path)) return kSwitchedOff;
  return fd;
}

}  // namespace

int16_t LoadLibraryByPHub(void) {
  PortHub& hub = Hub();
  std::lock_guard lock(hub.mutex);
  hub.loaded = true;
  return 1;
}

int16_t SearchActivePortByPHub(uint16_t* port) {
  PortHub& hub = Hub();
  std::lock_guard lock(hub.mutex);
  if (!hub.loaded) return -105;
  ClosePort(hub);

  int fd = -1;
  bool embedded = false;
  const char* named = std::getenv("QUORLA_PRINTER");
  if (named != nullptr && *named != '\0') {
    const std::string printer(named);
    if (printer == "embedded") {
      embedded = true;
    } else if (printer.rfind("unix:", 0) == 0) {
      fd = ConnectUnix(printer.substr(5));
      if (fd < 0) return -105;
    } else {
      return -105;
    }
  } else if (hub.found == PortHub::Found::kEmbedded) {
    embedded = true;
  } else {
    fd = ConnectDefault();
    if (fd == kImpostor) return -105;
    // A socket that is there but refuses is a standalone printer switched off (or hung): not
    // found, and no reason to take another printer instead. Nor is the embedded one taken once
    // the standalone printer was found in this library load.
    if (fd == kSwitchedOff || (fd < 0 && hub.found == PortHub::Found::kStandalone)) return -105;
    embedded = fd < 0;
  }
  if (embedded) {
    if (!hub.embedded) {
      EnsureEmbedded(hub);
      // A printer whose memory it may not read is not started: it would overwrite it.
      if (const std::string error = hub.embedded->device().StartError(); !error.empty()) {
        std::fprintf(stderr, "quorla-vprinter (embedded): %s\n", error.c_str());
        hub.panel.reset();
        hub.embedded.reset();
        return -105;
      }
      for (const std::string& warning : hub.embedded->device().Warnings()) {
        std::fprintf(stderr, "quorla-vprinter (embedded): warning: %s\n", warning.c_str());
      }
    }
    fd = hub.embedded->Connect();
    if (fd < 0) return -105;
  }
  hub.fd = fd;
  hub.fdIsEmbedded = embedded;
  ++hub.generation;
  if ((named == nullptr || *named == '\0') && hub.found == PortHub::Found::kNone) {
    hub.found = embedded ? PortHub::Found::kEmbedded : PortHub::Found::kStandalone;
  }
  if (port != nullptr) *port = embedded ? kEmbeddedPort : kSocketPort;
  return 1;
}

int16_t PortCloseByPHub(void) {
  PortHub& hub = Hub();
  std::lock_guard lock(hub.mutex);
  ClosePort(hub);
  return 1;
}

int16_t FreeLibraryByPHub(void) {
  PortHub& hub = Hub();
  std::lock_guard lock(hub.mutex);
  ClosePort(hub);
  if (!hub.pinned) {
    hub.panel.reset();
    hub.embedded.reset();
  }
  hub.loaded = false;
  hub.found = PortHub::Found::kNone;
  return 1;
}

namespace quorla::link {

void SetTimeoutMs(int ms) {
  g_timeoutMs.store(ms < 1 ? 1 : ms);
}
int TimeoutMs() {
  return g_timeoutMs.load();
}

int PortFd() {
  PortHub& hub = Hub();
  std::lock_guard lock(hub.mutex);
  return hub.fd;
}

uint64_t PortGeneration() {
  PortHub& hub = Hub();
  std::lock_guard lock(hub.mutex);
  return hub.generation;
}

void SetEmbeddedPrinterOptions(const vprinter::DeviceOptions& options) {
  PortHub& hub = Hub();
  std::lock_guard lock(hub.mutex);
  hub.options = options;
}

void ResetEmbeddedPrinterOptions() {
  PortHub& hub = Hub();
  std::lock_guard lock(hub.mutex);
  hub.options.reset();
}

vprinter::Device& StartEmbeddedPrinter() {
  PortHub& hub = Hub();
  std::lock_guard lock(hub.mutex);
  hub.pinned = true;
  return EnsureEmbedded(hub).device();
}

vprinter::Device* EmbeddedDevice() {
  PortHub& hub = Hub();
  std::lock_guard lock(hub.mutex);
  return hub.embedded ? &hub.embedded->device() : nullptr;
}

void StopEmbeddedPrinter() {
  PortHub& hub = Hub();
  std::lock_guard lock(hub.mutex);
  if (hub.fdIsEmbedded) ClosePort(hub);
  hub.panel.reset();
  hub.embedded.reset();
  hub.pinned = false;
}

}  // namespace quorla::link
