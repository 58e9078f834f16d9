// "EEPROM initial setting": the initial bytes of a replaced main board, written from the item's
// panel, and the report that names the model.
#include <QPushButton>

#include "controls/titledpanel.h"
#include "eeprom/addressmap.h"
#include "link/mechcmd.h"
#include "link/pktlink.h"
#include "link/porthub.h"
#include "platform/cursor.h"
#include "platform/dialogs.h"
#include "workbench/formadjust.h"

void TFormAdjust::BuildDefaultSetPanel() {
  QWidget* p = DefaultSetPnl;
  const int top = TitledPanel::ContentTop() + 12;
  NewLabel(p,
           QStringLiteral("When you replace main board, this program will set following initial "
                          "value on EEPROM properly by clicking \"OK\" button."),
           16, top, 350, 3);
  NewLabel(p, QStringLiteral("1. Market ID "), 32, top + 68, 300);
  NewLabel(p, QStringLiteral("2. CL2 counter for Ultra cleaning"), 32, top + 92, 300);
  NewLabel(p, QStringLiteral("3. Printer for CRTAG "), 32, top + 116, 300);
  DefaultSetBtn =
      PanelButton(p, "DefaultSetBtn", QStringLiteral("OK"), true, &TFormAdjust::DefaultSetBtnClick);
}

void TFormAdjust::DefaultSetBtnClick() {
  for (const eeprom::CellValue& cell : eeprom::kInitialSetting) {
    if (WriteEepromCell(cell.address, cell.value) != rc::Success) {
      // The bytes written so far stay; the port is closed so that the technician starts again
      // from the printer selection.
      platform::MessageDlg(QStringLiteral("Communication error"), platform::DlgType::Error,
                           platform::DlgButtons::Ok);
      PortCloseByPHub();
      platform::SetScreenCursor(platform::CursorShape::Default);
      return;
    }
  }
  WriteStatus(LineInfo, QStringLiteral("The initial setting value of  "));
  WriteStatus(LineAdd, QStringLiteral("\""));
  WriteStatus(LineAppend, modelName_ ? modelName_() : QString());
  WriteStatus(LineAppend, QStringLiteral("\""));
  WriteStatus(LineAppend, QStringLiteral("has been written on EEPROM."));
}
