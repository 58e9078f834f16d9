// The operator's commands of the standalone printer (its command input and --command): fault
// injection, errors and states, and peeking at its memory. One command per line; see
// docs/vprinter.md or the command "help".
#pragma once

#include <span>
#include <string>
#include <vector>

#include "vprinter/operatorcontrols.h"

namespace vprinter {

struct CommandResult {
  bool ok = true;
  bool quit = false;
  std::string text;  // what to print (one or more lines, no trailing line break)
};

// A training scenario running on the printer (vprinter/scenario/): what "judge" asks.
class Training {
 public:
  // The verdict as its lines: a line per goal, per mistake, and the closing line.
  virtual std::string Judge() = 0;

 protected:
  ~Training() = default;
};

// What the commands act on; `training` is null when no scenario runs.
struct Printer {
  OperatorControls& op;
  FaultInjection& faults;
  Training* training = nullptr;
};

// One operator command: what the text command line and the front panel's controls both run.
struct OperatorCommand {
  const char* name;      // the first word of its line
  const char* synopsis;  // its line in "help" ("" when told with the command before it)
  const char* help;      // what it does, as "help" tells it
  CommandResult (*run)(Printer& printer, const std::vector<std::string>& words);
};

// Every command, in the order "help" lists them.
std::span<const OperatorCommand> OperatorCommands();

// Runs one line ("" and "# ..." do nothing).
CommandResult RunCommand(OperatorControls& op, FaultInjection& faults, const std::string& line,
                         Training* training = nullptr);
// The same on a whole printer (device.h).
template <class WholePrinter>
CommandResult RunCommand(WholePrinter& printer, const std::string& line,
                         Training* training = nullptr) {
  return RunCommand(static_cast<OperatorControls&>(printer), static_cast<FaultInjection&>(printer),
                    line, training);
}

}  // namespace vprinter
