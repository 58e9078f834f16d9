// The print items of the workbench against the virtual printer: the Bi-D pattern from BidPrintPnl,
// the A4 check page from A4CheckPnl and the top-margin line. What the byte streams hold is the
// print units' business (print/*_test.cpp); here: the log lines around a print, the order of the
// printer calls from the button, and what a failure leaves in the log, in the printer and queued
// in the print-data builder.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QTimer>
#include <algorithm>

#include "controls/dialogkeys.h"
#include "eeprom/addressmap.h"
#include "link/resulttexts.h"
#include "makerlibs/d4/d4.h"
#include "print/printtest_util.h"
#include "workbench/printitems_test_fixture.h"

using platform::CursorShape;
using printtest::CallOrder;
using printtest::Decode;
using printtest::Field;
using testing::ElementsAre;
using testing::ElementsAreArray;
using testing_support::Click;
using testing_support::Find;
using testing_support::LogColor;
using testing_support::LogText;
using testing_support::Op;
using testing_support::VisibleItemPanels;

namespace {

class PrintItems : public printitems::PrintItemsTest {
 protected:
  void ExpectOneRedLine(const QString& text) {
    EXPECT_EQ(LogText(form), text);
    EXPECT_EQ(LogColor(form), QColor(Qt::red));
    EXPECT_TRUE(form->isEnabled());
    EXPECT_EQ(platform::ScreenCursor(), CursorShape::Default);
  }
  void ExpectDoneLine(const QString& text) {
    EXPECT_EQ(LogText(form), text);
    EXPECT_EQ(LogColor(form), QColor(Qt::black));
    EXPECT_EQ(platform::ScreenCursor(), CursorShape::Default);
    // Enabled again by the timer, a second after the done line.
    EXPECT_FALSE(form->isEnabled());
    EXPECT_TRUE(form->DisableTimer->isActive());
  }
};

// The printer calls of one Bi-D row from the wait to the restore: black rows write the three
// temporary values and the stored one; colour rows do so for each of their three passes.
std::vector<std::string> BidRowCalls(bool colour) {
  std::vector<std::string> calls = {"soft_reset", "status", "eeprom_read", "data"};
  const int writes = colour ? 3 * 3 + 1 : 3 + 1;
  for (int i = 0; i < writes; ++i) calls.insert(calls.end(), {"write_bid", "data"});
  return calls;
}

std::vector<std::string> BidPatternCalls() {
  std::vector<std::string> calls;
  for (int row = 0; row < 6; ++row) {
    const std::vector<std::string> one = BidRowCalls(row % 2 == 1);
    calls.insert(calls.end(), one.begin(), one.end());
  }
  return calls;
}

// --- Bi-D pattern -------------------------------------------------------------------------------

using BidPrint = PrintItems;

TEST_F(BidPrint, PanelOffersEightStepsAndLeadsBackToTheItems) {
  OpenBidPrintPanel();
  auto* bar = testing_support::Find<QSlider>(form, "BidPrintTrackBar");
  ASSERT_NE(bar, nullptr);
  EXPECT_EQ(bar->minimum(), 0);
  EXPECT_EQ(bar->maximum(), 8);
  EXPECT_EQ(bar->pageStep(), 8);
  EXPECT_EQ(bar->tickInterval(), 1);
  EXPECT_EQ(bar->value(), 0);
  EXPECT_TRUE(dialogkeys::IsDefault(Find<QPushButton>(form, "BidPrnOKBtn")));
  EXPECT_TRUE(dialogkeys::IsCancel(Find<QPushButton>(form, "BidPrnRtnBtn")));

  form->WriteStatus(LineInfo, QStringLiteral("old"));
  Click(form, "BidPrnRtnBtn");
  EXPECT_EQ(VisibleItemPanels(form), QStringList{"BidItemsPnl"});
  EXPECT_EQ(LogText(form), "");
  EXPECT_TRUE(printer.TraceOps().empty());
}

TEST_F(BidPrint, PrintsLowerByFourLineEndsPerStepAndQueuesTheFormFeed) {
  const std::vector<uint8_t> stored = printer.Eeprom(0x33, 0x38);
  OpenBidPrintPanel();
  Find<QSlider>(form, "BidPrintTrackBar")->setValue(2);
  Click(form, "BidPrnOKBtn");

  ExpectDoneLine("Bi-D pattern print is completed.");
  EXPECT_EQ(CallOrder(printer), BidPatternCalls());
  EXPECT_THAT(Field(printer, "eeprom_read", "addr"),
              ElementsAre(0x33, 0x36, 0x34, 0x37, 0x35, 0x38));
  EXPECT_EQ(printer.Eeprom(0x33, 0x38), stored);
  EXPECT_TRUE(sleeps.calls().empty());
  const printtest::Decoded sent = Decode(printer.PrintData());
  ASSERT_GE(sent.ops.size(), 9u);
  EXPECT_EQ(std::vector<std::string>(sent.ops.begin(), sent.ops.begin() + 9),
            std::vector<std::string>({"CRLF", "CRLF", "CRLF", "CRLF", "CRLF", "CRLF", "CRLF",
                                      "CRLF", "text:Bi-D check pattern\\0"}));
  // The form feed waits for the next print; the sheet stays in the printer.
  EXPECT_EQ(printtest::CountOp(sent, "FF"), 0);
  EXPECT_EQ(Waiting(), std::vector<uint8_t>{0x0C});
  EXPECT_TRUE(printer.Trace("sheet").empty());

  // The next print sends it first, which ejects the pattern's sheet.
  LetTheTimerFire();
  printer.ClearTrace();
  Find<QSlider>(form, "BidPrintTrackBar")->setValue(0);
  Click(form, "BidPrnOKBtn");
  const printtest::Decoded next = Decode(printer.PrintData());
  ASSERT_GE(next.ops.size(), 2u);
  EXPECT_EQ(next.ops[0], "FF");
  EXPECT_EQ(next.ops[1], "text:Bi-D check pattern\\0");
  EXPECT_EQ(printer.Trace("sheet").size(), 1u);
  EXPECT_EQ(Waiting(), std::vector<uint8_t>{0x0C});
}

TEST_F(BidPrint, WaitsForABusyPrinterBeforeARowUnderTheBusyLine) {
  printer.BusyForPolls(2);
  OpenBidPrintPanel();
  WatchPauses();
  Click(form, "BidPrnOKBtn");
  ExpectDoneLine("Bi-D pattern print is completed.");
  EXPECT_THAT(sleeps.calls(), ElementsAre(1000, 1000));
  for (const printitems::AtPause& p : pauses) {
    EXPECT_FALSE(p.enabled);
    EXPECT_EQ(p.log, "Bi-D pattern is being printed out now.");
    EXPECT_EQ(p.color, QColor(Qt::blue));
    EXPECT_EQ(p.cursor, CursorShape::HourGlass);
  }
  const std::vector<std::string> order = CallOrder(printer);
  ASSERT_GE(order.size(), 7u);
  EXPECT_THAT(std::vector<std::string>(order.begin(), order.begin() + 7),
              ElementsAre("soft_reset", "status", "soft_reset", "status", "soft_reset", "status",
                          "eeprom_read"));
}

TEST_F(BidPrint, AFailedWriteBidWritesTheStoredValueBackAndSaysSo) {
  // MS Black is stored as 3: the write of 1 goes through, the write of 3 times out (whether the
  // printer took it is open), the restore of 3 goes through.
  printer.FailNth(Op::kWriteBid, 2, rc::LinkReceiveError);
  OpenBidPrintPanel();
  Click(form, "BidPrnOKBtn");

  ExpectOneRedLine("Bi-D Print error!!\nMS Black: the printer holds its stored Bi-D value 3.");
  EXPECT_THAT(Field(printer, "write_bid", "value"), ElementsAre(1, 3, 3));
  EXPECT_EQ(printer.Eeprom(eeprom::BidCell(1, 1)), 3);
  EXPECT_THAT(CallOrder(printer), ElementsAre("soft_reset", "status", "eeprom_read", "data",
                                              "write_bid", "data", "write_bid", "write_bid"));
  // Nothing of the row after the failure is appended, the form feed neither.
  EXPECT_EQ(job().Fill(), 0);
  EXPECT_TRUE(dialogs.shown().empty());
}

TEST_F(BidPrint, WhenTheRestoreFailsTooTheLineNamesTheValueLeft) {
  // 6pl Color is stored as 1: its first test value, -1, is taken; the second write and the
  // restore are refused, so the printer surely holds -1.
  printer.SetEeprom(eeprom::BidCell(2, 2), 1);
  printer.FailNthWithPacketError(Op::kWriteBid, 4 + 10 + 4 + 2, d4::err::PrinterIsBusy);
  printer.FailNthWithPacketError(Op::kWriteBid, 4 + 10 + 4 + 3, d4::err::PrinterIsBusy);
  OpenBidPrintPanel();
  Click(form, "BidPrnOKBtn");

  ExpectOneRedLine(
      "Bi-D Print error!!\n6pl Color: the printer holds the Bi-D test value -1, not its stored "
      "value 1.");
  const std::vector<long long> values = Field(printer, "write_bid", "value");
  ASSERT_EQ(values.size(), 4u + 10u + 4u + 3u);
  EXPECT_THAT(std::vector<long long>(values.end() - 3, values.end()),
              ElementsAre(-1, 1, 1));  // -1 taken, then 1 refused twice
  EXPECT_EQ(printer.Eeprom(eeprom::BidCell(2, 2)), 0xFF);
  EXPECT_TRUE(dialogs.shown().empty());
}

TEST_F(BidPrint, TheNextPrintAfterAFailedSendStartsWithItsOwnBytes) {
  printer.FailNth(Op::kData, 1, rc::PortTransmitError);
  OpenBidPrintPanel();
  Click(form, "BidPrnOKBtn");

  ExpectOneRedLine("Bi-D Print error!!");
  EXPECT_EQ(printtest::DataPackets(printer), 0);
  EXPECT_TRUE(printer.Trace("write_bid").empty());
  // The refused bytes (the title and the first row's label and values) are dropped.
  EXPECT_EQ(job().Fill(), 0);

  printer.ClearTrace();
  Click(form, "BidPrnOKBtn");
  ExpectDoneLine("Bi-D pattern print is completed.");
  const printtest::Decoded sent = Decode(printer.PrintData());
  ASSERT_FALSE(sent.ops.empty());
  EXPECT_EQ(sent.ops[0], "text:Bi-D check pattern\\0");
  EXPECT_EQ(printtest::CountOp(sent, "text:Bi-D check pattern\\0"), 1);
  EXPECT_EQ(printtest::CountOp(sent, "text:  MS Black"), 1);
}

TEST_F(BidPrint, AFailedPrintKeepsTheFormFeedOfTheOneBefore) {
  OpenBidPrintPanel();
  Click(form, "BidPrnOKBtn");
  ExpectDoneLine("Bi-D pattern print is completed.");
  ASSERT_EQ(Waiting(), std::vector<uint8_t>{0x0C});
  LetTheTimerFire();

  // The next print fails at its first wait, before anything went out: the sheet of the first
  // pattern still needs its form feed.
  printer.RaiseError(vprinter::status::kPaperOut);
  printer.ClearTrace();
  Click(form, "BidPrnOKBtn");
  ExpectOneRedLine("Bi-D Print error!!");
  EXPECT_EQ(printtest::DataPackets(printer), 0);
  EXPECT_EQ(Waiting(), std::vector<uint8_t>{0x0C});
}

TEST_F(BidPrint, AFailedReadReportsTheFixedCodeNotTheLinksOwn) {
  printer.FailNthWithPacketError(Op::kEepromRead, 3, d4::err::EepromReadError);
  OpenBidPrintPanel();
  Click(form, "BidPrnOKBtn");

  // A packet error of its own would have asked a box and written "Communication error!!".
  ExpectOneRedLine("Bi-D Print error!!");
  EXPECT_TRUE(dialogs.shown().empty());
  EXPECT_THAT(Field(printer, "eeprom_read", "addr"), ElementsAre(0x33, 0x36, 0x34));
  // The two rows before it are printed and restored; the third row's label is dropped, and no
  // test value was written in its row.
  EXPECT_EQ(printer.Trace("write_bid").size(), 4u + 10u);
  EXPECT_EQ(job().Fill(), 0);
}

// --- A4 check page ------------------------------------------------------------------------------

using A4Check = PrintItems;

TEST_F(A4Check, PanelListsTheElevenItems) {
  OpenA4Panel();
  EXPECT_EQ(VisibleItemPanels(form), QStringList{"A4CheckPnl"});
  QStringList labels;
  for (const QLabel* label : Find<TitledPanel>(form, "A4CheckPnl")->findChildren<QLabel*>()) {
    if (label != Find<TitledPanel>(form, "A4CheckPnl")->Title()) labels << label->text();
  }
  EXPECT_EQ(labels, QStringList({"1. Top margin and 1st dot position check line",
                                 "2. Protection counter value ", "3. Beta pattern(BK-C-M-Y) ",
                                 "4. Nozzle check pattern(BK-C-M-Y) ",
                                 "5. Head Angular pattern(BK-M) ", "6. Bi-d check pattern ",
                                 "7. Head ID ", "8. USB ID ", "9. Alignment pattern(BK/C-M-Y) ",
                                 "10. Nozzle Column Shift ", "11. 6pl VARIABLE DOT"}));
  EXPECT_TRUE(dialogkeys::IsDefault(Find<QPushButton>(form, "A4CheckPrnOKBtn")));
}

TEST_F(A4Check, PrintsBothSheetsWhileTheWindowIsBusy) {
  const std::vector<uint8_t> stored = printer.Eeprom(0x33, 0x38);
  OpenA4Panel();
  WatchPauses();
  Click(form, "A4CheckPrnOKBtn");

  ExpectDoneLine("A4 pattern print is completed.");
  // Every pause of the patterns falls inside the busy state.
  std::vector<int> ms;
  for (const printitems::AtPause& p : pauses) {
    ms.push_back(p.ms);
    EXPECT_FALSE(p.enabled);
    EXPECT_EQ(p.log, "A4 pattern is printing now.");
    EXPECT_EQ(p.color, QColor(Qt::blue));
    EXPECT_EQ(p.cursor, CursorShape::HourGlass);
  }
  EXPECT_THAT(
      ms, ElementsAre(10, 2000, 2000, 2000, 2000, 2000, 2000, 1000, 1000, 1000, 1000, 1000, 1000));

  // The three values, then the top margin, are read before anything is sent; the Bi-D cells
  // later, row by row.
  const std::vector<long long> reads = Field(printer, "eeprom_read", "addr");
  const std::size_t valueReads = 2 + eeprom::kHeadIdReadOrder.size() + 18;
  ASSERT_EQ(reads.size(), valueReads + 1 + 6);
  EXPECT_THAT(std::vector<long long>(reads.begin() + valueReads, reads.end()),
              ElementsAre(0x2E, 0x33, 0x36, 0x34, 0x37, 0x35, 0x38));
  const std::vector<std::string> order = CallOrder(printer);
  ASSERT_GT(order.size(), valueReads + 1);
  EXPECT_EQ(std::count(order.begin(), order.begin() + valueReads + 1, "eeprom_read"),
            static_cast<long>(valueReads + 1));
  EXPECT_EQ(order[valueReads + 1], "data");
  // Six waits in the Bi-D item, one after the first sheet and two inside the second.
  EXPECT_EQ(printer.Trace("soft_reset").size(), 6u + 3u);
  EXPECT_EQ(printer.Trace("write_bid").size(), 3u * (4 + 10));
  EXPECT_EQ(printer.Eeprom(0x33, 0x38), stored);
  EXPECT_EQ(printer.Trace("sheet").size(), 2u);
  EXPECT_EQ(job().Fill(), 0);
}

TEST_F(A4Check, AFailedWriteBidEndsThePageAndSaysWhatTheFailedRestoreLeft) {
  // The write of 3 and the restore of 3 both time out: the printer holds 1 or 3.
  printer.FailNth(Op::kWriteBid, 2, rc::LinkReceiveError);
  printer.FailNth(Op::kWriteBid, 3, rc::LinkReceiveError);
  OpenA4Panel();
  Click(form, "A4CheckPrnOKBtn");

  ExpectOneRedLine(
      "A4 pattern print error!!\nMS Black: the printer holds the Bi-D value 1 or 3 (not known "
      "which); its stored value is 3.");
  EXPECT_THAT(Field(printer, "write_bid", "value"), ElementsAre(1, 3, 3));
  EXPECT_EQ(printer.Eeprom(eeprom::BidCell(1, 1)), 1);  // what the virtual printer did keep
  EXPECT_TRUE(printer.Trace("sheet").empty());
  EXPECT_EQ(job().Fill(), 0);
  EXPECT_EQ(printer.Trace("soft_reset").size(), 1u);  // the MS Black row's wait only
}

TEST_F(A4Check, AFailedSendEndsThePageWithNothingQueued) {
  printer.FailNth(Op::kData, 5, rc::PortTransmitError);
  OpenA4Panel();
  Click(form, "A4CheckPrnOKBtn");

  ExpectOneRedLine("A4 pattern print error!!");
  EXPECT_EQ(printtest::DataPackets(printer), 4);
  const std::vector<testing_support::TraceEntry> packets = printer.Trace("data");
  ASSERT_EQ(packets.size(), 5u);
  EXPECT_EQ(packets.back().Refused(), rc::PortTransmitError);
  EXPECT_EQ(job().Fill(), 0);
  EXPECT_TRUE(printer.Trace("sheet").empty());
  EXPECT_TRUE(printer.Trace("write_bid").empty());
}

TEST_F(A4Check, AFailedTopMarginReadLeavesNothingQueued) {
  const int valueReads = 2 + static_cast<int>(eeprom::kHeadIdReadOrder.size()) + 18;
  printer.FailNth(Op::kEepromRead, valueReads + 1, rc::LinkReceiveError);
  OpenA4Panel();
  Click(form, "A4CheckPrnOKBtn");

  ExpectOneRedLine("A4 pattern print error!!");
  EXPECT_EQ(printtest::DataPackets(printer), 0);
  EXPECT_EQ(sleeps.calls(), std::vector<int>{10});
  EXPECT_EQ(job().Fill(), 0);  // the preamble and the reset appended before it are dropped
}

TEST_F(A4Check, ALowerCaseUsbIdFailsBeforeAnythingIsQueued) {
  printer.SetEeprom(0x4D, 'q');
  OpenA4Panel();
  Click(form, "A4CheckPrnOKBtn");
  ExpectOneRedLine("A4 pattern print error!!");
  EXPECT_EQ(printtest::DataPackets(printer), 0);
  EXPECT_EQ(job().Fill(), 0);
}

// --- Top-margin line ----------------------------------------------------------------------------

using TopMarginPrint = PrintItems;

TEST_F(TopMarginPrint, SendsThePreambleDirectlyAheadOfTheQueuedReset) {
  WatchPauses();
  form->PrintTopMarginItem();

  ExpectDoneLine("Printing Top Margin Line completed.");
  ASSERT_EQ(pauses.size(), 1u);
  EXPECT_EQ(pauses[0].ms, 10);
  EXPECT_EQ(pauses[0].log, "Now printing Top Margin Line.");
  EXPECT_EQ(pauses[0].color, QColor(Qt::blue));
  EXPECT_FALSE(pauses[0].enabled);

  EXPECT_THAT(CallOrder(printer), ElementsAre("data", "eeprom_read", "data"));
  const std::vector<testing_support::TraceEntry> packets = printer.Trace("data");
  ASSERT_GE(packets.size(), 4u);
  EXPECT_THAT(packets[0].Bytes(), ElementsAreArray(remotepreamble::kEnter));
  EXPECT_THAT(packets[1].Bytes(), ElementsAreArray(remotepreamble::kSn));
  EXPECT_THAT(packets[2].Bytes(), ElementsAreArray(remotepreamble::kExit));
  const printtest::Decoded rest = Decode(packets[3].Bytes());
  ASSERT_GE(rest.ops.size(), 2u);
  EXPECT_EQ(rest.ops[0], "reset");  // the item's own, queued before the preamble went out
  EXPECT_EQ(rest.ops[1], "reset");  // the line's
  EXPECT_EQ(Field(printer, "eeprom_read", "addr"), std::vector<long long>{eeprom::kTopMargin});
  EXPECT_EQ(job().Fill(), 0);
  EXPECT_TRUE(printer.Trace("sheet").empty());  // no form feed: the sheet stays in the printer
}

TEST_F(TopMarginPrint, IsTheFirstItemOfTheTopMarginPanel) {
  testing_support::ClickItem(form->AdjustRdoGrp, 4);
  ASSERT_EQ(testing_support::VisibleItemPanels(form), QStringList{"TopMarginMainPnl"});
  Click(form, "TopMarginMainBtn");  // "Print top margin" is preselected
  ExpectDoneLine("Printing Top Margin Line completed.");
  const std::vector<testing_support::TraceEntry> packets = printer.Trace("data");
  ASSERT_GE(packets.size(), 4u);
  EXPECT_THAT(packets[0].Bytes(), ElementsAreArray(remotepreamble::kEnter));
  EXPECT_EQ(testing_support::VisibleItemPanels(form), QStringList{"TopMarginMainPnl"});
}

TEST_F(TopMarginPrint, AFailedPreambleSendReportsItsOwnCode) {
  printer.FailNth(Op::kData, 2, rc::PortTransmitError);
  form->PrintTopMarginItem();

  ExpectOneRedLine(ResultText(rc::PortTransmitError));
  EXPECT_EQ(printtest::DataPackets(printer), 1);
  EXPECT_TRUE(printer.Trace("eeprom_read").empty());
  EXPECT_EQ(job().Fill(), 0);
}

TEST_F(TopMarginPrint, AFailedReadWithAPacketErrorShowsTheCommunicationError) {
  printer.FailNthWithPacketError(Op::kEepromRead, 1, d4::err::EepromReadError);
  form->PrintTopMarginItem();

  ExpectOneRedLine("Communication error!!");
  ASSERT_EQ(dialogs.shown().size(), 1u);
  EXPECT_EQ(dialogs.Texts()[0], *PacketErrorText(d4::err::EepromReadError));
  EXPECT_EQ(printtest::DataPackets(printer), 3);
  EXPECT_EQ(job().Fill(), 0);
}

}  // namespace
