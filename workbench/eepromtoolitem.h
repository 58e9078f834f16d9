// "EEPROM data handling": any range of cells shown as a hexadecimal table, and any one cell
// written.
#pragma once

#include <QString>
#include <cstdint>

#include "workbench/workbenchitem.h"

class LimitedEdit;
class QPushButton;
class QTableWidget;
class QTableWidgetItem;
class RadioGroup;
class TitledPanel;

class EepromToolItem : public WorkbenchItem {
 public:
  EepromToolItem(ItemHost& host, QObject* parent);

  void EepromItemsOKBtnClick();
  void EepromReadOkBtnClick();
  void EepromReadRtnBtnClick();
  void EepromGridRtnBtnClick();
  void EepromWriteOkBtnClick();
  void EepromWriteRtnBtnClick();

 private:
  // Two texts of two hexadecimal digits each, as the EEPROM tool takes an address and a byte.
  bool HexPair(const QString& first, const QString& second, uint8_t* a, uint8_t* b) const;
  // Data cells of the grid, created with the first read.
  QTableWidgetItem* GridCell(int address);

  TitledPanel* EEPROMItemsPnl;
  TitledPanel* EEPROMChangePnl;
  TitledPanel* EEPROMCheckPnl;
  TitledPanel* EEPROMGridPnl;
  LimitedEdit* EepReadBegEdit;
  LimitedEdit* EepReadEndEdit;
  LimitedEdit* EepWriteAddEdit;
  LimitedEdit* EepWriteDataEdit;
  QTableWidget* EepromStrGrid;  // 17 x 17, headings filled by the frame
  RadioGroup* EepromCheckRdoGrp;
  QPushButton* EepromItemsOKBtn;
  QPushButton* EepromReadOkBtn;
  QPushButton* EepromReadRtnBtn;
  QPushButton* EepromGridRtnBtn;
  QPushButton* EepromWriteOkBtn;
  QPushButton* EepromWriteRtnBtn;
};
