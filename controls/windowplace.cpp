#include "controls/windowplace.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

namespace windowplace {

void CenterOnScreen(QWidget* window) {
  QScreen* screen =
      window->screen() != nullptr ? window->screen() : QGuiApplication::primaryScreen();
  if (screen == nullptr) return;
  const QRect area = screen->availableGeometry();
  const QSize size = window->frameGeometry().size();
  window->move(area.x() + (area.width() - size.width()) / 2,
               area.y() + (area.height() - size.height()) / 2);
}

}  // namespace windowplace
