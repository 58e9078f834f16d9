// The front panel, offscreen, against an embedded printer that the program's own units drive
// through the libraries: what it shows follows the printer, and each operator control does to the
// printer what its caption says.
#include "vprinter/panel/frontpanel.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTest>

#include "link/mechcmd.h"
#include "link/modelcode.h"
#include "link/pktlink.h"
#include "print/checkpatterns.h"
#include "print/raster.h"
#include "tests/support/fakes.h"
#include "tests/support/vprinterfixture.h"
#include "tests/support/windowtest.h"
#include "vprinter/commands.h"
#include "vprinter/panel/panelviews.h"
#include "vprinter/panel/sheetviewer.h"
#include "vprinter/status.h"
#include "workbench/sheetreader_test_util.h"

namespace {

using testing_support::Click;
using testing_support::Find;
namespace head = vprinter::head;
namespace st = vprinter::status;

constexpr uint8_t kModel1 = QUORLA_Z40_MODEL_CODE_1;
constexpr uint8_t kModel2 = QUORLA_Z40_MODEL_CODE_2;

class FrontPanelTest : public testing_support::VirtualPrinterTest {
 protected:
  void SetUp() override {
    VirtualPrinterTest::SetUp();
    access = std::make_shared<vprinter::panel::DeviceAccess>(&device());
    panel = std::make_unique<vprinter::panel::FrontPanel>(access);
    panel->show();
    // The operator's controls are on their tab, as the technician finds them.
    Find<QTabWidget>(panel.get(), QStringLiteral("PanelTabs"))->setCurrentIndex(2);
  }
  void TearDown() override {
    panel.reset();
    VirtualPrinterTest::TearDown();
  }
  vprinter::Device& device() { return printer().device(); }
  std::pair<uint16_t, uint16_t> Status() {
    PrinterStatus status{};
    EXPECT_EQ(InquireStatus(&status), rc::Success);
    return {status.Status, status.Error};
  }
  QString Text(const char* label) {
    panel->Refresh();
    return Find<QLabel>(panel.get(), QString::fromLatin1(label))->text();
  }
  // Ends the job so that a sheet left in the printer comes out, and is in the tray.
  void EndJob() {
    EXPECT_EQ(PowerOnInitialize(kModel1, kModel2), rc::Success);
    Status();
    device().FinishSheets();
  }
  // The black nozzle check on one sheet; returns the sheet's file.
  QString PrintBlackNozzleCheck() {
    EXPECT_EQ(patterns.PrintBlackNozzleCheck(job), rc::Success);
    EndJob();
    panel->Refresh();
    return panel->Shown().sheets.empty() ? QString()
                                         : QString::fromStdString(panel->Shown().sheets.front());
  }
  void Choose(const char* combo, int index) {
    Find<QComboBox>(panel.get(), QString::fromLatin1(combo))->setCurrentIndex(index);
  }
  void SetSpin(const char* spin, int value) {
    Find<QSpinBox>(panel.get(), QString::fromLatin1(spin))->setValue(value);
  }
  long long LastTrace(const std::string& op, const std::string& field) {
    const auto records = printer().Trace(op);
    EXPECT_FALSE(records.empty()) << op;
    return records.empty() ? -1 : records.back().Num(field);
  }

