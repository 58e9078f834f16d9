// The printer's non-volatile memory: the state file round trip, what a damaged or missing file
// gives, atomic replacement, and memory kept across a restart of the device.
#include "vprinter/state.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <sstream>

#include "link/modelcode.h"
#include "makerlibs/d4/commands.h"
#include "vprinter/device.h"
#include "vprinter/tempdir_test.h"

namespace vprinter {
namespace {

class StateDir : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_FALSE(dir_.empty()); }
  std::string ReadFile() const {
    std::ifstream in(dir_ / kStateFileName);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
  }
  void WriteFile(const std::string& text) const {
    std::ofstream(dir_ / kStateFileName, std::ios::trunc) << text;
  }
  TempDir tmp_{"quorla-state"};
  const std::filesystem::path& dir_ = tmp_.path();
};

PrinterState Sample() {
  PrinterState s = FactoryState();
  for (std::size_t i = 0; i < kEepromSize; ++i) s.eeprom[i] = static_cast<uint8_t>(i * 37);
  s.chips[1][chip::kRecycle] = 3;
  s.inkUsedMl = {1.5, 0.25, 0, 5.125};
  s.bidOffset[2][1] = -6;
  s.inkCharged = false;
  s.liquidPath = Liquid::kTransportation;
  s.cartridges = Cartridges::kDummy;
  // The first and last nozzle of every row, so the bitmap's ends are where they belong.
  for (int row = 0; row < head::kRows; ++row) {
    ClogNozzle(s.head, row, 0);
    ClogNozzle(s.head, row, head::Nozzles(row) - 1);
  }
  s.head.angle = -37;
  return s;
}

void ExpectSame(const PrinterState& a, const PrinterState& b) {
  EXPECT_EQ(a.eeprom, b.eeprom);
  EXPECT_EQ(a.chips, b.chips);
  for (int i = 0; i < 4; ++i) EXPECT_NEAR(a.inkUsedMl[i], b.inkUsedMl[i], 1e-6);
  for (int d = 0; d < 3; ++d) {
    for (int i = 0; i < 2; ++i) EXPECT_EQ(a.bidOffset[d][i], b.bidOffset[d][i]);
  }
  EXPECT_EQ(a.inkCharged, b.inkCharged);
  EXPECT_EQ(a.liquidPath, b.liquidPath);
  EXPECT_EQ(a.cartridges, b.cartridges);
  EXPECT_EQ(a.head, b.head);
}

TEST_F(StateDir, SavedStateReadsBackUnchanged) {
  const PrinterState saved = Sample();
  std::string error;
  ASSERT_TRUE(SaveState(dir_, saved, &error)) << error;
  std::string warning = "untouched";
  ExpectSame(LoadState(dir_, &warning), saved);
  EXPECT_TRUE(warning.empty());
  // Replaced through a temporary file that does not stay behind.
  EXPECT_FALSE(std::filesystem::exists(dir_ / (std::string(kStateFileName) + ".tmp")));
}

TEST_F(StateDir, MissingOrDamagedFileGivesTheFactoryImageAndAWarning) {
  std::string warning;
  PrinterState loaded = LoadState(dir_, &warning);
  EXPECT_NE(warning.find("factory"), std::string::npos);
  EXPECT_EQ(loaded.eeprom, FactoryState().eeprom);

  ASSERT_TRUE(SaveState(dir_, Sample(), nullptr));
  const std::string good = ReadFile();
  std::string flipped = good;
  flipped[good.find("eeprom ") + 10] ^= 1;  // one hex digit changed
  const std::string cases[] = {
      flipped,
      good.substr(0, good.size() / 2),  // cut short, as by a crash without the rename
      "",
      "quorla-vprinter-state 1\nchecksum 0000000000000000\n",
      std::string(3000, '\xff'),
  };
  for (const std::string& text : cases) {
    WriteFile(text);
    warning.clear();
    loaded = LoadState(dir_, &warning);
    EXPECT_NE(warning.find("damaged"), std::string::npos) << text.substr(0, 40);
    EXPECT_EQ(loaded.eeprom, FactoryState().eeprom);
  }
}

