// The mechanism model: where the carriage goes, when the pump draws through the head and what that
// does to the liquid path; and the printer's power switch with the main-board swap.
#include "vprinter/mechanism.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include "link/modelcode.h"
#include "makerlibs/d4/commands.h"
#include "vprinter/commands.h"
#include "vprinter/device.h"

namespace vprinter {
namespace {

TEST(Mechanism, TravelReachesTheReplacementPositionAndStopsAtHomeOnTheWayBack) {
  Mechanism m;
  // The opening of the liquid exchange: settle at home through the cap, then out.
  m.DriveCarriage(mech::kCarriageSlow, 0, 2);
  m.DriveCarriage(mech::kCarriageSlow, 1, 4);
  EXPECT_EQ(m.Carriage(), -2);
  m.DriveCarriage(mech::kCarriageSlow, 0, 2);
  m.DriveCarriage(mech::kCarriageTravel, 0, 700);
  EXPECT_EQ(m.Carriage(), 700);
  EXPECT_TRUE(m.AtReplacementPosition());
  EXPECT_EQ(m.PlaceName(), "I/C replacement position");
  // From 15 steps out the same move ends inside the opening too.
  m.HomeReturn();
  m.DriveCarriage(mech::kCarriageSlow, 0, 15);
  m.DriveCarriage(mech::kCarriageTravel, 0, 700);
  EXPECT_EQ(m.Carriage(), 715);
  EXPECT_TRUE(m.AtReplacementPosition());
  // The travel move back goes its amount, and stops on the home sensor when that comes first.
  m.DriveCarriage(mech::kCarriageTravel, 1, 700);
  EXPECT_EQ(m.Carriage(), 15);
  m.DriveCarriage(mech::kCarriageTravel, 1, 700);
  EXPECT_EQ(m.Carriage(), mech::kHome);
  EXPECT_EQ(m.PlaceName(), "home");
  // The rail ends somewhere; no amount drives the carriage through the frame.
  m.DriveCarriage(mech::kCarriageTravel, 0, 65535);
  EXPECT_EQ(m.Carriage(), mech::kRailEnd);
  EXPECT_FALSE(m.AtReplacementPosition());
}

TEST(Mechanism, OnlyTheSlowMovePassesHomeIntoTheCapAndTheEndStopHoldsIt) {
  Mechanism m;
  m.DriveCarriage(mech::kCarriageTravel, 1, 30);
  EXPECT_EQ(m.Carriage(), mech::kHome);
  m.DriveCarriage(mech::kCarriageSlow, 1, 4);
  EXPECT_FALSE(m.HeadSealed());
  m.DriveCarriage(mech::kCarriageSlow, 1, 3);
  EXPECT_EQ(m.Carriage(), -7);
  EXPECT_TRUE(m.HeadSealed());
  EXPECT_EQ(m.PlaceName(), "cap");
  m.DriveCarriage(mech::kCarriageSlow, 1, 100);
  EXPECT_EQ(m.Carriage(), mech::kCapSideEnd);
  // A travel move back from the cap's side does not move it.
  m.DriveCarriage(mech::kCarriageTravel, 1, 5);
  EXPECT_EQ(m.Carriage(), mech::kCapSideEnd);
}

TEST(Mechanism, SealedSuctionReplacesTheLiquidPathWithWhatTheCartridgesHold) {
  PrinterState state = FactoryState();
  state.cartridges = Cartridges::kDummy;
  Mechanism m;
  auto pump = [&](int mode, int direction, int amount) {
    return m.DrivePaperFeed(mode, direction, amount, state);
  };
  // With the cap open, or turned backwards, the pump draws nothing through the head.
  EXPECT_FALSE(pump(mech::kPumpSealed, 0, 30000).pathChanged);
  m.DriveCarriage(mech::kCarriageSlow, 1, 7);
  EXPECT_EQ(pump(mech::kPumpSealed, 1, 60000).wastePoints, 0u);
  EXPECT_EQ(pump(mech::kPumpOpen, 0, 60000).wastePoints, 0u);
  EXPECT_EQ(m.Paper(), 0);  // the pump is no paper feed
  EXPECT_EQ(state.liquidPath, Liquid::kInk);
  // Sealed: the path holds the dummies' liquid once a path's volume has been drawn.
  Mechanism::Effects e = pump(mech::kPumpSealed, 0, 90000);
  EXPECT_EQ(e.wastePoints, 900u);
  EXPECT_FALSE(e.pathChanged);
  e = pump(mech::kPumpSealed, 0, 10000);
  EXPECT_TRUE(e.pathChanged);
  EXPECT_EQ(state.liquidPath, Liquid::kTransportation);
  // Other cartridges start the count afresh; no cartridges draw air and change nothing.
  state.cartridges = Cartridges::kInk;
  EXPECT_FALSE(pump(mech::kPumpSealed, 0, 99999).pathChanged);
  state.cartridges = Cartridges::kNone;
  EXPECT_FALSE(pump(mech::kPumpSealed, 0, 99999).pathChanged);
  state.cartridges = Cartridges::kInk;
  EXPECT_TRUE(pump(mech::kPumpSealed, 0, 100000).pathChanged);
  EXPECT_EQ(state.liquidPath, Liquid::kInk);
  // Paper moves with the feed modes only.
  pump(mech::kFeed, 0, 77);
  pump(mech::kFeedSlow, 1, 7);
  EXPECT_EQ(m.Paper(), 70);
}

// --- The device: modes, power switch, board swap ------------------------------------------------

constexpr uint8_t M1 = QUORLA_Z40_MODEL_CODE_1;
constexpr uint8_t M2 = QUORLA_Z40_MODEL_CODE_2;

class PoweredDevice : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (std::filesystem::temp_directory_path() / "quorla-mech-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
    DeviceOptions options;
    options.stateDir = dir_ / "state";
    options.trayDir = dir_ / "tray";
    options.traceInMemory = true;
    options.timeScale = 0;
    device_ = std::make_unique<Device>(options);
  }
  void TearDown() override {
    device_.reset();
    std::filesystem::remove_all(dir_);
  }
  // The result of a control request, or 0 when the printer dropped the link instead.
  int16_t Call(std::vector<uint8_t> request) {
    Device::Answer answer = device_->Control(1, request);
    if (answer.drop) return 0;
    return static_cast<int16_t>(d4::GetU16(answer.reply.data() + 2));
  }
  int16_t Motion(uint8_t command, uint8_t mode, uint8_t dir, int amount) {
    return Call({command, 1, M1, M2, mode, dir, static_cast<uint8_t>(amount & 0xFF),
                 static_cast<uint8_t>(amount >> 8)});
  }

