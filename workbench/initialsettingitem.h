// "EEPROM initial setting": the initial bytes of a replaced main board, written from the item's
// panel, and the report that names the model.
#pragma once

#include <QString>
#include <functional>

#include "workbench/workbenchitem.h"

class QPushButton;
class TitledPanel;

class InitialSettingItem : public WorkbenchItem {
 public:
  InitialSettingItem(ItemHost& host, QObject* parent);

  // Where the report takes the model name from (the printer selection's model list).
  void SetModelNameSource(std::function<QString()> source) { modelName_ = std::move(source); }

  void DefaultSetBtnClick();

 private:
  TitledPanel* DefaultSetPnl;
  QPushButton* DefaultSetBtn;
  std::function<QString()> modelName_;
};
