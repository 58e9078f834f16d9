#include "vprinter/device.h"

#include <algorithm>
#include <tuple>
#include <utility>

#include "makerlibs/d4/commands.h"
#include "vprinter/engine_sheet.h"

namespace vprinter {

namespace {
// How many of the latest sheets a snapshot lists.
constexpr std::size_t kSheetsListed = 500;
}  // namespace

Device::Device(DeviceOptions options)
    : options_(std::move(options)), store_(options_.stateDir, options_.durable), notifier_(options_.notifyInterval) {
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
  Enqueue(Work{Work::Kind::kEject, 0, {}, -1, 0, 0, 0});
}

d4::Outcome Device::TransactionLocked(Op op, bool* drop) {
  TraceRecord record(OpName(op));
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
  if (outcome.ok()) Enqueue(Work{Work::Kind::kEject, 0, {}, -1, 0, 0, 0});
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

  TraceRecord record = service::RequestRecord(*request);
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

Device::Answer Device::Execute(int connection, const service::ControlRequest& request,
                               TraceRecord& record) {
  const uint8_t* args = request.args;
  Answer answer;
  auto reply = [&](d4::Outcome outcome, std::initializer_list<uint8_t> data = {}) {
    answer.reply = service::ControlReply(request.command, request.tag, outcome, data);
    return answer;
  };
  auto refuse = [&](d4::Outcome outcome) {
    TraceLocked(record.Num("refused", service::RefusalCode(outcome)));
    return reply(outcome);
  };

  switch (request.command) {
    case d4::cmd::kReadEeprom: {
      const uint8_t value = store_.Get().eeprom[args[2]];
      TraceLocked(record.Num("value", value));
      return reply(d4::Outcome::Ok(), {value});
    }
    case d4::cmd::kWriteEeprom: {
      // A write is answered only once it is on disk: one acknowledged and then lost in a restart
      // would leave the technician trusting a value the printer no longer holds.
      const uint8_t before = store_.Get().eeprom[args[2]];
      store_.WriteCell(args[2], args[3]);
      if (!SaveNowLocked()) {
        store_.RestoreCell(args[2], before);
        return refuse(d4::Outcome::Refused(d4::err::PrinterIsBusy));
      }
      Changed(change::kEeprom | change::kInk);
      break;
    }
    case d4::cmd::kSoftReset:
      // The interface starts afresh; accepted print data and the sheet in progress stay.
      break;
    case d4::cmd::kInquireStatus: {
      std::pair<uint16_t, uint16_t> s = StatusLocked();
      // Injected busy polls stand behind a forced status and a real error.
      if (!faults_.ForcedStatus() && error_ == 0 && faults_.TakeBusyPoll()) {
        s = {status::kBusy, 0};
        Changed(change::kFaults);
      }
      TraceLocked(record.Num("status", s.first)
                      .Num("error", s.second)
                      .Num("carriage", mechanism_.Carriage()));
      return reply(d4::Outcome::Ok(),
                   {static_cast<uint8_t>(s.first >> 8), static_cast<uint8_t>(s.first & 0xFF),
                    static_cast<uint8_t>(s.second >> 8), static_cast<uint8_t>(s.second & 0xFF)});
    }
    case d4::cmd::kWriteBid: {
      const int drop = args[2];
      const int ink = args[3];
      if (drop < 1 || drop > 3 || ink < 1 || ink > 2) {
        return refuse(d4::Outcome::Refused(d4::err::InvalidParameter));
      }
      const uint8_t before = store_.Get().eeprom[BidCell(drop, ink)];
      store_.WriteCell(BidCell(drop, ink), args[4]);
      if (!SaveNowLocked()) {
        store_.RestoreCell(BidCell(drop, ink), before);
        return refuse(d4::Outcome::Refused(d4::err::PrinterIsBusy));
      }
      Changed(change::kEeprom);
      // The engine takes the new value where it stands in the stream, after the data before it.
      Enqueue(Work{Work::Kind::kBid, 0, {}, -1, drop, ink, static_cast<int8_t>(args[4])});
      break;
    }
    case d4::cmd::kReadCrtag: {
      if (args[2] >= kCartridges || args[3] >= kChipSize) {
        return refuse(d4::Outcome::Refused(d4::err::InvalidParameter));
      }
      const uint8_t value = store_.Get().chips[args[2]][args[3]];
      TraceLocked(record.Num("value", value));
      return reply(d4::Outcome::Ok(), {value});
    }
    case d4::cmd::kPowerOnInitialize:
      // Initialisation looks at the waste-ink counter again: a cleared counter ends the
      // maintenance error, a full one starts it.
      if (error_ == status::kMaintenance && !consumables_.WastePadFull()) {
        error_ = 0;
        Changed(change::kStatus);
      } else if (consumables_.WastePadFull()) {
        RaiseLocked(status::kMaintenance);
      }
      Enqueue(Work{Work::Kind::kPowerOn, timing::kPowerOn, {}, -1, 0, 0, 0});
      break;
    case d4::cmd::kSaveAllCurrentData: {
      store_.Edit();
      if (!SaveNowLocked()) return refuse(d4::Outcome::Refused(d4::err::PrinterIsBusy));
      Enqueue(Work{Work::Kind::kPowerOn, 0, {}, -1, 1, 0, 0});
      break;
    }
    default: {
      // The mechanism does nothing while the printer stands in an error.
      if (error_ != 0) return refuse(d4::Outcome::Refused(d4::err::PrinterIsBusy));
      Work work;
      const d4::Outcome outcome = service::MechanismWork(request, &work);
      if (!outcome.ok()) return refuse(outcome);
      if (queue_.PendingWorkOf(connection) >= kMaxQueuedWorkPerConnection) {
        return refuse(d4::Outcome::Refused(d4::err::PrinterIsBusy));
      }
      work.connection = connection;
      Enqueue(std::move(work));
      break;
    }
  }
  TraceLocked(record);
  return reply(d4::Outcome::Ok());
}

Device::Answer Device::Data(int connection, uint8_t seq, const std::vector<uint8_t>& bytes) {
  std::unique_lock lock(mutex_);
  Answer answer;
  if (!powered_) {
    answer.drop = true;
    return answer;
  }
  TraceRecord record("data");
  // The hex of every packet is the costliest thing the printer does on a fast link: built only
  // when the trace is kept somewhere.
  if (trace_.Active()) record.Hex("hex", bytes.data(), bytes.size());
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
    Enqueue(Work{Work::Kind::kData, bytes.size() / timing::kPrintBytesPerSecond, bytes, connection,
                 0, 0, 0});
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

bool Device::Perform(Work& work) {
  Changed(change::kStatus);
  switch (work.kind) {
    case Work::Kind::kData: {
      const std::size_t taken = engine_->Consume(work.bytes.data(), work.bytes.size());
      std::array<uint64_t, kInkCount> fresh{};
      for (int ink = 0; ink < kInkCount; ++ink) {
        const uint64_t dots = engine_->DotsPrinted(ink);
        fresh[ink] = dots - dotsSeen_[ink];
        dotsSeen_[ink] = dots;
      }
      RaiseLocked(consumables_.PrintDots(fresh));
      Changed(change::kInk);
      if (taken < work.bytes.size()) {
        work.bytes.erase(work.bytes.begin(),
                         work.bytes.begin() + static_cast<std::ptrdiff_t>(taken));
        // The writer is full: the rest waits, holding its credit, until it has written a sheet.
        if (waitingForWriter_) return false;
        // Out of paper: the rest waits, holding its credit, until paper is loaded and the error
        // cleared.
        RaiseLocked(status::kPaperOut);
        TraceLocked(
            TraceRecord("paper_out").Num("pending", static_cast<long long>(work.bytes.size())));
        return false;
      }
      ++creditReturns_[work.connection];
      return true;
    }
    case Work::Kind::kBid:
      engine_->SetBid(work.a, work.b, static_cast<int8_t>(work.c));
      return true;
    case Work::Kind::kCleaning:
    case Work::Kind::kCharge: {
      const int clogged = store_.Get().head.CloggedCount();
      const uint16_t error =
          work.kind == Work::Kind::kCharge ? consumables_.InitialCharge() : consumables_.Cleaning();
      const int left = store_.Get().head.CloggedCount();
      if (left != clogged) {
        ApplyHeadLocked();
        TraceLocked(TraceRecord("nozzles_freed").Num("freed", clogged - left).Num("clogged", left));
      }
      RaiseLocked(error);
      Changed(change::kInk | change::kEeprom | change::kMechanism);
      return true;
    }
    case Work::Kind::kEject:
      if (engine_->SheetInProgress()) engine_->EjectSheet();
      return true;
    case Work::Kind::kPowerOn:
      ApplySettingsLocked();
      if (work.a == 0) {
        // Initialisation feeds out a sheet left in the printer.
        if (engine_->SheetInProgress()) engine_->EjectSheet();
        engine_->PowerOnReset();
        mechanism_.HomeReturn();
        Changed(change::kMechanism);
      }
      return true;
    case Work::Kind::kMotion:
      if (work.a == 0) mechanism_.DriveCarriage(work.mode, work.b, work.c);
      if (work.a == 1) {
        PrinterState probe = store_.Get();
        const Mechanism::Effects effects =
            mechanism_.DrivePaperFeed(work.mode, work.b, work.c, probe);
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
      }
      if (work.a == 2) mechanism_.HomeReturn();
      Changed(change::kMechanism);
      return true;
    case Work::Kind::kFlush:
      RaiseLocked(consumables_.Flush(work.c));
      Changed(change::kInk | change::kEeprom);
      return true;
  }
  return true;
}

std::pair<uint16_t, uint16_t> Device::StatusLocked() const {
  if (const std::optional<uint16_t> forced = faults_.ForcedStatus()) return {*forced, error_};
  if (error_ != 0) return {status::kError, error_};
  if (const Work* head = queue_.Head()) {
    switch (head->kind) {
      case Work::Kind::kData:
        return {status::kPrinting, 0};
      case Work::Kind::kCleaning:
      case Work::Kind::kCharge:
        return {status::kCleaning, 0};
      default:
        return {status::kBusy, 0};
    }
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

// ---- test and operator API
// -----------------------------------------------------------------------

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
    options_.timeScale = scale < 0 ? 0 : scale;
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

void Device::FailNth(Op op, int n, int16_t result) {
  std::lock_guard lock(mutex_);
  faults_.Arm(op, n, Faults::Armed::Kind::kResult, result);
  Changed(change::kFaults);
}

void Device::FailNthWithPacketError(Op op, int n, int16_t code) {
  std::lock_guard lock(mutex_);
  faults_.Arm(op, n, Faults::Armed::Kind::kPacketError, code);
  Changed(change::kFaults);
}

void Device::DropLinkAtNth(Op op, int n) {
  std::lock_guard lock(mutex_);
  faults_.Arm(op, n, Faults::Armed::Kind::kDrop, 0);
  Changed(change::kFaults);
}

void Device::StopAnswering() {
  std::lock_guard lock(mutex_);
  faults_.SetAnswering(false);
  Changed(change::kFaults);
  Wake();
}

void Device::ResumeAnswering() {
  std::lock_guard lock(mutex_);
  faults_.SetAnswering(true);
  Changed(change::kFaults);
  Wake();
}

void Device::DropLink() {
  std::lock_guard lock(mutex_);
  faults_.RequestDrop();
  Wake();
}

void Device::CorruptNextPacket() {
  std::lock_guard lock(mutex_);
  faults_.RequestCorrupt();
  Wake();
}

void Device::RefuseChannel(const std::string& service, int16_t code) {
  std::lock_guard lock(mutex_);
  faults_.RefuseChannel(service, code);
  Changed(change::kFaults);
}

void Device::AcceptChannels() {
  std::lock_guard lock(mutex_);
  faults_.AcceptChannels();
  Changed(change::kFaults);
}

void Device::BusyForPolls(int polls) {
  std::lock_guard lock(mutex_);
  faults_.BusyForPolls(polls);
  Changed(change::kFaults);
}

void Device::SetRequestObserver(std::function<void(Op)> observer) {
  std::lock_guard lock(mutex_);
  faults_.SetRequestObserver(std::move(observer));
}

void Device::ClearFaults() {
  std::lock_guard lock(mutex_);
  faults_.Clear();
  Changed(change::kFaults | change::kStatus);
  Wake();
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

void Device::ReplaceCartridge(int cartridge) {
  std::lock_guard lock(mutex_);
  if (cartridge < 0 || cartridge >= kCartridges) return;
  consumables_.ReplaceCartridge(cartridge);
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
