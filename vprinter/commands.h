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

// What the commands act on.
struct Printer {
  OperatorControls& op;
  FaultInjection& faults;
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
CommandResult RunCommand(OperatorControls& op, FaultInjection& faults, const std::string& line);
// The same on a whole printer (device.h).
template <class WholePrinter>
CommandResult RunCommand(WholePrinter& printer, const std::string& line) {
  return RunCommand(static_cast<OperatorControls&>(printer), static_cast<FaultInjection&>(printer),
                    line);
}

}  // namespace vprinter
