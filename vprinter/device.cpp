#include "vprinter/device.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <utility>

#include "vprinter/engine_sheet.h"

namespace vprinter {

std::optional<double> ParseTimeScale(const std::string& text) {
  if (text.empty()) return std::nullopt;
  char* end = nullptr;
  const double scale = std::strtod(text.c_str(), &end);
  if (*end != '\0' || !std::isfinite(scale) || scale < 0 || scale > kMaxTimeScale) {
    return std::nullopt;
  }
  return scale;
}

namespace {
// How many of the latest sheets a snapshot lists.
constexpr std::size_t kSheetsListed = 500;
}  // namespace

Device::Device(DeviceOptions options)
    : options_(std::move(options)),
      store_(options_.stateDir, options_.durable),
      notifier_(options_.notifyInterval) {
  if (options_.trayDir.empty()) {
    options_.trayDir = options_.stateDir.empty()
                           ? std::filesystem::temp_directory_path() / "quorla-vprinter-tray"
                           : options_.stateDir / "tray";
  }
  // A tray that takes no sheet would make every print vanish with the data answered 1.
  if (std::string error; !TrayWritable(options_.trayDir, error)) {
    trayError_ = error;
    store_.Warn(error);
  }
  if (!options_.traceFile.empty() && !trace_.SetFile(options_.traceFile)) {
    store_.Warn("cannot open the trace file " + options_.traceFile.string());
  }
  trace_.SetKeepInMemory(options_.traceInMemory);
  engine_ = std::make_unique<PrintEngine>(options_.trayDir, static_cast<EngineEvents&>(*this));
  writer_ = std::make_unique<SheetWriter>(
      options_.trayDir, [this](const std::string& file, const std::string& error) {
        std::function<void()> waker;
        {
          std::lock_guard lock(mutex_);
          if (file.empty()) {
            SheetLost(error);
          } else {
            SheetEjected(file);
          }
          waker = waker_;
        }
        // Print data held for want of room in the writer may go on now.
        if (waker) waker();
      });
  ApplySettingsLocked();
  ApplyHeadLocked();
  store_.SetWarningSink(options_.onWarning);
}

Device::~Device() {
  // The sheets still being written are told to a device that is whole.
  writer_.reset();
  std::lock_guard lock(mutex_);
  store_.SaveIfDirty();
}

void Device::SetWaker(std::function<void()> waker) {
  std::lock_guard lock(mutex_);
  waker_ = std::move(waker);
}

void Device::Wake() {
  if (waker_) waker_();
}

void Device::TraceLocked(const TraceRecord& record) {
  trace_.Write(record);
  Changed(change::kTrace);
}

bool Device::SaveNowLocked() {
  std::string error;
  if (store_.Save(&error)) return true;
  TraceLocked(TraceRecord("save_failed").Str("error", error));
  store_.Warn(error);
  return false;
}

void Device::RaiseLocked(uint16_t error) {
  if (error == 0 || error_ != 0) return;
  error_ = error;
  Changed(change::kStatus);
}

// ---- the print engine's events
// -------------------------------------------------------------------

void Device::SheetEjected(const std::string& file) {
  TraceLocked(TraceRecord("sheet").Str("file", file));
  sheets_.push_front(file);
  if (sheets_.size() > kSheetsListed) sheets_.pop_back();
  Changed(change::kSheets);
}

void Device::SheetLost(const std::string& error) {
  TraceLocked(TraceRecord("sheet_lost").Str("error", error));
  store_.Warn(std::string("a sheet was lost: ") + error);
}

void Device::Skipped(const std::string& what, uint64_t offset) {
  TraceLocked(
      TraceRecord("skipped").Str("what", what).Num("offset", static_cast<long long>(offset)));
}

bool Device::TakeSheet(const uint8_t* pixels, int top, int bottom) {
  // The sheet comes out now, in its place among the requests (its file is traced when written),
  // with the nozzles clogged as it was printed: a nozzle check on it shows every nozzle only when
  // none was.
  TraceLocked(TraceRecord("eject").Num("clogged", store_.Get().head.CloggedCount()));
  writer_->Take(pixels, top, bottom);
  return true;
}

bool Device::FeedSheet() {
  // No sheet goes in while the writer has no room for it when it comes out: the data waits with
  // its credit, and the host with it.
  waitingForWriter_ = !writer_->HasRoom();
  if (waitingForWriter_) return false;
  if (!paper_.Take()) return false;
  Changed(change::kPaper);
  return true;
}

void Device::ApplySettingsLocked() {
  const PrinterState& state = store_.Get();
  PrintSettings settings;
  settings.topMargin = static_cast<int8_t>(state.eeprom[cell::kTopMargin]);
  settings.firstDot = static_cast<int8_t>(state.eeprom[cell::kFirstDot]);
  settings.feedTop = state.feedOffsetTop;
  settings.feedLeft = state.feedOffsetLeft;
  for (int drop = 1; drop <= 3; ++drop) {
    for (int ink = 1; ink <= 2; ++ink) {
      settings.bid[drop - 1][ink - 1] = static_cast<int8_t>(state.eeprom[BidCell(drop, ink)]);
      settings.bidOffset[drop - 1][ink - 1] = state.bidOffset[drop - 1][ink - 1];
    }
  }
  engine_->SetSettings(settings);
}

void Device::ApplyHeadLocked() {
  engine_->SetHead(store_.Get().head);
  Changed(change::kHead);
}

// ---- protocol side
// -------------------------------------------------------------------------------

void Device::Connected(int) {
  std::lock_guard lock(mutex_);
  TraceLocked(TraceRecord("connect"));
}

void Device::Disconnected(int) {
  std::lock_guard lock(mutex_);
  TraceLocked(TraceRecord("disconnect"));
  // The job ends with the connection: what it left on the sheet comes out.
  Enqueue(Work{work::Eject{}});
}

d4::Outcome Device::TransactionLocked(Op op, bool* drop) {
  TraceRecord record = trace_.Record(OpName(op));
  if (std::optional<Faults::Armed> fault = faults_.Take(op)) {
    Changed(change::kFaults);
    if (fault->kind == Faults::Armed::Kind::kDrop) {
      *drop = true;
      TraceLocked(record.Num("dropped", 1));
      return d4::Outcome::Ok();
    }
    TraceLocked(record.Num("refused", service::RefusalCode(fault->Answer())));
    return fault->Answer();
  }
  TraceLocked(record);
  return d4::Outcome::Ok();
}

d4::Outcome Device::Negotiate(int, bool* drop) {
  std::lock_guard lock(mutex_);
  if (!powered_) {
    *drop = true;
    return d4::Outcome::Ok();
  }
  return TransactionLocked(Op::kNegotiate, drop);
}

d4::Outcome Device::Terminate(int, bool* drop) {
  std::lock_guard lock(mutex_);
  if (!powered_) {
    *drop = true;
    return d4::Outcome::Ok();
  }
  const d4::Outcome outcome = TransactionLocked(Op::kTerminate, drop);
  if (outcome.ok()) Enqueue(Work{work::Eject{}});
  return outcome;
}

d4::Outcome Device::OpenChannel(const std::string& service) {
  std::lock_guard lock(mutex_);
  if (const std::optional<int16_t> code = faults_.ChannelRefusal(service)) {
    return d4::Outcome::Refused(*code);
  }
  return d4::Outcome::Ok();
}

void Device::ProtocolError(int, int16_t code) {
  std::lock_guard lock(mutex_);
  TraceLocked(TraceRecord("protocol_error").Num("code", code));
}

Device::Answer Device::Control(int connection, const std::vector<uint8_t>& bytes) {
  std::unique_lock lock(mutex_);
  Answer answer;
  const std::optional<service::ControlRequest> request =
      service::ParseControl(bytes, &answer.reply);
  if (!request) return answer;
  // A connection that slipped in while the printer was switched off gets no answer.
  if (!powered_) {
    answer.drop = true;
    return answer;
  }
  // Work that was due before this request is done before it is answered.
  lock.unlock();
  Advance();
  lock.lock();

  TraceRecord record = trace_.Active() ? service::RequestRecord(*request) : TraceRecord::Unkept();
  auto refuse = [&](d4::Outcome outcome) {
    TraceLocked(record.Num("refused", service::RefusalCode(outcome)));
    answer.reply = service::ControlReply(request->command, request->tag, outcome);
    return answer;
  };
  if (std::optional<Faults::Armed> fault = faults_.Take(request->op)) {
    Changed(change::kFaults);
    if (fault->kind == Faults::Armed::Kind::kDrop) {
      TraceLocked(record.Num("dropped", 1));
      answer.drop = true;
      return answer;
    }
    return refuse(fault->Answer());
  }
  if (service::TakesModelCode(*request)) {
    const d4::Outcome model = service::CheckModel(*request);
    if (!model.ok()) return refuse(model);
  }
  return Execute(connection, *request, record);
}

Device::Answer Device::Data(int connection, uint8_t seq, const std::vector<uint8_t>& bytes) {
  std::unique_lock lock(mutex_);
  Answer answer;
  if (!powered_) {
    answer.drop = true;
    return answer;
  }
  // The hex of every packet is the costliest thing the printer does on a fast link: built only
  // when the trace is kept somewhere.
  TraceRecord record = trace_.Record("data");
  record.Hex("hex", bytes.data(), bytes.size());
  d4::Outcome outcome = d4::Outcome::Ok();
  if (std::optional<Faults::Armed> fault = faults_.Take(Op::kData)) {
    Changed(change::kFaults);
    if (fault->kind == Faults::Armed::Kind::kDrop) {
      TraceLocked(record.Num("dropped", 1));
      answer.drop = true;
      return answer;
    }
    outcome = fault->Answer();
    TraceLocked(record.Num("refused", service::RefusalCode(outcome)));
    // Refused data takes no room in the buffer.
    ++creditReturns_[connection];
  } else {
    TraceLocked(record);
    Enqueue(Work{work::PrintData{bytes}, bytes.size() / timing::kPrintBytesPerSecond, connection});
  }
  answer.reply = service::DataReply(seq, outcome);
  return answer;
}

void Device::Enqueue(Work work) {
  queue_.Push(std::move(work));
  Changed(change::kStatus);
}

std::optional<std::chrono::nanoseconds> Device::Advance() {
  std::lock_guard lock(mutex_);
  // Switched off, nothing moves.
  if (!powered_) return std::nullopt;
  return queue_.Advance(options_.timeScale, *this);
}

std::pair<uint16_t, uint16_t> Device::StatusLocked() const {
  if (const std::optional<uint16_t> forced = faults_.ForcedStatus()) return {*forced, error_};
  if (error_ != 0) return {status::kError, error_};
  if (const Work* head = queue_.Head()) {
    if (std::holds_alternative<work::PrintData>(head->what)) return {status::kPrinting, 0};
    if (std::holds_alternative<work::Cleaning>(head->what) ||
        std::holds_alternative<work::InkCharge>(head->what)) {
      return {status::kCleaning, 0};
    }
    return {status::kBusy, 0};
  }
  if (!store_.Get().inkCharged) return {status::kBeforeInitialFillUp, 0};
  return {status::kIdle, 0};
}

std::map<int, int> Device::TakeCreditReturns() {
  std::lock_guard lock(mutex_);
  std::map<int, int> returns;
  returns.swap(creditReturns_);
  return returns;
}

bool Device::Answering() const {
  std::lock_guard lock(mutex_);
  return faults_.Answering();
}

bool Device::TakeDropRequest() {
  std::lock_guard lock(mutex_);
  return faults_.TakeDropRequest();
}

bool Device::TakeCorruptRequest() {
  std::lock_guard lock(mutex_);
  return faults_.TakeCorruptRequest();
}

void Device::SaveIfDirty() {
  std::lock_guard lock(mutex_);
  store_.SaveIfDirty();
}

bool Device::Save() {
  std::lock_guard lock(mutex_);
  std::string error;
  return store_.Save(&error);
}

// ---- the power switch
// ------------------------------------------------------------------------------

void Device::PowerOff() {
  std::lock_guard lock(mutex_);
  if (!powered_) return;
  powered_ = false;
  // Whatever was under way stops where it is; print data not yet printed is lost.
  queue_.Clear();
  creditReturns_.clear();
  TraceLocked(TraceRecord("power_off").Num("carriage", mechanism_.Carriage()));
  std::string error;
  if (!store_.Save(&error)) store_.Warn(error);
  faults_.RequestDrop();
  Changed(change::kPower | change::kStatus);
  Wake();
}

void Device::PowerOn() {
  std::lock_guard lock(mutex_);
  if (powered_) return;
  powered_ = true;
  StartAfreshLocked();
  TraceLocked(TraceRecord("power_on").Num("carriage", mechanism_.Carriage()));
  Changed(change::kPower | change::kStatus | change::kMechanism);
  Wake();
}

bool Device::PoweredOn() const {
  std::lock_guard lock(mutex_);
  return powered_;
}

void Device::StartAfreshLocked() {
  // A sheet left in the printer is fed out; the engine starts with what the EEPROM holds now.
  if (engine_->SheetInProgress()) engine_->EjectSheet();
  engine_->PowerOnReset();
  ApplySettingsLocked();
  mechanism_.Reset();
  queue_.ResetIdle();
  queue_.Restart();
  // The errors of the last session are gone; a full waste-ink pad or an empty cartridge is found
  // again at once.
  error_ = consumables_.ErrorAtStart();
}

}  // namespace vprinter
