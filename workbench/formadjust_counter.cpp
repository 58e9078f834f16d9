// "Protection counter": the waste-ink counter read and shown, or cleared after the waste ink pad
// has been replaced.
#include <QLabel>
#include <QPushButton>

#include "controls/dialogkeys.h"
#include "controls/radiogroup.h"
#include "controls/titledpanel.h"
#include "platform/dialogs.h"
#include "workbench/formadjust.h"
#include "workbench/units.h"

void TFormAdjust::BuildProtectionCounterPanels() {
  CounterRdoBtn = NewItemsGroup(ProCounterItemsPnl, "CounterRdoBtn", QStringLiteral("Items"),
                                {QStringLiteral("Check the protection counter."),
                                 QStringLiteral("Clear the protection counter.")});
  ProCounterOKBtn = dialogkeys::MakeDefault(PanelButton(ProCounterItemsPnl, "ProCounterOKBtn",
                                                        QStringLiteral("OK"), true,
                                                        &TFormAdjust::ProCounterOKBtnClick));

  const int top = TitledPanel::ContentTop() + 12;
  NewLabel(ProCounterCheckPnl, QStringLiteral("Reading out present protection counter."), 16, top,
           350);
  NewLabel(ProCounterCheckPnl, QStringLiteral("Maximum is 23,270 points."), 16, top + 36, 350);
  CheckcountWarningLbl1 = NewLabel(
      ProCounterCheckPnl, QStringLiteral("If it is Over 16,289 points, replace the waste ink pad."),
      16, top + 60, 350);
  CheckcountWarningLbl1->setObjectName(QStringLiteral("CheckcountWarningLbl1"));
  CounterCheckOKBtn = dialogkeys::MakeDefault(PanelButton(ProCounterCheckPnl, "CounterCheckOKBtn",
                                                          QStringLiteral("OK"), false,
                                                          &TFormAdjust::CounterCheckOKBtnClick));
  CounterCheckRtnBtn = dialogkeys::MakeCancel(PanelButton(ProCounterCheckPnl, "CounterCheckRtnBtn",
                                                          QStringLiteral("Previous"), true,
                                                          &TFormAdjust::CounterCheckRtnBtnClick));
  NewLabel(ProCounterClearPnl, QStringLiteral("Initializing the protection counter now."), 16, top,
           350);
  CounterClearOKBtn = dialogkeys::MakeDefault(PanelButton(ProCounterClearPnl, "CounterClearOKBtn",
                                                          QStringLiteral("OK"), false,
                                                          &TFormAdjust::CounterClearOKBtnClick));
  CounterClearRtnBtn = dialogkeys::MakeCancel(PanelButton(ProCounterClearPnl, "CounterClearRtnBtn",
                                                          QStringLiteral("Previous"), true,
                                                          &TFormAdjust::CounterClearRtnBtnClick));
}

void TFormAdjust::ProCounterOKBtnClick() {
  ResetPanels();
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
void TFormAdjust::CounterCheckOKBtnClick() {
  const ResultCode result = units_.maintenance.ReadProtectionCounter(ProCounterText);
  if (result != rc::Success) {
    ReportResult(LineError, result);
    return;
  }
  WriteStatus(LineInfo, QStringLiteral("Counter value = "));
  WriteStatus(LineAppend, QString::fromLatin1(ProCounterText));
}

void TFormAdjust::CounterClearOKBtnClick() {
  switch (platform::MessageDlg(QStringLiteral("Have you replaced the Waste Ink Pad certainly?"),
                               platform::DlgType::Warning, platform::DlgButtons::YesNo)) {
    case platform::DlgResult::Yes: {
      const ResultCode result = units_.maintenance.ClearProtectionCounter();
      if (result != rc::Success) {
        ReportResult(LineError, result);
        return;
      }
      WriteStatus(LineInfo, QStringLiteral("The protect counter has been initialized."));
      ShowProCounterPnl->setText(QStringLiteral("Initialized"));
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

void TFormAdjust::CounterCheckRtnBtnClick() {
  ResetPanels();
  ProCounterItemsPnl->show();
}

void TFormAdjust::CounterClearRtnBtnClick() {
  ResetPanels();
  ProCounterItemsPnl->show();
}
