// Grabs the program's windows into PNG files for the documentation: the printer selection, the
// workbench in stable and in error mode with three of its EEPROM items, the quit confirmation and
// the version box. Runs the real windows against the embedded virtual printer (time scale 0, state
// in a temporary directory).
//
//   quorla-screenshots OUTPUT_DIR
#include <QApplication>
#include <QDir>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTextStream>
#include <QToolButton>
#include <cstdlib>

#include "app/aboutbox.h"
#include "app/formboot.h"
#include "app/formquit.h"
#include "app/startup.h"
#include "controls/limitededit.h"
#include "controls/pagecontrol.h"
#include "controls/radiogroup.h"
#include "makerlibs/linkcontrol.h"
#include "platform/dialogs.h"
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
}  // namespace

int main(int argc, char** argv) {
  setenv("QUORLA_PRINTER", "embedded", 1);
  QApplication app(argc, argv);
  if (argc != 2) {
    QTextStream(stderr) << "usage: quorla-screenshots OUTPUT_DIR\n";
    return 2;
  }
  const QDir out(QString::fromLocal8Bit(argv[1]));
  QDir().mkpath(out.path());

  QTemporaryDir state;
  vprinter::DeviceOptions options;
  options.stateDir = state.filePath(QStringLiteral("state")).toStdString();
  options.trayDir = state.filePath(QStringLiteral("tray")).toStdString();
  options.timeScale = 0;
  quorla::link::SetEmbeddedPrinterOptions(options);
  vprinter::Device& printer = quorla::link::StartEmbeddedPrinter();
  platform::SetDialogHook([](const platform::DialogRequest&) { return platform::DlgResult::Ok; });

  CreateProgramWindows();
  bool ok = true;
  FormBoot->show();
  ok &= Save(FormBoot, out, QStringLiteral("printer-selection"));

  FormBoot->PortSelectOKBtnClick();
  FormAdjust->AdjustmentTab->setCurrentIndex(1);
  FormAdjust->MentRdoGrp->Button(0)->click();
  FormAdjust->CleaningOKBtn->click();
  FormAdjust->DisableTimerTimer();
  ok &= Save(FormAdjust, out, QStringLiteral("workbench-stable"));

  // EEPROM items: the head ID input with its picture, the first dot position, the full table.
  FormAdjust->AdjustmentTab->setCurrentIndex(0);
  FormAdjust->AdjustRdoGrp->Button(1)->click();
  FormAdjust->HdVolOKBtn->click();
  FormAdjust->HdVolWrtEdit->setText(QStringLiteral("F2KM7RWTTTM"));
  ok &= Save(FormAdjust, out, QStringLiteral("workbench-head-id"));
  FormAdjust->AdjustRdoGrp->Button(5)->click();
  FormAdjust->SteptoRightBitBtn->click();
  ok &= Save(FormAdjust, out, QStringLiteral("workbench-first-dot"));
  FormAdjust->AdjustmentTab->setCurrentIndex(3);
  FormAdjust->AppendixRdoGrp->Button(0)->click();
  FormAdjust->EepromItemsOKBtn->click();
  FormAdjust->EepReadBegEdit->setText(QStringLiteral("00"));
  FormAdjust->EepReadEndEdit->setText(QStringLiteral("FF"));
  FormAdjust->EepromReadOkBtn->click();
  ok &= Save(FormAdjust, out, QStringLiteral("workbench-eeprom-grid"));

  printer.RaiseError(vprinter::status::kPaperOut);
  FormAdjust->GetStatusBtn->click();
  FormAdjust->AdjustRdoGrp->Button(1)->click();
  FormAdjust->GetStatusBtn->click();
  ok &= Save(FormAdjust, out, QStringLiteral("workbench-error"));
  printer.ClearError();

  FormAdjust->AdjustRtnBtn->click();
  ok &= Save(FormQuit, out, QStringLiteral("quit-confirmation"));

  AboutBox->show();
  ok &= Save(AboutBox, out, QStringLiteral("version-box"));
  AboutBox->hide();

  DestroyProgramWindows();
  quorla::link::StopEmbeddedPrinter();
  return ok ? 0 : 1;
}
