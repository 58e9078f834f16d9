#include "app/startup.h"

#include <QApplication>
#include <QComboBox>
#include <QIcon>
#include <exception>

#include "app/aboutbox.h"
#include "app/formboot.h"
#include "app/formquit.h"
#include "platform/cursor.h"
#include "platform/exceptionbox.h"
#include "platform/messagebox.h"
#include "workbench/formadjust.h"
#include "workbench/units.h"

TFormBoot* FormBoot = nullptr;
TFormAdjust* FormAdjust = nullptr;
TFormQuit* FormQuit = nullptr;
TAboutBox* AboutBox = nullptr;
Units* ProgramUnits = nullptr;

void CreateProgramWindows() {
  QApplication::setApplicationName(QLatin1String(kApplicationTitle));
  QApplication::setQuitOnLastWindowClosed(false);
  platform::InstallToolkitDialogs();
  // The desktop matches the windows to the installed entry and its icon by this name.
  QGuiApplication::setDesktopFileName(QStringLiteral("org.quorla.z40adjust"));
  // The icons live in this static library; nothing else would pull their object in.
  Q_INIT_RESOURCE(icons);
  QIcon icon;
  for (const char* size : {"16", "32", "48", "64", "256"}) {
    icon.addFile(QStringLiteral(":/icons/%1.png").arg(QLatin1String(size)));
  }
  QApplication::setWindowIcon(icon);
  ProgramUnits = new Units();
  FormBoot = new TFormBoot();
  FormAdjust = new TFormAdjust(*ProgramUnits);
  FormQuit = new TFormQuit();
  AboutBox = new TAboutBox();

  FormBoot->SetWorkbench(FormAdjust);
  FormBoot->SetAboutBox(AboutBox);
  FormQuit->SetPrinterSelection(FormBoot);
  FormAdjust->SetModelNameSource([] { return FormBoot->ModelNameCombo->currentText(); });
  FormAdjust->SetModelPositionSource([] { return FormBoot->ModelNameCombo->currentIndex(); });
  QObject::connect(FormAdjust, &TFormAdjust::QuitConfirmationRequested, FormQuit,
                   [] { FormQuit->show(); });
}

void DestroyProgramWindows() {
  delete AboutBox;
  AboutBox = nullptr;
  delete FormQuit;
  FormQuit = nullptr;
  delete FormAdjust;
  FormAdjust = nullptr;
  delete FormBoot;
  FormBoot = nullptr;
  delete ProgramUnits;
  ProgramUnits = nullptr;
}

int RunProgram(QApplication& app) {
  int result = 0;
  try {
    CreateProgramWindows();
    QObject::connect(FormBoot, &TFormBoot::ProgramEnds, &app, &QCoreApplication::quit,
                     Qt::QueuedConnection);
    FormBoot->show();
    result = app.exec();
  } catch (const std::exception& e) {
    platform::SetScreenCursor(platform::CursorShape::Default);
    platform::ShowExceptionBox(QString::fromLocal8Bit(e.what()));
    result = 0;
  } catch (...) {
    platform::SetScreenCursor(platform::CursorShape::Default);
    platform::ShowExceptionBox(QStringLiteral("An unknown exception occurred."));
    result = 0;
  }
  DestroyProgramWindows();
  return result;
}
