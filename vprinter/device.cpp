#include "vprinter/device.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <utility>

#include "link/modelcode.h"
#include "makerlibs/d4/commands.h"

namespace vprinter {

namespace {

constexpr const char* kOpNames[kOpCount] = {"negotiate",
                                            "terminate",
                                            "eeprom_read",
                                            "eeprom_write",
                                            "status",
                                            "soft_reset",
                                            "data",
                                            "head_cleaning",
                                            "drive_cr",
                                            "drive_pf",
                                            "cr_home_return",
                                            "color_flushing",
                                            "wait_time",
                                            "power_on_initialize",
                                            "save_all_current_data",
                                            "write_bid",
                                            "read_crtag"};

std::optional<Op> OpOfCommand(uint8_t command) {
  switch (command) {
    case d4::cmd::kReadEeprom:
      return Op::kEepromRead;
    case d4::cmd::kWriteEeprom:
      return Op::kEepromWrite;
    case d4::cmd::kSoftReset:
      return Op::kSoftReset;
    case d4::cmd::kInquireStatus:
      return Op::kStatus;
    case d4::cmd::kHeadCleaning:
      return Op::kHeadCleaning;
    case d4::cmd::kDriveCR:
      return Op::kDriveCR;
    case d4::cmd::kDrivePF:
      return Op::kDrivePF;
    case d4::cmd::kCRHomeReturn:
      return Op::kCRHomeReturn;
    case d4::cmd::kColorFlushing:
      return Op::kColorFlushing;
    case d4::cmd::kWaitTime:
      return Op::kWaitTime;
    case d4::cmd::kPowerOnInitialize:
      return Op::kPowerOnInitialize;
    case d4::cmd::kSaveAllCurrentData:
      return Op::kSaveAllCurrentData;
    case d4::cmd::kWriteBid:
      return Op::kWriteBid;
    case d4::cmd::kReadCrtag:
      return Op::kReadCrtag;
    default:
      return std::nullopt;
  }
}

std::vector<uint8_t> ControlReply(uint8_t command, uint8_t tag, d4::Outcome outcome,
                                  std::initializer_list<uint8_t> data = {}) {
  std::vector<uint8_t> reply{static_cast<uint8_t>(command | d4::tx::kReplyBit), tag};
  d4::PutU16(static_cast<uint16_t>(outcome.result), reply);
  d4::PutU16(static_cast<uint16_t>(outcome.error), reply);
  reply.insert(reply.end(), data);
  return reply;
}

// The code a refusal shows in the trace: the packet error when there is one.
int RefusalCode(d4::Outcome outcome) {
  return outcome.result == d4::result::PacketError ? outcome.error : outcome.result;
}

// Ink per cleaning and per initial charge, in millilitres (black, each colour).
constexpr double kCleaningInk[2] = {0.25, 0.12};
constexpr double kChargeInk[2] = {2.0, 0.9};
constexpr double kFlushInkPerUnit = 0.0002;
constexpr double kMlPerDot = 5e-9;

}  // namespace

const char* OpName(Op op) {
  return kOpNames[static_cast<int>(op)];
}

std::optional<Op> OpFromName(const std::string& name) {
  for (int i = 0; i < kOpCount; ++i) {
    if (name == kOpNames[i]) return static_cast<Op>(i);
  }
  return std::nullopt;
}

Device::Device(DeviceOptions options) : options_(std::move(options)) {
  std::string warning;
  if (options_.stateDir.empty()) {
    state_ = FactoryState();
  } else {
    state_ = LoadState(options_.stateDir, &warning);
    if (!warning.empty()) {
      warnings_.push_back(warning);
      dirty_ = true;
    }
  }
  if (options_.trayDir.empty()) {
    options_.trayDir = options_.stateDir.empty()
                           ? std::filesystem::temp_directory_path() / "quorla-vprinter-tray"
                           : options_.stateDir / "tray";
  }
  std::error_code ec;
  std::filesystem::create_directories(options_.trayDir, ec);
  if (!options_.traceFile.empty() && !trace_.SetFile(options_.traceFile)) {
    warnings_.push_back("cannot open the trace file " + options_.traceFile.string());
  }
  trace_.SetKeepInMemory(options_.traceInMemory);
  engine_ = std::make_unique<PrintEngine>(options_.trayDir, static_cast<EngineEvents&>(*this));
  ApplySettingsLocked();
  lastAdvance_ = std::chrono::steady_clock::now();
}

Device::~Device() {
  std::lock_guard lock(mutex_);
  if (dirty_ && !options_.stateDir.empty()) SaveState(options_.stateDir, state_, nullptr);
}

void Device::SetWaker(std::function<void()> waker) {
  std::lock_guard lock(mutex_);
  waker_ = std::move(waker);
}

void Device::Wake() {
  if (waker_) waker_();
}

void Device::SheetEjected(const std::string& file) {
  TraceLocked(TraceRecord("sheet").Str("file", file));
}

void Device::Skipped(const std::string& what, uint64_t offset) {
  TraceLocked(
      TraceRecord("skipped").Str("what", what).Num("offset", static_cast<long long>(offset)));
}

void Device::ApplySettingsLocked() {
  PrintSettings settings;
  settings.topMargin = static_cast<int8_t>(state_.eeprom[cell::kTopMargin]);
  settings.firstDot = static_cast<int8_t>(state_.eeprom[cell::kFirstDot]);
  for (int drop = 1; drop <= 3; ++drop) {
    for (int ink = 1; ink <= 2; ++ink) {
      settings.bid[drop - 1][ink - 1] = static_cast<int8_t>(state_.eeprom[BidCell(drop, ink)]);
      settings.bidOffset[drop - 1][ink - 1] = state_.bidOffset[drop - 1][ink - 1];
    }
  }
  engine_->SetSettings(settings);
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

std::optional<Device::Fault> Device::TakeFault(Op op) {
  ++calls_[static_cast<int>(op)];
  if (requestObserver_) requestObserver_(op);
  for (auto it = faults_.begin(); it != faults_.end(); ++it) {
    if (it->op == op && --it->countdown <= 0) {
      Fault fault = *it;
      faults_.erase(it);
      // The other faults of this kind count this call too.
      for (Fault& other : faults_) {
        if (other.op == op) --other.countdown;
      }
      return fault;
    }
  }
  return std::nullopt;
}

d4::Outcome Device::Fault::Answer() const {
  return kind == Kind::kResult ? d4::Outcome::Link(code) : d4::Outcome::Refused(code);
}

d4::Outcome Device::TransactionLocked(Op op, bool* drop) {
  TraceRecord record(OpName(op));
  if (std::optional<Fault> fault = TakeFault(op)) {
    if (fault->kind == Fault::Kind::kDrop) {
      *drop = true;
      TraceLocked(record.Num("dropped", 1));
      return d4::Outcome::Ok();
    }
    TraceLocked(record.Num("refused", RefusalCode(fault->Answer())));
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
  auto it = refusedServices_.find(service);
  if (it == refusedServices_.end()) it = refusedServices_.find("");
  if (it != refusedServices_.end()) return d4::Outcome::Refused(it->second);
  return d4::Outcome::Ok();
}

void Device::ProtocolError(int, int16_t code) {
  std::lock_guard lock(mutex_);
  TraceLocked(TraceRecord("protocol_error").Num("code", code));
}

d4::Outcome Device::CheckModel(const uint8_t* args) const {
  if (args[0] != QUORLA_Z40_MODEL_CODE_1 || args[1] != QUORLA_Z40_MODEL_CODE_2) {
    return d4::Outcome::Refused(d4::err::InvalidParameter);
  }
  return d4::Outcome::Ok();
}

Device::Answer Device::Control(int, const std::vector<uint8_t>& request) {
  std::unique_lock lock(mutex_);
  Answer answer;
  if (request.size() < d4::cmd::kRequestHeader) {
    answer.reply = ControlReply(request.empty() ? 0 : request[0], 0,
                                d4::Outcome::Refused(d4::err::ErrPacketSizeInvalid));
    return answer;
  }
  const uint8_t command = request[0];
  const uint8_t tag = request[1];
  const int argc = d4::cmd::ArgumentCount(command);
  const std::optional<Op> op = OpOfCommand(command);
  if (argc < 0 || !op) {
    answer.reply = ControlReply(command, tag, d4::Outcome::Refused(d4::err::InvalidParameter));
    return answer;
  }
  if (request.size() != d4::cmd::kRequestHeader + static_cast<std::size_t>(argc)) {
    answer.reply = ControlReply(command, tag, d4::Outcome::Refused(d4::err::ErrPacketSizeInvalid));
    return answer;
  }
  const uint8_t* args = request.data() + d4::cmd::kRequestHeader;
  // A connection that slipped in while the printer was switched off gets no answer.
  if (!powered_) {
    answer.drop = true;
    return answer;
  }
  // Work that was due before this request is done before it is answered.
  lock.unlock();
  Advance();
  lock.lock();

  TraceRecord record(OpName(*op));
  switch (command) {
    case d4::cmd::kReadEeprom:
      record.Num("addr", args[2]);
      break;
    case d4::cmd::kWriteEeprom:
      record.Num("addr", args[2]).Num("value", args[3]);
      break;
    case d4::cmd::kHeadCleaning:
      record.Num("mode", args[2]);
      break;
    case d4::cmd::kDriveCR:
    case d4::cmd::kDrivePF:
      record.Num("mode", args[2]).Num("dir", args[3]).Num("lo", args[4]).Num("hi", args[5]);
      break;
    case d4::cmd::kColorFlushing:
      record.Num("p1", args[2]).Num("p2", args[3]).Num("lo", args[4]).Num("hi", args[5]);
      break;
    case d4::cmd::kWaitTime:
      record.Num("value", args[2]);
      break;
    case d4::cmd::kWriteBid:
      record.Num("drop", args[2]).Num("ink", args[3]).Num("value", static_cast<int8_t>(args[4]));
      break;
    case d4::cmd::kReadCrtag:
      record.Num("cart", args[2]).Num("addr", args[3]);
      break;
    default:
      break;
  }

  auto refuse = [&](d4::Outcome outcome) {
    TraceLocked(record.Num("refused", RefusalCode(outcome)));
    answer.reply = ControlReply(command, tag, outcome);
    return answer;
  };

  if (std::optional<Fault> fault = TakeFault(*op)) {
    if (fault->kind == Fault::Kind::kDrop) {
      TraceLocked(record.Num("dropped", 1));
      answer.drop = true;
      return answer;
    }
    return refuse(fault->Answer());
  }
  const bool takesModel = command != d4::cmd::kSoftReset && command != d4::cmd::kInquireStatus;
  if (takesModel) {
    d4::Outcome model = CheckModel(args);
    if (!model.ok()) return refuse(model);
  }

  switch (command) {
    case d4::cmd::kReadEeprom: {
      const uint8_t value = state_.eeprom[args[2]];
      TraceLocked(record.Num("value", value));
      answer.reply = ControlReply(command, tag, d4::Outcome::Ok(), {value});
      return answer;
    }
    case d4::cmd::kWriteEeprom:
      state_.eeprom[args[2]] = args[3];
      dirty_ = true;
      break;
    case d4::cmd::kSoftReset:
      // The interface starts afresh; accepted print data and the sheet in progress stay.
      break;
    case d4::cmd::kInquireStatus: {
      std::pair<uint16_t, uint16_t> s = StatusLocked();
      // Injected busy polls stand behind a forced status and a real error.
      if (busyPolls_ > 0 && !forcedStatus_ && error_ == 0) {
        --busyPolls_;
        s = {status::kBusy, 0};
      }
      TraceLocked(record.Num("status", s.first)
                      .Num("error", s.second)
                      .Num("carriage", mechanism_.Carriage()));
      answer.reply = ControlReply(
          command, tag, d4::Outcome::Ok(),
          {static_cast<uint8_t>(s.first >> 8), static_cast<uint8_t>(s.first & 0xFF),
           static_cast<uint8_t>(s.second >> 8), static_cast<uint8_t>(s.second & 0xFF)});
      return answer;
    }
    case d4::cmd::kWriteBid: {
      const int drop = args[2];
      const int ink = args[3];
      if (drop < 1 || drop > 3 || ink < 1 || ink > 2) {
        return refuse(d4::Outcome::Refused(d4::err::InvalidParameter));
      }
      state_.eeprom[BidCell(drop, ink)] = args[4];
      dirty_ = true;
      // The engine takes the new value where it stands in the stream, after the data before it.
      Enqueue(Work{Work::Kind::kBid, 0, {}, -1, drop, ink, static_cast<int8_t>(args[4])});
      break;
    }
    case d4::cmd::kReadCrtag: {
      if (args[2] >= kCartridges || args[3] >= kChipSize) {
        return refuse(d4::Outcome::Refused(d4::err::InvalidParameter));
      }
      const uint8_t value = state_.chips[args[2]][args[3]];
      TraceLocked(record.Num("value", value));
      answer.reply = ControlReply(command, tag, d4::Outcome::Ok(), {value});
      return answer;
    }
    case d4::cmd::kPowerOnInitialize:
      // Initialisation looks at the waste-ink counter again: a cleared counter ends the
      // maintenance error, a full one starts it.
      if (error_ == status::kMaintenance && state_.ProtectionCounter() < kProtectionLimit) {
        error_ = 0;
      } else if (error_ == 0 && state_.ProtectionCounter() >= kProtectionLimit) {
        error_ = status::kMaintenance;
      }
      Enqueue(Work{Work::Kind::kPowerOn, timing::kPowerOn, {}, -1, 0, 0, 0});
      break;
    case d4::cmd::kSaveAllCurrentData:
      dirty_ = true;
      if (!options_.stateDir.empty()) {
        std::string error;
        if (!SaveState(options_.stateDir, state_, &error)) {
          return refuse(d4::Outcome::Refused(d4::err::PrinterIsBusy));
        }
        dirty_ = false;
      }
      Enqueue(Work{Work::Kind::kPowerOn, 0, {}, -1, 1, 0, 0});
      break;
    default: {
      d4::Outcome outcome = Mechanism(command, args, record);
      if (!outcome.ok()) return refuse(outcome);
      break;
    }
  }
  TraceLocked(record);
  answer.reply = ControlReply(command, tag, d4::Outcome::Ok());
  return answer;
}

d4::Outcome Device::Mechanism(uint8_t command, const uint8_t* args, TraceRecord&) {
  // The mechanism does nothing while the printer stands in an error.
  if (error_ != 0) return d4::Outcome::Refused(d4::err::PrinterIsBusy);
  // Only the motions with six argument bytes carry an amount.
  const int amount = d4::cmd::ArgumentCount(command) == 6 ? args[4] | (args[5] << 8) : 0;
  switch (command) {
    case d4::cmd::kHeadCleaning:
      if (args[2] == 2) {
        Enqueue(Work{Work::Kind::kCleaning, timing::kCleaning, {}, -1, 0, 0, 0});
      } else if (args[2] == 9) {
        Enqueue(Work{Work::Kind::kCharge, timing::kInitialCharge, {}, -1, 0, 0, 0});
      } else {
        return d4::Outcome::Refused(d4::err::InvalidParameter);
      }
      return d4::Outcome::Ok();
    case d4::cmd::kDriveCR:
    case d4::cmd::kDrivePF: {
      const bool carriage = command == d4::cmd::kDriveCR;
      if (args[3] > 1 || !(carriage ? KnownCarriageMode(args[2]) : KnownFeedMode(args[2]))) {
        return d4::Outcome::Refused(d4::err::InvalidParameter);
      }
      Enqueue(Work{Work::Kind::kMotion,
                   amount / timing::kMotionUnitsPerSecond,
                   {},
                   -1,
                   carriage ? 0 : 1,
                   args[3],
                   amount,
                   args[2]});
      return d4::Outcome::Ok();
    }
    case d4::cmd::kCRHomeReturn:
      Enqueue(Work{Work::Kind::kMotion, timing::kHomeReturn, {}, -1, 2, 0, 0});
      return d4::Outcome::Ok();
    case d4::cmd::kColorFlushing:
      Enqueue(
          Work{Work::Kind::kFlush, amount / timing::kFlushUnitsPerSecond, {}, -1, 0, 0, amount});
      return d4::Outcome::Ok();
    case d4::cmd::kWaitTime:
      Enqueue(Work{Work::Kind::kMotion, args[2] * timing::kWaitUnit, {}, -1, 3, 0, 0});
      return d4::Outcome::Ok();
    default:
      return d4::Outcome::Refused(d4::err::InvalidParameter);
  }
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
  if (std::optional<Fault> fault = TakeFault(Op::kData)) {
    if (fault->kind == Fault::Kind::kDrop) {
      TraceLocked(record.Num("dropped", 1));
      answer.drop = true;
      return answer;
    }
    outcome = fault->Answer();
    TraceLocked(record.Num("refused", RefusalCode(outcome)));
    // Refused data takes no room in the buffer.
    ++creditReturns_[connection];
  } else {
    TraceLocked(record);
    Enqueue(Work{Work::Kind::kData, bytes.size() / timing::kPrintBytesPerSecond, bytes, connection,
                 0, 0, 0});
  }
  answer.reply = {seq};
  d4::PutU16(static_cast<uint16_t>(outcome.result), answer.reply);
  d4::PutU16(static_cast<uint16_t>(outcome.error), answer.reply);
  return answer;
}

void Device::Enqueue(Work work) {
  if (queue_.empty()) lastAdvance_ = std::chrono::steady_clock::now();
  queue_.push_back(std::move(work));
}

std::optional<std::chrono::nanoseconds> Device::Advance() {
  std::lock_guard lock(mutex_);
  const auto now = std::chrono::steady_clock::now();
  const double elapsed = std::chrono::duration<double>(now - lastAdvance_).count();
  lastAdvance_ = now;
  const double scale = options_.timeScale;
  // Switched off, nothing moves.
  if (!powered_) return std::nullopt;
  if (queue_.empty()) return IdleEjectDue(scale, elapsed);
  idleSeconds_ = 0;
  if (error_ != 0) return std::nullopt;
  double budget = scale <= 0 ? std::numeric_limits<double>::infinity() : elapsed / scale;
  while (!queue_.empty() && error_ == 0) {
    Work& head = queue_.front();
    if (head.remaining > budget) {
      head.remaining -= budget;
      break;
    }
    budget -= head.remaining;
    Work done = std::move(head);
    queue_.pop_front();
    Complete(done);
  }
  if (queue_.empty()) return IdleEjectDue(scale, 0);
  if (error_ != 0) return std::nullopt;
  return std::chrono::nanoseconds(
      static_cast<long long>(std::ceil(queue_.front().remaining * scale * 1e9)));
}

std::optional<std::chrono::nanoseconds> Device::IdleEjectDue(double scale, double elapsed) {
  if (scale <= 0 || !engine_->SheetInProgress()) {
    idleSeconds_ = 0;
    return std::nullopt;
  }
  idleSeconds_ += elapsed / scale;
  if (idleSeconds_ >= timing::kIdleEject) {
    idleSeconds_ = 0;
    engine_->EjectSheet();
    return std::nullopt;
  }
  return std::chrono::nanoseconds(
      static_cast<long long>(std::ceil((timing::kIdleEject - idleSeconds_) * scale * 1e9)));
}

void Device::Complete(Work& work) {
  switch (work.kind) {
    case Work::Kind::kData: {
      engine_->Consume(work.bytes.data(), work.bytes.size());
      for (int ink = 0; ink < 6; ++ink) {
        const uint64_t dots = engine_->DotsPrinted(ink);
        const uint64_t fresh = dots - dotsSeen_[ink];
        dotsSeen_[ink] = dots;
        // Light cyan and light magenta come from the cyan and magenta chambers.
        const int chamber = ink < 4 ? ink : ink - 3;
        if (fresh > 0) UseInk(chamber, static_cast<double>(fresh) * kMlPerDot);
      }
      ++creditReturns_[work.connection];
      break;
    }
    case Work::Kind::kBid:
      engine_->SetBid(work.a, work.b, static_cast<int8_t>(work.c));
      break;
    case Work::Kind::kCleaning:
    case Work::Kind::kCharge: {
      const bool charge = work.kind == Work::Kind::kCharge;
      const double* ink = charge ? kChargeInk : kCleaningInk;
      for (int chamber = 0; chamber < 4; ++chamber) UseInk(chamber, ink[chamber == 0 ? 0 : 1]);
      if (charge) {
        // The charge fills the liquid path from what is installed; only ink makes it printable.
        if (state_.cartridges == Cartridges::kInk) {
          state_.liquidPath = Liquid::kInk;
          state_.inkCharged = true;
        } else if (state_.cartridges == Cartridges::kDummy) {
          state_.liquidPath = Liquid::kTransportation;
          state_.inkCharged = false;
        }
      } else {
        for (auto& chip : state_.chips) {
          if (chip[chip::kCleaning] < 255) ++chip[chip::kCleaning];
        }
      }
      dirty_ = true;
      AddWaste(charge ? waste::kInitialCharge : waste::kCleaning);
      break;
    }
    case Work::Kind::kEject:
      if (engine_->SheetInProgress()) engine_->EjectSheet();
      break;
    case Work::Kind::kPowerOn:
      ApplySettingsLocked();
      if (work.a == 0) {
        // Initialisation feeds out a sheet left in the printer.
        if (engine_->SheetInProgress()) engine_->EjectSheet();
        engine_->PowerOnReset();
        mechanism_.HomeReturn();
      }
      break;
    case Work::Kind::kMotion:
      if (work.a == 0) mechanism_.DriveCarriage(work.mode, work.b, work.c);
      if (work.a == 1) {
        const vprinter::Mechanism::Effects effects =
            mechanism_.DrivePaperFeed(work.mode, work.b, work.c, state_);
        if (effects.pathChanged) {
          // Transportation liquid in the head: the printer needs an initial ink charge again.
          if (state_.liquidPath == Liquid::kTransportation) state_.inkCharged = false;
          dirty_ = true;
        }
        if (effects.wastePoints > 0) AddWaste(effects.wastePoints);
      }
      if (work.a == 2) mechanism_.HomeReturn();
      break;
    case Work::Kind::kFlush:
      for (int chamber = 1; chamber < 4; ++chamber) UseInk(chamber, work.c * kFlushInkPerUnit);
      AddWaste(static_cast<unsigned>(work.c) / waste::kFlushDivisor);
      break;
  }
}

void Device::AddWaste(unsigned points) {
  state_.SetProtectionCounter(state_.ProtectionCounter() + points);
  dirty_ = true;
  if (error_ == 0 && state_.ProtectionCounter() >= kProtectionLimit) error_ = status::kMaintenance;
}

void Device::UseInk(int chamber, double ml) {
  state_.inkUsedMl[chamber] += ml;
  UpdateInkCounters(state_);
  dirty_ = true;
  if (error_ == 0 && state_.inkUsedMl[chamber] >= InkCapacityMl(chamber)) error_ = status::kInkOut;
}

std::pair<uint16_t, uint16_t> Device::StatusLocked() const {
  if (forcedStatus_) return {*forcedStatus_, error_};
  if (error_ != 0) return {status::kError, error_};
  if (!queue_.empty()) {
    switch (queue_.front().kind) {
      case Work::Kind::kData:
        return {status::kPrinting, 0};
      case Work::Kind::kCleaning:
      case Work::Kind::kCharge:
        return {status::kCleaning, 0};
      default:
        return {status::kBusy, 0};
    }
  }
  if (!state_.inkCharged) return {status::kBeforeInitialFillUp, 0};
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
  return answering_;
}

bool Device::TakeDropRequest() {
  std::lock_guard lock(mutex_);
  return std::exchange(dropRequested_, false);
}

bool Device::TakeCorruptRequest() {
  std::lock_guard lock(mutex_);
  return std::exchange(corruptRequested_, false);
}

void Device::SaveIfDirty() {
  std::lock_guard lock(mutex_);
  if (!dirty_ || options_.stateDir.empty()) return;
  std::string error;
  if (SaveState(options_.stateDir, state_, &error)) {
    dirty_ = false;
  } else if (warnings_.empty() || warnings_.back() != error) {
    warnings_.push_back(error);
  }
}

bool Device::Save() {
  std::lock_guard lock(mutex_);
  if (options_.stateDir.empty()) return true;
  std::string error;
  if (!SaveState(options_.stateDir, state_, &error)) return false;
  dirty_ = false;
  return true;
}

// ---- test and operator API
// -----------------------------------------------------------------------

uint8_t Device::PeekEeprom(uint8_t address) const {
  std::lock_guard lock(mutex_);
  return state_.eeprom[address];
}

void Device::PokeEeprom(uint8_t address, uint8_t value) {
  std::lock_guard lock(mutex_);
  state_.eeprom[address] = value;
  dirty_ = true;
}

std::array<uint8_t, kEepromSize> Device::Eeprom() const {
  std::lock_guard lock(mutex_);
  return state_.eeprom;
}

uint8_t Device::PeekChip(int cartridge, uint8_t address) const {
  std::lock_guard lock(mutex_);
  if (cartridge < 0 || cartridge >= kCartridges || address >= kChipSize) return 0;
  return state_.chips[cartridge][address];
}

void Device::PokeChip(int cartridge, uint8_t address, uint8_t value) {
  std::lock_guard lock(mutex_);
  if (cartridge < 0 || cartridge >= kCartridges || address >= kChipSize) return;
  state_.chips[cartridge][address] = value;
  // An ink percentage set by hand is the ink left from now on: printing and cleaning count down
  // from it instead of rewriting it from the ink used before. A byte above 100 stays as set until
  // the next use of that ink, which starts from a full chamber.
  const int inks = cartridge == 0 ? 1 : 3;
  if (address < chip::kInk0 + inks) {
    const int chamber = cartridge == 0 ? 0 : 1 + (address - chip::kInk0);
    const double left = std::min<int>(value, 100) / 100.0;
    state_.inkUsedMl[chamber] = InkCapacityMl(chamber) * (1.0 - left);
  }
  dirty_ = true;
}

PrinterState Device::State() const {
  std::lock_guard lock(mutex_);
  return state_;
}

void Device::SetBidOffsets(const int8_t offsets[3][2]) {
  std::lock_guard lock(mutex_);
  for (int d = 0; d < 3; ++d) {
    for (int i = 0; i < 2; ++i) state_.bidOffset[d][i] = offsets[d][i];
  }
  dirty_ = true;
  ApplySettingsLocked();
}

std::pair<uint16_t, uint16_t> Device::CurrentStatus() const {
  std::lock_guard lock(mutex_);
  return StatusLocked();
}

void Device::RaiseError(uint16_t error) {
  std::lock_guard lock(mutex_);
  error_ = error;
}

void Device::ClearError() {
  std::lock_guard lock(mutex_);
  error_ = 0;
  lastAdvance_ = std::chrono::steady_clock::now();
  Wake();
}

void Device::ForceStatus(std::optional<uint16_t> value) {
  std::lock_guard lock(mutex_);
  forcedStatus_ = value;
}

void Device::SetInkCharged(bool charged) {
  std::lock_guard lock(mutex_);
  state_.inkCharged = charged;
  dirty_ = true;
}

void Device::SetTimeScale(double scale) {
  {
    std::lock_guard lock(mutex_);
    options_.timeScale = scale < 0 ? 0 : scale;
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
  faults_.push_back(Fault{op, n < 1 ? 1 : n, Fault::Kind::kResult, result});
}

void Device::FailNthWithPacketError(Op op, int n, int16_t code) {
  std::lock_guard lock(mutex_);
  faults_.push_back(Fault{op, n < 1 ? 1 : n, Fault::Kind::kPacketError, code});
}

void Device::DropLinkAtNth(Op op, int n) {
  std::lock_guard lock(mutex_);
  faults_.push_back(Fault{op, n < 1 ? 1 : n, Fault::Kind::kDrop, 0});
}

void Device::StopAnswering() {
  std::lock_guard lock(mutex_);
  answering_ = false;
  Wake();
}

void Device::ResumeAnswering() {
  std::lock_guard lock(mutex_);
  answering_ = true;
  Wake();
}

void Device::DropLink() {
  std::lock_guard lock(mutex_);
  dropRequested_ = true;
  Wake();
}

void Device::CorruptNextPacket() {
  std::lock_guard lock(mutex_);
  corruptRequested_ = true;
  Wake();
}

void Device::RefuseChannel(const std::string& service, int16_t code) {
  std::lock_guard lock(mutex_);
  refusedServices_[service] = code;
}

void Device::AcceptChannels() {
  std::lock_guard lock(mutex_);
  refusedServices_.clear();
}

void Device::BusyForPolls(int polls) {
  std::lock_guard lock(mutex_);
  busyPolls_ = polls < 0 ? 0 : polls;
}

void Device::SetRequestObserver(std::function<void(Op)> observer) {
  std::lock_guard lock(mutex_);
  requestObserver_ = std::move(observer);
}

void Device::ClearFaults() {
  std::lock_guard lock(mutex_);
  faults_.clear();
  refusedServices_.clear();
  busyPolls_ = 0;
  forcedStatus_.reset();
  answering_ = true;
  corruptRequested_ = false;
  Wake();
}

bool Device::ReplaceMainBoard() {
  std::lock_guard lock(mutex_);
  if (powered_) return false;
  state_.eeprom = NewBoardEeprom();
  dirty_ = true;
  TraceLocked(TraceRecord("replace_board"));
  if (!options_.stateDir.empty() && SaveState(options_.stateDir, state_, nullptr)) dirty_ = false;
  return true;
}

void Device::PowerOff() {
  std::lock_guard lock(mutex_);
  if (!powered_) return;
  powered_ = false;
  // Whatever was under way stops where it is; print data not yet printed is lost.
  queue_.clear();
  creditReturns_.clear();
  TraceLocked(TraceRecord("power_off").Num("carriage", mechanism_.Carriage()));
  std::string error;
  if (!options_.stateDir.empty()) {
    if (SaveState(options_.stateDir, state_, &error)) {
      dirty_ = false;
    } else {
      warnings_.push_back(error);
    }
  }
  dropRequested_ = true;
  Wake();
}

void Device::PowerOn() {
  std::lock_guard lock(mutex_);
  if (powered_) return;
  powered_ = true;
  StartAfreshLocked();
  TraceLocked(TraceRecord("power_on").Num("carriage", mechanism_.Carriage()));
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
  idleSeconds_ = 0;
  lastAdvance_ = std::chrono::steady_clock::now();
  // The errors of the last session are gone; a full waste-ink pad or an empty cartridge is found
  // again at once.
  error_ = 0;
  if (state_.ProtectionCounter() >= kProtectionLimit) error_ = status::kMaintenance;
  for (int chamber = 0; chamber < 4 && error_ == 0; ++chamber) {
    if (state_.inkUsedMl[chamber] >= InkCapacityMl(chamber)) error_ = status::kInkOut;
  }
}

void Device::ReplaceCartridge(int cartridge) {
  std::lock_guard lock(mutex_);
  if (cartridge < 0 || cartridge >= kCartridges) return;
  state_.chips[cartridge] = NewCartridgeChip(cartridge, 1);
  state_.cartridges = Cartridges::kInk;
  if (cartridge == 0) {
    state_.inkUsedMl[0] = 0;
  } else {
    for (int chamber = 1; chamber < 4; ++chamber) state_.inkUsedMl[chamber] = 0;
  }
  UpdateInkCounters(state_);
  dirty_ = true;
  if (error_ == status::kInkOut) {
    error_ = 0;
    lastAdvance_ = std::chrono::steady_clock::now();
    Wake();
  }
}

void Device::ReplaceCartridges() {
  ReplaceCartridge(0);
  ReplaceCartridge(1);
}

void Device::InstallDummyCartridges() {
  std::lock_guard lock(mutex_);
  state_.cartridges = Cartridges::kDummy;
  dirty_ = true;
}

void Device::RemoveCartridges() {
  std::lock_guard lock(mutex_);
  state_.cartridges = Cartridges::kNone;
  dirty_ = true;
}

int Device::Calls(Op op) const {
  std::lock_guard lock(mutex_);
  return calls_[static_cast<int>(op)];
}

std::vector<std::string> Device::TraceLines() const {
  std::lock_guard lock(mutex_);
  return trace_.Lines();
}

void Device::ClearTrace() {
  std::lock_guard lock(mutex_);
  trace_.ClearLines();
}

std::vector<std::string> Device::Warnings() const {
  std::lock_guard lock(mutex_);
  return warnings_;
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
  return state_.liquidPath;
}

Cartridges Device::InstalledCartridges() const {
  std::lock_guard lock(mutex_);
  return state_.cartridges;
}

std::size_t Device::PendingPrintBytes() const {
  std::lock_guard lock(mutex_);
  std::size_t total = 0;
  for (const Work& w : queue_) total += w.bytes.size();
  return total;
}

}  // namespace vprinter