  testing_support::FakeSleep sleeps;
  RasterJob job;
  CheckPatterns patterns;
  std::shared_ptr<vprinter::panel::DeviceAccess> access;
  std::unique_ptr<vprinter::panel::FrontPanel> panel;
};

// Inked pixels of one sheet row across the print width, as the viewer shows the sheet.
int InkedInRow(const QImage& sheet, int y) {
  int inked = 0;
  for (int x = sheettest::kLeftEdge; x < sheettest::kLeftEdge + 2880; ++x) {
    if (sheet.pixel(x, y) != qRgb(255, 255, 255)) ++inked;
  }
  return inked;
}

TEST_F(FrontPanelTest, TheCarriageFollowsTheProgramThroughTheNotifications) {
  device().SetNotifyInterval(std::chrono::milliseconds(0));
  ASSERT_EQ(DriveCR(kModel1, kModel2, 3, 0, 700 & 0xFF, 700 >> 8), rc::Success);
  Status();  // the move is done before the printer answers
  // No Refresh(): the device's notification reaches the panel through its event loop.
  EXPECT_TRUE(QTest::qWaitFor([&] { return panel->Carriage()->Carriage() == 700; }));
  EXPECT_EQ(panel->Shown().carriagePlace, "I/C replacement position");
  ASSERT_EQ(CRHomeReturn(kModel1, kModel2), rc::Success);
  Status();
  EXPECT_TRUE(QTest::qWaitFor([&] { return panel->Carriage()->Carriage() == 0; }));
  // The trace grew with the requests.
  EXPECT_TRUE(QTest::qWaitFor([&] {
    return panel->ShownTrace().filter(QStringLiteral("\"op\":\"cr_home_return\"")).size() == 1;
  }));
}

TEST_F(FrontPanelTest, WrittenCellsAreHighlightedForAMinuteAndTheTraceFilters) {
  ASSERT_EQ(D4WriteEeprom(kModel1, kModel2, 0x2E, 5), rc::Success);
  uint8_t value = 0;
  ASSERT_EQ(D4ReadEeprom(kModel1, kModel2, 0x33, &value), rc::Success);
  panel->Refresh();
  vprinter::panel::EepromView* cells = panel->Eeprom();
  EXPECT_EQ(cells->Cell(0x2E), 5);
  EXPECT_TRUE(cells->Highlighted(0x2E));
  EXPECT_FALSE(cells->Highlighted(0x33));  // read, not written
  EXPECT_FALSE(cells->Highlighted(0x2F));
  // A minute on, the highlight is gone; the value stays.
  const auto later = std::chrono::steady_clock::now() + std::chrono::seconds(61);
  cells->SetClock([later] { return later; });
  cells->Age();
  EXPECT_FALSE(cells->Highlighted(0x2E));
  EXPECT_EQ(cells->Cell(0x2E), 5);

  // The filter shows one operation, and all again.
  auto* filter = Find<QComboBox>(panel.get(), QStringLiteral("TraceFilter"));
  filter->setCurrentIndex(filter->findData(QStringLiteral("eeprom_write")));
  const QStringList writes = panel->ShownTrace();
  ASSERT_EQ(writes.size(), 1);
  EXPECT_TRUE(writes[0].contains(QStringLiteral("\"addr\":46")));
  filter->setCurrentIndex(0);
  EXPECT_GE(panel->ShownTrace().size(), 2);
}

TEST_F(FrontPanelTest, EachSheetGetsAThumbnailNewestFirstAndOpensInTheViewer) {
  const QString first = PrintBlackNozzleCheck();
  const QString second = PrintBlackNozzleCheck();
  ASSERT_FALSE(first.isEmpty());
  ASSERT_NE(first, second);
  panel->FinishThumbnails();
  auto* list = Find<QListWidget>(panel.get(), QStringLiteral("SheetList"));
  ASSERT_EQ(list->count(), 2);
  EXPECT_EQ(list->item(0)->data(Qt::UserRole).toString(), second);
  EXPECT_EQ(list->item(1)->data(Qt::UserRole).toString(), first);
  EXPECT_FALSE(list->item(0)->icon().isNull());

  vprinter::panel::SheetViewer* viewer = panel->OpenSheet(second);
  ASSERT_NE(viewer, nullptr);
  // 1:1 is one sheet pixel per screen pixel; the whole sheet fits the view.
  viewer->SetZoomPercent(100);
  EXPECT_DOUBLE_EQ(viewer->Canvas()->Zoom(), 1.0);
  EXPECT_EQ(viewer->Canvas()->SheetPixel(QPoint(250, 90)), QPoint(250, 90));
  viewer->SetZoomPercent(0);
  EXPECT_LT(viewer->Canvas()->Zoom(), 0.5);
  EXPECT_LE(viewer->Canvas()->height(), viewer->height());
  EXPECT_EQ(panel->OpenSheet(QStringLiteral("/no/such/sheet.png")), nullptr);
}

// The training page goes first: the sheets still get their thumbnails on their own tab, and what
// an operator command changes at the printer shows on the page as a button's change would.
TEST_F(FrontPanelTest, ATrainingPanelKeepsItsSheetsAndFollowsTheCommandLine) {
  vprinter::panel::TrainingInfo info;
  info.title = "Drill";
  info.complaint = "lines";
  info.instructor = true;
  panel->SetTraining(info);
  ASSERT_FALSE(PrintBlackNozzleCheck().isEmpty());
  panel->FinishThumbnails();
  auto* tabs = Find<QTabWidget>(panel.get(), QStringLiteral("PanelTabs"));
  EXPECT_EQ(tabs->tabText(tabs->currentIndex()), QStringLiteral("Sheets"));
  auto* list = Find<QListWidget>(panel.get(), QStringLiteral("SheetList"));
  ASSERT_EQ(list->count(), 1);
  EXPECT_FALSE(list->item(0)->icon().isNull());

  EXPECT_TRUE(vprinter::RunCommand(device(), "replace-head 83Q+N6BTTTU").ok);
  EXPECT_TRUE(vprinter::RunCommand(device(), "feed-offset 12 -7").ok);
  EXPECT_EQ(Text("HeadLabelView"), QStringLiteral("Head label: 83Q+N6BTTTU"));
  EXPECT_TRUE(Text("HiddenValues").endsWith(QStringLiteral("feed offset top 12, left -7")))
      << Text("HiddenValues").toStdString();
}

TEST_F(FrontPanelTest, EachOperatorControlActsOnThePrinter) {
  // Errors by name, raised and cleared.
  Choose("ErrorCombo", 1);  // Cover open
  Click(panel.get(), QStringLiteral("RaiseErrorBtn"));
  EXPECT_EQ(Status(), (std::pair<uint16_t, uint16_t>{st::kError, st::kCoverOpen}));
  EXPECT_EQ(Text("ErrorLabel"), QStringLiteral("Cover open (0xEF0C)"));
  EXPECT_EQ(Text("StatusLabel"), QStringLiteral("Error (0xEFFF)"));
  Click(panel.get(), QStringLiteral("ClearErrorBtn"));
  EXPECT_EQ(Status().second, 0);
  EXPECT_EQ(Text("ErrorLabel"), QStringLiteral("none"));

  // Chip byte, cartridges.
  Choose("ChipCartCombo", 1);
  SetSpin("ChipAddrSpin", 2);
  SetSpin("ChipValueSpin", 7);
  Click(panel.get(), QStringLiteral("SetChipBtn"));
  EXPECT_EQ(device().PeekChip(1, 2), 7);
  panel->Refresh();
  EXPECT_EQ(panel->Shown().inkLeft[3], 7);
  Click(panel.get(), QStringLiteral("ReplaceCartridgesBtn"));
  EXPECT_EQ(device().PeekChip(1, 2), 100);

  // Paper.
  SetSpin("PaperSpin", 7);
  Click(panel.get(), QStringLiteral("LoadPaperBtn"));
  EXPECT_EQ(device().PaperInTray(), 7);
  EXPECT_EQ(LastTrace("load_paper", "sheets"), 7);

  // Nozzles and the head angle.
  Choose("NozzleRowCombo", head::kCyan);
  SetSpin("NozzleSpin", 47);
  Click(panel.get(), QStringLiteral("ClogBtn"));
  EXPECT_TRUE(device().Head().Clogged(head::kCyan, 47));
  EXPECT_EQ(LastTrace("clog", "nozzle"), 47);
  Click(panel.get(), QStringLiteral("UnclogBtn"));
  EXPECT_EQ(device().Head().CloggedCount(), 0);
  EXPECT_EQ(printer().Trace("clear_nozzle").size(), 1u);
  SetSpin("RandomCountSpin", 5);
  Click(panel.get(), QStringLiteral("ClogRandomBtn"));
  EXPECT_EQ(device().Head().CloggedCount(), 5);
  EXPECT_EQ(Text("HeadLabel"), QStringLiteral("5 nozzle(s) clogged, angle 0 tenths"));
  Click(panel.get(), QStringLiteral("UnclogAllBtn"));
  EXPECT_EQ(device().Head().CloggedCount(), 0);
  SetSpin("AngleSpin", -12);
  Click(panel.get(), QStringLiteral("SetAngleBtn"));
  EXPECT_EQ(device().Head().angle, -12);
  EXPECT_EQ(LastTrace("head_angle", "angle"), -12);

  // Faults: the armed call answers the result, the next one is served again.
  Choose("FaultKindCombo", 0);
  auto* op = Find<QComboBox>(panel.get(), QStringLiteral("FaultOpCombo"));
  op->setCurrentIndex(op->findText(QStringLiteral("eeprom_read")));
  SetSpin("FaultNthSpin", 2);
  SetSpin("FaultValueSpin", -103);
  Click(panel.get(), QStringLiteral("ArmFaultBtn"));
  uint8_t value = 0;
  EXPECT_EQ(D4ReadEeprom(kModel1, kModel2, 0, &value), rc::Success);
  EXPECT_EQ(D4ReadEeprom(kModel1, kModel2, 0, &value), -103);
  EXPECT_EQ(D4ReadEeprom(kModel1, kModel2, 0, &value), rc::Success);
  Click(panel.get(), QStringLiteral("StopAnsweringBtn"));
  EXPECT_EQ(Text("LinkLabel"), QStringLiteral("not answering"));
  Click(panel.get(), QStringLiteral("ResumeAnsweringBtn"));
  EXPECT_EQ(Text("LinkLabel"), QStringLiteral("answering"));
  Click(panel.get(), QStringLiteral("DropLinkBtn"));
  PrinterStatus status{};
  EXPECT_NE(InquireStatus(&status), rc::Success);  // the link is gone

  // Time scale, and a command without a button of its own.
  Find<QDoubleSpinBox>(panel.get(), QStringLiteral("TimeScaleSpin"))->setValue(0.25);
  Click(panel.get(), QStringLiteral("SetTimeScaleBtn"));
  EXPECT_DOUBLE_EQ(device().TimeScale(), 0.25);
  EXPECT_EQ(Text("TimeScaleLabel"), QStringLiteral("0.25"));
  device().SetTimeScale(0);
  auto* command = Find<QLineEdit>(panel.get(), QStringLiteral("CommandEdit"));
  command->setText(QStringLiteral("eeprom 0x10 0x42"));
  QTest::keyClick(command, Qt::Key_Return);
  EXPECT_EQ(device().PeekEeprom(0x10), 0x42);
  EXPECT_TRUE(Find<QLabel>(panel.get(), QStringLiteral("OperatorLog"))
                  ->text()
                  .startsWith(QStringLiteral("> eeprom 0x10 0x42")));

  // Power and the board: a board is swapped only while the printer is off.
  Click(panel.get(), QStringLiteral("ReplaceBoardBtn"));
  EXPECT_TRUE(Find<QLabel>(panel.get(), QStringLiteral("OperatorLog"))
                  ->text()
                  .endsWith(QStringLiteral("refused")));
  EXPECT_EQ(device().PeekEeprom(0x0B), 0xD2);
  Click(panel.get(), QStringLiteral("PowerOffBtn"));
  EXPECT_FALSE(device().PoweredOn());
  EXPECT_EQ(Text("PowerLabel"), QStringLiteral("off"));
  Click(panel.get(), QStringLiteral("ReplaceBoardBtn"));
  EXPECT_EQ(device().PeekEeprom(0x0B), 0);
  EXPECT_EQ(printer().Trace("replace_board").size(), 1u);
  Click(panel.get(), QStringLiteral("PowerOnBtn"));
  EXPECT_TRUE(device().PoweredOn());
  EXPECT_EQ(printer().Trace("power_on").size(), 1u);
}

TEST_F(FrontPanelTest, PaperOutStopsThePrintAndLoadingPaperAndClearingResumesIt) {
  SetSpin("PaperSpin", 0);
  Click(panel.get(), QStringLiteral("LoadPaperBtn"));
  ASSERT_EQ(patterns.PrintBlackNozzleCheck(job), rc::Success);
  EXPECT_EQ(Status(), (std::pair<uint16_t, uint16_t>{st::kError, st::kPaperOut}));
  EXPECT_EQ(Text("ErrorLabel"), QStringLiteral("Paper out (0xEF09)"));
  EXPECT_GT(panel->Shown().pendingPrintBytes, 0u);
  EXPECT_TRUE(panel->Shown().sheets.empty());

  SetSpin("PaperSpin", 3);
  Click(panel.get(), QStringLiteral("LoadPaperBtn"));
  EXPECT_EQ(Status().second, st::kPaperOut);  // paper alone does not restart it
  Click(panel.get(), QStringLiteral("ClearErrorBtn"));
  EXPECT_EQ(Status().second, 0);
  EndJob();
  panel->Refresh();
  EXPECT_EQ(panel->Shown().sheets.size(), 1u);
  EXPECT_EQ(panel->Shown().paperInTray, 2);
  EXPECT_EQ(panel->Shown().pendingPrintBytes, 0u);
}

TEST_F(FrontPanelTest, AClogIsAMissingLineOnTheNozzleCheckUntilACleaning) {
  Choose("NozzleRowCombo", head::kBlack);
  SetSpin("NozzleSpin", 5);
  Click(panel.get(), QStringLiteral("ClogBtn"));
  const int line5 = sheettest::kPageTop + 5;

  vprinter::panel::SheetViewer* viewer = panel->OpenSheet(PrintBlackNozzleCheck());
  ASSERT_NE(viewer, nullptr);
  const QImage clogged = viewer->Canvas()->Image();
  EXPECT_EQ(InkedInRow(clogged, line5), 0);
  EXPECT_EQ(InkedInRow(clogged, line5 + 144), 0);  // the second band: the same nozzle
  EXPECT_EQ(InkedInRow(clogged, line5 - 1), 960);
  EXPECT_EQ(InkedInRow(clogged, line5 + 1), 960);

  ASSERT_EQ(HeadCleaning(kModel1, kModel2, 2), rc::Success);
  Status();
  EXPECT_EQ(Text("HeadLabel"), QStringLiteral("0 nozzle(s) clogged, angle 0 tenths"));
  viewer = panel->OpenSheet(PrintBlackNozzleCheck());
  ASSERT_NE(viewer, nullptr);
  EXPECT_EQ(InkedInRow(viewer->Canvas()->Image(), line5), 960);
}

TEST_F(FrontPanelTest, APanelLetGoOfItsDeviceGoesQuietAndItsControlsSaySo) {
  access->Detach();
  Click(panel.get(), QStringLiteral("PowerOffBtn"));
  EXPECT_TRUE(device().PoweredOn());
  EXPECT_EQ(Find<QLabel>(panel.get(), QStringLiteral("OperatorLog"))->text(),
            QStringLiteral("power off: the printer is gone"));
  EXPECT_EQ(Text("PowerLabel"), QStringLiteral("no printer"));
}

}  // namespace

