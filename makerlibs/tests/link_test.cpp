// Every library function against the embedded virtual printer over the real socketpair: results,
// cells, status values, chip bytes and the trace lines the printer writes.
#include <gtest/gtest.h>

#include <filesystem>

#include "link/mechcmd.h"
#include "link/modelcode.h"
#include "link/pktlink.h"
#include "tests/support/vprinterfixture.h"

namespace {

using testing_support::TraceEntry;
using vprinter::Op;
namespace st = vprinter::status;

constexpr uint8_t M1 = QUORLA_Z40_MODEL_CODE_1;
constexpr uint8_t M2 = QUORLA_Z40_MODEL_CODE_2;

class LinkTest : public testing_support::VirtualPrinterTest {
 protected:
  PrinterStatus Status() {
    PrinterStatus status{0, 0};
    EXPECT_EQ(InquireStatus(&status), 1);
    return status;
  }
  unsigned Counter() { return printer().Eeprom(0x0A) * 256u + printer().Eeprom(0x0B); }
};

// ---- EEPROM
// ---------------------------------------------------------------------------------------

TEST_F(LinkTest, ReadsEveryCellAsStored) {
  printer().SetEeprom(0x10, {0x00, 0x7F, 0x80, 0xFF});
  for (int address = 0; address < 256; ++address) {
    uint8_t value = 0xA5;
    ASSERT_EQ(D4ReadEeprom(M1, M2, static_cast<uint8_t>(address), &value), 1) << address;
    EXPECT_EQ(value, printer().Eeprom(static_cast<uint8_t>(address))) << address;
  }
  const std::vector<TraceEntry> reads = printer().Trace("eeprom_read");
  ASSERT_EQ(reads.size(), 256u);
  EXPECT_EQ(reads[0x12].Num("addr"), 0x12);
  EXPECT_EQ(reads[0x12].Num("value"), 0x80);
  EXPECT_FALSE(reads[0x12].Has("refused"));
}

TEST_F(LinkTest, WritesCellsAndTracesEachWrite) {
  ASSERT_EQ(D4WriteEeprom(M1, M2, 0x2E, 0xE7), 1);
  ASSERT_EQ(D4WriteEeprom(M1, M2, 0xFF, 0x00), 1);
  EXPECT_EQ(printer().Eeprom(0x2E), 0xE7);
  EXPECT_EQ(printer().Eeprom(0xFF), 0x00);
  const std::vector<TraceEntry> writes = printer().Trace("eeprom_write");
  ASSERT_EQ(writes.size(), 2u);
  EXPECT_EQ(writes[0].Num("addr"), 0x2E);
  EXPECT_EQ(writes[0].Num("value"), 0xE7);
  EXPECT_LT(writes[0].Num("seq"), writes[1].Num("seq"));
}

TEST_F(LinkTest, FactoryImageFitsTheProgramsAddressMap) {
  // Head ID markers, an 18-character USB ID, Bi-D values in range, margins at zero, a counter
  // below its warning level.
  for (uint8_t a = 0x47; a <= 0x4A; ++a) EXPECT_EQ(printer().Eeprom(a), 0x32);
  for (uint8_t a = 0x4D; a <= 0x5E; ++a) EXPECT_TRUE(std::isalnum(printer().Eeprom(a))) << int{a};
  for (uint8_t a = 0x33; a <= 0x38; ++a) {
    const int v = static_cast<int8_t>(printer().Eeprom(a));
    EXPECT_TRUE(v >= -36 && v <= 36) << int{a};
  }
  EXPECT_EQ(printer().Eeprom(0x2E), 0);
  EXPECT_EQ(printer().Eeprom(0x39), 0);
  EXPECT_LT(Counter(), 16289u);
  EXPECT_EQ(printer().Eeprom(0x3F), 6);  // F of F2KM7RW
  EXPECT_EQ(printer().Eeprom(0x46), 2);
}

// ---- status and soft reset
// ------------------------------------------------------------------------

TEST_F(LinkTest, StatusFollowsThePrinterState) {
  EXPECT_EQ(Status().Status, st::kIdle);

  printer().RaiseError(st::kPaperOut);
  PrinterStatus status = Status();
  EXPECT_EQ(status.Status, st::kError);
  EXPECT_EQ(status.Error, st::kPaperOut);
  printer().ClearError();
  EXPECT_EQ(Status().Status, st::kIdle);

  printer().BusyForPolls(2);
  printer().RaiseError(st::kPaperJam);
  EXPECT_EQ(Status().Error, st::kPaperJam);  // an error is reported before injected busy polls
  printer().ClearError();
  EXPECT_EQ(Status().Status, st::kBusy);
  EXPECT_EQ(Status().Status, st::kBusy);
  EXPECT_EQ(Status().Status, st::kIdle);

  printer().device().SetInkCharged(false);
  EXPECT_EQ(Status().Status, st::kBeforeInitialFillUp);
  printer().ForceStatus(st::kSelfTest);
  EXPECT_EQ(Status().Status, st::kSelfTest);

  const std::vector<TraceEntry> polls = printer().Trace("status");
  ASSERT_EQ(polls.size(), 9u);
  EXPECT_EQ(polls[1].Num("status"), st::kError);
  EXPECT_EQ(polls[1].Num("error"), st::kPaperOut);
  EXPECT_EQ(polls[0].Num("error"), 0);
}

TEST_F(LinkTest, SoftResetIsAcceptedAndTraced) {
  ASSERT_EQ(SoftReset(), 1);
  EXPECT_EQ(printer().TraceOps(), std::vector<std::string>{"soft_reset"});
}

// ---- data channel
// ---------------------------------------------------------------------------------

TEST_F(LinkTest, EachSendOfUpToAThousandBytesIsOnePacket) {
  std::vector<uint8_t> bytes(1000);
  for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<uint8_t>(i);
  ASSERT_EQ(SendDataChannel(bytes.data(), 1000), 1);
  ASSERT_EQ(SendDataChannel(bytes.data(), 3), 1);
  const std::vector<TraceEntry> data = printer().Trace("data");
  ASSERT_EQ(data.size(), 2u);
  EXPECT_EQ(data[0].Bytes(), bytes);
  EXPECT_EQ(data[1].strings.at("hex"), "000102");
}

TEST_F(LinkTest, LargeSendsAreSplitAndArriveInOrder) {
  // Two commands the print engine skips by their length, so the printer renders nothing and
  // only the transport is measured; their parameters vary so that a reordering would show.
  std::vector<uint8_t> bytes;
  for (int command = 0; command < 2; ++command) {
    const std::size_t length = 50000 - 5;
    for (uint8_t b : {0x1B, 0x28, 0x7A, static_cast<int>(length & 0xFF), static_cast<int>(length >> 8)}) {
      bytes.push_back(b);
    }
    for (std::size_t i = 0; i < length; ++i) bytes.push_back(static_cast<uint8_t>(i * 7 + i / 256));
  }
  ASSERT_EQ(SendDataChannel(bytes.data(), static_cast<int32_t>(bytes.size())), 1);
  EXPECT_EQ(printer().PrintData(), bytes);
  EXPECT_EQ(printer().Trace("data").size(), (bytes.size() + 4095) / 4096);
  EXPECT_EQ(Status().Status, st::kIdle);
}

TEST_F(LinkTest, EmptyOrInvalidSends) {
  EXPECT_EQ(SendDataChannel(nullptr, 0), 1);
  EXPECT_TRUE(printer().Trace("data").empty());
  const uint8_t byte = 0;
  EXPECT_EQ(SendDataChannel(&byte, -1), 8192);
  EXPECT_EQ(GetD4ErrorCode(), 145);
  EXPECT_EQ(SendDataChannel(nullptr, 5), 8192);
  EXPECT_EQ(GetD4ErrorCode(), 145);
}

// ---- mechanism library
// ----------------------------------------------------------------------------

TEST_F(LinkTest, WriteBidStoresEachPairInItsCell) {
  const struct {
    uint8_t drop, ink, cell;
  } pairs[] = {{1, 1, 0x33}, {2, 1, 0x34}, {3, 1, 0x35}, {1, 2, 0x36}, {2, 2, 0x37}, {3, 2, 0x38}};
  int8_t value = -36;
  for (const auto& p : pairs) {
    ASSERT_EQ(WriteBid(M1, M2, p.drop, p.ink, static_cast<uint8_t>(value)), 1);
    EXPECT_EQ(static_cast<int8_t>(printer().Eeprom(p.cell)), value);
    value = static_cast<int8_t>(value + 13);
  }
  const std::vector<TraceEntry> writes = printer().Trace("write_bid");
  ASSERT_EQ(writes.size(), 6u);
  EXPECT_EQ(writes[0].Num("drop"), 1);
  EXPECT_EQ(writes[0].Num("ink"), 1);
  EXPECT_EQ(writes[0].Num("value"), -36);

  for (auto [drop, ink] : {std::pair{0, 1}, {4, 1}, {1, 0}, {1, 3}}) {
    EXPECT_EQ(WriteBid(M1, M2, static_cast<uint8_t>(drop), static_cast<uint8_t>(ink), 0), 8192);
    EXPECT_EQ(GetD4ErrorCode(), 145);
  }
}

TEST_F(LinkTest, ReadCrtagGivesTheChipBytes) {
  for (uint8_t cart : {0, 1}) {
    std::string company;
    for (uint8_t a = 35; a <= 39; ++a) {
      uint8_t value = 0;
      ASSERT_EQ(ReadCrtag(M1, M2, cart, a, &value), 1);
      company += static_cast<char>(value);
    }
    EXPECT_EQ(company, "KORVA");
  }
  printer().SetChip(1, 1, 55);
  uint8_t value = 0;
  ASSERT_EQ(ReadCrtag(M1, M2, 1, 1, &value), 1);
  EXPECT_EQ(value, 55);
  const TraceEntry last = printer().Trace("read_crtag").back();
  EXPECT_EQ(last.Num("cart"), 1);
  EXPECT_EQ(last.Num("addr"), 1);
  EXPECT_EQ(last.Num("value"), 55);

  EXPECT_EQ(ReadCrtag(M1, M2, 2, 0, &value), 8192);
  EXPECT_EQ(GetD4ErrorCode(), 145);
  EXPECT_EQ(ReadCrtag(M1, M2, 0, 64, &value), 8192);
  EXPECT_EQ(ReadCrtag(M1, M2, 0, 0, nullptr), 8192);
}

TEST_F(LinkTest, CleaningUsesInkCountsAndFillsTheWastePad) {
  const unsigned counter = Counter();
  const uint8_t black = printer().Chip(0, 0);
  const uint8_t cleanings = printer().Chip(1, 6);
  ASSERT_EQ(HeadCleaning(M1, M2, 2), 1);
  EXPECT_EQ(Status().Status, st::kIdle);  // time scale 0: already done
  EXPECT_EQ(Counter(), counter + vprinter::waste::kCleaning);
  EXPECT_LT(printer().Chip(0, 0), black);
  EXPECT_EQ(printer().Chip(1, 6), cleanings + 1);

  printer().device().SetInkCharged(false);
  ASSERT_EQ(HeadCleaning(M1, M2, 9), 1);
  EXPECT_EQ(Status().Status, st::kIdle);
  EXPECT_EQ(Counter(), counter + vprinter::waste::kCleaning + vprinter::waste::kInitialCharge);

  EXPECT_EQ(HeadCleaning(M1, M2, 3), 8192);
  EXPECT_EQ(GetD4ErrorCode(), 145);
  const std::vector<TraceEntry> cleanings_traced = printer().Trace("head_cleaning");
  ASSERT_EQ(cleanings_traced.size(), 3u);
  EXPECT_EQ(cleanings_traced[1].Num("mode"), 9);
  EXPECT_EQ(cleanings_traced[2].Refused(), 145);
}

TEST_F(LinkTest, MotionsAreTracedWithTheirArguments) {
  ASSERT_EQ(DriveCR(M1, M2, 3, 0, 188, 2), 1);
  ASSERT_EQ(DrivePF(M1, M2, 2, 1, 0x30, 0x75), 1);
  EXPECT_EQ(printer().device().MechanismPosition(), (std::pair<long, long>{700, -30000}));
  ASSERT_EQ(CRHomeReturn(M1, M2), 1);
  EXPECT_EQ(printer().device().MechanismPosition().first, 0);
  ASSERT_EQ(ColorFlushing(M1, M2, 0, 0, 0xB8, 0x0B), 1);
  ASSERT_EQ(WaitTime(M1, M2, 150), 1);
  EXPECT_EQ(DriveCR(M1, M2, 3, 2, 0, 0), 8192);  // direction is 0 or 1

  const std::vector<TraceEntry> t = printer().Trace();
  ASSERT_EQ(t.size(), 6u);
  EXPECT_EQ(t[0].op, "drive_cr");
  EXPECT_EQ(t[0].Num("mode"), 3);
  EXPECT_EQ(t[0].Num("dir"), 0);
  EXPECT_EQ(t[0].Num("lo"), 188);
  EXPECT_EQ(t[0].Num("hi"), 2);
  EXPECT_EQ(t[1].op, "drive_pf");
  EXPECT_EQ(t[1].Num("mode"), 2);
  EXPECT_EQ(t[2].op, "cr_home_return");
  EXPECT_EQ(t[3].op, "color_flushing");
  EXPECT_EQ(t[3].Num("p1"), 0);
  EXPECT_EQ(t[3].Num("p2"), 0);
  EXPECT_EQ(t[3].Num("lo"), 0xB8);
  EXPECT_EQ(t[3].Num("hi"), 0x0B);
  EXPECT_EQ(t[4].op, "wait_time");
  EXPECT_EQ(t[4].Num("value"), 150);
  EXPECT_EQ(t[5].Refused(), 145);
}

TEST_F(LinkTest, SaveAllWritesTheStateAndPowerOnIsTraced) {
  std::filesystem::remove(printer().stateDir() / "printer-state.txt");
  ASSERT_EQ(D4WriteEeprom(M1, M2, 0x2E, 0x19), 1);
  ASSERT_EQ(SaveAllCurrentData(M1, M2), 1);
  ASSERT_EQ(PowerOnInitialize(M1, M2), 1);
  EXPECT_TRUE(std::filesystem::exists(printer().stateDir() / "printer-state.txt"));
  EXPECT_EQ(printer().TraceOps(), (std::vector<std::string>{"eeprom_write", "save_all_current_data",
                                                            "power_on_initialize"}));
  EXPECT_EQ(Status().Status, st::kIdle);
}

// ---- time, soft reset and the waste-ink counter
// ---------------------------------------------------

TEST_F(LinkTest, CleaningTakesTimeUnlessTheScaleIsZero) {
  printer().device().SetTimeScale(1000);  // a cleaning would take hours
  ASSERT_EQ(HeadCleaning(M1, M2, 2), 1);
  EXPECT_EQ(Status().Status, st::kCleaning);
  ASSERT_EQ(SoftReset(), 1);
  EXPECT_EQ(Status().Status, st::kCleaning);
  printer().device().SetTimeScale(0);
  EXPECT_EQ(Status().Status, st::kIdle);
}

TEST_F(LinkTest, SoftResetNeverDiscardsAcceptedPrintData) {
  printer().device().SetTimeScale(1000);
  const std::vector<uint8_t> bytes(500, 0x55);
  ASSERT_EQ(SendDataChannel(bytes.data(), 500), 1);
  EXPECT_EQ(Status().Status, st::kPrinting);
  ASSERT_EQ(SoftReset(), 1);
  EXPECT_EQ(printer().device().PendingPrintBytes(), 500u);
  EXPECT_EQ(Status().Status, st::kPrinting);
  printer().device().SetTimeScale(0);
  EXPECT_EQ(Status().Status, st::kIdle);
  EXPECT_EQ(printer().device().PendingPrintBytes(), 0u);
}

TEST_F(LinkTest, PrintingWaitsWhileThePrinterStandsInAnError) {
  printer().RaiseError(st::kCoverOpen);
  const std::vector<uint8_t> bytes(10, 0x11);
  ASSERT_EQ(SendDataChannel(bytes.data(), 10), 1);  // accepted into the buffer
  EXPECT_EQ(printer().device().PendingPrintBytes(), 10u);
  EXPECT_EQ(HeadCleaning(M1, M2, 2), 8192);  // the mechanism does nothing now
  EXPECT_EQ(GetD4ErrorCode(), 144);
  printer().ClearError();
  EXPECT_EQ(Status().Status, st::kIdle);
  EXPECT_EQ(printer().device().PendingPrintBytes(), 0u);
}

TEST_F(LinkTest, FullWastePadStopsThePrinterUntilClearedAndInitialised) {
  const unsigned nearlyFull = vprinter::kProtectionLimit - 10;
  printer().SetEeprom(
      0x0A, {static_cast<uint8_t>(nearlyFull >> 8), static_cast<uint8_t>(nearlyFull & 0xFF)});
  ASSERT_EQ(HeadCleaning(M1, M2, 2), 1);
  PrinterStatus status = Status();
  EXPECT_EQ(status.Status, st::kError);
  EXPECT_EQ(status.Error, st::kMaintenance);

  // Initialising alone does not help while the counter is full.
  ASSERT_EQ(PowerOnInitialize(M1, M2), 1);
  EXPECT_EQ(Status().Error, st::kMaintenance);
  ASSERT_EQ(D4WriteEeprom(M1, M2, 0x0B, 0), 1);
  ASSERT_EQ(D4WriteEeprom(M1, M2, 0x0A, 0), 1);
  EXPECT_EQ(Status().Error, st::kMaintenance);  // cleared, but not yet initialised
  ASSERT_EQ(PowerOnInitialize(M1, M2), 1);
  EXPECT_EQ(Status().Status, st::kIdle);
}

TEST_F(LinkTest, EmptyCartridgeIsAnInkOutErrorUntilReplaced) {
  vprinter::PrinterState state = printer().device().State();
  ASSERT_GT(state.inkUsedMl[0], 0.0);
  // Cleanings until a cartridge runs dry (the smaller colour chambers go first).
  PrinterStatus status{};
  for (int i = 0; i < 100 && status.Status != st::kError; ++i) {
    ASSERT_EQ(HeadCleaning(M1, M2, 2), 1);
    status = Status();
  }
  EXPECT_EQ(status.Error, st::kInkOut);
  EXPECT_EQ(printer().Chip(1, 0), 0);
  EXPECT_GT(printer().Chip(0, 0), 0);
  printer().device().ReplaceCartridges();
  EXPECT_EQ(Status().Status, st::kIdle);
  EXPECT_EQ(printer().Chip(1, 0), 100);
  EXPECT_EQ(printer().Chip(0, 0), 100);
}

}  // namespace
