// Grabs the program's windows into PNG files for the documentation: the printer selection, the
// workbench in stable and in error mode with three of its EEPROM items, the Bi-D print panel, the
// A4 check page panel after a print, a chip text in the log, a step of the liquid exchange, the
// EEPROM backup after a board swap, the quit confirmation and the version box; the two sheets of
// that A4 check page side by side, scaled down, and the top of the chip information page; the
// printer's front panel during that page, with its sheets and its operator controls, a Bi-D row in
// its sheet viewer and a nozzle check from a head with clogged nozzles. Runs
// the real windows against the embedded virtual printer (time scale 0, state in a temporary
// directory, the print's pauses skipped).
//
//   quorla-screenshots OUTPUT_DIR [POINT_SIZE]
//
// With a point size, the windows are grabbed with the application font at that size instead (to
// see that nothing is cut or crowded at a technician's larger font), into OUTPUT_DIR as well.
#include <QApplication>
#include <QDir>
#include <QFont>
#include <QImage>
#include <QLineEdit>
#include <QLocale>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTabWidget>
#include <QTextStream>
#include <QToolButton>
#include <cstdlib>

#include "app/aboutbox.h"
#include "app/formboot.h"
#include "app/formquit.h"
#include "app/startup.h"
#include "app/toolprinter.h"
#include "controls/limitededit.h"
#include "controls/pagecontrol.h"
#include "controls/radiogroup.h"
#include "controls/titledpanel.h"
#include "link/mechcmd.h"
#include "link/modelcode.h"
#include "platform/clock.h"
#include "platform/dialogs.h"
#include "platform/sleep.h"
#include "print/checkpatterns.h"
#include "print/raster.h"
#include "vprinter/panel/frontpanel.h"
#include "vprinter/panel/sheetviewer.h"
#include "vprinter/scenario/judge.h"
#include "workbench/formadjust.h"

namespace {
bool Save(QWidget* window, const QDir& dir, const QString& name) {
  QApplication::processEvents();
  const QString path = dir.filePath(name + QStringLiteral(".png"));
  if (!window->grab().save(path)) {
    QTextStream(stderr) << "cannot write " << path << "\n";
    return false;
  }
  QTextStream(stdout) << path << "\n";
  return true;
}

// The sheets in the tray, in the order they came out, scaled down side by side on a grey desk.
bool SaveSheets(const QDir& tray, const QDir& dir, const QString& name) {
  constexpr int kScaledWidth = 496;  // a sixth of the sheet's 2976 pixels
  constexpr int kMargin = 16;
  QList<QImage> sheets;
  for (const QString& file :
       tray.entryList({QStringLiteral("sheet-*.png")}, QDir::Files, QDir::Name)) {
    QImage sheet(tray.filePath(file));
    if (sheet.isNull()) continue;
    sheets << sheet.convertToFormat(QImage::Format_RGB32)
                  .scaledToWidth(kScaledWidth, Qt::SmoothTransformation);
  }
  if (sheets.isEmpty()) {
    QTextStream(stderr) << "no sheets in " << tray.path() << "\n";
    return false;
  }
  const int height = sheets.first().height();
  QImage desk(kMargin + static_cast<int>(sheets.size()) * (kScaledWidth + kMargin),
              height + 2 * kMargin, QImage::Format_RGB32);
  desk.fill(QColor(0x80, 0x80, 0x80));
  QPainter painter(&desk);
  int x = kMargin;
  for (const QImage& sheet : sheets) {
    painter.fillRect(x + 3, kMargin + 3, sheet.width(), sheet.height(), QColor(0x50, 0x50, 0x50));
    painter.drawImage(x, kMargin, sheet);
    x += kScaledWidth + kMargin;
  }
  painter.end();
  const QString path = dir.filePath(name + QStringLiteral(".png"));
  if (!desk.save(path)) {
    QTextStream(stderr) << "cannot write " << path << "\n";
    return false;
  }
  QTextStream(stdout) << path << "\n";
  return true;
}

// The top part of one sheet from the tray (by its place in the order they came out), at a third
// of its size: enough to read the printer's text.
bool SaveSheetTop(const QDir& tray, int index, int height, const QDir& dir, const QString& name) {
  const QStringList files =
      tray.entryList({QStringLiteral("sheet-*.png")}, QDir::Files, QDir::Name);
  const QImage sheet = index < files.size() ? QImage(tray.filePath(files[index])) : QImage();
  if (sheet.isNull()) {
    QTextStream(stderr) << "no sheet " << index << " in " << tray.path() << "\n";
    return false;
  }
  const QImage top = sheet.copy(0, 0, sheet.width(), height)
                         .convertToFormat(QImage::Format_RGB32)
                         .scaledToWidth(sheet.width() / 3, Qt::SmoothTransformation);
  const QString path = dir.filePath(name + QStringLiteral(".png"));
  if (!top.save(path)) {
    QTextStream(stderr) << "cannot write " << path << "\n";
    return false;
  }
  QTextStream(stdout) << path << "\n";
  return true;
}
}  // namespace

