// Enter and Esc of a window: a button marked default is clicked by Enter, one marked cancel by Esc,
// when the key is not taken by the control that has the focus. A focused push button takes Enter
// itself. Only visible, enabled buttons count; the roots are searched in the order given, each in
// the order its buttons were created, so a window can let its visible item panel come first.
#pragma once

#include <QList>

class QKeyEvent;
class QPushButton;
class QWidget;

namespace dialogkeys {

// Marks the button and hands it back, so a button can be made and marked in one expression.
QPushButton* MakeDefault(QPushButton* button);
QPushButton* MakeCancel(QPushButton* button);
bool IsDefault(const QPushButton* button);
bool IsCancel(const QPushButton* button);

// Handles Enter or Esc for the window; true when a button was clicked.
bool Handle(QWidget* window, QKeyEvent* event, const QList<QWidget*>& roots);

}  // namespace dialogkeys
