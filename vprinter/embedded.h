// The virtual printer inside the calling process: a device thread behind a socketpair. The port
// library starts one when no other printer is found; tests start and configure it directly.
#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <thread>

#include "vprinter/device.h"
#include "vprinter/server.h"

namespace vprinter {

// Where a printer keeps its state and sheets unless told otherwise:
//   state  $QUORLA_VPRINTER_STATE_DIR, else $XDG_STATE_HOME/quorla-vprinter,
//          else ~/.local/state/quorla-vprinter
//   tray   $QUORLA_VPRINTER_TRAY_DIR, else $XDG_DATA_HOME/quorla-vprinter/tray,
//          else ~/.local/share/quorla-vprinter/tray
//   trace  $QUORLA_VPRINTER_TRACE (a file), else none
//   time   $QUORLA_VPRINTER_TIME_SCALE (real seconds per printer second), else 1
DeviceOptions DefaultDeviceOptions();
// The standalone printer's socket: $XDG_RUNTIME_DIR/quorla-vprinter.sock, else
// quorla-vprinter.sock in the directory /tmp/quorla-vprinter-UID, which must be the user's own
// with mode 0700 (anyone may create names in /tmp first).
std::filesystem::path DefaultSocketPath();
// Makes sure the default socket's directory can be trusted: true at once under XDG_RUNTIME_DIR;
// for the /tmp directory true when it is the user's own with mode 0700 (with `create`, making it
// so if it is missing). False otherwise, with the reason in `error`; a missing directory without
// `create` leaves `error` empty (no printer can be listening there).
bool PrepareDefaultSocketDir(bool create, std::string* error);

class EmbeddedPrinter {
 public:
  explicit EmbeddedPrinter(DeviceOptions options);
  // Stops the device thread, closes its connections and saves the state.
  ~EmbeddedPrinter();
  EmbeddedPrinter(const EmbeddedPrinter&) = delete;
  EmbeddedPrinter& operator=(const EmbeddedPrinter&) = delete;

  // A new connection to the printer: the host's end of a socketpair, or -1 (also while the
  // printer is switched off).
  int Connect();
  Device& device() { return *device_; }

 private:
  std::unique_ptr<Device> device_;
  std::unique_ptr<Server> server_;
  std::thread thread_;
};

}  // namespace vprinter
