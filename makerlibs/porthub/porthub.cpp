// Port library: finds the printer and holds the open port (a connected stream socket). It needs
// the protocol's shared pieces only: the embedded printer, with its toolkit window, is a library
// of its own that is loaded when the search falls through to it.
#include "link/porthub.h"

#include <dlfcn.h>
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

#include "makerlibs/d4/embeddedentry.h"
#include "makerlibs/d4/peer.h"
#include "makerlibs/d4/socketplace.h"
#include "makerlibs/porthub/portcontrol.h"

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
  // The embedded printer's library, once a search needed it (it stays loaded: a library with a
  // toolkit window is not one to unload while the process runs).
  const QuorlaEmbeddedPrinter* embedded = nullptr;
  // Without QUORLA_PRINTER: the printer the first successful search of this library load found.
  // Later searches look for that one only, so the library never moves to another printer behind
  // the program's back (old values meant for one printer written into another).
  enum class Found { kNone, kStandalone, kEmbedded } found = Found::kNone;

  ~PortHub() {
    if (fd >= 0) close(fd);
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

// The directory this library was loaded from ("" when the loader cannot tell).
std::string OwnDirectory() {
  Dl_info info{};
  if (dladdr(reinterpret_cast<const void*>(&OwnDirectory), &info) == 0 ||
      info.dli_fname == nullptr) {
    return {};
  }
  const std::string file(info.dli_fname);
  const std::size_t slash = file.rfind('/');
  return slash == std::string::npos ? std::string() : file.substr(0, slash + 1);
}

// The embedded printer's library: the one beside this library (the build tree, an installed
// tree), else wherever the loader finds it. nullptr, with the reason on stderr, when there is
// none.
const QuorlaEmbeddedPrinter* LoadEmbedded() {
  void* library = nullptr;
  const std::string beside = OwnDirectory();
  if (!beside.empty()) {
    library = dlopen((beside + QUORLA_EMBEDDED_PRINTER_LIBRARY).c_str(),
                     RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
  }
  if (library == nullptr) {
    library = dlopen(QUORLA_EMBEDDED_PRINTER_LIBRARY, RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
  }
  if (library == nullptr) {
    const char* why = dlerror();
    std::fprintf(stderr, "quorla porthub: no embedded printer: %s\n",
                 why != nullptr ? why : QUORLA_EMBEDDED_PRINTER_LIBRARY);
    return nullptr;
  }
  auto entry =
      reinterpret_cast<QuorlaEmbeddedPrinterEntryFn>(dlsym(library, QUORLA_EMBEDDED_PRINTER_ENTRY));
  const QuorlaEmbeddedPrinter* printer = entry != nullptr ? entry() : nullptr;
  if (printer == nullptr || printer->connect == nullptr || printer->release == nullptr) {
    std::fprintf(stderr, "quorla porthub: %s has no usable %s\n", QUORLA_EMBEDDED_PRINTER_LIBRARY,
                 QUORLA_EMBEDDED_PRINTER_ENTRY);
    return nullptr;
  }
  return printer;
}

// A connection to the embedded printer, started if it is not running; -1 when there is none.
int ConnectEmbedded(PortHub& hub) {
  if (hub.embedded == nullptr) hub.embedded = LoadEmbedded();
  return hub.embedded != nullptr ? hub.embedded->connect() : -1;
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
  if (!d4::PrepareDefaultSocketDir(false, &error)) {
    if (!error.empty()) {
      std::fprintf(stderr, "quorla porthub: not looking for a printer in %s\n", error.c_str());
    }
    return kNobodyThere;
  }
  const std::string path = d4::DefaultSocketPath().string();
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
    fd = ConnectEmbedded(hub);
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
  if (hub.embedded != nullptr) hub.embedded->release();
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

bool PortIsEmbedded() {
  PortHub& hub = Hub();
  std::lock_guard lock(hub.mutex);
  return hub.fd >= 0 && hub.fdIsEmbedded;
}

}  // namespace quorla::link
