// What each control request does once it has passed its faults and its model code check: one
// function per request kind, under the device's lock.
#include "makerlibs/d4/commands.h"
#include "vprinter/device.h"

namespace vprinter {

// The answer to one control request, and its trace record with what the request did.
class Device::Reply {
 public:
  Reply(Device& device, const service::ControlRequest& request, TraceRecord& record)
      : device_(device), request_(request), record_(record) {}
  TraceRecord& Record() { return record_; }
  // Answered, traced as it stands.
  Answer Done(std::initializer_list<uint8_t> data = {}) {
    device_.TraceLocked(record_);
    return Answer{false,
                  service::ControlReply(request_.command, request_.tag, d4::Outcome::Ok(), data)};
  }
  Answer Refuse(d4::Outcome outcome) {
    device_.TraceLocked(record_.Num("refused", service::RefusalCode(outcome)));
    return Answer{false, service::ControlReply(request_.command, request_.tag, outcome)};
  }
  Answer Busy() { return Refuse(d4::Outcome::Refused(d4::err::PrinterIsBusy)); }
  Answer InvalidParameter() { return Refuse(d4::Outcome::Refused(d4::err::InvalidParameter)); }

 private:
  Device& device_;
  const service::ControlRequest& request_;
  TraceRecord& record_;
};

Device::Answer Device::Execute(int connection, const service::ControlRequest& request,
                               TraceRecord& record) {
  Reply reply(*this, request, record);
  switch (request.command) {
    case d4::cmd::kReadEeprom:
      return ReadEepromRequest(request.args, reply);
    case d4::cmd::kWriteEeprom:
      return WriteEepromRequest(request.args, reply);
    case d4::cmd::kSoftReset:
      // The interface starts afresh; accepted print data and the sheet in progress stay.
      return reply.Done();
    case d4::cmd::kInquireStatus:
      return InquireStatusRequest(reply);
    case d4::cmd::kWriteBid:
      return WriteBidRequest(request.args, reply);
    case d4::cmd::kReadCrtag:
      return ReadCrtagRequest(request.args, reply);
    case d4::cmd::kPowerOnInitialize:
      return PowerOnInitializeRequest(reply);
    case d4::cmd::kSaveAllCurrentData:
      return SaveAllCurrentDataRequest(reply);
    default:
      return MechanismRequest(connection, request, reply);
  }
}

Device::Answer Device::ReadEepromRequest(const uint8_t* args, Reply& reply) {
  const uint8_t value = store_.Get().eeprom[args[2]];
  reply.Record().Num("value", value);
  return reply.Done({value});
}

// A cell written and on disk before the answer: one acknowledged and then lost in a restart would
// leave the technician trusting a value the printer no longer holds. False, the cell as it was,
// when it could not be saved.
bool Device::WriteCellDurablyLocked(uint8_t address, uint8_t value) {
  const uint8_t before = store_.Get().eeprom[address];
  store_.WriteCell(address, value);
  if (SaveNowLocked()) return true;
  store_.RestoreCell(address, before);
  return false;
}

Device::Answer Device::WriteEepromRequest(const uint8_t* args, Reply& reply) {
  if (!WriteCellDurablyLocked(args[2], args[3])) return reply.Busy();
  Changed(change::kEeprom | change::kInk);
  return reply.Done();
}

Device::Answer Device::InquireStatusRequest(Reply& reply) {
  std::pair<uint16_t, uint16_t> s = StatusLocked();
  // Injected busy polls stand behind a forced status and a real error.
  if (!faults_.ForcedStatus() && error_ == 0 && faults_.TakeBusyPoll()) {
    s = {status::kBusy, 0};
    Changed(change::kFaults);
  }
  reply.Record()
      .Num("status", s.first)
      .Num("error", s.second)
      .Num("carriage", mechanism_.Carriage());
  return reply.Done({static_cast<uint8_t>(s.first >> 8), static_cast<uint8_t>(s.first & 0xFF),
                     static_cast<uint8_t>(s.second >> 8), static_cast<uint8_t>(s.second & 0xFF)});
}

Device::Answer Device::WriteBidRequest(const uint8_t* args, Reply& reply) {
  const int drop = args[2];
  const int ink = args[3];
  if (drop < 1 || drop > 3 || ink < 1 || ink > 2) return reply.InvalidParameter();
  if (!WriteCellDurablyLocked(BidCell(drop, ink), args[4])) return reply.Busy();
  Changed(change::kEeprom);
  // The engine takes the new value where it stands in the stream, after the data before it.
  Enqueue(Work{work::BidChange{drop, ink, static_cast<int8_t>(args[4])}});
  return reply.Done();
}

Device::Answer Device::ReadCrtagRequest(const uint8_t* args, Reply& reply) {
  if (args[2] >= kCartridges || args[3] >= kChipSize) return reply.InvalidParameter();
  // No chip to read in an empty holder, and a dummy cartridge carries none: the read fails as an
  // unreadable memory does.
  if (store_.Get().cartridges != Cartridges::kInk) {
    return reply.Refuse(d4::Outcome::Refused(d4::err::EepromReadError));
  }
  const uint8_t value = store_.Get().chips[args[2]][args[3]];
  reply.Record().Num("value", value);
  return reply.Done({value});
}

Device::Answer Device::PowerOnInitializeRequest(Reply& reply) {
  // Initialisation looks at the waste-ink counter again: a cleared counter ends the maintenance
  // error, a full one starts it.
  if (error_ == status::kMaintenance && !consumables_.WastePadFull()) {
    error_ = 0;
    Changed(change::kStatus);
  } else if (consumables_.WastePadFull()) {
    RaiseLocked(status::kMaintenance);
  }
  Enqueue(Work{work::Initialise{true}, timing::kPowerOn});
  return reply.Done();
}

Device::Answer Device::SaveAllCurrentDataRequest(Reply& reply) {
  store_.Edit();
  if (!SaveNowLocked()) return reply.Busy();
  Enqueue(Work{work::Initialise{false}});
  return reply.Done();
}

Device::Answer Device::MechanismRequest(int connection, const service::ControlRequest& request,
                                        Reply& reply) {
  // The mechanism does nothing while the printer stands in an error.
  if (error_ != 0) return reply.Busy();
  Work work;
  const d4::Outcome outcome = service::MechanismWork(request, &work);
  if (!outcome.ok()) return reply.Refuse(outcome);
  if (queue_.PendingWorkOf(connection) >= kMaxQueuedWorkPerConnection) return reply.Busy();
  work.connection = connection;
  Enqueue(std::move(work));
  return reply.Done();
}

}  // namespace vprinter
