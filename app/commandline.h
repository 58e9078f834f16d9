// The terminal side of the entry: --help and --version answer without opening a window (and
// without needing a display), an unknown option is refused. Everything else the program does is
// chosen in its windows; the only other options it accepts are the toolkit's own.
#pragma once

#include <QStringList>
#include <optional>

// What the entry does with its arguments: nullopt = go on and start the windows; a value = end
// the process with that exit code (the text was written to `out` or `err`).
struct CommandLineOutcome {
  std::optional<int> exitCode;
  QString out;  // for standard output
  QString err;  // for standard error
};
CommandLineOutcome HandleCommandLine(const QStringList& arguments);
