#include "workbench/initialsettingitem.h"

#include <QPushButton>

#include "controls/titledpanel.h"
#include "eeprom/addressmap.h"
#include "link/porthub.h"
#include "platform/cursor.h"
#include "platform/dialogs.h"

InitialSettingItem::InitialSettingItem(ItemHost& host, QObject* parent)
    : WorkbenchItem(host, parent), DefaultSetPnl(host.ItemPanel("DefaultSetPnl")) {
  QWidget* p = DefaultSetPnl;
  const int top = TitledPanel::ContentTop() + 12;
  host_.NewLabel(p,
                 QStringLiteral("When you replace main board, this program will set following "
                                "initial value on EEPROM properly by clicking \"OK\" button."),
                 16, top, 350, 3);
  host_.NewLabel(p, QStringLiteral("1. Market ID "), 32, top + 68, 300);
  host_.NewLabel(p, QStringLiteral("2. CL2 counter for Ultra cleaning"), 32, top + 92, 300);
  host_.NewLabel(p, QStringLiteral("3. Printer for CRTAG "), 32, top + 116, 300);
  DefaultSetBtn = PanelButton(p, "DefaultSetBtn", QStringLiteral("OK"), true,
                              &InitialSettingItem::DefaultSetBtnClick);
}

void InitialSettingItem::DefaultSetBtnClick() {
  for (const eeprom::CellValue& cell : eeprom::kInitialSetting) {
    if (host_.WriteEepromCell(cell.address, cell.value) != rc::Success) {
      // The bytes written so far stay; the port is closed so that the technician starts again
      // from the printer selection.
      platform::MessageDlg(QStringLiteral("Communication error"), platform::DlgType::Error,
                           platform::DlgButtons::Ok);
      PortCloseByPHub();
      platform::SetScreenCursor(platform::CursorShape::Default);
      return;
    }
  }
  host_.WriteStatus(LineInfo, QStringLiteral("The initial setting value of  "));
  host_.WriteStatus(LineAdd, QStringLiteral("\""));
  host_.WriteStatus(LineAppend, modelName_ ? modelName_() : QString());
  host_.WriteStatus(LineAppend, QStringLiteral("\""));
  host_.WriteStatus(LineAppend, QStringLiteral("has been written on EEPROM."));
}
