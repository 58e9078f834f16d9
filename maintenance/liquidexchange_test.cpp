// The exchange's open-loop sequences and the backup's cell runs against the virtual printer: what
// is sent after a failure, which failure is reported, and how far a run got.
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
  const LiquidExchange exchange{};
};

TEST_F(Sequences, EveryCallIsSentAfterAFailureAndTheFirstFailureIsTheOneReported) {
  // The fourth paper-feed call is refused for a printer error, a later carriage call times out.
  printer().FailNthWithPacketError(Op::kDrivePF, 4, 144);
  printer().FailNth(Op::kDriveCR, 8, rc::LinkReceiveError);
  SequenceReport report;
  EXPECT_EQ(exchange.Run(liquidexchange::Exchange1(), &report), rc::PacketError);
  EXPECT_EQ(printer().TraceOps().size(), 29u);
  EXPECT_EQ(report.calls, 29);
  EXPECT_EQ(report.failures, 2);
  // Calls 3, 6 and 7 are the paper-feed calls before it: the fourth is call 9.
  EXPECT_EQ(report.firstFailure, 9);
  EXPECT_EQ(report.firstResult, rc::PacketError);
  // Taken at the failure: the later time-out has no packet error of its own, a later refusal
  // would have replaced the library's code.
  EXPECT_EQ(report.firstPacketError, 144);
  EXPECT_EQ(report.firstCall, "DrivePF (mode 32, direction 0, amount 30000)");
  EXPECT_TRUE(sleeps.calls().empty());

  EXPECT_EQ(exchange.Run(liquidexchange::ToReplacementPosition(), &report), rc::Success);
  EXPECT_TRUE(report.ok());
  EXPECT_EQ(report.calls, 6);  // the pause is no call
  EXPECT_EQ(sleeps.calls(), std::vector<int>{100});
}

TEST_F(Sequences, TheRewriteSendsAll41WritesAndPausesAfterThem) {
  printer().FailNth(Op::kEepromWrite, 1, rc::PortTransmitError);
  SequenceReport report;
  EXPECT_EQ(exchange.RewriteEeprom(0, &report), rc::PortTransmitError);
  const auto writes = eeprom_testing::Writes(printer());
  ASSERT_EQ(writes.size(), 41u);
  EXPECT_EQ(writes.back(), (std::pair<int, int>{0x28, 0x00}));
  EXPECT_EQ(report.failures, 1);
  EXPECT_EQ(report.firstCall, "D4WriteEeprom (address 00, value 10)");
  EXPECT_EQ(sleeps.calls(), std::vector<int>{100});
  EXPECT_EQ(printer().Eeprom(0x0A), 0x0B);
  EXPECT_EQ(printer().Eeprom(0x0B), 0x7C);
  // A model from the fifth row of the list on restarts the counter at 0.
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
  EXPECT_EQ(values[0], printer().Eeprom(0x0A));
  EXPECT_EQ(values[57], printer().Eeprom(0x5F));

  printer().FailNth(Op::kEepromWrite, 22, rc::LinkReceiveError);
  EXPECT_EQ(backup.Write(values, &done), rc::LinkReceiveError);
  EXPECT_EQ(done, 21u);
  EXPECT_EQ(eeprom_testing::Writes(printer()).back().first, 0x33);
  printer().FailNth(Op::kEepromRead, 1, rc::LinkReceiveError);
  EXPECT_EQ(backup.Read(&values, &done), rc::LinkReceiveError);
  EXPECT_EQ(done, 0u);
}

}  // namespace
