// The transportation liquid exchange from its buttons against the virtual printer: what reaches
// the printer and what its mechanism does, the locked navigation, the end lines of failed steps,
// and the close after exchange 2.
#include <gtest/gtest.h>

#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <string>
#include <vector>

#include "app/formquit.h"
#include "controls/pagecontrol.h"
#include "controls/radiogroup.h"
#include "controls/titledpanel.h"
#include "link/pktlink.h"
#include "maintenance/maintenance.h"
#include "tests/support/workbenchtest.h"

using platform::CursorShape;
using testing_support::Click;
using testing_support::Find;
using testing_support::LogColor;
using testing_support::LogText;
using testing_support::Op;
using testing_support::VisibleItemPanels;

namespace {

// A mechanism call as the trace shows it: "cr 5 0 2 0" (mode, direction, amount low and high
// byte), "pf ...", "fl 0 0 184 11", "home", "wait 150".
std::vector<std::string> MechanismCalls(testing_support::VirtualPrinter& printer) {
  std::vector<std::string> calls;
  for (const auto& e : printer.Trace()) {
    auto four = [&](const char* name, const char* a, const char* b) {
      return std::string(name) + " " + std::to_string(e.Num(a)) + " " + std::to_string(e.Num(b)) +
             " " + std::to_string(e.Num("lo")) + " " + std::to_string(e.Num("hi"));
    };
    if (e.op == "drive_cr") calls.push_back(four("cr", "mode", "dir"));
    if (e.op == "drive_pf") calls.push_back(four("pf", "mode", "dir"));
    if (e.op == "color_flushing") calls.push_back(four("fl", "p1", "p2"));
    if (e.op == "cr_home_return") calls.push_back("home");
    if (e.op == "wait_time") calls.push_back("wait " + std::to_string(e.Num("value")));
  }
  return calls;
}

const std::vector<std::string> kToReplacement{"pf 2 0 77 0",  "cr 5 0 2 0", "cr 5 1 4 0",
                                              "pf 2 1 244 1", "cr 5 0 2 0", "cr 3 0 188 2"};
const std::vector<std::string> kBackHome{"cr 3 1 188 2", "pf 2 1 77 0"};
const std::vector<std::string> kExchange1{
    "cr 5 0 2 0",     "cr 5 1 4 0",     "pf 2 1 244 1",   "cr 5 0 2 0",     "cr 5 0 15 0",
    "pf 33 0 52 8",   "pf 2 1 30 0",    "cr 5 1 22 0",    "pf 32 0 48 117", "pf 32 0 48 117",
    "pf 32 0 48 117", "pf 32 0 48 117", "pf 32 0 48 117", "pf 32 0 176 54", "pf 2 0 30 0",
    "wait 150",       "fl 0 0 184 11",  "pf 2 1 30 0",    "cr 5 0 22 0",    "pf 2 1 30 0",
    "pf 33 0 172 13", "pf 2 1 116 4",   "cr 3 0 38 0",    "wait 5",         "cr 5 0 57 0",
    "pf 33 0 36 19",  "pf 2 1 74 1",    "home",           "cr 5 0 15 0"};
const std::vector<std::string> kToReplacementAgain{"pf 2 0 77 0", "cr 3 0 188 2"};
const std::vector<std::string> kExchange2{
    "home",        "cr 5 1 7 0",  "cr 5 0 22 0", "pf 2 1 30 0", "pf 33 0 72 13",
    "pf 2 1 30 0", "cr 3 0 38 0", "wait 5",      "cr 5 0 57 0", "pf 2 1 74 1",
    "home",        "home",        "cr 5 1 2 0",  "pf 4 0 25 0", "cr 5 0 2 0"};

class LiquidExchange : public testing_support::WorkbenchTest {
 protected:
  // Clicks the step's button and lets the done line's second pass.
  void Step(const char* button) {
    printer.ClearTrace();
    Click(form, button);
    testing_support::DeliverTimeout(form->DisableTimer);
  }
  bool NavigationLocked() const {
    return !form->AdjustmentTab->isEnabled() && !form->MentRdoGrp->isEnabled() &&
           !form->AdjustRtnBtn->isEnabled() && !form->GetStatusBtn->isEnabled();
  }
  bool NavigationFree() const {
    return form->AdjustmentTab->isEnabled() && form->MentRdoGrp->isEnabled() &&
           form->AdjustRtnBtn->isEnabled() && form->GetStatusBtn->isEnabled();
  }
  void Open() {
    form->AdjustmentTab->setCurrentIndex(1);
    testing_support::ClickItem(form->MentRdoGrp, 2);
  }
  // Every step of the procedure, with the dummies put in and taken out where the panels ask.
  void RunWholeProcedure() {
    Open();
    Step("MessageOKBtn");
    Step("CRmoveBtn");
    printer.device().InstallDummyCartridges();
    Step("CRreturnBtn");
    Step("TransOKBtn");
    Step("TransCompleteBtn");
    printer.device().RemoveCartridges();
    Step("CRreturn2Btn");
  }
};

// The whole Yes path, with the navigation locked from the first carriage move to the end.
TEST_F(LiquidExchange, TheYesPathSendsEverySequenceAndLeavesTheCounterAt2940) {
  Open();
  EXPECT_EQ(Find<TitledPanel>(form, "TraStep0Pnl")->Title()->text(),
            "Transportation Liquid Exchange ");
  EXPECT_EQ(Find<RadioGroup>(form, "MessageSelectRdoGrp")->Items(), QStringList({"Yes", "No"}));
  EXPECT_EQ(Find<RadioGroup>(form, "MessageSelectRdoGrp")->ItemIndex(), 0);
  Step("MessageOKBtn");
  EXPECT_TRUE(printer.Trace().empty());
  EXPECT_EQ(VisibleItemPanels(form), QStringList{"TraStep1Pnl"});
  EXPECT_TRUE(NavigationFree());

  Step("CRmoveBtn");
  EXPECT_EQ(MechanismCalls(printer), kToReplacement);
  EXPECT_EQ(VisibleItemPanels(form), QStringList{"TraStep2Pnl"});
  EXPECT_EQ(LogText(form), "Move the carriage to the replacement position.");
  EXPECT_EQ(printer.device().CarriagePlace(), "I/C replacement position");
  EXPECT_TRUE(NavigationLocked());
  printer.device().InstallDummyCartridges();

  Step("CRreturnBtn");
  EXPECT_EQ(MechanismCalls(printer), kBackHome);
  EXPECT_EQ(VisibleItemPanels(form), QStringList{"TransPnl"});
  EXPECT_EQ(LogText(form), "Return the carriage to the home position.");
  EXPECT_EQ(printer.device().CarriagePlace(), "home");
  EXPECT_TRUE(NavigationLocked());

  QString busy;
  printer.device().SetRequestObserver([&](Op op) {
    if (op == Op::kDriveCR && busy.isEmpty()) busy = LogText(form);
  });
  Step("TransOKBtn");
  printer.device().SetRequestObserver(nullptr);
  EXPECT_EQ(busy, "Performing Transportion Liquid Exchange 1 now.");
  EXPECT_EQ(MechanismCalls(printer), kExchange1);
  EXPECT_EQ(VisibleItemPanels(form), QStringList{"TraStep3Pnl"});
  EXPECT_EQ(LogText(form), "Transportion Liquid Exchange 1 is completed.");
  EXPECT_EQ(LogColor(form), QColor(Qt::black));
  // The sealed suction drew the dummies' liquid into the head.
  EXPECT_EQ(printer.device().LiquidPath(), vprinter::Liquid::kTransportation);
  EXPECT_TRUE(NavigationLocked());
  QTest::keyClick(form, Qt::Key_Escape);  // finds no enabled "Quit"
  EXPECT_TRUE(form->isVisible());

  Step("TransCompleteBtn");
  EXPECT_EQ(MechanismCalls(printer), kToReplacementAgain);
  EXPECT_EQ(VisibleItemPanels(form), QStringList{"TraStep4Pnl"});
  EXPECT_EQ(printer.device().CarriagePlace(), "I/C replacement position");
  EXPECT_TRUE(NavigationLocked());
  printer.device().RemoveCartridges();

  printer.device().SetRequestObserver([&](Op op) {
    if (op == Op::kEepromWrite) busy = LogText(form) + " / " + VisibleItemPanels(form).join(",");
  });
  Step("CRreturn2Btn");
  printer.device().SetRequestObserver(nullptr);
  EXPECT_EQ(busy, "Performing Transportion Liquid Exchange 2 now. / TraStep4Pnl");
  EXPECT_EQ(MechanismCalls(printer), kExchange2);
  std::vector<std::pair<int, int>> writes;
  for (const auto& e : printer.Trace("eeprom_write")) {
    writes.emplace_back(static_cast<int>(e.Num("addr")), static_cast<int>(e.Num("value")));
  }
  ASSERT_EQ(writes.size(), 41u);
  for (int a = 0; a <= 0x28; ++a) {
    const int value = a == 0 ? 0x10 : a == 9 ? 0x04 : a == 0x0A ? 0x0B : a == 0x0B ? 0x7C : 0;
    EXPECT_EQ(writes[a], (std::pair<int, int>{a, value}));
  }
  EXPECT_EQ(VisibleItemPanels(form), QStringList{"TraStep0Pnl"});
  EXPECT_EQ(LogText(form), "Transportion Liquid Exchange 2 is completed.");
  EXPECT_EQ(form->SkipPowerOnInitFlag(), 1);
  EXPECT_TRUE(NavigationFree());
  EXPECT_EQ(printer.device().CarriagePlace(), "home");
  EXPECT_EQ(sleeps.calls(), (std::vector<int>{100, 100, 100, 100}));

  char counter[6] = {' ', ' ', ' ', ' ', ' ', '\0'};
  ASSERT_EQ(Maintenance().ReadProtectionCounter(counter), rc::Success);
  EXPECT_STREQ(counter, "2940");
}

TEST_F(LiquidExchange, NoLeadsToTheNoteWhosePreviosComesBackAndNothingMoves) {
  Open();
  Find<RadioGroup>(form, "MessageSelectRdoGrp")->Button(1)->click();
  Click(form, "MessageOKBtn");
  EXPECT_EQ(VisibleItemPanels(form), QStringList{"NotePnl"});
  EXPECT_EQ(Find<QPushButton>(form, "MainRtnBtn")->text(), "Previos");
  // Every button of the procedure is its panel's default: Enter takes the technician back.
  QTest::keyClick(form, Qt::Key_Return);
  EXPECT_EQ(VisibleItemPanels(form), QStringList{"TraStep0Pnl"});
  EXPECT_TRUE(printer.Trace().empty());
  EXPECT_TRUE(NavigationFree());
}

TEST_F(LiquidExchange, AStepWhosePrinterCallsFailedEndsRedWithTheFirstFailureNotTheDoneText) {
  Open();
  Step("MessageOKBtn");
  Step("CRmoveBtn");
  Step("CRreturnBtn");

  // Exchange 1: the fourth paper-feed call (call 9) refused, a later one timing out.
  printer.FailNthWithPacketError(Op::kDrivePF, 4, 144);
  printer.FailNth(Op::kDriveCR, 8, rc::LinkReceiveError);
  Step("TransOKBtn");
  EXPECT_EQ(MechanismCalls(printer).size(), 29u);  // the rest was still sent
  EXPECT_EQ(LogText(form),
            "Transportation liquid exchange 1 did not complete.\n"
            "2 of 29 printer calls failed. First: call 9, DrivePF (mode 32, direction 0, amount "
            "30000): D4Error : PRINTER_IS_BUSY");
  EXPECT_EQ(LogColor(form), QColor(Qt::red));
  EXPECT_TRUE(form->isEnabled());
  EXPECT_EQ(platform::ScreenCursor(), CursorShape::Default);
  EXPECT_TRUE(dialogs.shown().empty());
  EXPECT_EQ(VisibleItemPanels(form), QStringList{"TraStep3Pnl"});  // the panels go on

  printer.FailNth(Op::kDriveCR, 1, rc::PortTransmitError);
  Step("TransCompleteBtn");
  EXPECT_EQ(LogText(form),
            "Moving the carriage to the replacement position did not complete.\n"
            "1 of 2 printer calls failed. First: call 2, DriveCR (mode 3, direction 0, amount "
            "700): Transmission error");
  EXPECT_EQ(VisibleItemPanels(form), QStringList{"TraStep4Pnl"});

  // Exchange 2: a write of the rewrite fails (the protection counter's high byte).
  printer.FailNth(Op::kEepromWrite, 11, rc::LinkReceiveError);
  Step("CRreturn2Btn");
  EXPECT_EQ(printer.Trace("eeprom_write").size(), 41u);
  EXPECT_EQ(LogText(form),
            "Transportation liquid exchange 2 did not complete.\n"
            "1 of 41 EEPROM writes failed. First: write 11, D4WriteEeprom (address 0A, value "
            "0B): Receive error");
  EXPECT_EQ(LogColor(form), QColor(Qt::red));
  EXPECT_TRUE(form->isEnabled());
  EXPECT_TRUE(NavigationFree());
  EXPECT_EQ(VisibleItemPanels(form), QStringList{"TraStep0Pnl"});
}

// Each call waits its time-out and the step still ends, with the window usable.
TEST_F(LiquidExchange, APrinterThatStopsAnsweringStillEndsExchange1WithItsLine) {
  Open();
  Step("MessageOKBtn");
  Step("CRmoveBtn");
  Step("CRreturnBtn");
  printer.SetLinkTimeoutMs(20);
  printer.device().StopAnswering();
  Click(form, "TransOKBtn");
  printer.device().ResumeAnswering();
  const QStringList lines = LogText(form).split('\n');
  ASSERT_EQ(lines.size(), 2);
  EXPECT_EQ(lines[0], "Transportation liquid exchange 1 did not complete.");
  EXPECT_TRUE(
      lines[1].startsWith("29 of 29 printer calls failed. First: call 1, DriveCR (mode 5, "
                          "direction 0, amount 2): "))
      << lines[1].toStdString();
  EXPECT_TRUE(form->isEnabled());
  EXPECT_EQ(platform::ScreenCursor(), CursorShape::Default);
}

TEST_F(LiquidExchange, TheCloseAfterExchange2SendsNoInitialisationAnyOtherCloseDoes) {
  // Closed through the close box in the middle: initialised, and the next printer finds its
  // navigation free.
  Open();
  Step("MessageOKBtn");
  Step("CRmoveBtn");
  printer.ClearTrace();
  form->close();
  EXPECT_EQ(printer.Trace("power_on_initialize").size(), 1u);
  EXPECT_TRUE(NavigationFree());

  for (int visit = 0; visit < 2; ++visit) {
    Click(FormQuit, "NextBtn");
    ASSERT_TRUE(testing_support::OpenWorkbench());
    if (visit == 0) RunWholeProcedure();
    printer.ClearTrace();
    Click(form, "AdjustRtnBtn");
    EXPECT_EQ(printer.Trace("power_on_initialize").size(), visit == 0 ? 0u : 1u) << visit;
    EXPECT_EQ(printer.Trace("terminate").size(), 1u);
    EXPECT_EQ(form->SkipPowerOnInitFlag(), 0);
  }
}

}  // namespace
