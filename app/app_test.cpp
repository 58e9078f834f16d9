// The printer selection, the quit confirmation, the version box and the workbench's close, driven
// by their controls against the virtual printer.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <cstdlib>
#include <memory>
#include <optional>
#include <vector>

#include "app/aboutbox.h"
#include "app/formboot.h"
#include "app/formquit.h"
#include "app/startup.h"
#include "controls/limitededit.h"
#include "controls/pagecontrol.h"
#include "controls/radiogroup.h"
#include "link/modelcode.h"
#include "link/porthub.h"
#include "makerlibs/porthub/portcontrol.h"
#include "tests/support/fakes.h"
#include "tests/support/vprinterfixture.h"
#include "tests/support/windowtest.h"
#include "vprinter/device.h"
#include "workbench/formadjust.h"
#include "workbench/units.h"

using platform::CursorShape;
using testing_support::Click;
using testing_support::Find;
using testing_support::OpenWorkbench;

namespace {

class Program : public ::testing::Test {
 protected:
  testing_support::VirtualPrinter printer;  // first: the windows reach this printer
  testing_support::ProgramWindows windows;
  testing_support::FakeDialogs dialogs;
};

// A printer the port library cannot find.
class NoPrinterNamed {
 public:
  NoPrinterNamed() { setenv("QUORLA_PRINTER", "unix:/nonexistent/quorla.sock", 1); }
  ~NoPrinterNamed() { setenv("QUORLA_PRINTER", "embedded", 1); }
};

QPoint ScreenCentre() {
  return QGuiApplication::primaryScreen()->availableGeometry().center();
}

// --- Printer selection --------------------------------------------------------------------------

TEST_F(Program, SelectionStartsWithBothFirstRowsAndLinksTheLists) {
  FormBoot->ModelNameCombo->addItem("Second model");
  FormBoot->MarketCombo->addItem("Second market");
  FormBoot->MarketCombo->setCurrentIndex(1);
  FormBoot->show();
  EXPECT_EQ(FormBoot->windowTitle(), " KORVA Printer Adjustment Program");
  EXPECT_EQ(FormBoot->size(), QSize(576, 287));
  EXPECT_EQ(FormBoot->ModelNameCombo->currentIndex(), 0);
  EXPECT_EQ(FormBoot->MarketCombo->currentIndex(), 0);
  EXPECT_TRUE(FormBoot->PortSelectOKBtn->isEnabled());
  EXPECT_TRUE(FormBoot->ProEndBtn->isEnabled());
  // The program's icon, from the resources the start-up registers, in every size it ships.
  EXPECT_EQ(QApplication::windowIcon().availableSizes().size(), 5);

  FormBoot->ModelNameCombo->setCurrentIndex(1);
  EXPECT_EQ(FormBoot->MarketCombo->currentIndex(), 1);
  FormBoot->MarketCombo->setCurrentIndex(0);
  EXPECT_EQ(FormBoot->ModelNameCombo->currentIndex(), 0);
}

TEST_F(Program, OkConnectsAndOpensTheWorkbenchWithTheModelCode) {
  ASSERT_TRUE(OpenWorkbench());
  EXPECT_EQ(platform::ScreenCursor(), CursorShape::Default);
  EXPECT_TRUE(dialogs.shown().empty());
  EXPECT_EQ(printer.Trace("negotiate").size(), 1u);
  EXPECT_EQ(FormBoot->ModelState(), 0);
  EXPECT_EQ(FormAdjust->ModelCode1(), QUORLA_Z40_MODEL_CODE_1);
  EXPECT_EQ(FormAdjust->ModelCode2(), QUORLA_Z40_MODEL_CODE_2);
  EXPECT_EQ(FormAdjust->SelectPrinterNameLbl->text(), "Quorla Z40");
  EXPECT_EQ(testing_support::VisibleItemPanels(FormAdjust), QStringList{"CanvasPanel"});
}

TEST_F(Program, AFailedPortSearchShowsCommunicationErrorUnderTheHourglassThenClosesThePort) {
  std::optional<NoPrinterNamed> missing(std::in_place);
  // The failed search has closed the port already; a port opened while the box is up is shut
  // only by a close that comes after the box.
  dialogs.WhileShown([&missing](const platform::DialogRequest&) {
    missing.reset();
    uint16_t port = 0;
    EXPECT_EQ(SearchActivePortByPHub(&port), 1);
  });
  FormBoot->show();
  Click(FormBoot, "PortSelectOKBtn");
  ASSERT_EQ(dialogs.shown().size(), 1u);
  EXPECT_EQ(dialogs.shown()[0].request.text, "Communication error");
  EXPECT_EQ(dialogs.shown()[0].request.type, platform::DlgType::Error);
  EXPECT_EQ(dialogs.shown()[0].request.buttons, platform::DlgButtons::Ok);
  EXPECT_EQ(dialogs.shown()[0].cursor, CursorShape::HourGlass);
  EXPECT_EQ(platform::ScreenCursor(), CursorShape::Default);
  EXPECT_TRUE(FormBoot->isVisible());
  EXPECT_FALSE(FormAdjust->isVisible());
  EXPECT_LT(quorla::link::PortFd(), 0);
  EXPECT_TRUE(printer.Trace("negotiate").empty());
}

TEST_F(Program, AFailedNegotiationLeavesThePortOpenAndOkSearchesAgain) {
  printer.FailNth(testing_support::Op::kNegotiate, 1, -104);
  FormBoot->show();
  Click(FormBoot, "PortSelectOKBtn");
  ASSERT_EQ(dialogs.Texts(), std::vector<QString>{"Communication error"});
  EXPECT_EQ(dialogs.shown()[0].cursor, CursorShape::HourGlass);
  EXPECT_EQ(platform::ScreenCursor(), CursorShape::Default);
  EXPECT_TRUE(FormBoot->isVisible());
  EXPECT_GE(quorla::link::PortFd(), 0);  // not closed after a failed negotiation

  const uint64_t searches = quorla::link::PortGeneration();
  Click(FormBoot, "PortSelectOKBtn");
  EXPECT_EQ(quorla::link::PortGeneration(), searches + 1);
  EXPECT_TRUE(FormAdjust->isVisible());
  EXPECT_EQ(printer.Trace("negotiate").size(), 2u);
}

TEST_F(Program, OkWithoutASelectedRowDoesNothing) {
  FormBoot->show();
  FormBoot->ModelNameCombo->setCurrentIndex(-1);
  const uint64_t searches = quorla::link::PortGeneration();
  Click(FormBoot, "PortSelectOKBtn");
  EXPECT_TRUE(dialogs.shown().empty());
  EXPECT_EQ(quorla::link::PortGeneration(), searches);
  EXPECT_EQ(platform::ScreenCursor(), CursorShape::Default);
  EXPECT_TRUE(FormBoot->isVisible());
}

TEST_F(Program, QuitUnloadsThePortLibraryButTheCloseBoxDoesNot) {
  QSignalSpy ends(FormBoot, &TFormBoot::ProgramEnds);
  uint16_t port = 0;
  FormBoot->show();
  FormBoot->close();  // the title-bar close box
  EXPECT_EQ(ends.count(), 1);
  EXPECT_EQ(SearchActivePortByPHub(&port), 1);  // still loaded
  PortCloseByPHub();

  FormBoot->show();
  Click(FormBoot, "ProEndBtn");
  EXPECT_EQ(ends.count(), 2);
  EXPECT_FALSE(FormBoot->isVisible());
  EXPECT_EQ(SearchActivePortByPHub(&port), -105);  // unloaded: no search until loaded again
  LoadLibraryByPHub();
}

TEST_F(Program, EnterConnectsAndEscQuits) {
  FormBoot->show();
  QTest::keyClick(FormBoot, Qt::Key_Return);
  EXPECT_TRUE(FormAdjust->isVisible());

  FormAdjust->hide();
  QSignalSpy ends(FormBoot, &TFormBoot::ProgramEnds);
  FormBoot->show();
  QTest::keyClick(FormBoot, Qt::Key_Escape);
  EXPECT_EQ(ends.count(), 1);
  EXPECT_FALSE(FormBoot->isVisible());
}

TEST_F(Program, OnlyARightClickOpensTheVersionMenuNextToThePointer) {
  FormBoot->show();
  const QPoint click(100, 80);
  for (Qt::MouseButton button : {Qt::LeftButton, Qt::MiddleButton}) {
    QTest::mouseClick(FormBoot, button, {}, click);
    EXPECT_FALSE(FormBoot->PopupMenu1->isVisible());
  }
  QTest::mouseClick(FormBoot, Qt::RightButton, {}, click);
  ASSERT_TRUE(FormBoot->PopupMenu1->isVisible());
  EXPECT_EQ(FormBoot->PopupMenu1->pos(), FormBoot->frameGeometry().topLeft() + QPoint(103, 100));
  EXPECT_EQ(FormBoot->PopupMenu1->actions().size(), 1);
  EXPECT_EQ(FormBoot->Version1->text(), "Version");
  FormBoot->PopupMenu1->close();
}

TEST_F(Program, TheVersionBoxOpensCentredEveryTime) {
  FormBoot->show();
  std::vector<QPoint> centres;
  for (int showing = 0; showing < 2; ++showing) {
    QTimer::singleShot(0, [&] {
      EXPECT_TRUE(AboutBox->isVisible());
      EXPECT_TRUE(AboutBox->isModal());
      centres.push_back(AboutBox->frameGeometry().center());
      AboutBox->move(10, 10);  // the technician drags it away
      Click(AboutBox, "OKButton");
    });
    FormBoot->Version1->trigger();
    EXPECT_FALSE(AboutBox->isVisible());
    EXPECT_EQ(AboutBox->result(), QDialog::Accepted);
  }
  ASSERT_EQ(centres.size(), 2u);
  for (const QPoint& c : centres) EXPECT_LE((c - ScreenCentre()).manhattanLength(), 4);
  EXPECT_EQ(AboutBox->windowTitle(), "Version");
  EXPECT_EQ(Find<QLabel>(AboutBox, "Version")->text(), "Version 2.0");
  EXPECT_EQ(AboutBox->ProgramIcon->pixmap().size(), QSize(64, 64));
}

// --- Close, "Next" and "Quit" -------------------------------------------------------------------

TEST_F(Program, ClosingTheWorkbenchInitialisesThePrinterThenEndsTheConnection) {
  ASSERT_TRUE(OpenWorkbench());
  FormAdjust->ShowTopMarginPnl->setText("0");
  FormAdjust->ShowFirstDotPnl->setText("-8");
  for (QLabel* field :
       {FormAdjust->ShowHdVolIDPnl, FormAdjust->ShowMsBkPnl, FormAdjust->Show4plClPnl,
        FormAdjust->ShowUSBIDLbl, FormAdjust->ShowProCounterPnl}) {
    field->setText("x");
  }
  // The tab change resets the panels and the selections by itself; what the close must undo
  // comes after it: an item open with typed input and a log line, a selection in each group the
  // close clears, and what a liquid exchange disables ("Quit" included: the close box is left).
  FormAdjust->AdjustmentTab->setCurrentIndex(1);
  testing_support::ClickItem(FormAdjust->MentRdoGrp, 0);
  FormAdjust->AdjustRdoGrp->SetItemIndex(1);
  FormAdjust->PatternPrnItemsRdoGrp->SetItemIndex(0);
  FormAdjust->findChild<LimitedEdit*>(QStringLiteral("HdVolWrtEdit"))->setText("A1AAAAATTTC");
  FormAdjust->WriteStatus(LineInfo, "Head cleaning is completed.");
  FormAdjust->AdjustRtnBtn->setEnabled(false);
  FormAdjust->MentRdoGrp->setEnabled(false);
  FormAdjust->GetStatusBtn->setEnabled(false);
  auto cursorAtInit = std::make_shared<std::vector<CursorShape>>();
  printer.device().SetRequestObserver([cursorAtInit](vprinter::Op op) {
    if (op == vprinter::Op::kPowerOnInitialize) cursorAtInit->push_back(platform::ScreenCursor());
  });
  printer.ClearTrace();

  FormAdjust->close();
  // The printer notes the closed port ("disconnect") when it notices it, a moment later.
  std::vector<std::string> ops = printer.TraceOps();
  std::erase(ops, "disconnect");
  EXPECT_EQ(ops, (std::vector<std::string>{"power_on_initialize", "terminate"}));
  EXPECT_EQ(*cursorAtInit, std::vector<CursorShape>{CursorShape::HourGlass});
  EXPECT_LT(quorla::link::PortFd(), 0);
  EXPECT_FALSE(FormAdjust->isVisible());
  EXPECT_TRUE(FormQuit->isVisible());
  EXPECT_FALSE(FormBoot->isVisible());
  EXPECT_EQ(platform::ScreenCursor(), CursorShape::Default);
  EXPECT_EQ(testing_support::VisibleItemPanels(FormAdjust), QStringList{"CanvasPanel"});
  EXPECT_EQ(testing_support::LogText(FormAdjust), "");
  EXPECT_EQ(FormAdjust->findChild<LimitedEdit*>(QStringLiteral("HdVolWrtEdit"))->text(), "");
  EXPECT_EQ(FormAdjust->ShowHdVolIDPnl->text(), "");
  EXPECT_EQ(FormAdjust->ShowMsBkPnl->text(), "");
  EXPECT_EQ(FormAdjust->Show4plClPnl->text(), "");
  EXPECT_EQ(FormAdjust->ShowUSBIDLbl->text(), "");
  EXPECT_EQ(FormAdjust->ShowProCounterPnl->text(), "");
  EXPECT_EQ(FormAdjust->ShowTopMarginPnl->text(), "0");
  EXPECT_EQ(FormAdjust->ShowFirstDotPnl->text(), "-8");
  EXPECT_EQ(FormAdjust->AdjustRdoGrp->ItemIndex(), -1);
  EXPECT_EQ(FormAdjust->MentRdoGrp->ItemIndex(), -1);
  EXPECT_EQ(FormAdjust->PatternPrnItemsRdoGrp->ItemIndex(), -1);
  EXPECT_EQ(FormAdjust->AdjustmentTab->currentIndex(), 0);
  EXPECT_TRUE(FormAdjust->AdjustRtnBtn->isEnabled());
  EXPECT_TRUE(FormAdjust->MentRdoGrp->isEnabled());
  EXPECT_TRUE(FormAdjust->GetStatusBtn->isEnabled());
}

TEST_F(Program, PrintDataLeftQueuedByAFailedSendNeverReachesTheNextPrinter) {
  ASSERT_TRUE(OpenWorkbench());
  RasterJob& job = ProgramUnits->rasterJob;
  printer.FailNth(vprinter::Op::kData, 1, -103);
  const std::vector<uint8_t> block(1000, 0x00);
  EXPECT_EQ(job.AppendData(block.data(), static_cast<int>(block.size())), -103);
  EXPECT_EQ(job.Fill(), 1000);

  Click(FormAdjust, "AdjustRtnBtn");
  EXPECT_EQ(job.Fill(), 0);
  Click(FormQuit, "NextBtn");
  ASSERT_TRUE(OpenWorkbench());
  printer.ClearTrace();
  EXPECT_EQ(job.FlushData(), 1);
  EXPECT_TRUE(printer.Trace("data").empty());
}

TEST_F(Program, AfterALiquidExchangeTheCloseSkipsTheInitialisationOnce) {
  for (int visit = 0; visit < 2; ++visit) {
    ASSERT_TRUE(OpenWorkbench());
    if (visit == 0) FormAdjust->SetSkipPowerOnInit(1);
    printer.ClearTrace();
    FormAdjust->close();  // the title-bar close box runs the same sequence
    EXPECT_EQ(printer.Trace("power_on_initialize").size(), visit == 0 ? 0u : 1u) << visit;
    EXPECT_EQ(printer.Trace("terminate").size(), 1u);
    EXPECT_EQ(FormAdjust->SkipPowerOnInitFlag(), 0);
    EXPECT_TRUE(FormQuit->isVisible());
    Click(FormQuit, "NextBtn");
  }
}

TEST_F(Program, ABusyWorkbenchCannotBeClosed) {
  ASSERT_TRUE(OpenWorkbench());
  FormAdjust->WriteStatus(LineBusy, "Cleaning the head now.");
  FormAdjust->close();
  EXPECT_TRUE(FormAdjust->isVisible());
  EXPECT_FALSE(FormQuit->isVisible());
  FormAdjust->WriteStatus(LineError, "Receive error");
}

TEST_F(Program, NextReturnsToTheSelectionForTheNextPrinter) {
  ASSERT_TRUE(OpenWorkbench());
  Click(FormAdjust, "AdjustRtnBtn");
  FormBoot->MarketCombo->addItem("Another");
  FormBoot->ModelNameCombo->addItem("Another");
  FormBoot->ModelNameCombo->setCurrentIndex(1);

  Click(FormQuit, "NextBtn");
  EXPECT_FALSE(FormQuit->isVisible());
  EXPECT_TRUE(FormBoot->isVisible());
  EXPECT_EQ(FormBoot->ModelNameCombo->currentIndex(), 0);
  EXPECT_EQ(FormBoot->MarketCombo->currentIndex(), 0);
  ASSERT_TRUE(OpenWorkbench());  // searches and negotiates again
  EXPECT_EQ(printer.Trace("negotiate").size(), 2u);
}

TEST_F(Program, QuitUnloadsThePortLibraryAndEndsTheProgram) {
  ASSERT_TRUE(OpenWorkbench());
  Click(FormAdjust, "AdjustRtnBtn");
  QSignalSpy ends(FormBoot, &TFormBoot::ProgramEnds);
  Click(FormQuit, "QuitBtn");
  EXPECT_EQ(ends.count(), 1);
  EXPECT_FALSE(FormQuit->isVisible());
  EXPECT_FALSE(FormBoot->isVisible());
  uint16_t port = 0;
  EXPECT_EQ(SearchActivePortByPHub(&port), -105);  // unloaded: no search until loaded again
  LoadLibraryByPHub();
}

TEST_F(Program, TheQuitConfirmationCannotBeClosedFromItsTitleBar) {
  ASSERT_TRUE(OpenWorkbench());
  Click(FormAdjust, "AdjustRtnBtn");
  EXPECT_FALSE(FormQuit->windowFlags() & Qt::WindowSystemMenuHint);
  FormQuit->close();
  EXPECT_TRUE(FormQuit->isVisible());
  EXPECT_EQ(FormQuit->windowTitle(), "Termination of this program");
  EXPECT_EQ(FormQuit->Label1->text(), "Do you continue?");
}

}  // namespace
