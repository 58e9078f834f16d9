// "Head cleaning" and "Initial ink charge": one cleaning cycle of the printer each, and the wait
// until it is idle again.
#pragma once

#include <QString>
#include <cstdint>

#include "workbench/workbenchitem.h"

class QPushButton;
class QWidget;

class CleaningItem : public WorkbenchItem {
 public:
  CleaningItem(ItemHost& host, QObject* parent);

  void CleaningOKBtnClick();
  void ChargeOKBtnClick();

 private:
  QPushButton* BuildCleaningPanel(QWidget* panel, const QString& text, const QString& note,
                                  const char* buttonName);
  void RunCleaningCycle(uint8_t mode, const QString& busyText, const QString& doneText);

  QPushButton* CleaningOKBtn;
  QPushButton* ChargeOKBtn;
};
