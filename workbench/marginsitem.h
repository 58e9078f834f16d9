// "Top margin adjustment" and "First dot position adjustment": the top margin chosen and written
// (its line printed by the print items), and the first dot position set with its step buttons
// and gauges and written.
#pragma once

#include <functional>

#include "workbench/workbenchitem.h"

class LimitedEdit;
class QLabel;
class QPushButton;
class QToolButton;
class RadioGroup;
class TCGauge;
class TitledPanel;
class UpDown;

class MarginsItem : public WorkbenchItem {
 public:
  // `printTopMarginLine` prints the top-margin line (the print items' "Print top margin").
  MarginsItem(ItemHost& host, QObject* parent, std::function<void()> printTopMarginLine);

  void TopMarginMainBtnClick();
  void TopMarginWriteOKBtnClick();
  void TopMarginRtnBtnClick();

  // The first-dot panel's opening read of the stored value, run after the item shows the panel;
  // false when the read failed (the item click then ends there).
  bool FirstDotPositionOpen();
  // Clamps v to -72..72, puts it into the edit and shows it on the gauges and in millimetres.
  void ShowFirstDot(int v);
  void LandMarginUpDownClick();
  void SteptoLeftBitBtnClick();
  void SteptoRightBitBtnClick();
  void GotoLeftEdgeBitBtnClick();
  void GotoRightEdgeBitBtnClick();
  void CenteringBitBtnClick();
  void LandMarginWriteBtnClick();

 private:
  void BuildTopMarginPanels();
  void BuildFirstDotPanel();
  // The gauges and the millimetre text for a first dot value, without touching the edit.
  void ShowFirstDotDisplay(double v);

  std::function<void()> printTopMarginLine_;
  TitledPanel* TopMarginMainPnl;
  TitledPanel* TopMarginPnl;
  TitledPanel* FirstDotPositionPnl;
  LimitedEdit* LandMarginEdit;  // read-only for typing, "0" at first
  RadioGroup* TopMarginRdoGrp;
  QPushButton* TopMarginMainBtn;
  RadioGroup* TopMarginInputRdoGrp;
  QPushButton* TopMarginWriteOKBtn;
  QPushButton* TopMarginRtnBtn;
  TCGauge* LeftMarginGauge;
  TCGauge* RightMarginGauge;
  UpDown* LandMarginUpDown;
  QLabel* LandMarginRealValuePnl;
  QToolButton* SteptoLeftBitBtn;
  QToolButton* SteptoRightBitBtn;
  QToolButton* GotoLeftEdgeBitBtn;
  QToolButton* GotoRightEdgeBitBtn;
  QToolButton* CenteringBitBtn;
  QPushButton* LandMarginWriteBtn;
};
