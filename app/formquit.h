// "Termination of this program" (TFormQuit): shown after the workbench has closed the connection.
// "Next" goes back to the printer selection; "Quit" unloads the port library and ends the
// program. It has no close box and ignores the window system's close: only the two buttons leave.
#pragma once

#include <QWidget>

class QLabel;
class QPushButton;

class TFormQuit : public QWidget {
  Q_OBJECT

 public:
  explicit TFormQuit(QWidget* parent = nullptr);

  void SetPrinterSelection(QWidget* formBoot) { formBoot_ = formBoot; }

  void NextBtnClick();
  void QuitBtnClick();

  QLabel* Label1;
  QPushButton* NextBtn;
  QPushButton* QuitBtn;

 protected:
  void closeEvent(QCloseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void CloseByButton();

  QWidget* formBoot_ = nullptr;
  bool closingByButton_ = false;
};
