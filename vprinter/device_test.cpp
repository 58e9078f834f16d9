// The device model's own behaviour, driven directly: the trace format, the order of Bi-D changes
// within the print stream, faults counted per kind, and the operator's commands.
#include "vprinter/device.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <fstream>
#include <set>

#include "link/modelcode.h"
#include "makerlibs/d4/commands.h"
#include "vprinter/commands.h"
#include "vprinter/engine_sheet.h"
#include "vprinter/sheetwriter.h"
#include "vprinter/tempdir_test.h"
#include "vprinter/trace.h"

namespace vprinter {
namespace {

constexpr uint8_t M1 = QUORLA_Z40_MODEL_CODE_1;
constexpr uint8_t M2 = QUORLA_Z40_MODEL_CODE_2;

class DeviceTest : public TempDeviceTest {
 protected:
  std::vector<uint8_t> Control(std::vector<uint8_t> request) {
    Device::Answer answer = device_->Control(1, request);
    EXPECT_FALSE(answer.drop);
    return answer.reply;
  }
  static int16_t Result(const std::vector<uint8_t>& reply) {
    return static_cast<int16_t>(d4::GetU16(reply.data() + 2));
  }
};

TEST(Trace, LinesAreJsonWithSeqFirstAndNumbersAsNumbers) {
  Trace trace;
  trace.SetKeepInMemory(true);
  trace.Write(TraceRecord("eeprom_read").Num("addr", 46).Num("value", 0));
  const uint8_t bytes[] = {0x1B, 0x40};
  trace.Write(TraceRecord("data").Hex("hex", bytes, 2).Num("refused", -103));
  trace.Write(TraceRecord("sheet").Str("file", "a\"b\\c\n"));
  ASSERT_EQ(trace.Lines().size(), 3u);
  EXPECT_EQ(trace.Lines()[0], R"({"seq":1,"op":"eeprom_read","addr":46,"value":0})");
  EXPECT_EQ(trace.Lines()[1], R"({"seq":2,"op":"data","hex":"1B40","refused":-103})");
  EXPECT_EQ(trace.Lines()[2], R"({"seq":3,"op":"sheet","file":"a\"b\\c\u000a"})");
}

TEST_F(DeviceTest, RepliesCarryCommandTagResultAndData) {
  const std::vector<uint8_t> reply = Control({d4::cmd::kReadEeprom, 7, M1, M2, 0x47});
  EXPECT_EQ(reply, (std::vector<uint8_t>{0x81, 7, 0, 1, 0, 0, 0x32}));
  // Malformed requests: wrong argument count, unknown command, too short.
  EXPECT_EQ(Result(Control({d4::cmd::kReadEeprom, 8, M1, M2})), 8192);
  EXPECT_EQ(d4::GetU16(Control({d4::cmd::kReadEeprom, 8, M1, M2}).data() + 4),
            d4::err::ErrPacketSizeInvalid);
  EXPECT_EQ(d4::GetU16(Control({0x7E, 9}).data() + 4), d4::err::InvalidParameter);
  EXPECT_EQ(Result(Control({d4::cmd::kSoftReset})), 8192);
}

TEST_F(DeviceTest, FaultsCountCallsOfTheirKindOnly) {
  device_->FailNth(Op::kEepromRead, 2, -104);
  EXPECT_EQ(Result(Control({d4::cmd::kWriteEeprom, 1, M1, M2, 0, 0})), 1);
  EXPECT_EQ(Result(Control({d4::cmd::kReadEeprom, 2, M1, M2, 0})), 1);
  EXPECT_EQ(Result(Control({d4::cmd::kWriteEeprom, 3, M1, M2, 0, 0})), 1);
  EXPECT_EQ(Result(Control({d4::cmd::kReadEeprom, 4, M1, M2, 0})), -104);
  EXPECT_EQ(Result(Control({d4::cmd::kReadEeprom, 5, M1, M2, 0})), 1);
  EXPECT_EQ(device_->Calls(Op::kEepromRead), 3);
  device_->DropLinkAtNth(Op::kStatus, 1);
  EXPECT_TRUE(device_->Control(1, {d4::cmd::kInquireStatus, 6}).drop);
}

// Two faults armed on one kind each count every call once, whichever fires first; two due on the
// same call fire one after the other, the first armed first.
TEST_F(DeviceTest, FaultsOfOneKindEachCountACallOnce) {
  device_->FailNth(Op::kEepromRead, 5, -104);
  device_->FailNthWithPacketError(Op::kEepromRead, 2, d4::err::InvalidParameter);
  device_->FailNth(Op::kStatus, 2, -103);
  device_->FailNth(Op::kStatus, 2, -82);
  std::vector<int> reads, polls;
  for (uint8_t tag = 1; tag <= 6; ++tag) {
    reads.push_back(Result(Control({d4::cmd::kReadEeprom, tag, M1, M2, 0})));
    polls.push_back(Result(Control({d4::cmd::kInquireStatus, tag})));
  }
  EXPECT_EQ(reads, (std::vector<int>{1, 8192, 1, 1, -104, 1}));
  EXPECT_EQ(polls, (std::vector<int>{1, -103, -82, 1, 1, 1}));
}

TEST_F(DeviceTest, BidChangeTakesItsPlaceInThePrintStream) {
  device_->SetTimeScale(1000);
  const std::vector<uint8_t> block(100, 0xFF);
  device_->Data(1, 0, block);
  EXPECT_EQ(Result(Control({d4::cmd::kWriteBid, 1, M1, M2, 2, 1, 0xFE})), 1);
  // The cell holds the new value at once; the data before it is still to be printed with the
  // old one, so the change waits behind it.
  EXPECT_EQ(device_->PeekEeprom(0x34), 0xFE);
  EXPECT_EQ(device_->PendingPrintBytes(), 100u);
  EXPECT_EQ(device_->CurrentStatus().first, status::kPrinting);
  device_->SetTimeScale(0);
  EXPECT_EQ(device_->PendingPrintBytes(), 0u);
  EXPECT_EQ(device_->CurrentStatus().first, status::kIdle);
  EXPECT_EQ(device_->TakeCreditReturns()[1], 1);
}

TEST_F(DeviceTest, CleaningBehindPrintDataShowsPrintingFirst) {
  device_->SetTimeScale(1000);
  device_->Data(1, 0, std::vector<uint8_t>(10, 0));
  EXPECT_EQ(Result(Control({d4::cmd::kHeadCleaning, 1, M1, M2, 2})), 1);
  EXPECT_EQ(device_->CurrentStatus().first, status::kPrinting);
  device_->SetTimeScale(0);
  EXPECT_EQ(device_->CurrentStatus().first, status::kIdle);
}

// A job that sends no form feed (the top-margin line, the Bi-D pattern) still comes out: at
// power-on initialisation, when the connection ends, or after the printer has idled a while.
TEST_F(DeviceTest, AHalfPrintedSheetIsEjectedWhenTheJobEnds) {
  auto sheets = [this] {
    int n = 0;
    for (const std::string& line : device_->TraceLines())
      n += line.find("\"op\":\"sheet\"") != std::string::npos;
    return n;
  };
  const std::vector<uint8_t> text = {'A', 'B', 0x0D, 0x0A};
  device_->Data(1, 0, text);
  device_->Advance();
  EXPECT_EQ(sheets(), 0);
  EXPECT_EQ(Result(Control({d4::cmd::kPowerOnInitialize, 1, M1, M2})), 1);
  device_->Advance();
  EXPECT_EQ(sheets(), 1);

  device_->Data(1, 1, text);
  bool drop = false;
  EXPECT_TRUE(device_->Terminate(1, &drop).ok());
  device_->Advance();
  EXPECT_EQ(sheets(), 2);
  // Nothing half printed: ending the job again ejects nothing.
  EXPECT_TRUE(device_->Terminate(1, &drop).ok());
  device_->Advance();
  EXPECT_EQ(sheets(), 2);

  // With time running, the sheet comes out after the idle time, not before.
  const double scale = 1e-4;
  device_->SetTimeScale(scale);
  device_->Data(1, 2, text);
  std::optional<std::chrono::nanoseconds> due = device_->Advance();
  while (due && due->count() == 0) due = device_->Advance();
  ASSERT_TRUE(due.has_value());
  EXPECT_LE(due->count(), static_cast<long long>(timing::kIdleEject * scale * 1e9) + 1);
  EXPECT_EQ(sheets(), 2);
  const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (sheets() == 2 && std::chrono::steady_clock::now() < limit) device_->Advance();
  EXPECT_EQ(sheets(), 3);
}

// A tray that takes no sheet is found at start, and a sheet lost later is traced and said at once.
TEST_F(DeviceTest, ASheetThatCannotBeWrittenIsReported) {
  EXPECT_EQ(device_->TrayError(), "");
  std::ofstream(dir_ / "file") << "x";
  DeviceOptions options;
  options.trayDir = dir_ / "file" / "tray";
  options.traceInMemory = true;
  options.timeScale = 0;
  std::vector<std::string> told;
  options.onWarning = [&told](const std::string& warning) { told.push_back(warning); };
  Device blocked(options);
  EXPECT_NE(blocked.TrayError().find("file/tray"), std::string::npos) << blocked.TrayError();

  blocked.Data(1, 0, {'A', 0x0C});
  blocked.Advance();
  const std::vector<std::string> trace = blocked.TraceLines();
  ASSERT_FALSE(trace.empty());
  EXPECT_NE(trace.back().find("\"op\":\"sheet_lost\""), std::string::npos) << trace.back();
  ASSERT_EQ(told.size(), 1u);
  EXPECT_EQ(told[0].rfind("a sheet was lost: cannot create the tray", 0), 0u) << told[0];
}

// One client can queue only so much mechanism work; another is still served.
TEST_F(DeviceTest, MechanismWorkQueuedPerConnectionIsBounded) {
  device_->SetTimeScale(1);  // nothing finishes while the test runs
  const std::vector<uint8_t> wait = {d4::cmd::kWaitTime, 1, M1, M2, 200};
  for (std::size_t i = 0; i < Device::kMaxQueuedWorkPerConnection; ++i) {
    ASSERT_EQ(Result(device_->Control(1, wait).reply), 1) << i;
  }
  const std::vector<uint8_t> refused = device_->Control(1, wait).reply;
  EXPECT_EQ(Result(refused), 8192);
  EXPECT_EQ(d4::GetU16(refused.data() + 4), d4::err::PrinterIsBusy);
  EXPECT_EQ(Result(device_->Control(2, wait).reply), 1);
}

// Sheets are written off the printer's thread: with the tray slow, the printer goes on answering,
// holds the print data and its credit once the writer is full, and goes on when it has room.
TEST_F(DeviceTest, SlowSheetWritingHoldsTheDataNotThePrinter) {
  device_->HoldSheetWriter(true);
  std::vector<uint8_t> feeds;
  for (int i = 0; i < 12; ++i) feeds.insert(feeds.end(), {'A', 0x0C});
  device_->Data(1, 0, feeds);
  device_->Advance();
  EXPECT_GT(device_->PendingPrintBytes(), 0u);
  EXPECT_TRUE(device_->TakeCreditReturns().empty());  // the host waits for credit
  EXPECT_EQ(Result(Control({d4::cmd::kInquireStatus, 1})), 1);
  EXPECT_EQ(device_->CurrentStatus().first, status::kPrinting);
  EXPECT_EQ(device_->PaperInTray(),
            PaperTray::kCapacity - static_cast<int>(SheetWriter::kCapacity));

  device_->HoldSheetWriter(false);
  for (int round = 0; round < 100 && device_->PendingPrintBytes() > 0; ++round) {
    device_->TraceLines();  // waits for the writer
    device_->Advance();
  }
  EXPECT_EQ(device_->PendingPrintBytes(), 0u);
  EXPECT_EQ(device_->TakeCreditReturns()[1], 1);
  int sheets = 0;
  for (const std::string& line : device_->TraceLines()) {
    sheets += line.find("\"op\":\"sheet\"") != std::string::npos;
  }
  EXPECT_EQ(sheets, 12);
}

// A sheet waits packed; what reaches the tray is the sheet, pixel for pixel: rows of runs, a row
// with no run at all (kept as it is), a row ending in a run, and white rows inside and outside the
// band that carries ink.
TEST(SheetWriterPacking, TheSheetWrittenIsTheSheetTaken) {
  TempDir tray("quorla-sheets");
  std::vector<uint8_t> pixels(static_cast<std::size_t>(kSheetWidth) * kSheetHeight, 0);
  auto row = [&](int y) { return pixels.data() + static_cast<std::size_t>(y) * kSheetWidth; };
  for (int x = 100; x < 400; ++x) row(10)[x] = 1;
  for (int x = 0; x < kSheetWidth; ++x) row(11)[x] = static_cast<uint8_t>(x % 7 + x % 3);
  for (int x = kSheetWidth - 5; x < kSheetWidth; ++x) row(13)[x] = 4;
  row(kSheetHeight - 1)[0] = 2;  // outside the band given: must come out white
  std::vector<std::string> files;
  {
    SheetWriter writer(tray.path(), [&](const std::string& file, const std::string& error) {
      EXPECT_EQ(error, "");
      files.push_back(file);
    });
    writer.Take(pixels.data(), 10, 14);
    writer.Drain();
  }
  ASSERT_EQ(files.size(), 1u);
  std::vector<uint8_t> written;
  int width = 0, height = 0;
  std::string error;
  ASSERT_TRUE(DecodeSheetPng(files[0], written, width, height, error)) << error;
  row(kSheetHeight - 1)[0] = 0;
  EXPECT_TRUE(written == pixels);
}

TEST_F(DeviceTest, ReplacingTheMainBoardGivesANewBoardsEeprom) {
  device_->PowerOff();
  ASSERT_TRUE(device_->ReplaceMainBoard());
  EXPECT_EQ(device_->Eeprom(), NewBoardEeprom());
}

// The operator sets an ink level; a cleaning counts down from it, not from the ink used before.
TEST_F(DeviceTest, AnInkLevelSetOnTheChipIsWhereTheInkCountsDownFrom) {
  EXPECT_EQ(RunCommand(*device_, "chip 1 1 30").text, "chip 1 1 = 30");
  EXPECT_EQ(RunCommand(*device_, "chip 0 0 0x50").text, "chip 0 0 = 80");
  EXPECT_EQ(Result(Control({d4::cmd::kHeadCleaning, 1, M1, M2, 2})), 1);
  device_->Advance();
  EXPECT_EQ(device_->PeekChip(1, 1), 28);  // 0.12 of 6 ml
  EXPECT_EQ(device_->PeekChip(0, 0), 79);  // 0.25 of 17 ml
  EXPECT_EQ(device_->PeekChip(1, 0), 83);  // cyan as it was: 85 % less 2 %
  EXPECT_FALSE(RunCommand(*device_, "chip 1 64 1").ok);
  EXPECT_FALSE(RunCommand(*device_, "chip 1 3 256").ok);
}

TEST_F(DeviceTest, OperatorCommands) {
  EXPECT_TRUE(RunCommand(*device_, "error paper-out").ok);
  EXPECT_EQ(device_->CurrentStatus(), (std::pair<uint16_t, uint16_t>{0xEFFF, 0xEF09}));
  EXPECT_TRUE(RunCommand(*device_, "clear").ok);
  EXPECT_TRUE(RunCommand(*device_, "error 0xEF0C").ok);
  EXPECT_EQ(device_->CurrentStatus().second, 0xEF0C);
  EXPECT_TRUE(RunCommand(*device_, "clear").ok);
  EXPECT_EQ(RunCommand(*device_, "eeprom 0x2E 25").text, "0x2E = 0x19");
  EXPECT_EQ(RunCommand(*device_, "chip 1 35").text, "chip 1 35 = 75");
  EXPECT_TRUE(RunCommand(*device_, "fail eeprom_read 1 -82").ok);
  EXPECT_EQ(Result(Control({d4::cmd::kReadEeprom, 1, M1, M2, 0})), -82);
  EXPECT_TRUE(RunCommand(*device_, "fail-packet data 1 144").ok);
  const Device::Answer data = device_->Data(1, 0, {1});
  EXPECT_EQ(d4::GetU16(data.reply.data() + 3), 144);
  EXPECT_TRUE(RunCommand(*device_, "busy 1").ok);
  const std::vector<uint8_t> busy = Control({d4::cmd::kInquireStatus, 2});
  EXPECT_EQ(d4::GetU16(busy.data() + 6), status::kBusy);
  EXPECT_TRUE(RunCommand(*device_, "quit").quit);
  EXPECT_TRUE(RunCommand(*device_, "").ok);
  // Every nozzle clogged: a random clog has none left and says so as a refusal.
  // A seed takes all 32 bits.
  EXPECT_TRUE(RunCommand(*device_, "clog random 1 4294967295").ok);
  EXPECT_TRUE(RunCommand(*device_, "clog random 1000 5").ok);
  const CommandResult none = RunCommand(*device_, "clog random 1 5");
  EXPECT_FALSE(none.ok);
  EXPECT_EQ(none.text.rfind("error: ", 0), 0u) << none.text;
  for (const char* bad : {"fail nothing 1 1",
                          "fail eeprom_read 0 1",
                          "eeprom 300",
                          "error pink",
                          "time-scale -1",
                          "time-scale inf",
                          "time-scale nan",
                          "time-scale 1e300",
                          "time-scale 1001",
                          "frobnicate",
                          "bid-offset 4294967297 1 0",
                          "bid-offset 1 3 0",
                          "bid-offset 1 1 41",
                          "feed-offset 51 0",
                          "feed-offset 0 -4294967296",
                          "replace-head A1AAAAATTTX",
                          "judge",
                          "busy 4294967296",
                          "drop-at eeprom_read 4294967297",
                          "refuse all 65570",
                          "load-paper 99999999999999999999"}) {
    const CommandResult result = RunCommand(*device_, bad);
    EXPECT_FALSE(result.ok) << bad;
    EXPECT_EQ(result.text.rfind("error: ", 0), 0u) << result.text;
  }
  // The hidden offsets as set, and a new head: clean, with its label; the EEPROM keeps its ID.
  EXPECT_TRUE(RunCommand(*device_, "bid-offset 2 2 -7").ok);
  EXPECT_TRUE(RunCommand(*device_, "feed-offset -3 8").ok);
  EXPECT_TRUE(RunCommand(*device_, "clog black 3").ok);
  const uint8_t headCell = device_->PeekEeprom(0x3F);
  const std::string label = RunCommand(*device_, "replace-head").text;
  const PrinterState state = device_->State();
  EXPECT_EQ(state.bidOffset[1][1], -7);
  EXPECT_EQ(state.feedOffsetTop, -3);
  EXPECT_EQ(state.feedOffsetLeft, 8);
  EXPECT_EQ(state.head.CloggedCount(), 0);
  EXPECT_EQ(label, "a new head, its label reads " + state.headLabel);
  EXPECT_EQ(device_->PeekEeprom(0x3F), headCell);
}

// The one table drives the command line, "help" and the panel: each command is found by its name
// (no two share one), and each has its line in "help".
TEST_F(DeviceTest, EveryCommandOfTheTableIsReachableAndToldOfInHelp) {
  const std::string help = RunCommand(*device_, "help").text;
  std::set<std::string> names;
  for (const OperatorCommand& command : OperatorCommands()) {
    if (command.run == nullptr) continue;
    EXPECT_TRUE(names.insert(command.name).second) << command.name;
    EXPECT_EQ(RunCommand(*device_, command.name).text.find("unknown command"), std::string::npos)
        << command.name;
    if (std::string(command.name) != "help") {
      EXPECT_NE(help.find(command.name), std::string::npos) << command.name;
    }
    device_->PowerOn();
  }
  // The continuation of a help text stands under its first line.
  EXPECT_NE(help.find("fatal)\n  clear "), std::string::npos);
  EXPECT_NE(help.find("\n                          paper-size, head-hot"), std::string::npos);
}

// The operator's commands for paper, nozzles and the head: each changes the printer, leaves its
// record in the trace and refuses what does not exist without changing anything.
TEST_F(DeviceTest, PaperNozzleAndHeadCommands) {
  auto last = [this] { return device_->TraceLines().back(); };
  EXPECT_EQ(RunCommand(*device_, "load-paper 3").text, "the tray holds 3 sheets");
  EXPECT_EQ(device_->PaperInTray(), 3);
  EXPECT_NE(last().find(R"("op":"load_paper","sheets":3)"), std::string::npos);
  EXPECT_TRUE(RunCommand(*device_, "load-paper").ok);
  EXPECT_EQ(device_->PaperInTray(), 100);

  EXPECT_TRUE(RunCommand(*device_, "clog black 5 143").ok);
  EXPECT_NE(last().find(R"("op":"clog","row":"black","nozzle":143)"), std::string::npos);
  EXPECT_TRUE(RunCommand(*device_, "clog yellow 47").ok);
  EXPECT_EQ(RunCommand(*device_, "nozzles").text,
            "black: 5 143\ncyan: none clogged\nmagenta: none clogged\nyellow: 47");
  EXPECT_TRUE(RunCommand(*device_, "unclog black 143").ok);
  EXPECT_NE(last().find(R"("op":"clear_nozzle","row":"black","nozzle":143)"), std::string::npos);
  EXPECT_EQ(device_->Head().CloggedCount(), 2);

  // The same seed clogs the same nozzles, on top of those clogged already.
  EXPECT_EQ(RunCommand(*device_, "clog random 10 42").text, "clogged 10 nozzles (seed 42)");
  const HeadState drawn = device_->Head();
  EXPECT_EQ(drawn.CloggedCount(), 12);
  EXPECT_TRUE(RunCommand(*device_, "unclog all").ok);
  EXPECT_NE(last().find(R"("op":"clear_nozzles")"), std::string::npos);
  EXPECT_EQ(device_->Head().CloggedCount(), 0);
  device_->ClogNozzle(head::kBlack, 5);
  device_->ClogNozzle(head::kYellow, 47);
  EXPECT_EQ(device_->ClogRandomNozzles(10, 42), 10);
  EXPECT_EQ(device_->Head(), drawn);

  EXPECT_TRUE(RunCommand(*device_, "head-angle -15").ok);
  EXPECT_NE(last().find(R"("op":"head_angle","angle":-15)"), std::string::npos);
  EXPECT_EQ(RunCommand(*device_, "head-angle").text, "head angle -15");
  EXPECT_NE(
      RunCommand(*device_, "show").text.find("tray 100 sheets clogged nozzles 12 head angle -15"),
      std::string::npos);

  device_->PokeChip(1, 2, 10);
  EXPECT_TRUE(RunCommand(*device_, "replace-cartridge 1").ok);
  EXPECT_EQ(device_->PeekChip(1, 2), 100);
  EXPECT_EQ(device_->CurrentStatus(), (std::pair<uint16_t, uint16_t>{status::kIdle, 0}));

  const std::size_t records = device_->TraceLines().size();
  for (const char* bad : {"load-paper 101", "load-paper -1", "clog black 144", "clog cyan 48",
                          "clog pink 1", "clog black", "clog random 0", "unclog magenta 1 x",
                          "head-angle 41", "head-angle x", "replace-cartridge 2"}) {
    EXPECT_FALSE(RunCommand(*device_, bad).ok) << bad;
  }
  EXPECT_EQ(device_->TraceLines().size(), records);
  HeadState unchanged = drawn;
  unchanged.angle = -15;
  EXPECT_EQ(device_->Head(), unchanged);
  EXPECT_EQ(device_->PaperInTray(), 100);

  // The head is the mechanism's: it stays across a restart, the paper in the tray does not.
  RunCommand(*device_, "load-paper 9");
  const HeadState kept = device_->Head();
  device_.reset();
  DeviceOptions options;
  options.stateDir = dir_ / "state";
  options.trayDir = dir_ / "tray";
  options.timeScale = 0;
  device_ = std::make_unique<Device>(options);
  EXPECT_EQ(device_->Head(), kept);
  EXPECT_EQ(device_->PaperInTray(), 100);
}

// A cleaning frees all but every fourth clogged nozzle of a row, counted from the top; an initial
// charge frees them all.
TEST_F(DeviceTest, CleaningsFreeMostCloggedNozzlesAndTheChargeAll) {
  for (int n : {1, 2, 3, 4, 5, 6, 7, 8, 9}) device_->ClogNozzle(head::kBlack, n);
  for (int n : {0, 47}) device_->ClogNozzle(head::kMagenta, n);
  EXPECT_EQ(Result(Control({d4::cmd::kHeadCleaning, 1, M1, M2, 2})), 1);
  device_->Advance();
  HeadState head = device_->Head();
  EXPECT_EQ(head.CloggedCount(), 2);
  EXPECT_TRUE(head.Clogged(head::kBlack, 4));
  EXPECT_TRUE(head.Clogged(head::kBlack, 8));
  EXPECT_NE(device_->TraceLines().back().find(R"("op":"nozzles_freed","freed":9,"clogged":2)"),
            std::string::npos);
  EXPECT_EQ(Result(Control({d4::cmd::kHeadCleaning, 2, M1, M2, 2})), 1);
  device_->Advance();
  EXPECT_EQ(device_->Head().CloggedCount(), 0);

  device_->ClogRandomNozzles(100, 7);
  EXPECT_EQ(Result(Control({d4::cmd::kHeadCleaning, 3, M1, M2, 9})), 1);
  device_->Advance();
  EXPECT_EQ(device_->Head().CloggedCount(), 0);
}

}  // namespace
}  // namespace vprinter
