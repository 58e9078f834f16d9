// "USB-ID": the USB serial ID read and shown, or typed, checked and written with its date stamp.
#pragma once

#include "workbench/workbenchitem.h"

class LimitedEdit;
class QPushButton;
class RadioGroup;
class TitledPanel;

class UsbIdItem : public WorkbenchItem {
 public:
  UsbIdItem(ItemHost& host, QObject* parent);

  // What the "USB-ID" entry of the item list opens.
  TitledPanel* ItemsPanel() const { return USBIDItemsPnl; }

  void UsbIdOKBtnClick();
  void UsbIdInputOKBtnClick();
  void UsbIdInputRtnBtnClick();

 private:
  TitledPanel* USBIDItemsPnl;
  TitledPanel* USBIDInputPnl;
  LimitedEdit* UsbIdInputEdit;
  RadioGroup* USBIDRdoGrp;
  QPushButton* UsbIdOKBtn;
  QPushButton* UsbIdInputOKBtn;
  QPushButton* UsbIdInputRtnBtn;
};
