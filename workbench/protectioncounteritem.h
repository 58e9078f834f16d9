// "Protection counter": the waste-ink counter read and shown, or cleared after the waste ink pad
// has been replaced.
#pragma once

#include "workbench/workbenchitem.h"

class QLabel;
class QPushButton;
class RadioGroup;
class TitledPanel;

class ProtectionCounterItem : public WorkbenchItem {
 public:
  ProtectionCounterItem(ItemHost& host, QObject* parent);

  void ProCounterOKBtnClick();
  void CounterCheckOKBtnClick();
  void CounterCheckRtnBtnClick();
  void CounterClearOKBtnClick();
  void CounterClearRtnBtnClick();

 private:
  TitledPanel* ProCounterItemsPnl;
  TitledPanel* ProCounterClearPnl;
  TitledPanel* ProCounterCheckPnl;
  RadioGroup* CounterRdoBtn;
  QPushButton* ProCounterOKBtn;
  QLabel* CheckcountWarningLbl1;
  QPushButton* CounterCheckOKBtn;
  QPushButton* CounterCheckRtnBtn;
  QPushButton* CounterClearOKBtn;
  QPushButton* CounterClearRtnBtn;
  // The counter text the check writes: five blanks and a zero byte at first; each read writes
  // its text and a zero byte at the start and leaves the rest as it was.
  char ProCounterText[6] = {' ', ' ', ' ', ' ', ' ', '\0'};
};
