// The printer's mechanism: the carriage on its rail, the paper feed and the pump that the paper
// feed motor drives at the cap, and what the suction draws into the head's liquid path.
//
// The carriage position is counted in steps from home (0). Direction 0 moves away from home, to
// the I/C replacement position 700 steps out; direction 1 moves back. Beyond home, on the cap's
// side, the carriage can go a few steps further: there the cap seals the head, and only there the
// pump draws liquid through it. docs/vprinter.md tells what each mode does.
//
// Not thread-safe: the device calls it under its own lock.
#pragma once

#include <string>

#include "vprinter/state.h"

namespace vprinter {

namespace mech {
inline constexpr long kHome = 0;
// Where the cartridges can be taken out and put in (DriveCR mode 3, direction 0, amount 700 from
// home). The cover's opening leaves them reachable a little to either side.
inline constexpr long kReplacementPosition = 700;
inline constexpr long kReplacementReach = 20;
// The end of the rail beyond the replacement position, and the end stop beyond home.
inline constexpr long kRailEnd = 760;
inline constexpr long kCapSideEnd = -12;
// From here on towards the cap's side end, the cap seals the head.
inline constexpr long kCapSealed = -5;
// Pump steps of sealed suction that replace what the liquid path holds.
inline constexpr long kPathVolume = 100000;
// Waste-ink points per pump step of sealed suction (one point per 100 steps).
inline constexpr unsigned kSuctionStepsPerPoint = 100;

// The modes the mechanism knows.
inline constexpr int kCarriageTravel = 3;  // DriveCR: travel, stops at home
inline constexpr int kCarriageSlow = 5;    // DriveCR: slow, may pass home into the cap
inline constexpr int kFeed = 2;            // DrivePF: paper feed
inline constexpr int kFeedSlow = 4;        // DrivePF: slow paper feed
inline constexpr int kPumpSealed = 32;     // DrivePF: pump; draws through a sealed head
inline constexpr int kPumpOpen = 33;       // DrivePF: pump with the cap open: empties the cap
}  // namespace mech

bool KnownCarriageMode(int mode);
bool KnownFeedMode(int mode);

class Mechanism {
 public:
  // What a paper-feed motion did besides moving: waste-ink points, and whether the liquid path
  // now holds something else.
  struct Effects {
    unsigned wastePoints = 0;
    bool pathChanged = false;
  };

  // Amounts are the 16-bit values of the commands; direction 0 or 1.
  void DriveCarriage(int mode, int direction, int amount);
  Effects DrivePaperFeed(int mode, int direction, int amount, PrinterState& state);
  void HomeReturn() { carriage_ = mech::kHome; }
  // Switched on or initialised: carriage home, paper count from zero, suction count from zero.
  void Reset();

  long Carriage() const { return carriage_; }
  long Paper() const { return paper_; }
  bool HeadSealed() const { return carriage_ <= mech::kCapSealed; }
  bool AtReplacementPosition() const;
  // "home", "I/C replacement position", "cap" or "" for anywhere else.
  std::string PlaceName() const;

 private:
  long carriage_ = mech::kHome;
  long paper_ = 0;
  // Sealed suction drawn from the cartridges now installed (reset when they change).
  long drawn_ = 0;
  Cartridges drawnFrom_ = Cartridges::kInk;
};

const char* LiquidName(Liquid liquid);
const char* CartridgesName(Cartridges cartridges);

}  // namespace vprinter
