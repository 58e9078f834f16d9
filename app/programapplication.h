// The application object: a QApplication whose event delivery catches any exception that escapes
// an event handler, shows it in the exception box and leaves the program usable (every window
// enabled, normal cursor). Handlers connected through platform::Guarded never get this far; this
// is the net under everything else.
#pragma once

#include <QApplication>

class ProgramApplication : public QApplication {
  Q_OBJECT

 public:
  ProgramApplication(int& argc, char** argv);
  bool notify(QObject* receiver, QEvent* event) override;
};
