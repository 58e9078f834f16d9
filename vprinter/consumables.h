// Ink and waste ink: what printing, cleanings, the initial charge and flushing take from the
// cartridges (counted on their chips) and put into the waste-ink pad (the protection counter), the
// chip bytes an operator sets, and new cartridges. Each change returns the error the printer then
// enters (0: none); the device decides whether it stands. Not thread-safe: the device calls it
// under its lock.
#pragma once

#include <array>
#include <cstdint>

#include "vprinter/statestore.h"

namespace vprinter {

// Waste-ink points per operation.
namespace waste {
inline constexpr unsigned kCleaning = 150;
inline constexpr unsigned kInitialCharge = 1800;
inline constexpr unsigned kFlushDivisor = 10;  // points = amount / 10
}  // namespace waste

class Consumables {
 public:
  explicit Consumables(StateStore& store) : store_(&store) {}

  uint16_t AddWaste(unsigned points);
  uint16_t UseInk(int chamber, double ml);
  // Dots printed per engine ink (black, cyan, magenta, yellow, light cyan, light magenta) since
  // the last call.
  uint16_t PrintDots(const std::array<uint64_t, 6>& dots);
  // A head cleaning: ink from every chamber, the chips' cleaning counters, waste, and most clogs
  // freed.
  uint16_t Cleaning();
  // An initial ink charge: it fills the head's liquid path with what the cartridges hold, frees
  // every nozzle, and takes ink and waste.
  uint16_t InitialCharge();
  // A colour flushing of `amount` units.
  uint16_t Flush(int amount);

  // An operator's chip byte; an ink percentage (0..100) becomes the ink left.
  void SetChipByte(int cartridge, uint8_t address, uint8_t value);
  // A new cartridge, made `today` (the printer's clock): always in date when it goes in.
  void ReplaceCartridge(int cartridge, ChipDate today);
  // The error a printer that starts now finds: a full waste-ink pad or an empty chamber.
  uint16_t ErrorAtStart() const;
  bool WastePadFull() const;
  // Ink taken from the cartridges since the printer started, in millilitres, all chambers.
  double InkUsedSinceStartMl() const { return usedSinceStart_; }

 private:
  StateStore* store_;
  double usedSinceStart_ = 0;
};

}  // namespace vprinter
