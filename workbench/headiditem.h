// "Head ID": the head ID read and shown, or typed, checked with its check character and written;
// the picture of the head shows where the technician finds the ID.
#pragma once

#include <QPixmap>

#include "workbench/workbenchitem.h"

class LimitedEdit;
class QLabel;
class QPushButton;
class RadioGroup;
class TitledPanel;

class HeadIdItem : public WorkbenchItem {
 public:
  HeadIdItem(ItemHost& host, QObject* parent);

  // The picture of the print head in its carriage, with the arrow at the marked head ID.
  static QPixmap HeadIdPicture();
  void HdVolOKBtnClick();
  void HdVolWrtOKBtnClick();
  void HdVolWrtRtnBtnClick();

 private:
  TitledPanel* HeadIDItemsPnl;
  TitledPanel* HeadIDInputPnl;
  LimitedEdit* HdVolWrtEdit;
  RadioGroup* HdVolRdoBtn;
  QPushButton* HdVolOKBtn;
  QLabel* HeadIDImage;
  QPushButton* HdVolWrtOKBtn;
  QPushButton* HdVolWrtRtnBtn;
};
