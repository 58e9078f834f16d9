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
#include "vprinter/scenario/judge.h"

namespace vprinter::embedded {

namespace {

struct Hub {
  std::mutex mutex;
  std::optional<DeviceOptions> options;
  std::unique_ptr<EmbeddedPrinter> printer;
  // The printer's front panel (QUORLA_VPRINTER_PANEL=1); goes before the printer.
  std::unique_ptr<panel::PanelHandle> panel;
  bool pinned = false;  // started by a test or tool: survives the port library's unloading
  // A training scenario (QUORLA_VPRINTER_SCENARIO): its memory of its own, its run and report.
  std::unique_ptr<scenario::ScenarioMemory> memory;
  std::unique_ptr<scenario::ScenarioRun> run;
  std::string refused;  // why the scenario's printer may not start

  ~Hub() { StopLocked(); }

  void StopLocked() {
    panel.reset();
    if (run) {
      std::string error;
      if (!run->WriteReport(&error)) {
        std::fprintf(stderr, "quorla-vprinter (embedded): %s\n", error.c_str());
      }
    }
    run.reset();
    printer.reset();
    memory.reset();
  }

  // The scenario named by QUORLA_VPRINTER_SCENARIO, read and checked whole; an empty optional and
  // `refused` when the file is at fault, so nothing starts half set up.
  std::optional<scenario::Scenario> ScenarioFromEnvLocked(DeviceOptions& chosen) {
    const char* name = std::getenv("QUORLA_VPRINTER_SCENARIO");
    if (name == nullptr || *name == '\0') return std::nullopt;
    std::string error;
    std::optional<scenario::Scenario> s =
        scenario::LoadScenario(scenario::FindScenario(name), &error);
    if (!s) {
      refused = error;
      return std::nullopt;
    }
    const char* keep = std::getenv("QUORLA_VPRINTER_KEEP_STATE");
    memory = std::make_unique<scenario::ScenarioMemory>(
        chosen, keep != nullptr && std::strcmp(keep, "1") == 0);
    if (!memory->ok()) {
      refused = "cannot make a state directory for the scenario";
      return std::nullopt;
    }
    return s;
  }

  EmbeddedPrinter& EnsureLocked() {
    if (!printer) {
      DeviceOptions chosen = options ? *options : DefaultDeviceOptions();
      refused.clear();
      std::optional<scenario::Scenario> s = options ? std::nullopt : ScenarioFromEnvLocked(chosen);
      if (!refused.empty()) {
        // The printer that stands in until Connect refuses must not read or write the saved
        // printer's memory or tray: a scratch directory of its own holds both.
        memory = std::make_unique<scenario::ScenarioMemory>(chosen, false);
        if (!memory->ok()) chosen.stateDir.clear();  // memory only
        chosen.trayDir.clear();                      // beside the state, or a temporary one
      }
      if (!chosen.onWarning) {
        chosen.onWarning = [](const std::string& warning) {
          std::fprintf(stderr, "quorla-vprinter (embedded): warning: %s\n", warning.c_str());
        };
      }
      printer = std::make_unique<EmbeddedPrinter>(std::move(chosen));
      std::optional<panel::TrainingInfo> training;
      if (s && printer->device().StartError().empty()) {
        std::string error;
        run = std::make_unique<scenario::ScenarioRun>(printer->device(), *s, &error);
        if (!error.empty()) {
          refused = error;
          run.reset();
        }
      }
      if (run) {
        const char* report = std::getenv("QUORLA_VPRINTER_REPORT");
        if (report != nullptr) run->SetReportFile(report);
        const char* instructor = std::getenv("QUORLA_VPRINTER_INSTRUCTOR");
        training = panel::TrainingInfo{run.get(), s->title, s->complaint,
                                       instructor != nullptr && std::strcmp(instructor, "1") == 0};
      }
      // The program reads no environment; its user asks for the printer's window here.
      const char* wanted = std::getenv("QUORLA_VPRINTER_PANEL");
      if (wanted != nullptr && std::strcmp(wanted, "1") == 0 &&
          printer->device().StartError().empty() && refused.empty()) {
        panel = panel::OpenPanelFor(printer->device(), training ? &*training : nullptr);
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
    // A printer whose memory it may not read is not started: it would overwrite it. Nor is one
    // whose scenario is at fault.
    std::string error = hub.printer->device().StartError();
    if (error.empty()) error = hub.refused;
    if (!error.empty()) {
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
