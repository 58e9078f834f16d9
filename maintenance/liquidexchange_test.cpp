// The rewrite at the end of the liquid exchange and the backup's cell runs against the virtual
// printer: what is sent after a failure, and how far a run got. (The mechanism sequences are
// tested from their buttons, workbench/formadjust_transport_test.cpp.)
#include "maintenance/liquidexchange.h"

#include <gtest/gtest.h>

#include "eeprom/eepromtrace_testutil.h"
#include "maintenance/eeprombackup.h"
#include "tests/support/fakes.h"

namespace {

using testing_support::Op;

class Sequences : public testing_support::VirtualPrinterTest {
 protected:
  testing_support::FakeSleep sleeps;
};

TEST_F(Sequences, TheRewriteSendsAll41WritesAfterAFailureAndTheModelDecidesTheCounter) {
  const LiquidExchange exchange;
  printer().FailNth(Op::kEepromWrite, 1, rc::PortTransmitError);
  SequenceReport report;
  EXPECT_EQ(exchange.RewriteEeprom(0, &report), rc::PortTransmitError);
  EXPECT_EQ(eeprom_testing::Writes(printer()).size(), 41u);
  EXPECT_EQ(report.failures, 1);
  EXPECT_EQ(report.firstCall, "D4WriteEeprom (address 00, value 10)");
  EXPECT_EQ(sleeps.calls(), std::vector<int>{100});
  // A model from the fifth row of the list on restarts the counter at 0, not 2940.
  ASSERT_EQ(exchange.RewriteEeprom(4), rc::Success);
  EXPECT_EQ(printer().Eeprom(0x0A), 0x00);
  EXPECT_EQ(printer().Eeprom(0x0B), 0x00);
}

TEST_F(Sequences, BackupRunsStopAtTheirFirstFailureAndSayHowFarTheyGot) {
  const EepromBackup backup;
  EepromBackup::Values values{};
  std::size_t done = 99;
  ASSERT_EQ(backup.Read(&values, &done), rc::Success);
  EXPECT_EQ(done, 58u);
  EXPECT_EQ(values[57], printer().Eeprom(0x5F));
  printer().FailNth(Op::kEepromWrite, 22, rc::LinkReceiveError);
  EXPECT_EQ(backup.Write(values, &done), rc::LinkReceiveError);
  EXPECT_EQ(done, 21u);
  printer().FailNth(Op::kEepromRead, 1, rc::LinkReceiveError);
  EXPECT_EQ(backup.Read(&values, &done), rc::LinkReceiveError);
  EXPECT_EQ(done, 0u);
}

}  // namespace
