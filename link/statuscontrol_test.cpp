// WaitUntilIdle against the virtual printer: a soft reset before every inquiry, one second between
// passes, and the ways out.
#include "link/statuscontrol.h"

#include <gtest/gtest.h>

#include "tests/support/fakes.h"
#include "tests/support/vprinterfixture.h"
#include "vprinter/device.h"

namespace {

class WaitUntilIdleTest : public testing_support::VirtualPrinterTest {
 protected:
  testing_support::FakeSleep sleeps;
};

TEST_F(WaitUntilIdleTest, PollsOnceASecondWithASoftResetBeforeEveryInquiry) {
  printer().BusyForPolls(3);
  EXPECT_EQ(WaitUntilIdle(), rc::Success);
  std::vector<std::string> expected;
  for (int pass = 0; pass < 4; ++pass) {
    expected.push_back("soft_reset");
    expected.push_back("status");
  }
  EXPECT_EQ(printer().TraceOps(), expected);
  EXPECT_EQ(sleeps.calls(), (std::vector<int>{1000, 1000, 1000}));
  EXPECT_EQ(ProgramPrinterStatus().Status, printerstatus::Idle);
}

TEST_F(WaitUntilIdleTest, StopsAtAnErrorOrBeforeInitialFillUp) {
  printer().RaiseError(vprinter::status::kPaperJam);
  EXPECT_EQ(WaitUntilIdle(), rc::PrinterNotReady);
  EXPECT_EQ(ProgramPrinterStatus().Error, vprinter::status::kPaperJam);
  printer().ClearError();
  printer().ForceStatus(vprinter::status::kBeforeInitialFillUp);
  EXPECT_EQ(WaitUntilIdle(), rc::PrinterNotReady);
  EXPECT_TRUE(sleeps.calls().empty());
}

TEST_F(WaitUntilIdleTest, HandsBackTheFirstFailingCallUnchanged) {
  printer().BusyForPolls(5);
  printer().FailNth(testing_support::Op::kSoftReset, 2, -81);
  EXPECT_EQ(WaitUntilIdle(), -81);
  EXPECT_EQ(printer().Trace("status").size(), 1u);
  printer().FailNth(testing_support::Op::kStatus, 1, -8193);
  EXPECT_EQ(WaitUntilIdle(), -8193);
}

TEST_F(WaitUntilIdleTest, GivesUpAfterItsBoundOnAPrinterThatStaysBusy) {
  printer().ForceStatus(vprinter::status::kPrinting);
  EXPECT_EQ(WaitUntilIdle(), rc::PrinterNeverIdle);
  EXPECT_EQ(printer().Trace("soft_reset").size(), static_cast<size_t>(kWaitUntilIdleMaxPasses));
  EXPECT_EQ(sleeps.TotalMs(), 1000LL * (kWaitUntilIdleMaxPasses - 1));
}

TEST_F(WaitUntilIdleTest, TellsItsObserverEachSecondWaitedAndTheEndWhateverTheOutcome) {
  std::vector<std::pair<WaitEvent, int>> events;
  const WaitObserver previous =
      SetWaitObserver([&](WaitEvent e, int seconds) { events.emplace_back(e, seconds); });
  printer().BusyForPolls(2);
  EXPECT_EQ(WaitUntilIdle(), rc::Success);
  const std::vector<std::pair<WaitEvent, int>> twoSeconds{
      {WaitEvent::Began, 0}, {WaitEvent::Waited, 1}, {WaitEvent::Waited, 2}, {WaitEvent::Ended, 0}};
  EXPECT_EQ(events, twoSeconds);

  events.clear();
  printer().BusyForPolls(3);
  printer().FailNth(testing_support::Op::kStatus, 2, -82);
  EXPECT_EQ(WaitUntilIdle(), -82);
  const std::vector<std::pair<WaitEvent, int>> failed{
      {WaitEvent::Began, 0}, {WaitEvent::Waited, 1}, {WaitEvent::Ended, 0}};
  EXPECT_EQ(events, failed);
  SetWaitObserver(previous);
}

}  // namespace
