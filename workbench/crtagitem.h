// Cartridge chip information on the workbench, reached from the Appendix tab: one of the four chip
// texts in the status log, enlarged and centred under CRTAGInfoPnl, or all four printed on a page.
// The crtag unit reads and composes; the handlers here show, print and report.
#pragma once

#include "workbench/workbenchitem.h"

class QLabel;
class QPushButton;
class RadioGroup;
class TitledPanel;

class CrtagItem : public WorkbenchItem {
 public:
  CrtagItem(ItemHost& host, QObject* parent);

  // CRTAGInfoItemsPnl: items 0 to 3 show a chip text in the enlarged log under CRTAGInfoPnl;
  // item 4 prints all four.
  void CRTAGInfoItemsOKBtnClick();
  void CRTAGInfoRtnBtnClick();

 private:
  void PrintCrtagInformation();

  TitledPanel* CRTAGInfoItemsPnl;
  TitledPanel* CRTAGInfoPnl;
  RadioGroup* CRTAGInfoItemsRdoGrp;
  QPushButton* CRTAGInfoItemsOKBtn;
  QLabel* CRTAGInfoLbl;  // CRTAGInfoPnl's title
  QPushButton* CRTAGInfoRtnBtn;
};
