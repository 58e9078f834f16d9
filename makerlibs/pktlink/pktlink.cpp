// Packet library: the host's session on the open port. Every call checks the port and the
// negotiated connection first, so none ever blocks or crashes without them.
#include "link/pktlink.h"

#include <deque>
#include <memory>
#include <mutex>

#include "makerlibs/d4/commands.h"
#include "makerlibs/d4/host.h"
#include "makerlibs/pktlink/controlcall.h"
#include "makerlibs/porthub/portcontrol.h"

namespace {

using d4::Outcome;
using std::chrono::milliseconds;

// The link time-out lives in the port library, whose connect waits it too.
milliseconds Timeout() {
  return milliseconds(quorla::link::TimeoutMs());
}

// Remembers the last few tags of requests given up on, so their late replies can be told apart
// from replies that do not belong to anything.
class AbandonedTags {
 public:
  void Add(uint8_t tag) {
    tags_.push_back(tag);
    if (tags_.size() > 64) tags_.pop_front();
  }
  bool Take(uint8_t tag) {
    for (auto it = tags_.begin(); it != tags_.end(); ++it) {
      if (*it == tag) {
        tags_.erase(it);
        return true;
      }
    }
    return false;
  }
  void Clear() { tags_.clear(); }

 private:
  std::deque<uint8_t> tags_;
};

struct Session {
  std::recursive_mutex mutex;
  uint64_t generation = 0;
  std::unique_ptr<d4::HostConnection> link;
  bool negotiated = false;
  uint8_t tag = 0;
  uint8_t dataSeq = 0;
  AbandonedTags abandonedTags;
  AbandonedTags abandonedData;
  int16_t lastError = 0;

  // The session on the open port, rebuilt when the port changed. nullptr: no port.
  d4::HostConnection* Link() {
    const int fd = quorla::link::PortFd();
    const uint64_t generation = quorla::link::PortGeneration();
    if (fd < 0) {
      link.reset();
      negotiated = false;
      return nullptr;
    }
    if (!link || generation != this->generation) {
      link = std::make_unique<d4::HostConnection>(fd);
      this->generation = generation;
      negotiated = false;
      abandonedTags.Clear();
      abandonedData.Clear();
    }
    return link.get();
  }

  int16_t Result(Outcome outcome) {
    if (outcome.result == d4::result::PacketError) lastError = outcome.error;
    return outcome.result;
  }

  // The common entry check: the port, then the connection.
  d4::HostConnection* Connected(int16_t* failure) {
    d4::HostConnection* l = Link();
    if (l == nullptr) {
      *failure = d4::result::NoPort;
      return nullptr;
    }
    if (!negotiated) {
      *failure = Result(Outcome::Refused(d4::err::ChannelNotOpened));
      return nullptr;
    }
    return l;
  }
};

Session& TheSession() {
  static Session session;
  return session;
}

}  // namespace

