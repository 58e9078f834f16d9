// Maintenance items of the workbench: head cleaning and the initial ink charge.
#include <QLabel>
#include <QPushButton>

#include "controls/dialogkeys.h"
#include "controls/titledpanel.h"
#include "link/mechcmd.h"
#include "link/statuscontrol.h"
#include "platform/dialogs.h"
#include "workbench/formadjust.h"

namespace {
// Modes of the mechanism library's cleaning command.
constexpr uint8_t kCleaningModeHead = 2;
constexpr uint8_t kCleaningModeInitialCharge = 9;
}  // namespace

void TFormAdjust::BuildMaintenancePanels() {
  const int top = TitledPanel::ContentTop() + 12;
  NewLabel(CleaningPnl, QStringLiteral("Powerful cleaning will be done in this mode."), 16, top,
           350);
  NewLabel(CleaningPnl,
           QStringLiteral("Note about 1/10 of the Bk brand-new I/C and 1/6 of the Color brand-new "
                          "I/C are consumed in this sequence."),
           16, top + 40, 350, 2);
  CleaningOKBtn = NewButton(CleaningPnl, "CleaningOKBtn", QStringLiteral("OK"), 292, 236);
  dialogkeys::MakeDefault(CleaningOKBtn);
  Connect(CleaningOKBtn, &TFormAdjust::CleaningOKBtnClick);

  NewLabel(InkChargePnl, QStringLiteral("Do you want to perform the initial ink charge? "), 16, top,
           350);
  NewLabel(InkChargePnl,
           QStringLiteral("Note about 1/4 of the Bk brand-new I/C and 1/4 of the Color brand-new "
                          "I/C are consumed in this sequence."),
           16, top + 40, 350, 2);
  ChargeOKBtn = NewButton(InkChargePnl, "ChargeOKBtn", QStringLiteral("OK"), 292, 236);
  dialogkeys::MakeDefault(ChargeOKBtn);
  Connect(ChargeOKBtn, &TFormAdjust::ChargeOKBtnClick);
}

// The panel itself is the confirmation: the cleaning starts at once.
void TFormAdjust::CleaningOKBtnClick() {
  WriteStatus(LineBusy, QStringLiteral("Cleaning the head now."));
  ResultCode result = HeadCleaning(ModelCode1(), ModelCode2(), kCleaningModeHead);
  if (result == rc::Success) result = WaitUntilIdle();
  if (result != rc::Success) {
    ReportResult(LineError, result);
    return;
  }
  WriteStatus(LineDone, QStringLiteral("Head cleaning is completed."));
}

void TFormAdjust::ChargeOKBtnClick() {
  if (platform::MessageDlg(QStringLiteral("Have you replaced both brand-new I/C?"),
                           platform::DlgType::Warning,
                           platform::DlgButtons::YesNo) != platform::DlgResult::Yes) {
    platform::MessageDlg(QStringLiteral("Retry this routine from first step."),
                         platform::DlgType::Information, platform::DlgButtons::Ok);
    return;
  }
  WriteStatus(LineBusy, QStringLiteral("Performing Initial Ink Charge now."));
  ResultCode result = HeadCleaning(ModelCode1(), ModelCode2(), kCleaningModeInitialCharge);
  if (result == rc::Success) result = WaitUntilIdle();
  if (result != rc::Success) {
    ReportResult(LineError, result);
    return;
  }
  WriteStatus(LineDone, QStringLiteral("Initial Ink Charge is completed."));
}
