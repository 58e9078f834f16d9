// The transportation liquid exchange ("Refurbishment for DOA"): seven panels, one handler per
// button, the navigation locked from the first carriage move to the end of exchange 2.
#pragma once

#include <QString>
#include <functional>

#include "workbench/workbenchitem.h"

class QPushButton;
class RadioGroup;
class TitledPanel;
struct SequenceReport;

class LiquidExchangeItem : public WorkbenchItem {
 public:
  LiquidExchangeItem(ItemHost& host, QObject* parent);

  // The model's row in the printer selection's list (the exchange's EEPROM rewrite depends on it).
  // Without one, row 0.
  void SetModelPositionSource(std::function<int()> source) { modelPosition_ = std::move(source); }

  void MessageOKBtnClick();
  void MainRtnBtnClick();
  void CRmoveBtnClick();
  void CRreturnBtnClick();
  void TransOKBtnClick();
  void TransCompleteBtnClick();
  void CRreturn2BtnClick();

 private:
  // The end of a carriage step: the done line, or the red lines of what failed.
  void EndCarriageStep(const SequenceReport& report, const QString& doneText,
                       const QString& failedText);

  TitledPanel* TraStep0Pnl;
  TitledPanel* NotePnl;
  TitledPanel* TraStep1Pnl;
  TitledPanel* TraStep2Pnl;
  TitledPanel* TransPnl;
  TitledPanel* TraStep3Pnl;
  TitledPanel* TraStep4Pnl;
  RadioGroup* MessageSelectRdoGrp;
  QPushButton* MessageOKBtn;
  QPushButton* MainRtnBtn;
  QPushButton* CRmoveBtn;
  QPushButton* CRreturnBtn;
  QPushButton* TransOKBtn;
  QPushButton* TransCompleteBtn;
  QPushButton* CRreturn2Btn;
  std::function<int()> modelPosition_;
};
