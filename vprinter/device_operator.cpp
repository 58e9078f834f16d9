// The operator's and the tests' side of the printer: its memory, errors, parts, paper, head,
// trace and the watchers' snapshots.
#include <algorithm>
#include <cmath>
#include <ctime>
#include <tuple>

#include "vprinter/device.h"

namespace vprinter {

uint8_t Device::PeekEeprom(uint8_t address) const {
  std::lock_guard lock(mutex_);
  return store_.Get().eeprom[address];
}

void Device::PokeEeprom(uint8_t address, uint8_t value) {
  std::lock_guard lock(mutex_);
  store_.WriteCell(address, value);
  Changed(change::kEeprom | change::kInk);
}

std::array<uint8_t, kEepromSize> Device::Eeprom() const {
  std::lock_guard lock(mutex_);
  return store_.Get().eeprom;
}

uint8_t Device::PeekChip(int cartridge, uint8_t address) const {
  std::lock_guard lock(mutex_);
  if (cartridge < 0 || cartridge >= kCartridges || address >= kChipSize) return 0;
  return store_.Get().chips[cartridge][address];
}

void Device::PokeChip(int cartridge, uint8_t address, uint8_t value) {
  std::lock_guard lock(mutex_);
  if (cartridge < 0 || cartridge >= kCartridges || address >= kChipSize) return;
  consumables_.SetChipByte(cartridge, address, value);
  Changed(change::kInk);
}

PrinterState Device::State() const {
  std::lock_guard lock(mutex_);
  return store_.Get();
}

void Device::SetBidOffsets(const int8_t offsets[3][2]) {
  std::lock_guard lock(mutex_);
  PrinterState& state = store_.Edit();
  for (int d = 0; d < 3; ++d) {
    for (int i = 0; i < 2; ++i) state.bidOffset[d][i] = offsets[d][i];
  }
  ApplySettingsLocked();
}

std::pair<uint16_t, uint16_t> Device::CurrentStatus() const {
  std::lock_guard lock(mutex_);
  return StatusLocked();
}

void Device::RaiseError(uint16_t error) {
  std::lock_guard lock(mutex_);
  error_ = error;
  Changed(change::kStatus);
}

void Device::ClearError() {
  std::lock_guard lock(mutex_);
  error_ = 0;
  queue_.Restart();
  Changed(change::kStatus);
  Wake();
}

void Device::ForceStatus(std::optional<uint16_t> value) {
  std::lock_guard lock(mutex_);
  faults_.ForceStatus(value);
  Changed(change::kStatus | change::kFaults);
}

void Device::SetInkCharged(bool charged) {
  std::lock_guard lock(mutex_);
  store_.Edit().inkCharged = charged;
  Changed(change::kStatus);
}

void Device::SetTimeScale(double scale) {
  {
    std::lock_guard lock(mutex_);
    options_.timeScale = std::isnan(scale) ? 0 : std::clamp(scale, 0.0, kMaxTimeScale);
    Changed(change::kTimeScale);
    Wake();
  }
  // What is due at the new scale is done at once, so a test that sets 0 finds the work finished.
  Advance();
}

double Device::TimeScale() const {
  std::lock_guard lock(mutex_);
  return options_.timeScale;
}

bool Device::ReplaceMainBoard() {
  std::lock_guard lock(mutex_);
  if (powered_) return false;
  store_.ReplaceEeprom(NewBoardEeprom());
  TraceLocked(TraceRecord("replace_board"));
  std::string error;
  store_.Save(&error);
  Changed(change::kEeprom | change::kInk);
  return true;
}

void Device::ReplaceCartridge(int cartridge) {
  std::lock_guard lock(mutex_);
  if (cartridge < 0 || cartridge >= kCartridges) return;
  consumables_.ReplaceCartridge(cartridge, TodayLocked());
  TraceLocked(trace_.Record("replace_cartridge").Num("cartridge", cartridge));
  Changed(change::kInk | change::kMechanism);
  if (error_ == status::kInkOut) {
    error_ = 0;
    queue_.Restart();
    Changed(change::kStatus);
    Wake();
  }
}

void Device::ReplaceCartridges() {
  ReplaceCartridge(0);
  ReplaceCartridge(1);
}

void Device::InstallDummyCartridges() {
  std::lock_guard lock(mutex_);
  store_.Edit().cartridges = Cartridges::kDummy;
  Changed(change::kMechanism);
}

void Device::RemoveCartridges() {
  std::lock_guard lock(mutex_);
  store_.Edit().cartridges = Cartridges::kNone;
  Changed(change::kMechanism);
}

void Device::ReplaceWastePads() {
  std::lock_guard lock(mutex_);
  TraceLocked(trace_.Record("replace_waste_pads"));
  Changed(change::kInk);
}

void Device::ReplaceHead(const std::string& label) {
  std::lock_guard lock(mutex_);
  PrinterState& state = store_.Edit();
  state.head = HeadState{};
  state.headLabel = label;
  TraceLocked(trace_.Record("replace_head").Str("label", label));
  ApplyHeadLocked();
}

std::string Device::HeadLabel() const {
  std::lock_guard lock(mutex_);
  return store_.Get().headLabel;
}

bool Device::SetBidOffset(int dropSize, int inkGroup, int offset) {
  if (dropSize < 1 || dropSize > 3 || inkGroup < 1 || inkGroup > 2 || offset < -40 || offset > 40) {
    return false;
  }
  std::lock_guard lock(mutex_);
  store_.Edit().bidOffset[dropSize - 1][inkGroup - 1] = static_cast<int8_t>(offset);
  ApplySettingsLocked();
  return true;
}

bool Device::SetFeedOffset(int top, int left) {
  if (top < -50 || top > 50 || left < -72 || left > 72) return false;
  std::lock_guard lock(mutex_);
  PrinterState& state = store_.Edit();
  state.feedOffsetTop = top;
  state.feedOffsetLeft = left;
  ApplySettingsLocked();
  return true;
}

ChipDate Device::Today() const {
  std::lock_guard lock(mutex_);
  return TodayLocked();
}

ChipDate Device::TodayLocked() const {
  if (options_.today) return options_.today();
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  return ChipDate{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday};
}

bool Device::LoadPaper(int sheets) {
  std::lock_guard lock(mutex_);
  if (!paper_.Load(sheets)) return false;
  TraceLocked(TraceRecord("load_paper").Num("sheets", sheets));
  Changed(change::kPaper);
  return true;
}

int Device::PaperInTray() const {
  std::lock_guard lock(mutex_);
  return paper_.Sheets();
}

bool Device::ClogNozzle(int row, int nozzle) {
  std::lock_guard lock(mutex_);
  HeadState head = store_.Get().head;
  if (!vprinter::ClogNozzle(head, row, nozzle)) return false;
  store_.Edit().head = head;
  ApplyHeadLocked();
  TraceLocked(TraceRecord("clog").Str("row", HeadRowName(row)).Num("nozzle", nozzle));
  return true;
}

int Device::ClogRandomNozzles(int count, uint32_t seed) {
  std::lock_guard lock(mutex_);
  HeadState& head = store_.Edit().head;
  const int clogged = vprinter::ClogRandomNozzles(head, count, seed);
  ApplyHeadLocked();
  TraceLocked(TraceRecord("clog_random")
                  .Num("count", clogged)
                  .Num("seed", seed)
                  .Num("clogged", head.CloggedCount()));
  return clogged;
}

bool Device::ClearNozzle(int row, int nozzle) {
  std::lock_guard lock(mutex_);
  HeadState head = store_.Get().head;
  if (!vprinter::ClearNozzle(head, row, nozzle)) return false;
  store_.Edit().head = head;
  ApplyHeadLocked();
  TraceLocked(TraceRecord("clear_nozzle").Str("row", HeadRowName(row)).Num("nozzle", nozzle));
  return true;
}

void Device::ClearNozzles() {
  std::lock_guard lock(mutex_);
  ClearAllNozzles(store_.Edit().head);
  ApplyHeadLocked();
  TraceLocked(TraceRecord("clear_nozzles"));
}

bool Device::SetHeadAngle(int tenthsOfADegree) {
  std::lock_guard lock(mutex_);
  HeadState head = store_.Get().head;
  if (!vprinter::SetHeadAngle(head, tenthsOfADegree)) return false;
  store_.Edit().head = head;
  ApplyHeadLocked();
  TraceLocked(TraceRecord("head_angle").Num("angle", tenthsOfADegree));
  return true;
}

HeadState Device::Head() const {
  std::lock_guard lock(mutex_);
  return store_.Get().head;
}

int Device::Calls(Op op) const {
  std::lock_guard lock(mutex_);
  return faults_.Calls(op);
}

void Device::FinishSheets() const {
  writer_->Drain();
}

std::vector<std::string> Device::TraceLines() const {
  FinishSheets();
  std::lock_guard lock(mutex_);
  return trace_.Lines();
}

void Device::ClearTrace() {
  writer_->Drain();
  std::lock_guard lock(mutex_);
  trace_.ClearLines();
}

void Device::KeepTraceInMemory() {
  std::lock_guard lock(mutex_);
  trace_.SetKeepInMemory(true);
}

double Device::InkUsedMl() const {
  std::lock_guard lock(mutex_);
  return consumables_.InkUsedSinceStartMl();
}

void Device::HoldSheetWriter(bool hold) {
  writer_->Hold(hold);
}

std::string Device::TrayError() const {
  std::lock_guard lock(mutex_);
  return trayError_;
}

std::string Device::StartError() const {
  std::lock_guard lock(mutex_);
  return store_.StartError();
}

std::vector<std::string> Device::Warnings() const {
  std::lock_guard lock(mutex_);
  return store_.Warnings();
}

std::pair<long, long> Device::MechanismPosition() const {
  std::lock_guard lock(mutex_);
  return {mechanism_.Carriage(), mechanism_.Paper()};
}

std::string Device::CarriagePlace() const {
  std::lock_guard lock(mutex_);
  return mechanism_.PlaceName();
}

Liquid Device::LiquidPath() const {
  std::lock_guard lock(mutex_);
  return store_.Get().liquidPath;
}

Cartridges Device::InstalledCartridges() const {
  std::lock_guard lock(mutex_);
  return store_.Get().cartridges;
}

std::size_t Device::PendingPrintBytes() const {
  std::lock_guard lock(mutex_);
  return queue_.PendingPrintBytes();
}

// ---- watchers
// ------------------------------------------------------------------------------------

// Without the device's lock: a call in progress may be taking a snapshot.
void Device::AddObserver(DeviceObserver* observer) {
  notifier_.Add(observer);
}

void Device::RemoveObserver(DeviceObserver* observer) {
  notifier_.Remove(observer);
}

void Device::KeepTraceHistory(std::size_t records) {
  std::lock_guard lock(mutex_);
  trace_.SetHistory(records);
}

void Device::SetNotifyInterval(std::chrono::milliseconds interval) {
  notifier_.SetInterval(interval);
}

DeviceSnapshot Device::Snapshot(uint64_t traceSince) const {
  std::lock_guard lock(mutex_);
  const PrinterState& state = store_.Get();
  DeviceSnapshot s;
  s.powered = powered_;
  std::tie(s.status, s.error) = StatusLocked();
  s.carriage = mechanism_.Carriage();
  s.carriagePlace = mechanism_.PlaceName();
  s.paperFeed = mechanism_.Paper();
  s.liquidPath = state.liquidPath;
  s.cartridges = state.cartridges;
  s.inkLeft = {state.chips[0][chip::kInk0], state.chips[1][chip::kInk0],
               state.chips[1][chip::kInk0 + 1], state.chips[1][chip::kInk0 + 2]};
  s.wasteCounter = state.ProtectionCounter();
  s.eeprom = state.eeprom;
  s.eepromWritten = store_.CellWritten();
  s.paperInTray = paper_.Sheets();
  s.head = state.head;
  s.timeScale = options_.timeScale;
  s.pendingPrintBytes = queue_.PendingPrintBytes();
  s.sheetInProgress = engine_->SheetInProgress();
  s.armedFaults = faults_.ArmedCount();
  s.answering = faults_.Answering();
  s.sheets.assign(sheets_.begin(), sheets_.end());
  if (traceSince != kNoTrace) s.trace = trace_.Since(traceSince);
  s.traceSeq = trace_.LastSeq();
  return s;
}

}  // namespace vprinter
