#include "vprinter/embedded.h"

#include <sys/socket.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "makerlibs/d4/peer.h"

namespace vprinter {

namespace {
std::filesystem::path FromEnv(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr && *value != '\0' ? std::filesystem::path(value)
                                            : std::filesystem::path();
}

std::filesystem::path XdgDir(const char* variable, const char* fallbackUnderHome) {
  std::filesystem::path dir = FromEnv(variable);
  if (!dir.empty()) return dir;
  std::filesystem::path home = FromEnv("HOME");
  if (home.empty()) home = std::filesystem::temp_directory_path();
  return home / fallbackUnderHome;
}
}  // namespace

DeviceOptions DefaultDeviceOptions() {
  DeviceOptions options;
  options.stateDir = FromEnv("QUORLA_VPRINTER_STATE_DIR");
  if (options.stateDir.empty()) {
    options.stateDir = XdgDir("XDG_STATE_HOME", ".local/state") / "quorla-vprinter";
  }
  options.trayDir = FromEnv("QUORLA_VPRINTER_TRAY_DIR");
  if (options.trayDir.empty()) {
    options.trayDir = XdgDir("XDG_DATA_HOME", ".local/share") / "quorla-vprinter" / "tray";
  }
  options.traceFile = FromEnv("QUORLA_VPRINTER_TRACE");
  if (const char* scale = std::getenv("QUORLA_VPRINTER_TIME_SCALE")) {
    char* end = nullptr;
    const double value = std::strtod(scale, &end);
    if (end != scale && value >= 0) options.timeScale = value;
  }
  return options;
}

namespace {
constexpr char kSocketName[] = "quorla-vprinter.sock";

// The private directory of the default socket, or empty under XDG_RUNTIME_DIR (which is the
// user's own by definition).
std::filesystem::path FallbackSocketDir() {
  if (!FromEnv("XDG_RUNTIME_DIR").empty()) return {};
  return std::filesystem::temp_directory_path() / ("quorla-vprinter-" + std::to_string(geteuid()));
}
}  // namespace

std::filesystem::path DefaultSocketPath() {
  std::filesystem::path runtime = FromEnv("XDG_RUNTIME_DIR");
  if (!runtime.empty()) return runtime / kSocketName;
  return FallbackSocketDir() / kSocketName;
}

bool PrepareDefaultSocketDir(bool create, std::string* error) {
  if (error != nullptr) error->clear();
  const std::filesystem::path dir = FallbackSocketDir();
  if (dir.empty()) return true;
  std::error_code ec;
  if (!create && !std::filesystem::exists(std::filesystem::symlink_status(dir, ec))) return false;
  return d4::PrivateDirectory(dir, create, error);
}

EmbeddedPrinter::EmbeddedPrinter(DeviceOptions options)
    : device_(std::make_unique<Device>(std::move(options))),
      server_(std::make_unique<Server>(*device_)),
      thread_([this] {
        // Its only clients are the program it lives in, which may keep a port open while the
        // technician is away: none is dropped for its silence.
        server_->SetIdleLimit(Server::Clock::duration::zero());
        server_->Run();
      }) {}

EmbeddedPrinter::~EmbeddedPrinter() {
  server_->Stop();
  if (thread_.joinable()) thread_.join();
  server_.reset();
  device_->Save();
}

int EmbeddedPrinter::Connect() {
  // A printer that is switched off is not found.
  if (!device_->PoweredOn()) return -1;
  int fds[2];
  if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds) != 0) return -1;
  server_->AddConnection(fds[1]);
  return fds[0];
}

}  // namespace vprinter