  std::filesystem::path dir_;
  std::unique_ptr<Device> device_;
};

TEST_F(PoweredDevice, UnknownMotionModesAreRefusedAndKnownOnesMoveTheMechanism) {
  EXPECT_EQ(Motion(d4::cmd::kDriveCR, 4, 0, 10), 8192);
  EXPECT_EQ(Motion(d4::cmd::kDrivePF, 3, 0, 10), 8192);
  EXPECT_EQ(Motion(d4::cmd::kDriveCR, 3, 0, 700), 1);
  EXPECT_EQ(Motion(d4::cmd::kDrivePF, 2, 0, 77), 1);
  device_->Advance();
  EXPECT_EQ(device_->MechanismPosition(), (std::pair<long, long>{700, 77}));
  EXPECT_EQ(device_->CarriagePlace(), "I/C replacement position");
  // The status record of the trace tells where the carriage is.
  EXPECT_EQ(Call({d4::cmd::kInquireStatus, 2}), 1);
  EXPECT_NE(device_->TraceLines().back().find("\"carriage\":700"), std::string::npos);
}

TEST_F(PoweredDevice, TransportationLiquidInTheHeadNeedsAnInitialChargeWithInkCartridges) {
  device_->InstallDummyCartridges();
  EXPECT_EQ(Motion(d4::cmd::kDriveCR, 5, 1, 7), 1);
  for (int i = 0; i < 4; ++i) EXPECT_EQ(Motion(d4::cmd::kDrivePF, 32, 0, 30000), 1);
  device_->Advance();
  EXPECT_EQ(device_->LiquidPath(), Liquid::kTransportation);
  EXPECT_EQ(device_->CurrentStatus().first, status::kBeforeInitialFillUp);
  // A charge with the dummies still in draws their liquid again.
  EXPECT_EQ(Call({d4::cmd::kHeadCleaning, 3, M1, M2, 9}), 1);
  device_->Advance();
  EXPECT_EQ(device_->CurrentStatus().first, status::kBeforeInitialFillUp);
  device_->ReplaceCartridges();
  EXPECT_EQ(device_->InstalledCartridges(), Cartridges::kInk);
  EXPECT_EQ(Call({d4::cmd::kHeadCleaning, 4, M1, M2, 9}), 1);
  device_->Advance();
  EXPECT_EQ(device_->LiquidPath(), Liquid::kInk);
  EXPECT_EQ(device_->CurrentStatus().first, status::kIdle);
}

TEST_F(PoweredDevice, SwitchedOffItDropsEveryRequestAndTakesANewBoardOnlyThen) {
  const auto factory = device_->Eeprom();
  EXPECT_FALSE(device_->ReplaceMainBoard());  // not while it is on
  EXPECT_EQ(device_->Eeprom(), factory);
  EXPECT_EQ(Motion(d4::cmd::kDriveCR, 3, 0, 700), 1);
  device_->RaiseError(status::kPaperJam);

  device_->PowerOff();
  EXPECT_FALSE(device_->PoweredOn());
  EXPECT_TRUE(device_->TakeDropRequest());  // the open connections go
  EXPECT_EQ(Call({d4::cmd::kReadEeprom, 5, M1, M2, 0x0A}), 0);
  bool drop = false;
  device_->Negotiate(2, &drop);
  EXPECT_TRUE(drop);
  EXPECT_TRUE(device_->Data(2, 0, {0x0C}).drop);
  ASSERT_TRUE(device_->ReplaceMainBoard());
  EXPECT_EQ(device_->Eeprom(), NewBoardEeprom());
  EXPECT_EQ(RunCommand(*device_, "show").text, "power off");

  // On again: afresh, with the new board's memory kept and saved.
  device_->PowerOn();
  EXPECT_EQ(device_->CurrentStatus(), (std::pair<uint16_t, uint16_t>{status::kIdle, 0}));
  EXPECT_EQ(device_->MechanismPosition().first, mech::kHome);
  EXPECT_EQ(Call({d4::cmd::kReadEeprom, 6, M1, M2, 0x47}), 1);
  EXPECT_EQ(LoadState(dir_ / "state", nullptr).eeprom, NewBoardEeprom());
  std::string ops;
  for (const std::string& line : device_->TraceLines()) {
    for (const char* op : {"power_off", "replace_board", "power_on"}) {
      if (line.find(std::string("\"op\":\"") + op + "\"") != std::string::npos)
        ops += op + std::string(" ");
    }
  }
  EXPECT_EQ(ops, "power_off replace_board power_on ");
}

TEST_F(PoweredDevice, SwitchedOnAFullWastePadStopsItAgainAtOnce) {
  device_->PokeEeprom(0x0A, 0x5A);
  device_->PokeEeprom(0x0B, 0xE6);  // 23270
  device_->PowerOff();
  device_->PowerOn();
  EXPECT_EQ(device_->CurrentStatus(),
            (std::pair<uint16_t, uint16_t>{status::kError, status::kMaintenance}));
}

TEST_F(PoweredDevice, OperatorCommandsForThePowerSwitchTheBoardAndTheCartridges) {
  EXPECT_FALSE(RunCommand(*device_, "replace-board").ok);
  EXPECT_TRUE(RunCommand(*device_, "install-dummies").ok);
  EXPECT_EQ(device_->InstalledCartridges(), Cartridges::kDummy);
  EXPECT_TRUE(RunCommand(*device_, "remove-cartridges").ok);
  EXPECT_EQ(device_->InstalledCartridges(), Cartridges::kNone);
  EXPECT_NE(RunCommand(*device_, "show")
                .text.find("carriage 0 (home) paper 0 liquid path ink "
                           "cartridges none"),
            std::string::npos);
  EXPECT_TRUE(RunCommand(*device_, "power-off").ok);
  EXPECT_TRUE(RunCommand(*device_, "replace-board").ok);
  EXPECT_TRUE(RunCommand(*device_, "power-on").ok);
  EXPECT_TRUE(device_->PoweredOn());
  EXPECT_EQ(device_->PeekEeprom(0x4D), 0xFF);
}

}  // namespace
}  // namespace vprinter
