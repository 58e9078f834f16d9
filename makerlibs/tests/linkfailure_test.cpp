// The libraries' failure paths against the embedded printer: no port, no connection, injected
// refusals, time-outs, a link dropped in the middle of a call, corrupt packets, refused channels,
// the wrong model code and a second port search.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <functional>

#include "link/mechcmd.h"
#include "link/modelcode.h"
#include "link/pktlink.h"
#include "link/porthub.h"
#include "makerlibs/porthub/portcontrol.h"
#include "tests/support/vprinterfixture.h"

namespace {

using testing_support::TraceEntry;
using testing_support::VirtualPrinter;
using vprinter::Op;

constexpr uint8_t M1 = QUORLA_Z40_MODEL_CODE_1;
constexpr uint8_t M2 = QUORLA_Z40_MODEL_CODE_2;

struct Call {
  const char* name;
  std::function<int16_t(uint8_t m1, uint8_t m2)> run;
  bool takesModel;
};

// Every function of the packet and mechanism libraries that uses the connection.
std::vector<Call> EveryCall() {
  static uint8_t byte = 0;
  static PrinterStatus status;
  static const uint8_t data[2] = {0x1B, 0x40};
  return {
      {"D4ReadEeprom", [](uint8_t a, uint8_t b) { return D4ReadEeprom(a, b, 0x2E, &byte); }, true},
      {"D4WriteEeprom", [](uint8_t a, uint8_t b) { return D4WriteEeprom(a, b, 0x5F, 0); }, true},
      {"SendDataChannel", [](uint8_t, uint8_t) { return SendDataChannel(data, 2); }, false},
      {"SoftReset", [](uint8_t, uint8_t) { return SoftReset(); }, false},
      {"InquireStatus", [](uint8_t, uint8_t) { return InquireStatus(&status); }, false},
      {"HeadCleaning", [](uint8_t a, uint8_t b) { return HeadCleaning(a, b, 2); }, true},
      {"DriveCR", [](uint8_t a, uint8_t b) { return DriveCR(a, b, 3, 0, 2, 0); }, true},
      {"DrivePF", [](uint8_t a, uint8_t b) { return DrivePF(a, b, 2, 1, 25, 0); }, true},
      {"CRHomeReturn", [](uint8_t a, uint8_t b) { return CRHomeReturn(a, b); }, true},
      {"ColorFlushing", [](uint8_t a, uint8_t b) { return ColorFlushing(a, b, 0, 0, 184, 11); },
       true},
      {"WaitTime", [](uint8_t a, uint8_t b) { return WaitTime(a, b, 5); }, true},
      {"PowerOnInitialize", [](uint8_t a, uint8_t b) { return PowerOnInitialize(a, b); }, true},
      {"SaveAllCurrentData", [](uint8_t a, uint8_t b) { return SaveAllCurrentData(a, b); }, true},
      {"WriteBid", [](uint8_t a, uint8_t b) { return WriteBid(a, b, 1, 1, 0); }, true},
      {"ReadCrtag", [](uint8_t a, uint8_t b) { return ReadCrtag(a, b, 0, 35, &byte); }, true},
  };
}

class LinkFailureTest : public ::testing::Test {
 protected:
  VirtualPrinter printer;
};

TEST_F(LinkFailureTest, WithoutAnOpenPortEveryCallIsCannotOpenPort) {
  ASSERT_EQ(printer.Connect(), 1);
  printer.Disconnect();
  EXPECT_EQ(D4Negotiation(), -105);
  EXPECT_EQ(D4Termination(), -105);
  for (const Call& call : EveryCall()) EXPECT_EQ(call.run(M1, M2), -105) << call.name;
  EXPECT_EQ(PortCloseByPHub(), 1);  // harmless without a port
}

TEST_F(LinkFailureTest, WithoutNegotiationEveryCallIsChannelNotOpened) {
  LoadLibraryByPHub();
  uint16_t port = 0;
  ASSERT_EQ(SearchActivePortByPHub(&port), 1);
  EXPECT_EQ(D4Termination(), 8192);
  for (const Call& call : EveryCall()) {
    EXPECT_EQ(call.run(M1, M2), 8192) << call.name;
    EXPECT_EQ(GetD4ErrorCode(), 50) << call.name;
  }
  EXPECT_TRUE(printer.Trace("eeprom_read").empty());
  // After a termination too.
  ASSERT_EQ(D4Negotiation(), 1);
  ASSERT_EQ(D4Termination(), 1);
  uint8_t value = 0;
  EXPECT_EQ(D4ReadEeprom(M1, M2, 0, &value), 8192);
  EXPECT_EQ(GetD4ErrorCode(), 50);
}

TEST_F(LinkFailureTest, LoadAndFreeAreHarmlessTwiceAndGateTheSearch) {
  printer.Disconnect();
  FreeLibraryByPHub();
  EXPECT_EQ(FreeLibraryByPHub(), 1);
  uint16_t port = 0;
  EXPECT_EQ(SearchActivePortByPHub(&port), -105);
  EXPECT_EQ(LoadLibraryByPHub(), 1);
  EXPECT_EQ(LoadLibraryByPHub(), 1);
  EXPECT_EQ(SearchActivePortByPHub(&port), 1);
  EXPECT_EQ(D4Negotiation(), 1);
}

TEST_F(LinkFailureTest, PrinterNamedButAbsentIsCannotOpenPort) {
  LoadLibraryByPHub();
  uint16_t port = 0;
  setenv("QUORLA_PRINTER", "unix:/nonexistent/quorla.sock", 1);
  EXPECT_EQ(SearchActivePortByPHub(&port), -105);
  setenv("QUORLA_PRINTER", "parallel:1", 1);
  EXPECT_EQ(SearchActivePortByPHub(&port), -105);
  setenv("QUORLA_PRINTER", "embedded", 1);
  EXPECT_EQ(SearchActivePortByPHub(&port), 1);
}

TEST_F(LinkFailureTest, SecondPortSearchClosesTheFirstPort) {
  ASSERT_EQ(printer.Connect(), 1);
  uint16_t port = 0;
  ASSERT_EQ(SearchActivePortByPHub(&port), 1);
  // The new port has no connection yet; the old one is gone from the printer.
  PrinterStatus status;
  EXPECT_EQ(InquireStatus(&status), 8192);
  EXPECT_EQ(GetD4ErrorCode(), 50);
  ASSERT_EQ(D4Negotiation(), 1);
  EXPECT_EQ(InquireStatus(&status), 1);
  EXPECT_EQ(printer.TraceOps(), (std::vector<std::string>{"connect", "negotiate", "disconnect",
                                                          "connect", "negotiate", "status"}));
}

class ConnectedFailureTest : public testing_support::VirtualPrinterTest {
 protected:
  void SetUp() override {
    VirtualPrinterTest::SetUp();
    printer().SetLinkTimeoutMs(kShortTimeoutMs);
  }
  // A call expected to time out waits the short time-out; a call after the printer recovers gets
  // the fixture's longer one, so that a loaded machine cannot make it fail.
  void Recovered() { printer().SetLinkTimeoutMs(testing_support::VirtualPrinter::kDefaultTimeoutMs); }

