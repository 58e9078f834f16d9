// Maintenance items of the workbench: head cleaning, the initial ink charge and the protection
// counter. (The liquid exchange and the EEPROM backup have files of their own.)
#include <QLabel>
#include <QPushButton>

#include "controls/dialogkeys.h"
#include "controls/radiogroup.h"
#include "controls/titledpanel.h"
#include "link/mechcmd.h"
#include "link/statuscontrol.h"
#include "platform/dialogs.h"
#include "workbench/formadjust.h"
#include "workbench/units.h"

namespace {
// Modes of the mechanism library's cleaning command.
constexpr uint8_t kCleaningModeHead = 2;
constexpr uint8_t kCleaningModeInitialCharge = 9;
// How long the printer usually takes for each, for the progress shown while the workbench waits.
constexpr int kCleaningSeconds = 30;
constexpr int kInitialChargeSeconds = 120;
}  // namespace

void TFormAdjust::BuildMaintenancePanels() {
  CleaningOKBtn = BuildCleaningPanel(
      CleaningPnl, QStringLiteral("Powerful cleaning will be done in this mode."),
      QStringLiteral("Note about 1/10 of the Bk brand-new I/C and 1/6 of the Color brand-new I/C "
                     "are consumed in this sequence."),
      "CleaningOKBtn");
  Connect(CleaningOKBtn, &TFormAdjust::CleaningOKBtnClick);
  ChargeOKBtn = BuildCleaningPanel(
      InkChargePnl, QStringLiteral("Do you want to perform the initial ink charge? "),
      QStringLiteral("Note about 1/4 of the Bk brand-new I/C and 1/4 of the Color brand-new I/C "
                     "are consumed in this sequence."),
      "ChargeOKBtn");
  Connect(ChargeOKBtn, &TFormAdjust::ChargeOKBtnClick);
  BuildProtectionCounterPanels();
  BuildTransportPanels();
  BuildBackupPanel();
}

QPushButton* TFormAdjust::BuildCleaningPanel(QWidget* panel, const QString& text,
                                             const QString& note, const char* buttonName) {
  const int top = TitledPanel::ContentTop() + 12;
  NewLabel(panel, text, 16, top, 350);
  NewLabel(panel, note, 16, top + 40, 350, 2);
  QPushButton* ok = NewButton(panel, buttonName, QStringLiteral("OK"), 292, 236);
  dialogkeys::MakeDefault(ok);
  return ok;
}

// One cleaning cycle of the printer in the given mode and the wait until it is idle again: a
// busy line, then the done line, or the error line of the first failure.
void TFormAdjust::RunCleaningCycle(uint8_t mode, const QString& busyText, const QString& doneText) {
  WriteStatus(LineBusy, busyText);
  ResultCode result = HeadCleaning(ModelCode1(), ModelCode2(), mode);
  if (result == rc::Success) {
    ExpectWait(mode == kCleaningModeInitialCharge ? kInitialChargeSeconds : kCleaningSeconds);
    result = WaitUntilIdle();
  }
  if (result != rc::Success) {
    ReportResult(LineError, result);
    return;
  }
  WriteStatus(LineDone, doneText);
}

// The panel itself is the confirmation: the cleaning starts at once.
void TFormAdjust::CleaningOKBtnClick() {
  RunCleaningCycle(kCleaningModeHead, QStringLiteral("Cleaning the head now."),
                   QStringLiteral("Head cleaning is completed."));
}

void TFormAdjust::ChargeOKBtnClick() {
  if (platform::MessageDlg(QStringLiteral("Have you replaced both brand-new I/C?"),
                           platform::DlgType::Warning,
                           platform::DlgButtons::YesNo) != platform::DlgResult::Yes) {
    platform::MessageDlg(QStringLiteral("Retry this routine from first step."),
                         platform::DlgType::Information, platform::DlgButtons::Ok);
    return;
  }
  RunCleaningCycle(kCleaningModeInitialCharge, QStringLiteral("Performing Initial Ink Charge now."),
                   QStringLiteral("Initial Ink Charge is completed."));
}

// --- Protection counter -------------------------------------------------------------------------

void TFormAdjust::BuildProtectionCounterPanels() {
  CounterRdoBtn = NewItemsGroup(ProCounterItemsPnl, "CounterRdoBtn", QStringLiteral("Items"),
                                {QStringLiteral("Check the protection counter."),
                                 QStringLiteral("Clear the protection counter.")});
  ProCounterOKBtn = PanelButton(ProCounterItemsPnl, "ProCounterOKBtn", QStringLiteral("OK"), true,
                                &TFormAdjust::ProCounterOKBtnClick, KeyRole::Default);

  const int top = TitledPanel::ContentTop() + 12;
  NewLabel(ProCounterCheckPnl, QStringLiteral("Reading out present protection counter."), 16, top,
           350);
  NewLabel(ProCounterCheckPnl, QStringLiteral("Maximum is 23,270 points."), 16, top + 36, 350);
  CheckcountWarningLbl1 = NewLabel(
      ProCounterCheckPnl, QStringLiteral("If it is Over 16,289 points, replace the waste ink pad."),
      16, top + 60, 350);
  CheckcountWarningLbl1->setObjectName(QStringLiteral("CheckcountWarningLbl1"));
  CounterCheckOKBtn = PanelButton(ProCounterCheckPnl, "CounterCheckOKBtn", QStringLiteral("OK"),
                                  false, &TFormAdjust::CounterCheckOKBtnClick, KeyRole::Default);
  CounterCheckRtnBtn =
      PanelButton(ProCounterCheckPnl, "CounterCheckRtnBtn", QStringLiteral("Previous"), true,
                  &TFormAdjust::CounterCheckRtnBtnClick, KeyRole::Cancel);
  NewLabel(ProCounterClearPnl, QStringLiteral("Initializing the protection counter now."), 16, top,
           350);
  CounterClearOKBtn = PanelButton(ProCounterClearPnl, "CounterClearOKBtn", QStringLiteral("OK"),
                                  false, &TFormAdjust::CounterClearOKBtnClick, KeyRole::Default);
  CounterClearRtnBtn =
      PanelButton(ProCounterClearPnl, "CounterClearRtnBtn", QStringLiteral("Previous"), true,
                  &TFormAdjust::CounterClearRtnBtnClick, KeyRole::Cancel);
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
