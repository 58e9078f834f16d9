// The printer selection window (TFormBoot), the program's main window: model and destination,
// "OK" to find the printer and open the connection, "Quit", and the popup menu with "Version".
// It owns ModelState and ModelCode and is the source the units read them from.
#pragma once

#include <QWidget>
#include <array>
#include <cstdint>

#include "link/modelselection.h"

class QComboBox;
class QFrame;
class QLabel;
class QMenu;
class QAction;
class QPushButton;

class TFormBoot : public QWidget, public ModelCodeSource {
  Q_OBJECT

 public:
  explicit TFormBoot(QWidget* parent = nullptr);
  ~TFormBoot() override;

  // The windows "OK" opens and "Version" shows.
  void SetWorkbench(QWidget* workbench) { workbench_ = workbench; }
  void SetAboutBox(class QDialog* aboutBox) { aboutBox_ = aboutBox; }

  uint8_t ModelState() const override { return ModelState_; }
  uint8_t ModelCode1() const override { return ModelCode[0]; }
  uint8_t ModelCode2() const override { return ModelCode[1]; }

  void ModelNameComboChange();
  void MarketComboChange();
  void PortSelectOKBtnClick();
  void ProEndBtnClick();
  void Version1Click();
  // Where the popup menu opens for a click at a client position: 3 right and 20 down of it,
  // counted from the window's outer corner.
  QPoint PopupPoint(const QPoint& clientPos) const;

  QPushButton* ProEndBtn;
  QPushButton* PortSelectOKBtn;
  QFrame* Panel1;
  QFrame* Panel3;
  QComboBox* ModelNameCombo;
  QMenu* PopupMenu1;
  QAction* Version1;
  QFrame* Panel5;
  QComboBox* MarketCombo;
  QFrame* Panel6;
  QLabel* Label2;
  QLabel* Label1;
  QLabel* Label3;

 signals:
  // The window has closed: the program ends.
  void ProgramEnds();

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void FormShow();

  uint16_t ActivePort = 0;
  uint8_t ModelState_ = 0;
  std::array<uint8_t, 2> ModelCode{0, 0};
  QWidget* workbench_ = nullptr;
  class QDialog* aboutBox_ = nullptr;
};
