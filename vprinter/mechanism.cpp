#include "vprinter/mechanism.h"

#include <algorithm>

namespace vprinter {

bool KnownCarriageMode(int mode) {
  return mode == mech::kCarriageTravel || mode == mech::kCarriageSlow;
}

bool KnownFeedMode(int mode) {
  return mode == mech::kFeed || mode == mech::kFeedSlow || mode == mech::kPumpSealed ||
         mode == mech::kPumpOpen;
}

void Mechanism::DriveCarriage(int mode, int direction, int amount) {
  if (direction == 0) {
    carriage_ = std::min(carriage_ + amount, mech::kRailEnd);
  } else if (mode == mech::kCarriageTravel) {
    // A travel move back stops on the home sensor; only the slow move presses on into the cap.
    if (carriage_ > mech::kHome) carriage_ = std::max(carriage_ - amount, mech::kHome);
  } else {
    carriage_ = std::max(carriage_ - amount, mech::kCapSideEnd);
  }
}

Mechanism::Effects Mechanism::DrivePaperFeed(int mode, int direction, int amount,
                                             PrinterState& state) {
  Effects effects;
  switch (mode) {
    case mech::kFeed:
    case mech::kFeedSlow:
      paper_ += direction == 0 ? amount : -amount;
      break;
    case mech::kPumpSealed:
      // Turned backwards the pump lets go of its tube and draws nothing; with the cap open it
      // draws air. Sealed, it pulls liquid from the cartridges through the head.
      if (direction != 0 || !HeadSealed()) break;
      effects.wastePoints = static_cast<unsigned>(amount) / mech::kSuctionStepsPerPoint;
      if (state.cartridges == Cartridges::kNone) break;
      if (state.cartridges != drawnFrom_) {
        drawnFrom_ = state.cartridges;
        drawn_ = 0;
      }
      drawn_ += amount;
      if (drawn_ >= mech::kPathVolume) {
        const Liquid now =
            state.cartridges == Cartridges::kDummy ? Liquid::kTransportation : Liquid::kInk;
        if (state.liquidPath != now) {
          state.liquidPath = now;
          effects.pathChanged = true;
        }
      }
      break;
    case mech::kPumpOpen:
      // Empties the cap into the waste-ink pad: the liquid was counted when it was drawn.
      break;
    default:
      break;
  }
  return effects;
}

void Mechanism::Reset() {
  carriage_ = mech::kHome;
  paper_ = 0;
  drawn_ = 0;
}

bool Mechanism::AtReplacementPosition() const {
  return carriage_ >= mech::kReplacementPosition - mech::kReplacementReach &&
         carriage_ <= mech::kReplacementPosition + mech::kReplacementReach;
}

std::string Mechanism::PlaceName() const {
  if (carriage_ == mech::kHome) return "home";
  if (AtReplacementPosition()) return "I/C replacement position";
  if (HeadSealed()) return "cap";
  return "";
}

const char* LiquidName(Liquid liquid) {
  return liquid == Liquid::kInk ? "ink" : "transportation liquid";
}

const char* CartridgesName(Cartridges cartridges) {
  switch (cartridges) {
    case Cartridges::kInk:
      return "ink";
    case Cartridges::kDummy:
      return "dummy";
    case Cartridges::kNone:
      return "none";
  }
  return "none";
}

}  // namespace vprinter