namespace {

QWidget* OpenPanelWindow() {
  for (QWidget* window : QApplication::topLevelWidgets()) {
    if (window->objectName() == QStringLiteral("VPrinterPanel") && window->isVisible()) {
      return window;
    }
  }
  return nullptr;
}

// The port library opens the embedded printer's panel when asked, and closes it with the printer.
TEST(EmbeddedPanel, OpensWithTheEmbeddedPrinterWhenAskedAndGoesWithIt) {
  {
    testing_support::VirtualPrinter printer;
    printer.device();
    EXPECT_EQ(OpenPanelWindow(), nullptr);
  }
  setenv("QUORLA_VPRINTER_PANEL", "1", 1);
  struct Unset {
    ~Unset() { unsetenv("QUORLA_VPRINTER_PANEL"); }
  } unset;
  {
    // The program's window: the panel goes to its right.
    QWidget program;
    program.setGeometry(40, 60, 500, 400);
    program.show();
    testing_support::VirtualPrinter printer;
    ASSERT_EQ(printer.Connect(), 1);
    QWidget* window = OpenPanelWindow();
    ASSERT_NE(window, nullptr);
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
    EXPECT_GT(window->frameGeometry().left(), program.frameGeometry().right());
    EXPECT_EQ(window->frameGeometry().top(), program.frameGeometry().top());
    // It does not keep the program running once the program's own windows are closed.
    EXPECT_FALSE(window->testAttribute(Qt::WA_QuitOnClose));
    printer.device().RaiseError(st::kCoverOpen);
    auto* panel = static_cast<vprinter::panel::FrontPanel*>(window);
    panel->Refresh();
    EXPECT_EQ(panel->Shown().error, st::kCoverOpen);
    printer.Disconnect();
  }
  EXPECT_EQ(OpenPanelWindow(), nullptr);
}

}  // namespace
