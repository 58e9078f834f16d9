// The yardstick of the start-up benchmark: a bare Qt Widgets window, started and shown.
#include <QApplication>
#include <QWidget>
#include <QWindow>

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QWidget window;
  window.resize(576, 287);
  window.show();
  while (window.windowHandle() == nullptr || !window.windowHandle()->isExposed()) {
    QApplication::processEvents(QEventLoop::WaitForMoreEvents, 10);
  }
  QApplication::processEvents();
  return 0;
}
