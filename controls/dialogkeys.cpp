#include "controls/dialogkeys.h"

#include <QApplication>
#include <QKeyEvent>
#include <QPushButton>

namespace dialogkeys {
namespace {
constexpr const char* kDefault = "quorlaDefaultButton";
constexpr const char* kCancel = "quorlaCancelButton";

QPushButton* FindButton(const QList<QWidget*>& roots, const char* role) {
  for (QWidget* root : roots) {
    if (root == nullptr || !root->isVisible()) continue;
    for (QPushButton* b : root->findChildren<QPushButton*>()) {
      if (b->property(role).toBool() && b->isVisible() && b->isEnabled()) return b;
    }
  }
  return nullptr;
}
}  // namespace

QPushButton* MakeDefault(QPushButton* button) {
  button->setProperty(kDefault, true);
  return button;
}
QPushButton* MakeCancel(QPushButton* button) {
  button->setProperty(kCancel, true);
  return button;
}
bool IsDefault(const QPushButton* button) {
  return button->property(kDefault).toBool();
}
bool IsCancel(const QPushButton* button) {
  return button->property(kCancel).toBool();
}

bool Handle(QWidget* window, QKeyEvent* event, const QList<QWidget*>& roots) {
  if (!window->isEnabled()) return false;
  QPushButton* target = nullptr;
  switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
      target = qobject_cast<QPushButton*>(QApplication::focusWidget());
      if (target == nullptr || !window->isAncestorOf(target)) target = FindButton(roots, kDefault);
      break;
    case Qt::Key_Escape:
      target = FindButton(roots, kCancel);
      break;
    default:
      return false;
  }
  if (target == nullptr) return false;
  target->click();
  return true;
}

}  // namespace dialogkeys
