// "Bi-D": the six Bi-D adjustment values read and shown, or typed (with their spinners and
// check boxes), tested against their range and written. The pattern's print panel belongs to the
// print items.
#pragma once

#include <array>

#include "workbench/workbenchitem.h"

class LimitedEdit;
class QCheckBox;
class QPushButton;
class RadioGroup;
class TitledPanel;
class UpDown;

class BidItem : public WorkbenchItem {
 public:
  BidItem(ItemHost& host, QObject* parent);

  void BidOKBtnClick();
  void BidWrtOKBtnClick();
  void BidWrtRtnBtnClick();
  void MsBkBidWrtEditChange();
  void MsClBidWrtEditChange();
  void Pl6BkBidWrtEditChange();
  void Pl6ClBidWrtEditChange();
  void Pl4BkBidWrtEditChange();
  void Pl4ClBidWrtEditChange();

 private:
  // The controls of one Bi-D value and its summary field, in the order of kBidValues.
  struct BidRow {
    LimitedEdit* edit;
    QCheckBox* box;
    const char* summary;
  };
  std::array<BidRow, 6> BidRows() const;

  TitledPanel* BidItemsPnl;
  TitledPanel* BidInputPnl;
  LimitedEdit* MsBkBidWrtEdit;
  LimitedEdit* MsClBidWrtEdit;
  LimitedEdit* Pl6BkBidWrtEdit;
  LimitedEdit* Pl6ClBidWrtEdit;
  LimitedEdit* Pl4BkBidWrtEdit;
  LimitedEdit* Pl4ClBidWrtEdit;
  RadioGroup* BidRdoBtn;
  QPushButton* BidOKBtn;
  QCheckBox* BidMsBkCheckBox;
  QCheckBox* BidMsClCheckBox;
  QCheckBox* Bid6plBkCheckBox;
  QCheckBox* Bid6plClCheckBox;
  QCheckBox* Bid4plBkCheckBox;
  QCheckBox* Bid4plClCheckBox;
  UpDown* BidMsBkUpDown;
  UpDown* BidMsClUpDown;
  UpDown* Bid6plBkUpDown;
  UpDown* Bid6plClUpDown;
  UpDown* Bid4plBkUpDown;
  UpDown* Bid4plClUpDown;
  QPushButton* BidWrtOKBtn;
  QPushButton* BidWrtRtnBtn;
};
