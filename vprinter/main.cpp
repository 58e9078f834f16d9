// quorla-vprinter: the virtual Quorla Z40 as a program of its own, listening on a Unix socket.
#include <signal.h>
#include <unistd.h>

#include <QApplication>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "makerlibs/d4/socketplace.h"
#include "vprinter/commands.h"
#include "vprinter/embedded.h"
#include "vprinter/listener.h"
#include "vprinter/panel/frontpanel.h"
#include "vprinter/scenario/judge.h"
#include "vprinter/server.h"

namespace {

vprinter::Server* g_server = nullptr;

void OnSignal(int) {
  if (g_server != nullptr) g_server->Stop();
}

constexpr char kUsage[] =
    "usage: quorla-vprinter [options]\n"
    "\n"
    "The virtual Quorla Z40 printer. It listens on a Unix socket for the adjustment program's\n"
    "libraries (QUORLA_PRINTER=unix:PATH, or the default socket without QUORLA_PRINTER) and reads\n"
    "operator commands (type \"help\") on its standard input.\n"
    "\n"
    "  --socket PATH      where to listen (default $XDG_RUNTIME_DIR/quorla-vprinter.sock, else\n"
    "                     /tmp/quorla-vprinter-UID/quorla-vprinter.sock)\n"
    "  --state-dir DIR    non-volatile memory (default $XDG_STATE_HOME/quorla-vprinter)\n"
    "  --tray-dir DIR     printed sheets (default $XDG_DATA_HOME/quorla-vprinter/tray)\n"
    "  --trace FILE       append the trace (JSON Lines) to FILE\n"
    "  --time-scale X     real seconds per printer second, 0 (instant) to 1000 (default 1)\n"
    "  --spin-wait US     after a control request, look this many microseconds for the next\n"
    "                     one before sleeping; 0 = at once (default 50, 0 on one processor)\n"
    "  --command CMD      run an operator command at start (repeatable)\n"
    "  --panel            open the front panel window (closing it stops the printer)\n"
    "  --scenario FILE|ID run a training scenario: the factory printer, its setup, and the\n"
    "                     operator command \"judge\" for the verdict\n"
    "  --keep-state       with --scenario: start from the saved state, not the factory's\n"
    "  --report FILE      with --scenario: the verdict as JSON at every judge and at exit\n"
    "  --instructor       with --scenario and --panel: the panel shows the hidden values\n"
    "  --check            with --scenario: check the scenario file, start nothing\n"
    "  --list-scenarios   the installed scenarios with their titles\n"
    "  --version          the version\n"
    "  --help             this text\n";

}  // namespace

