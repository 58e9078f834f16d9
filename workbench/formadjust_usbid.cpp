// "USB-ID": the USB serial ID read and shown, or typed, checked and written with its date stamp.
#include <QLabel>
#include <QPushButton>
#include <QTextEdit>
#include <array>

#include "controls/dialogkeys.h"
#include "controls/limitededit.h"
#include "controls/radiogroup.h"
#include "controls/titledpanel.h"
#include "eeprom/addressmap.h"
#include "workbench/formadjust.h"
#include "workbench/units.h"
#include "workbench/unittext.h"

void TFormAdjust::BuildUsbIdPanels() {
  USBIDRdoGrp = NewItemsGroup(USBIDItemsPnl, "USBIDRdoGrp", QStringLiteral("Items"),
                              {QStringLiteral("Input USB ID"), QStringLiteral("Check USB ID")});
  UsbIdOKBtn = dialogkeys::MakeDefault(PanelButton(
      USBIDItemsPnl, "UsbIdOKBtn", QStringLiteral("OK"), true, &TFormAdjust::UsbIdOKBtnClick));

  QWidget* p = USBIDInputPnl;
  const int top = TitledPanel::ContentTop() + 12;
  NewLabel(p, QStringLiteral("Enter serial No., and click \"OK\" button."), 16, top, 350);
  UsbIdInputEdit->setGeometry(16, top + 32, 150, 22);
  UsbIdInputOKBtn = dialogkeys::MakeDefault(PanelButton(p, "UsbIdInputOKBtn", QStringLiteral("OK"),
                                                        false, &TFormAdjust::UsbIdInputOKBtnClick));
  UsbIdInputRtnBtn =
      dialogkeys::MakeCancel(PanelButton(p, "UsbIdInputRtnBtn", QStringLiteral("Previous"), true,
                                         &TFormAdjust::UsbIdInputRtnBtnClick));
}

void TFormAdjust::UsbIdOKBtnClick() {
  switch (USBIDRdoGrp->ItemIndex()) {
    case 0:
      ResetPanels();
      USBIDInputPnl->show();
      UsbIdInputEdit->setFocus();
      break;
    case 1: {
      std::array<char, eeprom::kUsbIdLength + 1> id{};
      const ResultCode result = units_.usbid.ReadUsbId(id.data());
      if (result != rc::Success) {
        ReportResult(LineError, result);
        return;
      }
      WriteStatus(LineInfo, QStringLiteral("USB ID = "));
      WriteStatus(LineAppend, QString::fromLatin1(id.data(), eeprom::kUsbIdLength));
      break;
    }
    default:
      break;
  }
}

void TFormAdjust::UsbIdInputOKBtnClick() {
  StatusMemo->clear();
  const QString text = UsbIdInputEdit->text();
  std::array<char, eeprom::kUsbIdStampLength + 1> stamp{};
  const ResultCode result = units_.usbid.WriteUsbId(Bytes(text), stamp.data());
  if (result != rc::Success) {
    ReportResult(LineError, result);
    return;
  }
  const QString stampText = QString::fromLatin1(stamp.data(), eeprom::kUsbIdStampLength);
  WriteStatus(LineInfo, QStringLiteral("As USB ID, \""));
  WriteStatus(LineAppend, text);
  WriteStatus(LineAppend, stampText);
  WriteStatus(LineAppend, QStringLiteral("\" has been written on EEPROM."));
  ShowUSBIDLbl->setText(text + QLatin1Char(' ') + stampText);
}

void TFormAdjust::UsbIdInputRtnBtnClick() {
  ResetPanels();
  USBIDItemsPnl->show();
}