// A state saved before the liquid path and the cartridges were kept: ink in both.
TEST_F(StateDir, StateWithoutLiquidAndCartridgeLinesHoldsInk) {
  ASSERT_TRUE(SaveState(dir_, Sample(), nullptr));
  std::string text = ReadFile();
  const std::size_t from = text.find("liquid ");
  const std::size_t to = text.find("checksum ");
  ASSERT_LT(from, to);
  std::string body = text.substr(0, from);
  char sum[40];
  std::snprintf(sum, sizeof sum, "checksum %016llx\n", static_cast<unsigned long long>([&] {
                  uint64_t h = 1469598103934665603ull;
                  for (unsigned char c : body) h = (h ^ c) * 1099511628211ull;
                  return h;
                }()));
  WriteFile(body + sum);
  std::string warning;
  const PrinterState loaded = LoadState(dir_, &warning);
  EXPECT_TRUE(warning.empty()) << warning;
  EXPECT_EQ(loaded.eeprom, Sample().eeprom);
  EXPECT_EQ(loaded.liquidPath, Liquid::kInk);
  EXPECT_EQ(loaded.cartridges, Cartridges::kInk);
  EXPECT_EQ(loaded.head, HeadState{});  // nor the head: a clean, straight one
}

TEST_F(StateDir, LeftoverTemporaryFileFromACrashIsIgnored) {
  const PrinterState saved = Sample();
  ASSERT_TRUE(SaveState(dir_, saved, nullptr));
  std::ofstream(dir_ / (std::string(kStateFileName) + ".tmp")) << "quorla-vprinter-state 1\neepr";
  std::string warning;
  ExpectSame(LoadState(dir_, &warning), saved);
  EXPECT_TRUE(warning.empty());
  ASSERT_TRUE(SaveState(dir_, saved, nullptr));  // and overwritten by the next save
}

TEST_F(StateDir, UnwritableDirectoryIsReportedNotFatal) {
  std::ofstream(dir_ / "file") << "x";
  std::string error;
  EXPECT_FALSE(SaveState(dir_ / "file" / "sub", Sample(), &error));
  EXPECT_FALSE(error.empty());
}

TEST_F(StateDir, DeviceKeepsItsMemoryAcrossARestart) {
  DeviceOptions options;
  options.stateDir = dir_;
  options.trayDir = dir_ / "tray";
  options.timeScale = 0;
  int8_t offsets[3][2] = {{1, -1}, {2, -2}, {3, -3}};
  {
    Device device(options);
    EXPECT_EQ(device.Warnings().size(), 1u);  // no state yet
    device.PokeEeprom(0x2E, 0x19);
    device.PokeChip(1, chip::kRecycle, 4);
    device.SetBidOffsets(offsets);
  }
  Device device(options);
  EXPECT_TRUE(device.Warnings().empty());
  EXPECT_EQ(device.PeekEeprom(0x2E), 0x19);
  EXPECT_EQ(device.PeekChip(1, chip::kRecycle), 4);
  EXPECT_EQ(device.State().bidOffset[2][1], -3);
}

// A damaged state file is moved aside, never overwritten: each start that finds one keeps it under
// its own name, says where, and starts from the factory image.
TEST_F(StateDir, ADamagedStateFileIsKeptBesideIt) {
  DeviceOptions options;
  options.stateDir = dir_;
  options.trayDir = dir_ / "tray";
  options.timeScale = 0;
  const std::string damaged = Serialize(Sample()).substr(0, 300);  // truncated
  WriteFile(damaged);
  {
    Device device(options);
    EXPECT_TRUE(device.StartError().empty());
    EXPECT_EQ(device.Eeprom(), FactoryState().eeprom);
    ASSERT_EQ(device.Warnings().size(), 1u);
    EXPECT_NE(device.Warnings()[0].find(".damaged-"), std::string::npos) << device.Warnings()[0];
  }
  // The next start finds the file the first one saved, intact; damage it again, as a directory.
  std::string warning;
  LoadState(dir_, &warning);
  EXPECT_TRUE(warning.empty()) << warning;
  std::filesystem::remove(dir_ / kStateFileName);
  std::filesystem::create_directory(dir_ / kStateFileName);
  { Device device(options); }

  std::vector<std::filesystem::path> kept;
  for (const auto& entry : std::filesystem::directory_iterator(dir_)) {
    const std::string name = entry.path().filename().string();
    if (name.rfind(std::string(kStateFileName) + ".damaged-", 0) == 0) kept.push_back(entry.path());
  }
  std::sort(kept.begin(), kept.end());
  ASSERT_EQ(kept.size(), 2u);
  std::ifstream in(kept[0]);
  std::ostringstream text;
  text << in.rdbuf();
  EXPECT_EQ(text.str(), damaged);
  EXPECT_TRUE(std::filesystem::is_directory(kept[1]));
  EXPECT_TRUE(std::filesystem::is_regular_file(dir_ / kStateFileName));
}

