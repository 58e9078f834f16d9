#include "platform/handlerguard.h"

#include <QApplication>
#include <QString>
#include <QWidget>
#include <exception>

#include "platform/cursor.h"
#include "platform/exceptionbox.h"

namespace platform {
namespace {
QString MessageOf(std::exception_ptr exception) {
  try {
    if (exception) std::rethrow_exception(exception);
  } catch (const std::exception& e) {
    return QString::fromLocal8Bit(e.what());
  } catch (...) {
  }
  return QStringLiteral("An unknown exception occurred.");
}
}  // namespace

void HandleEscapedException(std::exception_ptr exception) noexcept {
  try {
    // The windows come back first, so the box never sits over a window that looks dead.
    SetScreenCursor(CursorShape::Default);
    for (QWidget* w : QApplication::topLevelWidgets()) {
      if (w->isWindow() && !w->isEnabled()) w->setEnabled(true);
    }
    ShowExceptionBox(MessageOf(exception));
  } catch (...) {
    // Showing the box failed as well; the program stays usable all the same.
  }
}

}  // namespace platform
