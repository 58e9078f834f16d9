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
