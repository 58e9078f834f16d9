// Print items of the workbench: the Bi-D adjustment pattern (BidPrintPnl), the A4 check page
// (A4CheckPnl) and the top-margin line that the top-margin panel prints.
#pragma once

#include "workbench/workbenchitem.h"

class QPushButton;
class QSlider;
class TitledPanel;

class PrintItems : public WorkbenchItem {
 public:
  PrintItems(ItemHost& host, QObject* parent);

  // BidPrintPnl: prints the Bi-D pattern lower on the sheet by 4 line ends per track-bar step.
  void BidPrnOKBtnClick();
  void BidPrnRtnBtnClick();
  // A4CheckPnl: both sheets of the check page.
  void A4CheckPrnOKBtnClick();
  // The "Print top margin" item of the top-margin panel.
  void PrintTopMarginItem();

 private:
  TitledPanel* BidPrintPnl;
  TitledPanel* A4CheckPnl;
  QSlider* BidPrintTrackBar;
  QPushButton* BidPrnOKBtn;
  QPushButton* BidPrnRtnBtn;
  QPushButton* A4CheckPrnOKBtn;
};
