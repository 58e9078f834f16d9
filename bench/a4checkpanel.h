#pragma once

// What the A4 check page benchmarks share: the program's windows on the embedded printer with the
// workbench on the A4 check page's panel, dialogs answered OK and pauses skipped, and the count of
// sheets in the printer's tray.
#include <QApplication>
#include <QDir>
#include <QRadioButton>
#include <cstdio>

#include "app/formboot.h"
#include "app/startup.h"
#include "controls/pagecontrol.h"
#include "controls/radiogroup.h"
#include "platform/dialogs.h"
#include "platform/sleep.h"
#include "workbench/formadjust.h"

namespace bench {

// The workbench on the A4 check page's panel, or null (windows gone) when it did not open.
inline TFormAdjust* OpenA4CheckPanel() {
  platform::SetDialogHook([](const platform::DialogRequest&) { return platform::DlgResult::Ok; });
  platform::SetSleepHook([](int) {});
  CreateProgramWindows();
  FormBoot->show();
  FormBoot->PortSelectOKBtnClick();
  TFormAdjust* form = FormAdjust;
  if (!form->isVisible()) {
    std::fprintf(stderr, "the workbench did not open\n");
    DestroyProgramWindows();
    return nullptr;
  }
  form->AdjustmentTab->setCurrentIndex(2);
  form->PatternPrnItemsRdoGrp->Button(0)->click();
  QApplication::processEvents();
  return form;
}

inline int SheetsInTray(const QDir& tray) {
  return static_cast<int>(tray.entryList({QStringLiteral("sheet-*.png")}, QDir::Files).size());
}

}  // namespace bench
