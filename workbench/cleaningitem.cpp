#include "workbench/cleaningitem.h"

#include <QLabel>
#include <QPushButton>

#include "controls/dialogkeys.h"
#include "controls/radiogroup.h"
#include "controls/titledpanel.h"
#include "link/mechcmd.h"
#include "link/statuscontrol.h"
#include "platform/dialogs.h"

namespace {
// Modes of the mechanism library's cleaning command.
constexpr uint8_t kCleaningModeHead = 2;
constexpr uint8_t kCleaningModeInitialCharge = 9;
// How long the printer usually takes for each, for the progress shown while the workbench waits.
constexpr int kCleaningSeconds = 30;
constexpr int kInitialChargeSeconds = 120;
}  // namespace

CleaningItem::CleaningItem(ItemHost& host, QObject* parent) : WorkbenchItem(host, parent) {
  CleaningOKBtn = BuildCleaningPanel(
      host.ItemPanel("CleaningPnl"), QStringLiteral("Powerful cleaning will be done in this mode."),
      QStringLiteral("Note about 1/10 of the Bk brand-new I/C and 1/6 of the Color brand-new I/C "
                     "are consumed in this sequence."),
      "CleaningOKBtn");
  Connect(CleaningOKBtn, &CleaningItem::CleaningOKBtnClick);
  ChargeOKBtn = BuildCleaningPanel(
      host.ItemPanel("InkChargePnl"),
      QStringLiteral("Do you want to perform the initial ink charge? "),
      QStringLiteral("Note about 1/4 of the Bk brand-new I/C and 1/4 of the Color brand-new I/C "
                     "are consumed in this sequence."),
      "ChargeOKBtn");
  Connect(ChargeOKBtn, &CleaningItem::ChargeOKBtnClick);
}

QPushButton* CleaningItem::BuildCleaningPanel(QWidget* panel, const QString& text,
                                              const QString& note, const char* buttonName) {
  const int top = TitledPanel::ContentTop() + 12;
  host_.NewLabel(panel, text, 16, top, 350);
  host_.NewLabel(panel, note, 16, top + 40, 350, 2);
  QPushButton* ok = host_.NewButton(panel, buttonName, QStringLiteral("OK"), 292, 236);
  dialogkeys::MakeDefault(ok);
  return ok;
}

// One cleaning cycle of the printer in the given mode and the wait until it is idle again: a
// busy line, then the done line, or the error line of the first failure.
void CleaningItem::RunCleaningCycle(uint8_t mode, const QString& busyText,
                                    const QString& doneText) {
  host_.WriteStatus(LineBusy, busyText);
  ResultCode result = HeadCleaning(host_.ModelCode1(), host_.ModelCode2(), mode);
  if (result == rc::Success) {
    host_.ExpectWait(mode == kCleaningModeInitialCharge ? kInitialChargeSeconds : kCleaningSeconds);
    result = WaitUntilIdle();
  }
  if (result != rc::Success) {
    host_.ReportResult(LineError, result);
    return;
  }
  host_.WriteStatus(LineDone, doneText);
}

// The panel itself is the confirmation: the cleaning starts at once.
void CleaningItem::CleaningOKBtnClick() {
  RunCleaningCycle(kCleaningModeHead, QStringLiteral("Cleaning the head now."),
                   QStringLiteral("Head cleaning is completed."));
}

void CleaningItem::ChargeOKBtnClick() {
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
