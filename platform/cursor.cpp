#include "platform/cursor.h"

#include <QCursor>
#include <QGuiApplication>
#include <atomic>

namespace platform {
namespace {
// Atomic so that a test hook on the virtual printer's thread may look at it while the program
// waits for the printer's answer.
std::atomic<CursorShape> current{CursorShape::Default};
}

void SetScreenCursor(CursorShape shape) {
  current = shape;
  if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance())) return;
  if (shape == CursorShape::Default) {
    while (QGuiApplication::overrideCursor() != nullptr) QGuiApplication::restoreOverrideCursor();
    return;
  }
  const QCursor cursor(Qt::WaitCursor);
  if (QGuiApplication::overrideCursor() != nullptr) {
    QGuiApplication::changeOverrideCursor(cursor);
  } else {
    QGuiApplication::setOverrideCursor(cursor);
  }
}

CursorShape ScreenCursor() { return current; }

}  // namespace platform
