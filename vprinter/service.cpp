#include "vprinter/service.h"

#include "link/modelcode.h"
#include "makerlibs/d4/commands.h"
#include "vprinter/mechanism.h"

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

namespace service {

std::vector<uint8_t> ControlReply(uint8_t command, uint8_t tag, d4::Outcome outcome,
                                  std::initializer_list<uint8_t> data) {
  std::vector<uint8_t> reply{static_cast<uint8_t>(command | d4::tx::kReplyBit), tag};
  d4::PutU16(static_cast<uint16_t>(outcome.result), reply);
  d4::PutU16(static_cast<uint16_t>(outcome.error), reply);
  reply.insert(reply.end(), data);
  return reply;
}

std::vector<uint8_t> DataReply(uint8_t seq, d4::Outcome outcome) {
  std::vector<uint8_t> reply{seq};
  d4::PutU16(static_cast<uint16_t>(outcome.result), reply);
  d4::PutU16(static_cast<uint16_t>(outcome.error), reply);
  return reply;
}

int RefusalCode(d4::Outcome outcome) {
  return outcome.result == d4::result::PacketError ? outcome.error : outcome.result;
}

std::optional<ControlRequest> ParseControl(const std::vector<uint8_t>& request,
                                           std::vector<uint8_t>* refusal) {
  if (request.size() < d4::cmd::kRequestHeader) {
    *refusal = ControlReply(request.empty() ? 0 : request[0], 0,
                            d4::Outcome::Refused(d4::err::ErrPacketSizeInvalid));
    return std::nullopt;
  }
  ControlRequest r;
  r.command = request[0];
  r.tag = request[1];
  const int argc = d4::cmd::ArgumentCount(r.command);
  const std::optional<Op> op = OpOfCommand(r.command);
  if (argc < 0 || !op) {
    *refusal = ControlReply(r.command, r.tag, d4::Outcome::Refused(d4::err::InvalidParameter));
    return std::nullopt;
  }
  if (request.size() != d4::cmd::kRequestHeader + static_cast<std::size_t>(argc)) {
    *refusal = ControlReply(r.command, r.tag, d4::Outcome::Refused(d4::err::ErrPacketSizeInvalid));
    return std::nullopt;
  }
  r.op = *op;
  r.args = request.data() + d4::cmd::kRequestHeader;
  return r;
}

TraceRecord RequestRecord(const ControlRequest& request) {
  const uint8_t* args = request.args;
  TraceRecord record(OpName(request.op));
  switch (request.command) {
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
  return record;
}

bool TakesModelCode(const ControlRequest& request) {
  return request.command != d4::cmd::kSoftReset && request.command != d4::cmd::kInquireStatus;
}

d4::Outcome CheckModel(const ControlRequest& request) {
  if (request.args[0] != QUORLA_Z40_MODEL_CODE_1 || request.args[1] != QUORLA_Z40_MODEL_CODE_2) {
    return d4::Outcome::Refused(d4::err::InvalidParameter);
  }
  return d4::Outcome::Ok();
}

d4::Outcome MechanismWork(const ControlRequest& request, Work* out) {
  const uint8_t command = request.command;
  const uint8_t* args = request.args;
  // Only the motions with six argument bytes carry an amount.
  const int amount = d4::cmd::ArgumentCount(command) == 6 ? args[4] | (args[5] << 8) : 0;
  switch (command) {
    case d4::cmd::kHeadCleaning:
      if (args[2] == 2) {
        *out = Work{work::Cleaning{}, timing::kCleaning};
      } else if (args[2] == 9) {
        *out = Work{work::InkCharge{}, timing::kInitialCharge};
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
      const double seconds = amount / timing::kMotionUnitsPerSecond;
      if (carriage) {
        *out = Work{work::CarriageMove{args[2], args[3], amount}, seconds};
      } else {
        *out = Work{work::PaperFeedMove{args[2], args[3], amount}, seconds};
      }
      return d4::Outcome::Ok();
    }
    case d4::cmd::kCRHomeReturn:
      *out = Work{work::HomeReturn{}, timing::kHomeReturn};
      return d4::Outcome::Ok();
    case d4::cmd::kColorFlushing:
      *out = Work{work::Flush{amount}, amount / timing::kFlushUnitsPerSecond};
      return d4::Outcome::Ok();
    case d4::cmd::kWaitTime:
      *out = Work{work::Wait{}, args[2] * timing::kWaitUnit};
      return d4::Outcome::Ok();
    default:
      return d4::Outcome::Refused(d4::err::InvalidParameter);
  }
}

}  // namespace service
}  // namespace vprinter
