#include "workbench/usbiditem.h"

#include <QLabel>
#include <QPushButton>
#include <array>

#include "controls/dialogkeys.h"
#include "controls/limitededit.h"
#include "controls/radiogroup.h"
#include "controls/titledpanel.h"
#include "eeprom/addressmap.h"
#include "workbench/units.h"
#include "workbench/unittext.h"

UsbIdItem::UsbIdItem(ItemHost& host, QObject* parent)
    : WorkbenchItem(host, parent),
      USBIDItemsPnl(host.ItemPanel("USBIDItemsPnl")),
      USBIDInputPnl(host.ItemPanel("USBIDInputPnl")),
      UsbIdInputEdit(host.InputEdit("UsbIdInputEdit")) {
  USBIDRdoGrp =
      host_.NewItemsGroup(USBIDItemsPnl, "USBIDRdoGrp", QStringLiteral("Items"),
                          {QStringLiteral("Input USB ID"), QStringLiteral("Check USB ID")});
  UsbIdOKBtn = dialogkeys::MakeDefault(PanelButton(
      USBIDItemsPnl, "UsbIdOKBtn", QStringLiteral("OK"), true, &UsbIdItem::UsbIdOKBtnClick));

  QWidget* p = USBIDInputPnl;
  const int top = TitledPanel::ContentTop() + 12;
  host_.NewLabel(p, QStringLiteral("Enter serial No., and click \"OK\" button."), 16, top, 350);
  UsbIdInputEdit->setGeometry(16, top + 32, 150, 22);
  UsbIdInputOKBtn = dialogkeys::MakeDefault(PanelButton(p, "UsbIdInputOKBtn", QStringLiteral("OK"),
                                                        false, &UsbIdItem::UsbIdInputOKBtnClick));
  UsbIdInputRtnBtn = dialogkeys::MakeCancel(PanelButton(
      p, "UsbIdInputRtnBtn", QStringLiteral("Previous"), true, &UsbIdItem::UsbIdInputRtnBtnClick));
}

void UsbIdItem::UsbIdOKBtnClick() {
  switch (USBIDRdoGrp->ItemIndex()) {
    case 0:
      host_.ResetPanels();
      USBIDInputPnl->show();
      UsbIdInputEdit->setFocus();
      break;
    case 1: {
      std::array<char, eeprom::kUsbIdLength + 1> id{};
      const ResultCode result = host_.ProgramUnits().usbid.ReadUsbId(id.data());
      if (result != rc::Success) {
        host_.ReportResult(LineError, result);
        return;
      }
      host_.WriteStatus(LineInfo, QStringLiteral("USB ID = "));
      host_.WriteStatus(LineAppend, QString::fromLatin1(id.data(), eeprom::kUsbIdLength));
      break;
    }
    default:
      break;
  }
}

void UsbIdItem::UsbIdInputOKBtnClick() {
  host_.ClearLog();
  const QString text = UsbIdInputEdit->text();
  std::array<char, eeprom::kUsbIdStampLength + 1> stamp{};
  const ResultCode result = host_.ProgramUnits().usbid.WriteUsbId(Bytes(text), stamp.data());
  if (result != rc::Success) {
    host_.ReportResult(LineError, result);
    return;
  }
  const QString stampText = QString::fromLatin1(stamp.data(), eeprom::kUsbIdStampLength);
  host_.WriteStatus(LineInfo, QStringLiteral("As USB ID, \""));
  host_.WriteStatus(LineAppend, text);
  host_.WriteStatus(LineAppend, stampText);
  host_.WriteStatus(LineAppend, QStringLiteral("\" has been written on EEPROM."));
  host_.ShowAdjusted("ShowUSBIDLbl", text + QLatin1Char(' ') + stampText);
}

void UsbIdItem::UsbIdInputRtnBtnClick() {
  host_.ResetPanels();
  USBIDItemsPnl->show();
}
