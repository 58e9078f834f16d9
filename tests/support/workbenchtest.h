// A GoogleTest fixture for the workbench on a printer: a fresh embedded virtual printer, the
// program's windows as the entry creates them, the workbench opened on that printer through the
// printer selection's "OK", the trace cleared, and dialogs and pauses faked.
#pragma once

#include <gtest/gtest.h>

#include "app/startup.h"
#include "tests/support/fakes.h"
#include "tests/support/vprinterfixture.h"
#include "tests/support/windowtest.h"
#include "workbench/formadjust.h"

namespace testing_support {

class WorkbenchTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(OpenWorkbench());
    form = FormAdjust;
    printer.ClearTrace();
  }

  VirtualPrinter printer;  // first: the windows reach this printer
  ProgramWindows windows;
  FakeDialogs dialogs;
  FakeSleep sleeps;
  TFormAdjust* form = nullptr;
};

}  // namespace testing_support
