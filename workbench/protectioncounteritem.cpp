#include "workbench/protectioncounteritem.h"

#include <QLabel>
#include <QPushButton>

#include "controls/dialogkeys.h"
#include "controls/radiogroup.h"
#include "controls/titledpanel.h"
#include "platform/dialogs.h"
#include "workbench/units.h"

ProtectionCounterItem::ProtectionCounterItem(ItemHost& host, QObject* parent)
    : WorkbenchItem(host, parent),
      ProCounterItemsPnl(host.ItemPanel("ProCounterItemsPnl")),
      ProCounterClearPnl(host.ItemPanel("ProCounterClearPnl")),
      ProCounterCheckPnl(host.ItemPanel("ProCounterCheckPnl")) {
  CounterRdoBtn = host_.NewItemsGroup(ProCounterItemsPnl, "CounterRdoBtn", QStringLiteral("Items"),
                                      {QStringLiteral("Check the protection counter."),
                                       QStringLiteral("Clear the protection counter.")});
  ProCounterOKBtn = dialogkeys::MakeDefault(
      PanelButton(ProCounterItemsPnl, "ProCounterOKBtn", QStringLiteral("OK"), true,
                  &ProtectionCounterItem::ProCounterOKBtnClick));

  const int top = TitledPanel::ContentTop() + 12;
  host_.NewLabel(ProCounterCheckPnl, QStringLiteral("Reading out present protection counter."), 16,
                 top, 350);
  host_.NewLabel(ProCounterCheckPnl, QStringLiteral("Maximum is 23,270 points."), 16, top + 36,
                 350);
  CheckcountWarningLbl1 = host_.NewLabel(
      ProCounterCheckPnl, QStringLiteral("If it is Over 16,289 points, replace the waste ink pad."),
      16, top + 60, 350);
  CheckcountWarningLbl1->setObjectName(QStringLiteral("CheckcountWarningLbl1"));
  CounterCheckOKBtn = dialogkeys::MakeDefault(
      PanelButton(ProCounterCheckPnl, "CounterCheckOKBtn", QStringLiteral("OK"), false,
                  &ProtectionCounterItem::CounterCheckOKBtnClick));
  CounterCheckRtnBtn = dialogkeys::MakeCancel(
      PanelButton(ProCounterCheckPnl, "CounterCheckRtnBtn", QStringLiteral("Previous"), true,
                  &ProtectionCounterItem::CounterCheckRtnBtnClick));
  host_.NewLabel(ProCounterClearPnl, QStringLiteral("Initializing the protection counter now."), 16,
                 top, 350);
  CounterClearOKBtn = dialogkeys::MakeDefault(
      PanelButton(ProCounterClearPnl, "CounterClearOKBtn", QStringLiteral("OK"), false,
                  &ProtectionCounterItem::CounterClearOKBtnClick));
  CounterClearRtnBtn = dialogkeys::MakeCancel(
      PanelButton(ProCounterClearPnl, "CounterClearRtnBtn", QStringLiteral("Previous"), true,
                  &ProtectionCounterItem::CounterClearRtnBtnClick));
}

void ProtectionCounterItem::ProCounterOKBtnClick() {
  host_.ResetPanels();
  switch (CounterRdoBtn->ItemIndex()) {
    case 0:
      ProCounterCheckPnl->show();
      break;
    case 1:
      ProCounterClearPnl->show();
      break;
    default:
      break;
  }
}

// The value is shown as it is; the two numbers on the panel are the technician's to compare.
void ProtectionCounterItem::CounterCheckOKBtnClick() {
  const ResultCode result = host_.ProgramUnits().maintenance.ReadProtectionCounter(ProCounterText);
  if (result != rc::Success) {
    host_.ReportResult(LineError, result);
    return;
  }
  host_.WriteStatus(LineInfo, QStringLiteral("Counter value = "));
  host_.WriteStatus(LineAppend, QString::fromLatin1(ProCounterText));
}

void ProtectionCounterItem::CounterClearOKBtnClick() {
  switch (platform::MessageDlg(QStringLiteral("Have you replaced the Waste Ink Pad certainly?"),
                               platform::DlgType::Warning, platform::DlgButtons::YesNo)) {
    case platform::DlgResult::Yes: {
      const ResultCode result = host_.ProgramUnits().maintenance.ClearProtectionCounter();
      if (result != rc::Success) {
        host_.ReportResult(LineError, result);
        return;
      }
      host_.WriteStatus(LineInfo, QStringLiteral("The protect counter has been initialized."));
      host_.ShowAdjusted("ShowProCounterPnl", QStringLiteral("Initialized"));
      break;
    }
    case platform::DlgResult::No:
      platform::MessageDlg(QStringLiteral("Retry this routine from first step."),
                           platform::DlgType::Information, platform::DlgButtons::Ok);
      break;
    default:
      break;
  }
}

void ProtectionCounterItem::CounterCheckRtnBtnClick() {
  host_.ResetPanels();
  ProCounterItemsPnl->show();
}

void ProtectionCounterItem::CounterClearRtnBtnClick() {
  host_.ResetPanels();
  ProCounterItemsPnl->show();
}
