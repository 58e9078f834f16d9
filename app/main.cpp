// The program's entry: the application object, then the start-up and its event loop.
#include "app/programapplication.h"
#include "app/startup.h"

int main(int argc, char** argv) {
  ProgramApplication app(argc, argv);
  return RunProgram(app);
}
