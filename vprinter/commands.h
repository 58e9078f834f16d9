// The operator's commands of the standalone printer (its command input and --command): fault
// injection, errors and states, and peeking at its memory. One command per line; see
// docs/vprinter.md or the command "help".
#pragma once

#include <string>

#include "vprinter/device.h"

namespace vprinter {

struct CommandResult {
  bool ok = true;
  bool quit = false;
  std::string text;  // what to print (one or more lines, no trailing line break)
};

CommandResult RunCommand(Device& device, const std::string& line);

}  // namespace vprinter