  static constexpr int kShortTimeoutMs = 100;
};

TEST_F(ConnectedFailureTest, WrongModelCodeIsRefusedAndChangesNothing) {
  const uint8_t before = printer().Eeprom(0x5F);
  for (const Call& call : EveryCall()) {
    if (!call.takesModel) continue;
    EXPECT_EQ(call.run(M1, static_cast<uint8_t>(M2 + 1)), 8192) << call.name;
    EXPECT_EQ(GetD4ErrorCode(), 145) << call.name;
    EXPECT_EQ(call.run(0, 0), 8192) << call.name;
  }
  EXPECT_EQ(printer().Eeprom(0x5F), before);
  for (const TraceEntry& entry : printer().Trace()) {
    EXPECT_EQ(entry.Refused(), 145) << entry.op;
  }
}

TEST_F(ConnectedFailureTest, NthCallFailsWithTheInjectedResult) {
  printer().FailNth(Op::kEepromWrite, 3, -103);
  for (uint8_t i = 0; i < 5; ++i) {
    const int16_t result = D4WriteEeprom(M1, M2, static_cast<uint8_t>(0x10 + i), 0xAA);
    EXPECT_EQ(result, i == 2 ? -103 : 1) << int{i};
  }
  EXPECT_EQ(printer().Eeprom(0x12), 0x00);  // the refused write stored nothing
  EXPECT_EQ(printer().Eeprom(0x13), 0xAA);
  EXPECT_EQ(printer().Trace("eeprom_write")[2].Refused(), -103);
}

TEST_F(ConnectedFailureTest, NthCallFailsWithTheInjectedPacketError) {
  printer().FailNthWithPacketError(Op::kEepromRead, 2, 176);
  printer().FailNthWithPacketError(Op::kWriteBid, 1, 144);
  printer().FailNthWithPacketError(Op::kData, 2, 144);
  uint8_t value = 0x77;
  EXPECT_EQ(D4ReadEeprom(M1, M2, 0x47, &value), 1);
  value = 0x77;
  EXPECT_EQ(D4ReadEeprom(M1, M2, 0x47, &value), 8192);
  EXPECT_EQ(GetD4ErrorCode(), 176);
  EXPECT_EQ(value, 0x77);  // nothing stored on failure
  const uint8_t before = printer().Eeprom(0x33);
  EXPECT_EQ(WriteBid(M1, M2, 1, 1, 5), 8192);
  EXPECT_EQ(GetD4ErrorCode(), 144);
  EXPECT_EQ(printer().Eeprom(0x33), before);

  const uint8_t bytes[3] = {1, 2, 3};
  EXPECT_EQ(SendDataChannel(bytes, 3), 1);
  EXPECT_EQ(SendDataChannel(bytes, 3), 8192);
  EXPECT_EQ(GetD4ErrorCode(), 144);
  EXPECT_EQ(SendDataChannel(bytes, 3), 1);
  EXPECT_EQ(printer().PrintData().size(), 6u);
  EXPECT_EQ(printer().Trace("data")[1].Refused(), 144);
}

TEST_F(ConnectedFailureTest, PrinterThatStopsAnsweringTimesOutThenRecovers) {
  printer().device().StopAnswering();
  PrinterStatus status;
  EXPECT_EQ(InquireStatus(&status), -82);
  // The unanswered request still holds the only credit of the control channel.
  EXPECT_EQ(SoftReset(), -81);
  printer().device().ResumeAnswering();
  Recovered();
  uint8_t value = 0;
  EXPECT_EQ(D4ReadEeprom(M1, M2, 0x47, &value), 1);
  EXPECT_EQ(value, 0x32);
}

TEST_F(ConnectedFailureTest, DataToAPrinterThatStopsAnsweringTimesOut) {
  printer().device().StopAnswering();
  const uint8_t bytes[3] = {1, 2, 3};
  EXPECT_EQ(SendDataChannel(bytes, 3), -82);
  printer().device().ResumeAnswering();
  Recovered();
  EXPECT_EQ(SendDataChannel(bytes, 3), 1);
  EXPECT_EQ(printer().PrintData().size(), 6u);
}

TEST_F(ConnectedFailureTest, FullPrintBufferMakesTheSenderWaitThenTimeOut) {
  printer().RaiseError(vprinter::status::kPaperOut);  // nothing is worked through
  const std::vector<uint8_t> packet(1000, 0x22);
  for (int i = 0; i < 8; ++i) ASSERT_EQ(SendDataChannel(packet.data(), 1000), 1) << i;
  EXPECT_EQ(SendDataChannel(packet.data(), 1000), -81);
  printer().ClearError();  // the printer works its buffer off and gives the credit back
  Recovered();
  EXPECT_EQ(SendDataChannel(packet.data(), 1000), 1);
  EXPECT_EQ(printer().PrintData().size(), 9000u);
}

TEST_F(ConnectedFailureTest, LinkDroppedInTheMiddleOfACall) {
  printer().DropLinkAtNth(Op::kEepromWrite, 2);
  EXPECT_EQ(D4WriteEeprom(M1, M2, 0x10, 1), 1);
  EXPECT_EQ(D4WriteEeprom(M1, M2, 0x11, 1), -104);
  const int16_t after = D4WriteEeprom(M1, M2, 0x12, 1);
  EXPECT_TRUE(after == -104 || after == -103) << after;
  EXPECT_EQ(printer().Eeprom(0x11), 0);
  // Negotiating again on the dead port fails the same way; only a new search helps.
  EXPECT_EQ(D4Negotiation(), after);
  // A new search and negotiation bring the printer back.
  uint16_t port = 0;
  ASSERT_EQ(SearchActivePortByPHub(&port), 1);
  ASSERT_EQ(D4Negotiation(), 1);
  EXPECT_EQ(D4WriteEeprom(M1, M2, 0x12, 1), 1);
}

TEST_F(ConnectedFailureTest, LinkDroppedBetweenCalls) {
  printer().device().DropLink();
  PrinterStatus status;
  const int16_t result = InquireStatus(&status);
  EXPECT_TRUE(result == -104 || result == -103) << result;
}

TEST_F(ConnectedFailureTest, CorruptReplyIsRefusedAndTheNextCallWorks) {
  printer().device().CorruptNextPacket();
  uint8_t value = 0;
  EXPECT_EQ(D4ReadEeprom(M1, M2, 0x47, &value), 8192);
  EXPECT_EQ(GetD4ErrorCode(), 128);
  // The corrupt reply carried the channel's credit; the next call waits for it in vain.
  EXPECT_EQ(D4ReadEeprom(M1, M2, 0x47, &value), -81);
  // A new connection starts clean.
  ASSERT_EQ(D4Termination(), 1);
  ASSERT_EQ(D4Negotiation(), 1);
  EXPECT_EQ(D4ReadEeprom(M1, M2, 0x47, &value), 1);
  EXPECT_EQ(value, 0x32);
}

TEST_F(ConnectedFailureTest, RefusedChannelOrNegotiationFailsTheNegotiation) {
  ASSERT_EQ(D4Termination(), 1);
  printer().device().RefuseChannel("QUORLA-PRINT-DATA");
  EXPECT_EQ(D4Negotiation(), 8192);
  EXPECT_EQ(GetD4ErrorCode(), 34);
  PrinterStatus status;
  EXPECT_EQ(InquireStatus(&status), 8192);
  EXPECT_EQ(GetD4ErrorCode(), 50);
  printer().device().AcceptChannels();
  printer().FailNthWithPacketError(Op::kNegotiate, 1, 19);
  EXPECT_EQ(D4Negotiation(), 8192);
  EXPECT_EQ(GetD4ErrorCode(), 19);
  EXPECT_EQ(D4Negotiation(), 1);
  EXPECT_EQ(InquireStatus(&status), 1);
}

TEST_F(ConnectedFailureTest, TerminationClosesTheConnectionEvenWhenRefused) {
  printer().FailNthWithPacketError(Op::kTerminate, 1, 144);
  EXPECT_EQ(D4Termination(), 8192);
  PrinterStatus status;
  EXPECT_EQ(InquireStatus(&status), 8192);
  EXPECT_EQ(GetD4ErrorCode(), 50);
}

}  // namespace
