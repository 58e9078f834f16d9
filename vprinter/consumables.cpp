#include "vprinter/consumables.h"

#include <algorithm>

#include "vprinter/status.h"

namespace vprinter {

namespace {
// Ink per cleaning and per initial charge, in millilitres (black, each colour).
constexpr double kCleaningInk[2] = {0.25, 0.12};
constexpr double kChargeInk[2] = {2.0, 0.9};
constexpr double kFlushInkPerUnit = 0.0002;
constexpr double kMlPerDot = 5e-9;

// The first error of a sequence of changes stands.
uint16_t First(uint16_t error, uint16_t next) {
  return error != 0 ? error : next;
}
}  // namespace

bool Consumables::WastePadFull() const {
  return store_->Get().ProtectionCounter() >= kProtectionLimit;
}

uint16_t Consumables::AddWaste(unsigned points) {
  store_->SetProtectionCounter(store_->Get().ProtectionCounter() + points);
  return WastePadFull() ? status::kMaintenance : 0;
}

uint16_t Consumables::UseInk(int chamber, double ml) {
  PrinterState& state = store_->Edit();
  state.inkUsedMl[chamber] += ml;
  usedSinceStart_ += ml;
  UpdateInkCounters(state);
  return state.inkUsedMl[chamber] >= InkCapacityMl(chamber) ? status::kInkOut : 0;
}

uint16_t Consumables::PrintDots(const std::array<uint64_t, 6>& dots) {
  uint16_t error = 0;
  for (int ink = 0; ink < 6; ++ink) {
    // Light cyan and light magenta come from the cyan and magenta chambers.
    const int chamber = ink < 4 ? ink : ink - 3;
    if (dots[ink] > 0)
      error = First(error, UseInk(chamber, static_cast<double>(dots[ink]) * kMlPerDot));
  }
  return error;
}

uint16_t Consumables::Cleaning() {
  uint16_t error = 0;
  for (int chamber = 0; chamber < 4; ++chamber) {
    error = First(error, UseInk(chamber, kCleaningInk[chamber == 0 ? 0 : 1]));
  }
  PrinterState& state = store_->Edit();
  for (auto& chip : state.chips) {
    if (chip[chip::kCleaning] < 255) ++chip[chip::kCleaning];
  }
  CleanNozzles(state.head);
  return First(error, AddWaste(waste::kCleaning));
}

uint16_t Consumables::InitialCharge() {
  uint16_t error = 0;
  for (int chamber = 0; chamber < 4; ++chamber) {
    error = First(error, UseInk(chamber, kChargeInk[chamber == 0 ? 0 : 1]));
  }
  PrinterState& state = store_->Edit();
  // The charge fills the liquid path from what is installed; only ink makes it printable.
  if (state.cartridges == Cartridges::kInk) {
    state.liquidPath = Liquid::kInk;
    state.inkCharged = true;
  } else if (state.cartridges == Cartridges::kDummy) {
    state.liquidPath = Liquid::kTransportation;
    state.inkCharged = false;
  }
  ClearAllNozzles(state.head);
  return First(error, AddWaste(waste::kInitialCharge));
}

uint16_t Consumables::Flush(int amount) {
  uint16_t error = 0;
  for (int chamber = 1; chamber < 4; ++chamber) {
    error = First(error, UseInk(chamber, amount * kFlushInkPerUnit));
  }
  return First(error, AddWaste(static_cast<unsigned>(amount) / waste::kFlushDivisor));
}

void Consumables::SetChipByte(int cartridge, uint8_t address, uint8_t value) {
  PrinterState& state = store_->Edit();
  state.chips[cartridge][address] = value;
  // An ink percentage set by hand is the ink left from now on: printing and cleaning count down
  // from it instead of rewriting it from the ink used before. A byte above 100 stays as set until
  // the next use of that ink, which starts from a full chamber.
  const int inks = cartridge == 0 ? 1 : 3;
  if (address < chip::kInk0 + inks) {
    const int chamber = cartridge == 0 ? 0 : 1 + (address - chip::kInk0);
    const double left = std::min<int>(value, 100) / 100.0;
    state.inkUsedMl[chamber] = InkCapacityMl(chamber) * (1.0 - left);
  }
}

void Consumables::ReplaceCartridge(int cartridge, ChipDate today) {
  PrinterState& state = store_->Edit();
  state.chips[cartridge] = NewCartridgeChip(cartridge, 1, today);
  state.cartridges = Cartridges::kInk;
  if (cartridge == 0) {
    state.inkUsedMl[0] = 0;
  } else {
    for (int chamber = 1; chamber < 4; ++chamber) state.inkUsedMl[chamber] = 0;
  }
  UpdateInkCounters(state);
}

uint16_t Consumables::ErrorAtStart() const {
  if (WastePadFull()) return status::kMaintenance;
  const PrinterState& state = store_->Get();
  for (int chamber = 0; chamber < 4; ++chamber) {
    if (state.inkUsedMl[chamber] >= InkCapacityMl(chamber)) return status::kInkOut;
  }
  return 0;
}

}  // namespace vprinter
