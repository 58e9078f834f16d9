// The workbench on a fresh virtual printer, for the tests of the print items: the panels opened as
// the technician opens them, the print-data builder, and the window as it stands at each pause.
#pragma once

#include <gtest/gtest.h>

#include <QColor>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <vector>

#include "app/startup.h"
#include "controls/pagecontrol.h"
#include "controls/radiogroup.h"
#include "controls/titledpanel.h"
#include "platform/cursor.h"
#include "tests/support/fakes.h"
#include "tests/support/vprinterfixture.h"
#include "tests/support/windowtest.h"
#include "tests/support/workbenchtest.h"
#include "workbench/formadjust.h"
#include "workbench/units.h"

namespace printitems {

// The window as it stood at one of the print's pauses.
struct AtPause {
  int ms;
  bool enabled;
  QString log;
  QColor color;
  platform::CursorShape cursor;
};

class PrintItemsTest : public testing_support::WorkbenchTest {
 protected:
  // As the technician opens it: "Bi-D", then "Print Bi-D adjustment pattern." and "OK".
  void OpenBidPrintPanel() {
    testing_support::ClickItem(form->AdjustRdoGrp, 2);
    testing_support::ClickItem(testing_support::Find<RadioGroup>(form, "BidRdoBtn"), 0);
    testing_support::Click(form, QStringLiteral("BidOKBtn"));
    ASSERT_EQ(testing_support::VisibleItemPanels(form), QStringList{"BidPrintPnl"});
  }
  void OpenA4Panel() {
    form->AdjustmentTab->setCurrentIndex(2);
    testing_support::ClickItem(form->PatternPrnItemsRdoGrp, 0);
  }
  // A done line keeps the window disabled until DisableTimer fires; fire it now.
  void LetTheTimerFire() { testing_support::DeliverTimeout(form->DisableTimer); }

  RasterJob& job() { return ProgramUnits->rasterJob; }
  std::vector<uint8_t> Waiting() { return {job().Waiting().begin(), job().Waiting().end()}; }

  // Records the window's state at every pause (into pauses).
  void WatchPauses() {
    sleeps.AtEachPause([this](int ms) {
      pauses.push_back({ms, form->isEnabled(), testing_support::LogText(form),
                        testing_support::LogColor(form), platform::ScreenCursor()});
    });
  }

  std::vector<AtPause> pauses;
};

}  // namespace printitems