int main(int argc, char** argv) {
  setenv("QUORLA_PRINTER", "embedded", 1);
  QApplication app(argc, argv);
  if (argc != 2 && argc != 3) {
    QTextStream(stderr) << "usage: quorla-screenshots OUTPUT_DIR [POINT_SIZE]\n";
    return 2;
  }
  if (argc == 3) {
    QFont font = QApplication::font();
    font.setPointSizeF(QString::fromLocal8Bit(argv[2]).toDouble());
    QApplication::setFont(font);
  }
  const QDir out(QString::fromLocal8Bit(argv[1]));
  QDir().mkpath(out.path());

  ToolPrinter toolPrinter;
  vprinter::Device& printer = toolPrinter.device();
  platform::SetDialogHook([](const platform::DialogRequest&) { return platform::DlgResult::Ok; });
  platform::SetSleepHook([](int) {});

  CreateProgramWindows();
  bool ok = true;
  FormBoot->show();
  ok &= Save(FormBoot, out, QStringLiteral("printer-selection"));

  FormBoot->PortSelectOKBtnClick();
  FormAdjust->AdjustmentTab->setCurrentIndex(1);
  FormAdjust->MentRdoGrp->Button(0)->click();
  FormAdjust->findChild<QPushButton*>(QStringLiteral("CleaningOKBtn"))->click();
  FormAdjust->DisableTimerTimer();
  ok &= Save(FormAdjust, out, QStringLiteral("workbench-stable"));

  // The same cleaning caught twelve seconds into its wait for the printer.
  int pauses = 0;
  platform::SetSleepHook([&](int) {
    if (++pauses == 13) ok &= Save(FormAdjust, out, QStringLiteral("workbench-cleaning-wait"));
  });
  printer.BusyForPolls(13);
  FormAdjust->findChild<QPushButton*>(QStringLiteral("CleaningOKBtn"))->click();
  FormAdjust->DisableTimerTimer();
  platform::SetSleepHook([](int) {});

  // EEPROM items: the head ID input with its picture, the first dot position, the full table.
  FormAdjust->AdjustmentTab->setCurrentIndex(0);
  FormAdjust->AdjustRdoGrp->Button(1)->click();
  FormAdjust->findChild<QPushButton*>(QStringLiteral("HdVolOKBtn"))->click();
  FormAdjust->findChild<QLineEdit*>(QStringLiteral("HdVolWrtEdit"))
      ->setText(QStringLiteral("F2KM7RWTTTM"));
  ok &= Save(FormAdjust, out, QStringLiteral("workbench-head-id"));
  FormAdjust->AdjustRdoGrp->Button(3)->click();
  FormAdjust->findChild<QPushButton*>(QStringLiteral("UsbIdOKBtn"))->click();
  FormAdjust->findChild<QLineEdit*>(QStringLiteral("UsbIdInputEdit"))
      ->setText(QStringLiteral("AB12345678"));
  ok &= Save(FormAdjust, out, QStringLiteral("workbench-usb-id"));
  FormAdjust->AdjustRdoGrp->Button(5)->click();
  FormAdjust->findChild<QToolButton*>(QStringLiteral("SteptoRightBitBtn"))->click();
  ok &= Save(FormAdjust, out, QStringLiteral("workbench-first-dot"));
  FormAdjust->AdjustmentTab->setCurrentIndex(3);
  FormAdjust->AppendixRdoGrp->Button(0)->click();
  FormAdjust->findChild<QPushButton*>(QStringLiteral("EepromItemsOKBtn"))->click();
  FormAdjust->findChild<QLineEdit*>(QStringLiteral("EepReadBegEdit"))
      ->setText(QStringLiteral("00"));
  FormAdjust->findChild<QLineEdit*>(QStringLiteral("EepReadEndEdit"))
      ->setText(QStringLiteral("FF"));
  FormAdjust->findChild<QPushButton*>(QStringLiteral("EepromReadOkBtn"))->click();
  ok &= Save(FormAdjust, out, QStringLiteral("workbench-eeprom-grid"));

  printer.RaiseError(vprinter::status::kPaperOut);
  FormAdjust->GetStatusBtn->click();
  FormAdjust->AdjustRdoGrp->Button(1)->click();
  FormAdjust->GetStatusBtn->click();
  ok &= Save(FormAdjust, out, QStringLiteral("workbench-error"));
  printer.ClearError();
  FormAdjust->GetStatusBtn->click();

  // The Bi-D items panel's first item leads here.
  FormAdjust->AdjustRdoGrp->Button(2)->click();
  FormAdjust->ResetPanels();
  FormAdjust->findChild<TitledPanel*>(QStringLiteral("BidPrintPnl"))->show();
  FormAdjust->findChild<QSlider*>(QStringLiteral("BidPrintTrackBar"))->setValue(2);
  ok &= Save(FormAdjust, out, QStringLiteral("workbench-bid-print"));

  // A printer whose stored Bi-D values (the factory's) are right, so the picture is the same
  // every time and the middle test row of each Bi-D row lines up.
  const int8_t rightBid[3][2] = {{3, 4}, {-2, -1}, {1, 2}};
  printer.SetBidOffsets(rightBid);
  // The printer's front panel watches the print: caught at the print's third pause.
  auto panelAccess = std::make_shared<vprinter::panel::DeviceAccess>(&printer);
  auto panel = std::make_unique<vprinter::panel::FrontPanel>(panelAccess);
  panel->show();
  pauses = 0;
  platform::SetSleepHook([&](int) {
    if (++pauses != 3) return;
    panel->Refresh();
    ok &= Save(panel.get(), out, QStringLiteral("vprinter-panel-print"));
  });
  FormAdjust->AdjustmentTab->setCurrentIndex(2);
  FormAdjust->PatternPrnItemsRdoGrp->Button(0)->click();
  FormAdjust->findChild<QPushButton*>(QStringLiteral("A4CheckPrnOKBtn"))->click();
  FormAdjust->DisableTimerTimer();
  platform::SetSleepHook([](int) {});
  ok &= Save(FormAdjust, out, QStringLiteral("workbench-a4-check"));
  printer.FinishSheets();  // the printer writes its sheets on a thread of its own
  ok &= SaveSheets(toolPrinter.Tray(), out, QStringLiteral("a4-check-page"));
  panel->Refresh();
  panel->FinishThumbnails();
  ok &= Save(panel.get(), out, QStringLiteral("vprinter-panel-sheets"));
  panel->findChild<QTabWidget*>(QStringLiteral("PanelTabs"))->setCurrentIndex(2);
  ok &= Save(panel.get(), out, QStringLiteral("vprinter-panel-operator"));
  panel->findChild<QTabWidget*>(QStringLiteral("PanelTabs"))->setCurrentIndex(0);
  // The first sheet in the viewer, zoomed into the MS black Bi-D row, the loupe on its middle
  // test group (the one that lines up).
  const std::string firstSheet = panel->Shown().sheets.size() >= 2 ? panel->Shown().sheets[1] : "";
  if (vprinter::panel::SheetViewer* viewer = panel->OpenSheet(QString::fromStdString(firstSheet))) {
    viewer->resize(1000, 560);
    viewer->SetZoomPercent(100);
    QApplication::processEvents();
    viewer->CenterOn(QPoint(1464, 2330));
    viewer->Canvas()->SetLoupeAt(QPoint(1378, 2395));
    ok &= Save(viewer, out, QStringLiteral("vprinter-sheet-bid-row"));
    viewer->hide();
  } else {
    QTextStream(stderr) << "no A4 check page sheet for the viewer\n";
    ok = false;
  }

  // Chip information: the colour cartridge's usage in the enlarged log, then the page of all
  // four texts (the third sheet in the tray). A fixed day keeps the factory chips unexpired.
  platform::SetClockHook([] { return QDateTime(QDate(2026, 6, 1), QTime(10, 0)); });
  QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
  FormAdjust->AdjustmentTab->setCurrentIndex(3);
  FormAdjust->AppendixRdoGrp->Button(1)->click();
  FormAdjust->findChild<RadioGroup*>(QStringLiteral("CRTAGInfoItemsRdoGrp"))->Button(3)->click();
  FormAdjust->findChild<QPushButton*>(QStringLiteral("CRTAGInfoItemsOKBtn"))->click();
  ok &= Save(FormAdjust, out, QStringLiteral("workbench-crtag-info"));
  FormAdjust->findChild<QPushButton*>(QStringLiteral("CRTAGInfoRtnBtn"))->click();
  FormAdjust->findChild<RadioGroup*>(QStringLiteral("CRTAGInfoItemsRdoGrp"))->Button(4)->click();
  FormAdjust->findChild<QPushButton*>(QStringLiteral("CRTAGInfoItemsOKBtn"))->click();
  FormAdjust->DisableTimerTimer();
  printer.FinishSheets();
  ok &= SaveSheetTop(toolPrinter.Tray(), 2, 2520, out, QStringLiteral("crtag-page"));

  // A head with clogged nozzles on the nozzle check, in the viewer.
  {
    for (const auto& [row, nozzle] : {std::pair{vprinter::head::kBlack, 30},
                                      {vprinter::head::kBlack, 93},
                                      {vprinter::head::kBlack, 94},
                                      {vprinter::head::kCyan, 12},
                                      {vprinter::head::kMagenta, 40}}) {
      printer.ClogNozzle(row, nozzle);
    }
    RasterJob job;
    CheckPatterns patterns;
    patterns.PrintBlackNozzleCheck(job);
    patterns.PrintColorNozzleCheck(job);
    PowerOnInitialize(QUORLA_Z40_MODEL_CODE_1, QUORLA_Z40_MODEL_CODE_2);
    printer.FinishSheets();
    panel->Refresh();
    vprinter::panel::SheetViewer* viewer =
        panel->Shown().sheets.empty()
            ? nullptr
            : panel->OpenSheet(QString::fromStdString(panel->Shown().sheets.front()));
    if (viewer != nullptr) {
      // At 200%, in the first third of the print width, where every third line of the black
      // bands is laid: a clogged nozzle is a gap in a regular comb.
      viewer->resize(1000, 760);
      viewer->SetZoomPercent(200);
      QApplication::processEvents();
      viewer->CenterOn(QPoint(300, 250));
      viewer->Canvas()->SetLoupeAt(QPoint());
      ok &= Save(viewer, out, QStringLiteral("vprinter-nozzle-check-clogged"));
      viewer->hide();
    } else {
      QTextStream(stderr) << "no nozzle check sheet for the viewer\n";
      ok = false;
    }
    printer.ClearNozzles();
  }

  // The liquid exchange after exchange 1 (dummy cartridges in), then the rest of it.
  FormAdjust->AdjustmentTab->setCurrentIndex(1);
  FormAdjust->MentRdoGrp->Button(2)->click();
  FormAdjust->findChild<QPushButton*>(QStringLiteral("MessageOKBtn"))->click();
  FormAdjust->findChild<QPushButton*>(QStringLiteral("CRmoveBtn"))->click();
  printer.InstallDummyCartridges();
  FormAdjust->findChild<QPushButton*>(QStringLiteral("CRreturnBtn"))->click();
  FormAdjust->findChild<QPushButton*>(QStringLiteral("TransOKBtn"))->click();
  FormAdjust->DisableTimerTimer();
  ok &= Save(FormAdjust, out, QStringLiteral("workbench-liquid-exchange"));
  FormAdjust->findChild<QPushButton*>(QStringLiteral("TransCompleteBtn"))->click();
  printer.RemoveCartridges();
  FormAdjust->findChild<QPushButton*>(QStringLiteral("CRreturn2Btn"))->click();
  FormAdjust->DisableTimerTimer();
  printer.ReplaceCartridges();

  // The EEPROM backup, the board swapped while the prompt is up.
  platform::SetDialogHook([&printer](const platform::DialogRequest& request) {
    if (request.text.startsWith(QLatin1String("After replacing MAIN Board"))) {
      printer.PowerOff();
      printer.ReplaceMainBoard();
      printer.PowerOn();
    }
    return platform::DlgResult::Ok;
  });
  FormAdjust->MentRdoGrp->Button(4)->click();
  FormAdjust->findChild<QPushButton*>(QStringLiteral("BackupOKBtn"))->click();
  ok &= Save(FormAdjust, out, QStringLiteral("workbench-eeprom-backup"));

  FormAdjust->AdjustRtnBtn->click();
  ok &= Save(FormQuit, out, QStringLiteral("quit-confirmation"));

  AboutBox->show();
  ok &= Save(AboutBox, out, QStringLiteral("version-box"));
  AboutBox->hide();

  panel.reset();
  panelAccess->Detach();
  DestroyProgramWindows();
  // A training scenario's verdict on the panel's Training page, on a printer of its own: the
  // trainee replaced the colour cartridge and has not read the chips.
  {
    vprinter::DeviceOptions options;
    options.timeScale = 0;
    options.durable = false;
    vprinter::Device trainee(options);
    std::string error;
    std::optional<vprinter::scenario::Scenario> scenario = vprinter::scenario::LoadScenario(
        vprinter::scenario::FindScenario("expired-cartridge"), &error);
    if (!scenario) {
      QTextStream(stderr) << QString::fromStdString(error) << "\n";
      return 1;
    }
    vprinter::scenario::ScenarioRun run(trainee, *scenario, &error);
    if (!error.empty()) {
      QTextStream(stderr) << QString::fromStdString(error) << "\n";
      return 1;
    }
    vprinter::RunCommand(trainee, "replace-cartridge 1");
    auto access = std::make_shared<vprinter::panel::DeviceAccess>(&trainee);
    vprinter::panel::FrontPanel training(access);
    training.SetTraining({&run, scenario->title, scenario->complaint, false});
    training.resize(1000, 620);
    training.show();
    auto* judge = training.findChild<QPushButton*>(QStringLiteral("JudgeButton"));
    if (judge == nullptr) {
      QTextStream(stderr) << "no JudgeButton on the training page\n";
      return 1;
    }
    judge->click();
    ok &= Save(&training, out, QStringLiteral("vprinter-panel-training"));
    access->Detach();
  }
  return ok ? 0 : 1;
}
