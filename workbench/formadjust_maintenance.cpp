// "Head cleaning" and "Initial ink charge": one cleaning cycle of the printer each, and the wait
// until it is idle again.
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

void TFormAdjust::BuildCleaningPanels() {
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
