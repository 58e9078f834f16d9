// What each kind of queued work does when its time has come, under the device's lock. False: it
// could not finish and stays at the head of the queue.
#include "vprinter/device.h"

namespace vprinter {

bool Device::Perform(Work& work) {
  Changed(change::kStatus);
  return std::visit([&](auto& what) { return Do(what, work.connection); }, work.what);
}

bool Device::Do(work::PrintData& data, int connection) {
  const std::size_t taken = engine_->Consume(data.bytes.data(), data.bytes.size());
  std::array<uint64_t, kInkCount> fresh{};
  for (int ink = 0; ink < kInkCount; ++ink) {
    const uint64_t dots = engine_->DotsPrinted(ink);
    fresh[ink] = dots - dotsSeen_[ink];
    dotsSeen_[ink] = dots;
  }
  RaiseLocked(consumables_.PrintDots(fresh));
  Changed(change::kInk);
  if (taken < data.bytes.size()) {
    data.bytes.erase(data.bytes.begin(), data.bytes.begin() + static_cast<std::ptrdiff_t>(taken));
    // The writer is full: the rest waits, holding its credit, until it has written a sheet.
    if (waitingForWriter_) return false;
    // Out of paper: the rest waits, holding its credit, until paper is loaded and the error
    // cleared.
    RaiseLocked(status::kPaperOut);
    TraceLocked(TraceRecord("paper_out").Num("pending", static_cast<long long>(data.bytes.size())));
    return false;
  }
  ++creditReturns_[connection];
  return true;
}

bool Device::Do(work::BidChange& bid, int) {
  engine_->SetBid(bid.drop, bid.ink, bid.value);
  return true;
}

bool Device::Do(work::Cleaning&, int) {
  return Maintain([this] { return consumables_.Cleaning(); });
}

bool Device::Do(work::InkCharge&, int) {
  return Maintain([this] { return consumables_.InitialCharge(); });
}

// A cleaning or an ink charge: the ink it takes, and the nozzles it frees.
bool Device::Maintain(const std::function<uint16_t()>& pump) {
  const int clogged = store_.Get().head.CloggedCount();
  const uint16_t error = pump();
  const int left = store_.Get().head.CloggedCount();
  if (left != clogged) {
    ApplyHeadLocked();
    TraceLocked(TraceRecord("nozzles_freed").Num("freed", clogged - left).Num("clogged", left));
  }
  RaiseLocked(error);
  Changed(change::kInk | change::kEeprom | change::kMechanism);
  return true;
}

bool Device::Do(work::Initialise& init, int) {
  ApplySettingsLocked();
  if (init.full) {
    // Initialisation feeds out a sheet left in the printer.
    if (engine_->SheetInProgress()) engine_->EjectSheet();
    engine_->PowerOnReset();
    mechanism_.HomeReturn();
    Changed(change::kMechanism);
  }
  return true;
}

bool Device::Do(work::CarriageMove& move, int) {
  mechanism_.DriveCarriage(move.mode, move.direction, move.amount);
  Changed(change::kMechanism);
  return true;
}

bool Device::Do(work::PaperFeedMove& move, int) {
  PrinterState probe = store_.Get();
  const Mechanism::Effects effects =
      mechanism_.DrivePaperFeed(move.mode, move.direction, move.amount, probe);
  if (effects.pathChanged) {
    PrinterState& state = store_.Edit();
    state.liquidPath = probe.liquidPath;
    // Transportation liquid in the head: the printer needs an initial ink charge again.
    if (state.liquidPath == Liquid::kTransportation) state.inkCharged = false;
  }
  if (effects.wastePoints > 0) {
    RaiseLocked(consumables_.AddWaste(effects.wastePoints));
    Changed(change::kInk | change::kEeprom);
  }
  Changed(change::kMechanism);
  return true;
}

bool Device::Do(work::HomeReturn&, int) {
  mechanism_.HomeReturn();
  Changed(change::kMechanism);
  return true;
}

bool Device::Do(work::Wait&, int) {
  Changed(change::kMechanism);
  return true;
}

bool Device::Do(work::Flush& flush, int) {
  RaiseLocked(consumables_.Flush(flush.amount));
  Changed(change::kInk | change::kEeprom);
  return true;
}

bool Device::Do(work::Eject&, int) {
  if (engine_->SheetInProgress()) engine_->EjectSheet();
  return true;
}

}  // namespace vprinter