namespace quorla::link {

int16_t ControlCall(uint8_t command, const std::vector<uint8_t>& args, std::vector<uint8_t>* data,
                    std::size_t expected, int16_t lengthError) {
  Session& s = TheSession();
  std::lock_guard lock(s.mutex);
  int16_t failure = 0;
  d4::HostConnection* link = s.Connected(&failure);
  if (link == nullptr) return failure;

  const uint8_t tag = ++s.tag;
  std::vector<uint8_t> request{command, tag};
  request.insert(request.end(), args.begin(), args.end());
  Outcome sent = link->Send(d4::cmd::kControlSocket, request.data(), request.size(), 1, Timeout());
  if (!sent.ok()) return s.Result(sent);
  for (;;) {
    std::vector<uint8_t> reply;
    Outcome received = link->Receive(d4::cmd::kControlSocket, &reply, Timeout());
    if (!received.ok()) {
      if (received.result == d4::result::LinkReceive ||
          received.result == d4::result::ReceiveTimeout) {
        s.abandonedTags.Add(tag);
      }
      return s.Result(received);
    }
    if (reply.size() >= 2 && reply[1] != tag && s.abandonedTags.Take(reply[1])) continue;
    if (reply.size() < d4::cmd::kReplyHeader || reply[0] != (command | d4::tx::kReplyBit) ||
        reply[1] != tag) {
      return s.Result(Outcome::Refused(d4::err::ErrPacketReplyInvalid));
    }
    const Outcome answered = d4::CheckedAnswer(static_cast<int16_t>(d4::GetU16(reply.data() + 2)),
                                               static_cast<int16_t>(d4::GetU16(reply.data() + 4)));
    if (!answered.ok()) return s.Result(answered);
    if (reply.size() != d4::cmd::kReplyHeader + expected) {
      return s.Result(Outcome::Refused(lengthError));
    }
    if (data != nullptr) data->assign(reply.begin() + d4::cmd::kReplyHeader, reply.end());
    return d4::result::Ok;
  }
}

int16_t RefuseCall(int16_t code) {
  Session& s = TheSession();
  std::lock_guard lock(s.mutex);
  return s.Result(Outcome::Refused(code));
}

}  // namespace quorla::link

using quorla::link::ControlCall;
using quorla::link::RefuseCall;

int16_t D4Negotiation(void) {
  Session& s = TheSession();
  std::lock_guard lock(s.mutex);
  d4::HostConnection* link = s.Link();
  if (link == nullptr) return d4::result::NoPort;
  if (s.negotiated && !link->broken()) return d4::result::Ok;
  // A failed negotiation leaves no connection behind, whatever stood before.
  s.negotiated = false;
  Outcome outcome = link->Init(Timeout());
  if (!outcome.ok()) return s.Result(outcome);
  s.dataSeq = 0;
  const struct {
    const char* service;
    uint16_t maxPayload;
  } channels[] = {{d4::cmd::kControlService, d4::cmd::kControlMaxPayload},
                  {d4::cmd::kDataService, d4::cmd::kDataMaxPayload}};
  for (const auto& channel : channels) {
    uint8_t socket = 0;
    outcome = link->LookupSocket(channel.service, &socket, Timeout());
    if (!outcome.ok()) return s.Result(outcome);
    d4::tx::OpenParams params;
    params.socket = socket;
    params.maxPayloadToDevice = channel.maxPayload;
    params.maxPayloadToHost = channel.maxPayload;
    outcome = link->Open(params, Timeout());
    if (!outcome.ok()) return s.Result(outcome);
  }
  if (!link->IsOpen(d4::cmd::kControlSocket) || !link->IsOpen(d4::cmd::kDataSocket)) {
    // The printer named other sockets than this library speaks to.
    return s.Result(Outcome::Refused(d4::err::UnknownChannel));
  }
  s.negotiated = true;
  return d4::result::Ok;
}

int16_t D4Termination(void) {
  Session& s = TheSession();
  std::lock_guard lock(s.mutex);
  int16_t failure = 0;
  d4::HostConnection* link = s.Connected(&failure);
  if (link == nullptr) return failure;
  s.negotiated = false;
  Outcome first = link->Close(d4::cmd::kDataSocket, Timeout());
  Outcome next = link->Close(d4::cmd::kControlSocket, Timeout());
  if (first.ok()) first = next;
  next = link->Exit(Timeout());
  if (first.ok()) first = next;
  return s.Result(first);
}

int16_t D4ReadEeprom(uint8_t modelCode1, uint8_t modelCode2, uint8_t address, uint8_t* value) {
  if (value == nullptr) return RefuseCall(d4::err::InvalidParameter);
  std::vector<uint8_t> data;
  const int16_t result = ControlCall(d4::cmd::kReadEeprom, {modelCode1, modelCode2, address}, &data,
                                     1, d4::err::EepromReadError);
  if (result == d4::result::Ok) *value = data[0];
  return result;
}

