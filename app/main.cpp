// The program's entry: the terminal options first (no window, no display needed for them), then
// the application object, the start-up and its event loop.
#include <cstdio>

#include "app/commandline.h"
#include "app/programapplication.h"
#include "app/startup.h"

int main(int argc, char** argv) {
  QStringList arguments;
  for (int i = 0; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
  const CommandLineOutcome outcome = HandleCommandLine(arguments);
  if (outcome.exitCode) {
    std::fputs(outcome.out.toLocal8Bit().constData(), stdout);
    std::fputs(outcome.err.toLocal8Bit().constData(), stderr);
    return *outcome.exitCode;
  }
  ProgramApplication app(argc, argv);
  return RunProgram(app);
}
