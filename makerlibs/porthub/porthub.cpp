// Port library: finds the printer and holds the open port (a connected stream socket).
#include "link/porthub.h"

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "makerlibs/linkcontrol.h"
#include "vprinter/embedded.h"

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
  bool pinned = false;  // started by a test: survives FreeLibraryByPHub
  // Without QUORLA_PRINTER: the printer the first successful search of this library load found.
  // Later searches look for that one only, so the library never moves to another printer behind
  // the program's back (old values meant for one printer written into another).
  enum class Found { kNone, kStandalone, kEmbedded } found = Found::kNone;

  ~PortHub() {
    if (fd >= 0) close(fd);
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
    hub.embedded = std::make_unique<vprinter::EmbeddedPrinter>(
        hub.options ? *hub.options : vprinter::DefaultDeviceOptions());
  }
  return *hub.embedded;
}

int ConnectUnix(const std::string& path) {
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  if (path.empty() || path.size() >= sizeof address.sun_path) return -1;
  std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
  const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return -1;
  if (connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
    close(fd);
    return -1;
  }
  return fd;
}

bool SocketFilePresent(const std::string& path) {
  struct stat st {};
  return lstat(path.c_str(), &st) == 0 && S_ISSOCK(st.st_mode);
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
    const std::string path = vprinter::DefaultSocketPath().string();
    fd = ConnectUnix(path);
    // A socket that is there but refuses is a standalone printer switched off (or hung): not
    // found, and no reason to take another printer instead. Nor is the embedded one taken once
    // the standalone printer was found in this library load.
    if (fd < 0 && (SocketFilePresent(path) || hub.found == PortHub::Found::kStandalone)) {
      return -105;
    }
    embedded = fd < 0;
  }
  if (embedded) {
    if (!hub.embedded) {
      EnsureEmbedded(hub);
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
  if (!hub.pinned) hub.embedded.reset();
  hub.loaded = false;
  hub.found = PortHub::Found::kNone;
  return 1;
}

namespace quorla::link {

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
  hub.embedded.reset();
  hub.pinned = false;
}

}  // namespace quorla::link
