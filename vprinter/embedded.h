// The virtual printer inside the calling process: a device thread behind a socketpair. The
// embedded printer's library (vprinter/embed/) runs one for the port library when no other
// printer is found; tests start and configure it there.
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
