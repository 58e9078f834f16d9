// "Get status", the decoding of results and packet errors, head cleaning and the initial ink
// charge, against the virtual printer.
#include <gtest/gtest.h>

#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <tuple>
#include <vector>

#include "app/startup.h"
#include "controls/pagecontrol.h"
#include "controls/radiogroup.h"
#include "controls/tcgauge.h"
#include "link/statuscontrol.h"
#include "tests/support/fakes.h"
#include "tests/support/vprinterfixture.h"
#include "tests/support/windowtest.h"
#include "tests/support/workbenchtest.h"
#include "vprinter/device.h"
#include "workbench/formadjust.h"

using platform::CursorShape;
using platform::DlgResult;
using testing_support::Click;
using testing_support::LogColor;
using testing_support::LogText;
using testing_support::Op;
namespace vstatus = vprinter::status;

namespace {

class OnPrinter : public testing_support::WorkbenchTest {
 protected:
  // The trace without the records of the connection's end.
  std::vector<std::string> Ops() { return printer.TraceOps(); }
};

using GetStatus = OnPrinter;

TEST_F(GetStatus, WritesEachStateAsAnInfoLineAndKeepsStableMode) {
  const std::pair<uint16_t, const char*> states[] = {
      {vstatus::kBeforeInitialFillUp, "Printer Status : Before initial fill up"},
      {vstatus::kCleaning, "Printer Status : Cleaning"},
      {vstatus::kIdle, "Printer Status : Idle"},
      {vstatus::kPrinting, "Printer Status : Printing"},
      {vstatus::kBusy, "Printer Status : Busy"},
      {vstatus::kSelfTest, "Printer Status : Self-test"}};
  form->AdjustmentTab->setCurrentIndex(2);
  for (const auto& [status, text] : states) {
    printer.ForceStatus(status);
    form->WriteStatus(LineError, "old");
    Click(form, "GetStatusBtn");
    EXPECT_EQ(LogText(form), text);
    EXPECT_EQ(LogColor(form), QColor(Qt::black));
    EXPECT_EQ(form->AdjustRdoGrp->Count(), 6);
    EXPECT_EQ(form->AdjustmentTab->currentIndex(), 2);  // stable mode leaves the tab alone
  }
  EXPECT_EQ(printer.Trace("status").size(), 6u);
}

TEST_F(GetStatus, WritesEachErrorRedWithTheClearLineWhereTheTechnicianCanClearIt) {
  const std::tuple<uint16_t, const char*, bool> errors[] = {
      {vstatus::kHeadHot, "Head hot error", false},
      {vstatus::kMaintenance, "Maintenance error", false},
      {vstatus::kPaperSize, "Paper size error", true},
      {vstatus::kPaperOut, "Paper out error", true},
      {vstatus::kInkOut, "Ink out error", true},
      {vstatus::kPaperJam, "Paper jam error", true},
      {vstatus::kCoverOpen, "Cover open error", true},
      {vstatus::kInterfaceNotSelected, "I/F not select error", false},
      {vstatus::kFatal, "Fatal error", false}};
  for (const auto& [error, text, clearLine] : errors) {
    // Back to stable mode on the second tab first, so that only "Get status" can bring the error
    // mode of this round (a tab change would re-apply the last inquiry's record).
    ProgramPrinterStatus() = PrinterStatus{vstatus::kIdle, 0};
    form->ApplyPrinterMode();
    form->AdjustmentTab->setCurrentIndex(1);
    ASSERT_EQ(form->AdjustRdoGrp->Count(), 6);
    ASSERT_EQ(form->AdjustmentTab->currentIndex(), 1);
    printer.RaiseError(error);
    Click(form, "GetStatusBtn");
    const QString expected = clearLine ? QString(
                                             "%1\nClear the error and click the [Get Status] "
                                             "button.")
                                             .arg(QLatin1String(text))
                                       : QLatin1String(text);
    EXPECT_EQ(LogText(form), expected);
    EXPECT_EQ(LogColor(form), QColor(Qt::red));
    EXPECT_EQ(form->AdjustRdoGrp->Count(), 4) << text;
    EXPECT_EQ(form->AdjustmentTab->currentIndex(), 0);
    EXPECT_FALSE(form->AdjustmentTab->isTabEnabled(1));
  }
}

TEST_F(GetStatus, AnUnknownErrorValueWritesNothingButSwitchesToErrorMode) {
  printer.RaiseError(0xEF01);
  form->WriteStatus(LineInfo, "kept");
  Click(form, "GetStatusBtn");
  EXPECT_EQ(LogText(form), "kept");
  EXPECT_EQ(form->AdjustRdoGrp->Count(), 4);
}

TEST_F(GetStatus, AnUnknownStatusValueWritesNothingAndMeansStableMode) {
  ProgramPrinterStatus() = PrinterStatus{vstatus::kError, vstatus::kPaperOut};
  form->ApplyPrinterMode();
  printer.ForceStatus(0x1234);
  form->WriteStatus(LineInfo, "kept");
  Click(form, "GetStatusBtn");
  EXPECT_EQ(LogText(form), "kept");
  EXPECT_EQ(form->AdjustRdoGrp->Count(), 6);
  EXPECT_TRUE(form->AdjustmentTab->isTabEnabled(3));
}

TEST_F(GetStatus, AFailedInquiryShowsItsMessageAndKeepsTheMode) {
  printer.RaiseError(vstatus::kCoverOpen);
  Click(form, "GetStatusBtn");
  ASSERT_EQ(form->AdjustRdoGrp->Count(), 4);
  printer.ClearError();
  printer.FailNth(Op::kStatus, 1, -104);
  Click(form, "GetStatusBtn");
  EXPECT_EQ(LogText(form), "Receive error");
  EXPECT_EQ(LogColor(form), QColor(Qt::red));
  EXPECT_EQ(form->AdjustRdoGrp->Count(), 4);
}

TEST_F(GetStatus, APacketErrorShowsItsBoxThenTheRedLine) {
  QString logAtBox;
  dialogs.WhileShown([&](const platform::DialogRequest&) { logAtBox = LogText(form); });
  form->WriteStatus(LineInfo, "before");
  printer.FailNthWithPacketError(Op::kStatus, 1, 36);
  Click(form, "GetStatusBtn");
  ASSERT_EQ(dialogs.Texts(), std::vector<QString>{"D4Error : UNKNOWN_CHANNEL"});
  EXPECT_EQ(dialogs.shown()[0].request.type, platform::DlgType::Error);
  EXPECT_EQ(logAtBox, "before");  // the red line comes after the box
  EXPECT_EQ(LogText(form), "Communication error!!");
  EXPECT_EQ(LogColor(form), QColor(Qt::red));

  // A code outside the table gives only the line, red whatever kind the caller asked for.
  dialogs.Clear();
  printer.FailNthWithPacketError(Op::kStatus, 1, 99);
  const ResultCode result = QueryStatus();
  ASSERT_EQ(result, rc::PacketError);
  form->ReportResult(LineInfo, result);
  EXPECT_TRUE(dialogs.shown().empty());
  EXPECT_EQ(LogText(form), "Communication error!!");
  EXPECT_EQ(LogColor(form), QColor(Qt::red));
}

// --- Head cleaning and initial ink charge -------------------------------------------------------

using Maintenance = OnPrinter;

TEST_F(Maintenance, CleaningStartsAtOnceAndWaitsUntilThePrinterIsIdle) {
  testing_support::ClickItem(form->MentRdoGrp, 0);
  printer.BusyForPolls(2);
  Click(form, "CleaningOKBtn");
  EXPECT_TRUE(dialogs.shown().empty());
  const std::vector<testing_support::TraceEntry> cleaning = printer.Trace("head_cleaning");
  ASSERT_EQ(cleaning.size(), 1u);
  EXPECT_EQ(cleaning[0].Num("mode"), 2);
  EXPECT_EQ(Ops(), (std::vector<std::string>{"head_cleaning", "soft_reset", "status", "soft_reset",
                                             "status", "soft_reset", "status"}));
  EXPECT_EQ(sleeps.calls(), (std::vector<int>{1000, 1000}));
  EXPECT_EQ(LogText(form), "Head cleaning is completed.");
  EXPECT_EQ(LogColor(form), QColor(Qt::black));
  EXPECT_EQ(platform::ScreenCursor(), CursorShape::Default);
  EXPECT_FALSE(form->isEnabled());  // until the timer fires
  EXPECT_TRUE(form->DisableTimer->isActive());
  testing_support::DeliverTimeout(form->DisableTimer);
  EXPECT_TRUE(form->isEnabled());
  EXPECT_EQ(testing_support::VisibleItemPanels(form), QStringList{"CleaningPnl"});
}

TEST_F(Maintenance, CleaningAndChargeWaitUnderTheirBlueBusyLineWithTheWindowDisabled) {
  struct AtPause {
    QString log;
    QColor color;
    CursorShape cursor;
    bool enabled;
  };
  std::vector<AtPause> pauses;
  sleeps.AtEachPause([&](int) {
    pauses.push_back({LogText(form), LogColor(form), platform::ScreenCursor(), form->isEnabled()});
  });
  const std::tuple<int, const char*, const char*> items[] = {
      {0, "CleaningOKBtn", "Cleaning the head now."},
      {1, "ChargeOKBtn", "Performing Initial Ink Charge now."}};
  for (const auto& [item, button, busyLine] : items) {
    pauses.clear();
    testing_support::ClickItem(form->MentRdoGrp, item);
    printer.BusyForPolls(1);  // one pause in the wait for the idle printer
    Click(form, button);
    ASSERT_EQ(pauses.size(), 1u) << button;
    EXPECT_EQ(pauses[0].log, busyLine);
    EXPECT_EQ(pauses[0].color, QColor(Qt::blue));
    EXPECT_EQ(pauses[0].cursor, CursorShape::HourGlass);
    EXPECT_FALSE(pauses[0].enabled);
    testing_support::DeliverTimeout(form->DisableTimer);  // the done line's second is over
  }
}

// Only the progress moves while the window waits: how long it has waited, how long is left of the
// cleaning's usual 30 s or the charge's 120 s, the gauge with it; gone when the wait ends.
TEST_F(Maintenance, TheWaitShowsHowLongItHasWaitedAndHowLongIsLeft) {
  struct AtPause {
    bool shown;
    QString text;
    int progress, maximum;
    bool gaugeShown;
  };
  std::vector<AtPause> pauses;
  sleeps.AtEachPause([&](int) {
    pauses.push_back({form->WaitProgressPnl->isVisible(), form->WaitProgressLbl->text(),
                      form->WaitProgressGauge->Progress(), form->WaitProgressGauge->MaxValue(),
                      form->WaitProgressGauge->isVisible()});
  });
  testing_support::ClickItem(form->MentRdoGrp, 1);
  printer.BusyForPolls(2);
  Click(form, "ChargeOKBtn");
  ASSERT_EQ(pauses.size(), 2u);
  // Each pause is recorded before its second is reported: the first shows the panel still hidden.
  EXPECT_FALSE(pauses[0].shown);
  EXPECT_TRUE(pauses[1].shown);
  EXPECT_EQ(pauses[1].text, "Waited 1 s, about 119 s left");
  EXPECT_EQ(pauses[1].progress, 1);
  EXPECT_EQ(pauses[1].maximum, 120);
  EXPECT_TRUE(pauses[1].gaugeShown);
  EXPECT_FALSE(form->WaitProgressPnl->isVisible());
  testing_support::DeliverTimeout(form->DisableTimer);

  // A wait of unknown length after it: the seconds only, no gauge, no leftover of the charge's.
  pauses.clear();
  printer.BusyForPolls(3);
  EXPECT_EQ(WaitUntilIdle(), rc::Success);
  ASSERT_EQ(pauses.size(), 3u);
  EXPECT_EQ(pauses[2].text, "Waiting for the printer: 2 s");
  EXPECT_FALSE(pauses[2].gaugeShown);
  EXPECT_FALSE(form->WaitProgressPnl->isVisible());
}

TEST_F(Maintenance, EnterRunsTheVisiblePanelsOkButton) {
  testing_support::ClickItem(form->MentRdoGrp, 0);
  QTest::keyClick(form, Qt::Key_Return);
  ASSERT_EQ(printer.Trace("head_cleaning").size(), 1u);
  EXPECT_EQ(LogText(form), "Head cleaning is completed.");
}

TEST_F(Maintenance, ARefusedCleaningSkipsTheWait) {
  testing_support::ClickItem(form->MentRdoGrp, 0);
  printer.FailNth(Op::kHeadCleaning, 1, -103);
  Click(form, "CleaningOKBtn");
  EXPECT_EQ(LogText(form), "Transmission error");
  EXPECT_EQ(LogColor(form), QColor(Qt::red));
  EXPECT_TRUE(form->isEnabled());
  EXPECT_TRUE(printer.Trace("soft_reset").empty());
  EXPECT_TRUE(printer.Trace("status").empty());
}

TEST_F(Maintenance, ACleaningRefusedForAPrinterErrorShowsThePacketError) {
  testing_support::ClickItem(form->MentRdoGrp, 0);
  printer.RaiseError(vstatus::kCoverOpen);
  Click(form, "CleaningOKBtn");
  EXPECT_EQ(dialogs.Texts(), std::vector<QString>{"D4Error : PRINTER_IS_BUSY"});
  EXPECT_EQ(LogText(form), "Communication error!!");
  EXPECT_TRUE(form->isEnabled());
}

TEST_F(Maintenance, APrinterThatNeverBecomesIdleEndsTheWaitWithItsOwnMessage) {
  testing_support::ClickItem(form->MentRdoGrp, 0);
  printer.ForceStatus(vstatus::kCleaning);
  Click(form, "CleaningOKBtn");
  EXPECT_EQ(printer.Trace("status").size(), static_cast<size_t>(kWaitUntilIdleMaxPasses));
  EXPECT_EQ(sleeps.calls().size(), static_cast<size_t>(kWaitUntilIdleMaxPasses - 1));
  EXPECT_EQ(LogText(form),
            "Printer did not become idle within 15 minutes. Check the printer, then click [Get "
            "status].");
  EXPECT_EQ(LogColor(form), QColor(Qt::red));
  EXPECT_TRUE(form->isEnabled());
  EXPECT_EQ(platform::ScreenCursor(), CursorShape::Default);
}

TEST_F(Maintenance, AWaitThatEndsBeforeInitialFillUpReportsThePrinterNotReady) {
  testing_support::ClickItem(form->MentRdoGrp, 0);
  printer.ForceStatus(vstatus::kBeforeInitialFillUp);
  Click(form, "CleaningOKBtn");
  EXPECT_TRUE(LogText(form).startsWith("Printer is not ready"));
  EXPECT_EQ(LogColor(form), QColor(Qt::red));
  EXPECT_TRUE(form->isEnabled());
}

TEST_F(Maintenance, InkChargeAsksFirstAndRunsModeNineOnYes) {
  testing_support::ClickItem(form->MentRdoGrp, 1);
  dialogs.QueueAnswer(DlgResult::Yes);
  Click(form, "ChargeOKBtn");
  ASSERT_EQ(dialogs.shown().size(), 1u);
  EXPECT_EQ(dialogs.shown()[0].request.text, "Have you replaced both brand-new I/C?");
  EXPECT_EQ(dialogs.shown()[0].request.type, platform::DlgType::Warning);
  EXPECT_EQ(dialogs.shown()[0].request.buttons, platform::DlgButtons::YesNo);
  const std::vector<testing_support::TraceEntry> charge = printer.Trace("head_cleaning");
  ASSERT_EQ(charge.size(), 1u);
  EXPECT_EQ(charge[0].Num("mode"), 9);
  EXPECT_EQ(LogText(form), "Initial Ink Charge is completed.");
  EXPECT_EQ(LogColor(form), QColor(Qt::black));
}

TEST_F(Maintenance, InkChargeDeclinedSendsNothing) {
  testing_support::ClickItem(form->MentRdoGrp, 1);
  for (DlgResult answer : {DlgResult::No, DlgResult::Closed}) {
    dialogs.Clear();
    dialogs.QueueAnswer(answer);
    Click(form, "ChargeOKBtn");
    ASSERT_EQ(dialogs.shown().size(), 2u);
    EXPECT_EQ(dialogs.shown()[1].request.text, "Retry this routine from first step.");
    EXPECT_EQ(dialogs.shown()[1].request.type, platform::DlgType::Information);
    EXPECT_EQ(dialogs.shown()[1].request.buttons, platform::DlgButtons::Ok);
  }
  EXPECT_TRUE(Ops().empty());
  EXPECT_EQ(LogText(form), "");
  EXPECT_TRUE(form->isEnabled());
}

}  // namespace
