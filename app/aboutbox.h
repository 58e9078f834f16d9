// The version box (TAboutBox): a small picture of the printer, the program's name and version,
// and "OK". Modal; no close box; centred on the screen every time it is shown.
#pragma once

#include <QDialog>
#include <QPixmap>

class QFrame;
class QLabel;
class QPushButton;

class TAboutBox : public QDialog {
  Q_OBJECT

 public:
  explicit TAboutBox(QWidget* parent = nullptr);

  void OKButtonClick();
  // The 64 x 64 picture, drawn in code: the printer seen from the front.
  static QPixmap PrinterPicture();

  QFrame* Panel1;
  QLabel* ProgramIcon;
  QLabel* ProductName;
  QLabel* ProgramName;
  QLabel* Platform;
  QLabel* Version;
  QPushButton* OKButton;

  void done(int result) override;

 protected:
  void showEvent(QShowEvent* event) override;
};
