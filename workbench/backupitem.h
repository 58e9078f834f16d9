// "EEPROM back up data": the backup cells carried from the old main board to the new one, all
// inside one click (backupitem.cpp tells how).
#pragma once

#include <cstdint>

#include "workbench/workbenchitem.h"

class QPushButton;

class BackupItem : public WorkbenchItem {
 public:
  BackupItem(ItemHost& host, QObject* parent);

  void BackupOKBtnClick();

 private:
  // The port search and negotiation again, through PortScratch; "Communication error" and a
  // closed port when either fails.
  bool BackupReconnect();

  QPushButton* BackupOKBtn;
  uint16_t PortScratch = 0;
};
