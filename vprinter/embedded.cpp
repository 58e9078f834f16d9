#include "vprinter/embedded.h"

#include <sys/socket.h>

#include <cstdlib>
#include <string>

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
  if (const char* text = std::getenv("QUORLA_VPRINTER_TIME_SCALE")) {
    if (const std::optional<double> scale = ParseTimeScale(text)) options.timeScale = *scale;
  }
  return options;
}

EmbeddedPrinter::EmbeddedPrinter(DeviceOptions options)
    : device_(std::make_unique<Device>(std::move(options))),
      server_(std::make_unique<Server>(*device_)),
      thread_([this] {
        // Its only clients are the program it lives in, which may keep a port open while the
        // technician is away: none is dropped for its silence.
        server_->SetIdleLimit(Server::Clock::duration::zero());
        if (auto wait = Server::ParseSpinWait(std::getenv("QUORLA_VPRINTER_SPIN_WAIT"))) {
          server_->SetSpinWait(*wait);
        }
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
