#include "platform/exceptionbox.h"

#include <QApplication>
#include <QMessageBox>
#include <utility>

namespace platform {
namespace {
ExceptionBoxHook& Hook() {
  static ExceptionBoxHook hook;
  return hook;
}
}  // namespace

ExceptionBoxHook SetExceptionBoxHook(ExceptionBoxHook hook) {
  return std::exchange(Hook(), std::move(hook));
}

void ShowExceptionBox(const QString& message) {
  if (Hook()) {
    Hook()(message);
    return;
  }
  QMessageBox box(QMessageBox::Critical, QApplication::applicationName(), message,
                  QMessageBox::Ok, QApplication::activeWindow());
  box.exec();
}

}  // namespace platform
