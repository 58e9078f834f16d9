// The program's start as the entry runs it, up to the moment the printer selection is shown.
#include <QWindow>

#include "app/formboot.h"
#include "app/programapplication.h"
#include "app/startup.h"

int main(int argc, char** argv) {
  ProgramApplication app(argc, argv);
  CreateProgramWindows();
  FormBoot->show();
  while (FormBoot->windowHandle() == nullptr || !FormBoot->windowHandle()->isExposed()) {
    QApplication::processEvents(QEventLoop::WaitForMoreEvents, 10);
  }
  QApplication::processEvents();
  DestroyProgramWindows();
  return 0;
}