int main(int argc, char** argv) {
  vprinter::DeviceOptions options = vprinter::DefaultDeviceOptions();
  std::string socketPath;
  std::vector<std::string> commands;
  bool panel = false;
  std::string scenarioName, reportFile;
  bool keepState = false, instructor = false, checkOnly = false;
  std::chrono::microseconds spinWait = vprinter::Server::DefaultSpinWait();
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    auto value = [&](const char* name) -> const char* {
      if (i + 1 >= argc) {
        std::fprintf(stderr, "quorla-vprinter: %s needs a value\n%s", name, kUsage);
        std::exit(2);
      }
      return argv[++i];
    };
    if (arg == "--help" || arg == "-h") {
      std::fputs(kUsage, stdout);
      return 0;
    } else if (arg == "--version") {
      std::printf("quorla-vprinter %s\n", QUORLA_VERSION);
      return 0;
    } else if (arg == "--socket") {
      socketPath = value("--socket");
    } else if (arg == "--state-dir") {
      options.stateDir = value("--state-dir");
    } else if (arg == "--tray-dir") {
      options.trayDir = value("--tray-dir");
    } else if (arg == "--trace") {
      options.traceFile = value("--trace");
    } else if (arg == "--panel") {
      panel = true;
    } else if (arg == "--scenario") {
      scenarioName = value("--scenario");
    } else if (arg == "--report") {
      reportFile = value("--report");
    } else if (arg == "--keep-state") {
      keepState = true;
    } else if (arg == "--instructor") {
      instructor = true;
    } else if (arg == "--check") {
      checkOnly = true;
    } else if (arg == "--list-scenarios") {
      const std::vector<std::string> listed = vprinter::scenario::ListScenarios();
      if (listed.empty()) {
        std::fprintf(stderr, "quorla-vprinter: no scenario files in %s\n",
                     vprinter::scenario::ScenarioDirectory().c_str());
        return 1;
      }
      for (const std::string& line : listed) std::printf("%s\n", line.c_str());
      return 0;
    } else if (arg == "--command") {
      commands.push_back(value("--command"));
    } else if (arg == "--time-scale") {
      const char* text = value("--time-scale");
      const std::optional<double> scale = vprinter::ParseTimeScale(text);
      if (!scale) {
        std::fprintf(stderr, "quorla-vprinter: bad time scale %s (0 to 1000)\n", text);
        return 2;
      }
      options.timeScale = *scale;
    } else if (arg == "--spin-wait") {
      const char* text = value("--spin-wait");
      const std::optional<std::chrono::microseconds> wait = vprinter::Server::ParseSpinWait(text);
      if (!wait) {
        std::fprintf(stderr, "quorla-vprinter: bad spin wait %s (0 to %lld microseconds)\n", text,
                     static_cast<long long>(vprinter::Server::kMaxSpinWait.count()));
        return 2;
      }
      spinWait = *wait;
    } else {
      std::fprintf(stderr, "quorla-vprinter: unknown option %s\n%s", arg.c_str(), kUsage);
      return 2;
    }
  }

  // A scenario is read and checked whole before anything starts.
  std::optional<vprinter::scenario::Scenario> scenario;
  if (scenarioName.empty() && (keepState || !reportFile.empty() || instructor || checkOnly)) {
    std::fprintf(stderr,
                 "quorla-vprinter: --keep-state, --report, --instructor and --check go "
                 "with --scenario\n");
    return 2;
  }
  std::unique_ptr<vprinter::scenario::ScenarioMemory> memory;
  if (!scenarioName.empty()) {
    std::string error;
    scenario =
        vprinter::scenario::LoadScenario(vprinter::scenario::FindScenario(scenarioName), &error);
    if (!scenario) {
      std::fprintf(stderr, "quorla-vprinter: %s\n", error.c_str());
      return 2;
    }
    if (checkOnly) {
      std::printf("%s: %s\n", scenario->id.c_str(), scenario->title.c_str());
      return 0;
    }
    // The factory printer, in a memory of its own that goes at exit.
    memory = std::make_unique<vprinter::scenario::ScenarioMemory>(options, keepState);
    if (!memory->ok()) {
      std::fprintf(stderr, "quorla-vprinter: cannot make a state directory for the scenario\n");
      return 1;
    }
  }

  if (socketPath.empty()) {
    // The default place: under /tmp only inside a directory of the user's own.
    std::string error;
    if (!d4::PrepareDefaultSocketDir(true, &error)) {
      std::fprintf(stderr, "quorla-vprinter: cannot use the socket directory %s\n", error.c_str());
      return 1;
    }
    socketPath = d4::DefaultSocketPath().string();
  }

  signal(SIGPIPE, SIG_IGN);
  vprinter::SocketListener listener;
  std::string listenError;
  if (!listener.Open(socketPath, &listenError)) {
    std::fprintf(stderr, "quorla-vprinter: %s\n", listenError.c_str());
    return 1;
  }

  options.onWarning = [](const std::string& warning) {
    std::fprintf(stderr, "quorla-vprinter: warning: %s\n", warning.c_str());
  };
  vprinter::Device device(options);
  std::string startError = device.StartError();
  if (startError.empty() && !device.TrayError().empty()) {
    startError = device.TrayError() + "; not starting, so as not to lose the sheets printed";
  }
  if (const std::string& error = startError; !error.empty()) {
    std::fprintf(stderr, "quorla-vprinter: %s\n", error.c_str());
    listener.Close(true);
    return 1;
  }
  for (const std::string& warning : device.Warnings()) {
    std::fprintf(stderr, "quorla-vprinter: warning: %s\n", warning.c_str());
  }
  std::unique_ptr<vprinter::scenario::ScenarioRun> run;
  if (scenario) {
    std::string error;
    run = std::make_unique<vprinter::scenario::ScenarioRun>(device, *scenario, &error);
    if (!error.empty()) {
      std::fprintf(stderr, "quorla-vprinter: %s\n", error.c_str());
      listener.Close(true);
      return 2;
    }
    run->SetReportFile(reportFile);
    // A report that cannot be written is known now, not when the session is over.
    if (!run->WriteReport(&error)) {
      std::fprintf(stderr, "quorla-vprinter: %s\n", error.c_str());
      listener.Close(true);
      return 2;
    }
    std::printf("quorla-vprinter: scenario %s: %s\nComplaint: %s\n", scenario->id.c_str(),
                scenario->title.c_str(), scenario->complaint.c_str());
  }
  // After the scenario's setup, so they may add to it, and may judge.
  for (const std::string& command : commands) {
    const vprinter::CommandResult result = vprinter::RunCommand(device, command, run.get());
    if (!result.ok) {
      std::fprintf(stderr, "quorla-vprinter: --command %s: %s\n", command.c_str(),
                   result.text.c_str());
      listener.Close(true);
      return 2;
    }
  }
  vprinter::Training* training = run.get();
  vprinter::Server server(device);
  server.SetSpinWait(spinWait);
  listener.Attach(server);
  g_server = &server;
  struct sigaction action {};
  action.sa_handler = OnSignal;
  sigemptyset(&action.sa_mask);
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);

  std::string pending;
  server.Watch(STDIN_FILENO, [&] {
    char buffer[1024];
    const ssize_t n = read(STDIN_FILENO, buffer, sizeof buffer);
    if (n <= 0) return false;  // no operator: go on without one
    pending.append(buffer, static_cast<std::size_t>(n));
    std::size_t end;
    while ((end = pending.find('\n')) != std::string::npos) {
      const std::string line = pending.substr(0, end);
      pending.erase(0, end + 1);
      const vprinter::CommandResult result = vprinter::RunCommand(device, line, training);
      if (!result.text.empty()) std::printf("%s\n", result.text.c_str());
      std::fflush(stdout);
      if (result.quit) server.Stop();
    }
    return true;
  });

  std::printf("quorla-vprinter: listening on %s\n", socketPath.c_str());
  std::printf("quorla-vprinter: printed sheets go to %s\n", options.trayDir.c_str());
  const bool discarded = memory && memory->Temporary();
  std::printf("quorla-vprinter: printer state is kept in %s%s\n", options.stateDir.c_str(),
              discarded ? " (discarded at exit)" : "");
  std::fflush(stdout);
  if (panel) {
    // The window needs the main thread; the printer's loop runs beside it. Closing the window
    // stops the printer, as a signal or "quit" does, and either way both end.
    QApplication app(argc, argv);
    auto access = std::make_shared<vprinter::panel::DeviceAccess>(&device);
    auto window = std::make_unique<vprinter::panel::FrontPanel>(access);
    if (run) {
      window->SetTraining({run.get(), scenario->title, scenario->complaint, instructor});
    }
    window->show();
    std::thread loop([&] {
      server.Run();
      QMetaObject::invokeMethod(
          &app, [] { QCoreApplication::quit(); }, Qt::QueuedConnection);
    });
    QApplication::exec();
    server.Stop();
    loop.join();
    window.reset();
    access->Detach();
  } else {
    server.Run();
  }

  g_server = nullptr;
  listener.Close(true);
  bool reported = true;
  if (run) {
    std::string error;
    reported = run->WriteReport(&error);
    if (!reported) std::fprintf(stderr, "quorla-vprinter: %s\n", error.c_str());
  }
  const bool saved = device.Save();
  if (!saved) {
    std::printf("quorla-vprinter: could not save the state\n");
  } else {
    std::printf("quorla-vprinter: %s\n",
                discarded ? "stopped; the scenario's state discarded" : "state saved; stopped");
  }
  return saved && reported ? 0 : 1;
}
