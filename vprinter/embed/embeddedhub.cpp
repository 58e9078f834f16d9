// The embedded printer of this process and the C entry the port library loads: one printer, its
// front panel when its user asks for it, started on the first connection and kept until the port
// library is unloaded (or, when a test or tool started it, until that stops it).
#include "vprinter/embed/embeddedhub.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "makerlibs/d4/embeddedentry.h"
#include "vprinter/embedded.h"
#include "vprinter/panel/frontpanel.h"

namespace vprinter::embedded {

namespace {

struct Hub {
  std::mutex mutex;
  std::optional<DeviceOptions> options;
  std::unique_ptr<EmbeddedPrinter> printer;
  // The printer's front panel (QUORLA_VPRINTER_PANEL=1); goes before the printer.
  std::unique_ptr<panel::PanelHandle> panel;
  bool pinned = false;  // started by a test or tool: survives the port library's unloading

  ~Hub() { StopLocked(); }

  void StopLocked() {
    panel.reset();
    printer.reset();
  }

  EmbeddedPrinter& EnsureLocked() {
    if (!printer) {
      DeviceOptions chosen = options ? *options : DefaultDeviceOptions();
      if (!chosen.onWarning) {
        chosen.onWarning = [](const std::string& warning) {
          std::fprintf(stderr, "quorla-vprinter (embedded): warning: %s\n", warning.c_str());
        };
      }
      printer = std::make_unique<EmbeddedPrinter>(std::move(chosen));
      // The program reads no environment; its user asks for the printer's window here.
      const char* wanted = std::getenv("QUORLA_VPRINTER_PANEL");
      if (wanted != nullptr && std::strcmp(wanted, "1") == 0 &&
          printer->device().StartError().empty()) {
        panel = panel::OpenPanelFor(printer->device());
      }
    }
    return *printer;
  }
};

Hub& TheHub() {
  static Hub hub;
  return hub;
}

int Connect() {
  Hub& hub = TheHub();
  std::lock_guard lock(hub.mutex);
  if (!hub.printer) {
    hub.EnsureLocked();
    // A printer whose memory it may not read is not started: it would overwrite it.
    if (const std::string error = hub.printer->device().StartError(); !error.empty()) {
      std::fprintf(stderr, "quorla-vprinter (embedded): %s\n", error.c_str());
      hub.StopLocked();
      return -1;
    }
    for (const std::string& warning : hub.printer->device().Warnings()) {
      std::fprintf(stderr, "quorla-vprinter (embedded): warning: %s\n", warning.c_str());
    }
  }
  return hub.printer->Connect();
}

void Release() {
  Hub& hub = TheHub();
  std::lock_guard lock(hub.mutex);
  if (!hub.pinned) hub.StopLocked();
}

constexpr QuorlaEmbeddedPrinter kEntry{&Connect, &Release};

}  // namespace

void SetOptions(const DeviceOptions& options) {
  Hub& hub = TheHub();
  std::lock_guard lock(hub.mutex);
  hub.options = options;
}

void ResetOptions() {
  Hub& hub = TheHub();
  std::lock_guard lock(hub.mutex);
  hub.options.reset();
}

Device& Start() {
  Hub& hub = TheHub();
  std::lock_guard lock(hub.mutex);
  hub.pinned = true;
  return hub.EnsureLocked().device();
}

Device* Running() {
  Hub& hub = TheHub();
  std::lock_guard lock(hub.mutex);
  return hub.printer ? &hub.printer->device() : nullptr;
}

void Stop() {
  Hub& hub = TheHub();
  std::lock_guard lock(hub.mutex);
  hub.StopLocked();
  hub.pinned = false;
}

}  // namespace vprinter::embedded

extern "C" __attribute__((visibility("default"))) const QuorlaEmbeddedPrinter*
quorla_embedded_printer_v1(void) {
  return &vprinter::embedded::kEntry;
}
