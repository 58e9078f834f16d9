// Helpers for window tests: the program's windows as the entry creates them, controls found by
// object name, clicks as the technician makes them, and what the workbench shows.
#pragma once

#include <gtest/gtest.h>

#include <QColor>
#include <QString>
#include <QStringList>
#include <QWidget>

class QAbstractButton;
class QTimer;
class RadioGroup;
class TFormAdjust;

namespace testing_support {

// Creates the four windows (and the units) as the program's start does, with a fresh printer
// status record and the normal cursor; destroys them at the end of the test.
class ProgramWindows {
 public:
  ProgramWindows();
  ~ProgramWindows();
  ProgramWindows(const ProgramWindows&) = delete;
  ProgramWindows& operator=(const ProgramWindows&) = delete;
};

// Shows the printer selection and clicks its "OK", as the technician starts the work on a printer;
// true when the workbench is then shown. With a testing_support::VirtualPrinter in the test, this
// connects to that printer.
bool OpenWorkbench();

// The descendant of root with that object name and type; the test fails (and nullptr comes back)
// when there is none.
QObject* FindObject(const QObject* root, const QString& name, const QMetaObject& type);
template <class T = QWidget>
T* Find(const QObject* root, const QString& name) {
  return static_cast<T*>(FindObject(root, name, T::staticMetaObject));
}

// Clicks the button with that name as the technician would: nothing happens when it is hidden
// or disabled (the test fails in that case, since the technician could not have clicked).
void Click(const QObject* root, const QString& name);
// Clicks row `index` of a radio group as the technician would.
void ClickItem(RadioGroup* group, int index);

// Delivers one timeout of the timer to whatever is connected to it, as the event loop does when the
// interval has run out, without waiting for it. The test fails when the timer has no such signal.
void DeliverTimeout(QTimer* timer);

// The workbench's status log as the technician reads it, and its one colour.
QString LogText(const TFormAdjust* form);
QColor LogColor(const TFormAdjust* form);

// The object names of the item panels (CanvasPanel included) that are visible now.
QStringList VisibleItemPanels(const TFormAdjust* form);

}  // namespace testing_support