int16_t D4WriteEeprom(uint8_t modelCode1, uint8_t modelCode2, uint8_t address, uint8_t value) {
  return ControlCall(d4::cmd::kWriteEeprom, {modelCode1, modelCode2, address, value}, nullptr, 0,
                     d4::err::ErrPacketReplyInvalid);
}

int16_t SoftReset(void) {
  return ControlCall(d4::cmd::kSoftReset, {}, nullptr, 0, d4::err::ErrPacketReplyInvalid);
}

int16_t InquireStatus(PrinterStatus* status) {
  if (status == nullptr) return RefuseCall(d4::err::InvalidParameter);
  std::vector<uint8_t> data;
  const int16_t result =
      ControlCall(d4::cmd::kInquireStatus, {}, &data, 4, d4::err::InvalidStatusReply);
  if (result == d4::result::Ok) {
    status->Status = d4::GetU16(data.data());
    status->Error = d4::GetU16(data.data() + 2);
  }
  return result;
}

int16_t SendDataChannel(const uint8_t* bytes, int32_t length) {
  Session& s = TheSession();
  std::lock_guard lock(s.mutex);
  int16_t failure = 0;
  d4::HostConnection* link = s.Connected(&failure);
  if (link == nullptr) return failure;
  if (length < 0 || (bytes == nullptr && length > 0)) {
    return s.Result(Outcome::Refused(d4::err::InvalidParameter));
  }
  const std::size_t packetSize = link->MaxPayload(d4::cmd::kDataSocket);
  if (packetSize == 0) return s.Result(Outcome::Refused(d4::err::ChannelNotOpened));

  // Packets go out as fast as the printer's credit allows; each is answered in order, and the
  // call succeeds only when every packet was accepted.
  std::deque<uint8_t> outstanding;
  Outcome firstFailure = Outcome::Ok();
  auto check = [&](const std::vector<uint8_t>& reply) {
    if (reply.size() == d4::cmd::kDataReplySize &&
        (outstanding.empty() || reply[0] != outstanding.front()) &&
        s.abandonedData.Take(reply[0])) {
      return;  // the late answer to a packet of an earlier call that timed out
    }
    Outcome answer = Outcome::Refused(d4::err::ErrPacketReplyInvalid);
    if (reply.size() == d4::cmd::kDataReplySize && !outstanding.empty() &&
        reply[0] == outstanding.front()) {
      answer = d4::CheckedAnswer(static_cast<int16_t>(d4::GetU16(reply.data() + 1)),
                                 static_cast<int16_t>(d4::GetU16(reply.data() + 3)));
    }
    if (!outstanding.empty()) outstanding.pop_front();
    if (firstFailure.ok() && !answer.ok()) firstFailure = answer;
  };
  auto giveUp = [&](Outcome outcome) {
    for (uint8_t seq : outstanding) s.abandonedData.Add(seq);
    return s.Result(outcome);
  };

  std::size_t offset = 0;
  const std::size_t total = static_cast<std::size_t>(length);
  while (offset < total && firstFailure.ok()) {
    // Answers that came in while waiting for credit; a refusal stops the rest of the send.
    std::vector<uint8_t> reply;
    while (link->TakeReceived(d4::cmd::kDataSocket, &reply)) check(reply);
    if (!firstFailure.ok()) break;
    const std::size_t n = std::min(packetSize, total - offset);
    Outcome sent = link->Send(d4::cmd::kDataSocket, bytes + offset, n, 1, Timeout());
    if (!sent.ok()) return giveUp(sent);
    outstanding.push_back(s.dataSeq++);
    offset += n;
  }
  while (!outstanding.empty()) {
    std::vector<uint8_t> reply;
    Outcome received = link->Receive(d4::cmd::kDataSocket, &reply, Timeout());
    if (!received.ok()) return giveUp(received);
    check(reply);
  }
  return s.Result(firstFailure);
}

int16_t GetD4ErrorCode(void) {
  Session& s = TheSession();
  std::lock_guard lock(s.mutex);
  return s.lastError;
}