// The state file made a directory: no save can replace it. A write that was not kept is refused,
// said at once and traced, and the printer still holds the value it can stand behind.
TEST_F(StateDir, AWriteThatCannotBeSavedIsRefusedAndReported) {
  DeviceOptions options;
  options.stateDir = dir_;
  options.trayDir = dir_ / "tray";
  options.timeScale = 0;
  options.traceInMemory = true;
  std::vector<std::string> told;
  options.onWarning = [&told](const std::string& warning) { told.push_back(warning); };
  Device device(options);
  ASSERT_TRUE(device.Save());
  std::filesystem::remove(dir_ / kStateFileName);
  std::filesystem::create_directory(dir_ / kStateFileName);

  const auto result = [](const std::vector<uint8_t>& reply) {
    return std::pair(d4::GetU16(reply.data() + 2), d4::GetU16(reply.data() + 4));
  };
  const uint8_t m1 = QUORLA_Z40_MODEL_CODE_1, m2 = QUORLA_Z40_MODEL_CODE_2;
  const uint8_t before = device.PeekEeprom(0x2E);
  EXPECT_EQ(result(device.Control(1, {d4::cmd::kWriteEeprom, 1, m1, m2, 0x2E, 0x55}).reply),
            (std::pair<uint16_t, uint16_t>(8192, d4::err::PrinterIsBusy)));
  EXPECT_EQ(device.PeekEeprom(0x2E), before);
  ASSERT_EQ(told.size(), 1u);
  EXPECT_NE(told[0].find(kStateFileName), std::string::npos) << told[0];
  // A Bi-D value is a cell too, and is not handed to the print engine either.
  EXPECT_EQ(result(device.Control(1, {d4::cmd::kWriteBid, 2, m1, m2, 1, 1, 5}).reply).first, 8192);
  EXPECT_EQ(device.PeekEeprom(BidCell(1, 1)), FactoryState().eeprom[BidCell(1, 1)]);
  const std::vector<std::string> trace = device.TraceLines();
  ASSERT_GE(trace.size(), 2u);
  EXPECT_NE(trace[trace.size() - 2].find("\"op\":\"save_failed\""), std::string::npos);
  EXPECT_NE(trace.back().find("\"refused\":144"), std::string::npos) << trace.back();

  // Once the file can be written again, a write is answered only when it is on disk.
  std::filesystem::remove(dir_ / kStateFileName);
  EXPECT_EQ(result(device.Control(1, {d4::cmd::kWriteEeprom, 3, m1, m2, 0x2E, 0x55}).reply).first,
            1);
  std::string warning;
  EXPECT_EQ(LoadState(dir_, &warning).eeprom[0x2E], 0x55);
  EXPECT_TRUE(warning.empty()) << warning;
}

TEST(FactoryImage, HoldsAValidPrinter) {
  const PrinterState s = FactoryState();
  for (uint8_t a = 0x47; a <= 0x4A; ++a) EXPECT_EQ(s.eeprom[a], 0x32);
  EXPECT_EQ(std::string(s.eeprom.begin() + 0x4D, s.eeprom.begin() + 0x5F), "Q40Z123456Q6UAEM10");
  EXPECT_LT(s.ProtectionCounter(), 16289u);
  for (int c = 0; c < kCartridges; ++c) {
    EXPECT_EQ(
        std::string(s.chips[c].begin() + chip::kCompany, s.chips[c].begin() + chip::kCompany + 5),
        "KORVA");
  }
  for (const auto& row : s.bidOffset) {
    for (int8_t v : row) EXPECT_TRUE(v >= -6 && v <= 6);
  }
  // A new board has no head ID and no USB ID yet.
  const auto board = NewBoardEeprom();
  EXPECT_NE(board[0x47], 0x32);
  EXPECT_EQ(board[0x4D], 0xFF);
  EXPECT_EQ(board[0x0A] * 256 + board[0x0B], 0);
}

TEST(InkCounters, ShowThePercentLeftRoundedUp) {
  PrinterState s = FactoryState();
  s.inkUsedMl = {0.0, 0.01, 3.0, 6.0};
  UpdateInkCounters(s);
  EXPECT_EQ(s.chips[0][0], 100);
  EXPECT_EQ(s.chips[1][0], 100);  // a drop used shows as full
  EXPECT_EQ(s.chips[1][1], 50);
  EXPECT_EQ(s.chips[1][2], 0);
}

}  // namespace
}  // namespace vprinter
