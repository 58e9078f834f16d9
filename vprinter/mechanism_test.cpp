// The mechanism model: where the carriage goes, when the pump draws through the head and what that
// does to the liquid path; and the printer's power switch with the main-board swap.
#include "vprinter/mechanism.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include "link/modelcode.h"
#include "makerlibs/d4/commands.h"
#include "vprinter/commands.h"
#include "vprinter/device.h"
#include "vprinter/tempdir_test.h"

namespace vprinter {
namespace {

TEST(Mechanism, TheCarriageStopsAtHomeOnTravelAndOnlyTheSlowMoveEntersTheCap) {
  Mechanism m;
  m.DriveCarriage(mech::kCarriageSlow, 0, 15);
  m.DriveCarriage(mech::kCarriageTravel, 0, 700);
  EXPECT_EQ(m.Carriage(), 715);
  EXPECT_TRUE(m.AtReplacementPosition());  // the opening reaches a little to either side
  m.DriveCarriage(mech::kCarriageTravel, 1, 700);
  EXPECT_EQ(m.Carriage(), 15);
  m.DriveCarriage(mech::kCarriageTravel, 1, 700);  // the home sensor stops it
  EXPECT_EQ(m.PlaceName(), "home");
  m.DriveCarriage(mech::kCarriageSlow, 1, 7);
  EXPECT_TRUE(m.HeadSealed());
  m.DriveCarriage(mech::kCarriageSlow, 1, 100);
  EXPECT_EQ(m.Carriage(), mech::kCapSideEnd);
  m.DriveCarriage(mech::kCarriageTravel, 0, 65535);
  EXPECT_EQ(m.Carriage(), mech::kRailEnd);
}

TEST(Mechanism, SealedSuctionReplacesTheLiquidPathWithWhatTheCartridgesHold) {
  PrinterState state = FactoryState();
  state.cartridges = Cartridges::kDummy;
  Mechanism m;
  auto pump = [&](int mode, int direction, int amount) {
    return m.DrivePaperFeed(mode, direction, amount, state);
  };
  // With the cap open, turned backwards, or emptying the cap, the pump draws nothing through it.
  EXPECT_FALSE(pump(mech::kPumpSealed, 0, 100000).pathChanged);
  m.DriveCarriage(mech::kCarriageSlow, 1, 7);
  EXPECT_EQ(pump(mech::kPumpSealed, 1, 100000).wastePoints, 0u);
  EXPECT_FALSE(pump(mech::kPumpOpen, 0, 100000).pathChanged);
  EXPECT_EQ(m.Paper(), 0);  // the pump is no paper feed
  EXPECT_EQ(pump(mech::kPumpSealed, 0, 90000).wastePoints, 900u);
  EXPECT_EQ(state.liquidPath, Liquid::kInk);  // not a path's volume yet
  EXPECT_TRUE(pump(mech::kPumpSealed, 0, 10000).pathChanged);
  EXPECT_EQ(state.liquidPath, Liquid::kTransportation);
  // Other cartridges start the count afresh.
  state.cartridges = Cartridges::kInk;
  EXPECT_FALSE(pump(mech::kPumpSealed, 0, 99999).pathChanged);
  state.cartridges = Cartridges::kNone;
  EXPECT_FALSE(pump(mech::kPumpSealed, 0, 99999).pathChanged);
}

// --- The device ---------------------------------------------------------------------------------

constexpr uint8_t M1 = QUORLA_Z40_MODEL_CODE_1;
constexpr uint8_t M2 = QUORLA_Z40_MODEL_CODE_2;

class PoweredDevice : public TempDeviceTest {
 protected:
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
};

TEST_F(PoweredDevice, TransportationLiquidInTheHeadNeedsAnInitialChargeWithInkCartridges) {
  EXPECT_EQ(Motion(d4::cmd::kDriveCR, 4, 0, 10), 8192);  // no such mode
  EXPECT_EQ(Motion(d4::cmd::kDrivePF, 3, 0, 10), 8192);
  EXPECT_TRUE(RunCommand(*device_, "install-dummies").ok);
  EXPECT_EQ(Motion(d4::cmd::kDriveCR, 5, 1, 7), 1);
  for (int i = 0; i < 4; ++i) EXPECT_EQ(Motion(d4::cmd::kDrivePF, 32, 0, 30000), 1);
  // The status record of the trace tells where the carriage is; "show" what the head holds.
  EXPECT_EQ(Call({d4::cmd::kInquireStatus, 2}), 1);
  EXPECT_NE(device_->TraceLines().back().find("\"carriage\":-7"), std::string::npos);
  EXPECT_NE(RunCommand(*device_, "show")
                .text.find("carriage -7 (cap) paper 0 liquid path "
                           "transportation liquid cartridges dummy"),
            std::string::npos);
  EXPECT_EQ(device_->CurrentStatus().first, status::kBeforeInitialFillUp);
  // A charge with the dummies still in draws their liquid again; with ink it is printable.
  EXPECT_EQ(Call({d4::cmd::kHeadCleaning, 3, M1, M2, 9}), 1);
  device_->Advance();
  EXPECT_EQ(device_->CurrentStatus().first, status::kBeforeInitialFillUp);
  device_->ReplaceCartridges();
  EXPECT_EQ(Call({d4::cmd::kHeadCleaning, 4, M1, M2, 9}), 1);
  device_->Advance();
  EXPECT_EQ(device_->LiquidPath(), Liquid::kInk);
  EXPECT_EQ(device_->CurrentStatus().first, status::kIdle);
}

TEST_F(PoweredDevice, SwitchedOffItDropsEveryRequestAndTakesANewBoardOnlyThen) {
  const auto factory = device_->Eeprom();
  EXPECT_FALSE(RunCommand(*device_, "replace-board").ok);  // not while it is on
  EXPECT_EQ(device_->Eeprom(), factory);
  EXPECT_EQ(Motion(d4::cmd::kDriveCR, 3, 0, 700), 1);
  device_->RaiseError(status::kPaperJam);

  EXPECT_TRUE(RunCommand(*device_, "power-off").ok);
  EXPECT_TRUE(device_->TakeDropRequest());  // the open connections go
  EXPECT_EQ(Call({d4::cmd::kReadEeprom, 5, M1, M2, 0x0A}), 0);
  bool drop = false;
  device_->Negotiate(2, &drop);
  EXPECT_TRUE(drop);
  EXPECT_TRUE(device_->Data(2, 0, {0x0C}).drop);
  EXPECT_EQ(RunCommand(*device_, "show").text, "power off");
  EXPECT_TRUE(RunCommand(*device_, "replace-board").ok);

  // On again: afresh, with the new board's memory kept and saved.
  EXPECT_TRUE(RunCommand(*device_, "power-on").ok);
  EXPECT_EQ(device_->CurrentStatus(), (std::pair<uint16_t, uint16_t>{status::kIdle, 0}));
  EXPECT_EQ(device_->MechanismPosition().first, mech::kHome);
  EXPECT_EQ(Call({d4::cmd::kReadEeprom, 6, M1, M2, 0x47}), 1);
  EXPECT_EQ(LoadState(dir_ / "state", nullptr).eeprom, NewBoardEeprom());
}

}  // namespace
}  // namespace vprinter
