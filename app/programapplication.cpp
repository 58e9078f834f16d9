#include "app/programapplication.h"

#include <exception>

#include "platform/handlerguard.h"

ProgramApplication::ProgramApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool ProgramApplication::notify(QObject* receiver, QEvent* event) {
  try {
    return QApplication::notify(receiver, event);
  } catch (...) {
    platform::HandleEscapedException(std::current_exception());
    return false;
  }
}
