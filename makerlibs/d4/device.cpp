#include "makerlibs/d4/device.h"

#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

namespace d4 {

DeviceConnection::DeviceConnection(int fd, std::vector<Service> services, DeviceListener& listener)
    : fd_(fd), services_(std::move(services)), listener_(listener) {}

const Service* DeviceConnection::FindService(uint8_t socket) const {
  for (const Service& s : services_) {
    if (s.socket == socket) return &s;
  }
  return nullptr;
}

bool DeviceConnection::OnReadable() {
  uint8_t buffer[16384];
  for (;;) {
    ssize_t n = recv(fd_, buffer, sizeof buffer, MSG_DONTWAIT);
    if (n < 0 && errno == ENOTSOCK) n = read(fd_, buffer, sizeof buffer);
    if (n == 0) return false;
    if (n < 0) {
      if (errno == EINTR) continue;
      if (errno == EAGAIN || errno == EWOULDBLOCK) return true;
      return false;
    }
    parser_.Feed(buffer, static_cast<std::size_t>(n));
    for (;;) {
      Parser::Result r = parser_.Next();
      if (r.state == Parser::State::kNeedMore) break;
      if (r.state == Parser::State::kError) {
        Refuse(kTransactionSocket, kTransactionSocket, r.error);
        continue;
      }
      Dispatch(r.packet);
    }
    if (overflowed_) return false;
    if (static_cast<std::size_t>(n) < sizeof buffer) return true;
  }
}

bool DeviceConnection::Flush() {
  if (overflowed_) return false;
  std::size_t done = 0;
  while (done < out_.size()) {
    ssize_t n = send(fd_, out_.data() + done, out_.size() - done, MSG_NOSIGNAL | MSG_DONTWAIT);
    if (n < 0 && errno == ENOTSOCK) n = write(fd_, out_.data() + done, out_.size() - done);
    if (n > 0) {
      done += static_cast<std::size_t>(n);
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) break;
    return false;
  }
  out_.erase(out_.begin(), out_.begin() + static_cast<std::ptrdiff_t>(done));
  return out_.size() <= kMaxQueued;
}

void DeviceConnection::Write(uint8_t socket, const std::vector<uint8_t>& payload, uint8_t credit) {
  const std::size_t start = out_.size();
  Encode(socket, socket, credit, payload.data(), payload.size(), out_);
  if (corruptNext_ && !payload.empty()) {
    corruptNext_ = false;
    out_[start + kHeaderSize + payload.size() - 1] ^= 0x5A;
  }
}

void DeviceConnection::Refuse(uint8_t src, uint8_t dst, int16_t code) {
  listener_.OnProtocolError(code);
  Write(kTransactionSocket, tx::Error(src, dst, code), 0);
}

void DeviceConnection::Send(uint8_t socket, std::vector<uint8_t> payload, uint8_t grant) {
  auto it = channels_.find(socket);
  if (it == channels_.end()) return;
  Channel& ch = it->second;
  if (ch.hostCredit > 0 && ch.waiting.empty()) {
    --ch.hostCredit;
    ch.granted += grant;
    Write(socket, payload, grant);
  } else if (ch.waiting.size() < kMaxWaiting) {
    ch.waiting.emplace_back(std::move(payload), grant);
  } else {
    overflowed_ = true;
  }
}

void DeviceConnection::GrantCredit(uint8_t socket, uint8_t credit) {
  auto it = channels_.find(socket);
  if (it == channels_.end() || credit == 0) return;
  it->second.granted += credit;
  Write(socket, {}, credit);
}

void DeviceConnection::Dispatch(Packet& packet) {
  if (packet.src == kTransactionSocket && packet.dst == kTransactionSocket) {
    if (packet.credit != 0) return Refuse(0, 0, err::ErrPacketCreditOverflow);
    if (packet.payload.empty()) return Refuse(0, 0, err::PacketSizeIsNull);
    if (packet.payload.size() > kMaxTransactionPayload) {
      return Refuse(0, 0, err::PacketSizeInvalid);
    }
    if (packet.payload[0] & tx::kReplyBit) return;  // the host answers nothing we asked
    return Transaction(packet.payload);
  }
  if (packet.src != packet.dst || packet.src == kTransactionSocket) {
    return Refuse(packet.src, packet.dst, err::UnknownChannel);
  }
  const Service* service = FindService(packet.dst);
  if (service == nullptr) return Refuse(packet.src, packet.dst, err::UnknownChannel);
  auto it = channels_.find(packet.dst);
  if (it == channels_.end()) {
    return Refuse(packet.src, packet.dst, err::ErrPacketChannelNotOpened);
  }
  Channel& ch = it->second;
  if (packet.payload.size() > service->maxPayload) {
    return Refuse(packet.src, packet.dst, err::PacketSizeInvalid);
  }
  if (packet.credit > 0) {
    ch.hostCredit += packet.credit;
    if (ch.hostCredit > service->credit) {
      ch.hostCredit = service->credit;
      return Refuse(packet.src, packet.dst, err::ErrPacketCreditOverflow);
    }
    while (ch.hostCredit > 0 && !ch.waiting.empty()) {
      auto [payload, grant] = std::move(ch.waiting.front());
      ch.waiting.pop_front();
      --ch.hostCredit;
      ch.granted += grant;
      Write(packet.dst, payload, grant);
    }
  }
  if (packet.payload.empty()) return;
  if (ch.granted <= 0) return Refuse(packet.src, packet.dst, err::ErrPacketHasNoCredit);
  --ch.granted;
  listener_.OnPacket(*service, std::move(packet.payload));
}

void DeviceConnection::Transaction(const std::vector<uint8_t>& request) {
  const uint8_t command = request[0];
  auto reply = [&](Outcome outcome, const std::vector<uint8_t>& fields) {
    Write(kTransactionSocket, tx::Reply(command, outcome, fields), 0);
  };
  auto closeAll = [&] {
    for (auto& [socket, ch] : channels_) listener_.OnClose(*ch.service);
    channels_.clear();
  };
  switch (command) {
    case tx::kInit: {
      if (request.size() != 2) return reply(Outcome::Refused(err::ErrPacketSizeInvalid), {});
      if (request[1] != kRevision)
        return reply(Outcome::Refused(err::RevisionInvalid), {kRevision});
      Outcome outcome = listener_.OnInit();
      if (outcome.ok()) closeAll();
      return reply(outcome, {kRevision});
    }
    case tx::kGetSocketId: {
      const std::string name(request.begin() + 1, request.end());
      for (const Service& s : services_) {
        if (s.name == name) return reply(Outcome::Ok(), {s.socket});
      }
      return reply(Outcome::Refused(err::UnknownChannel), {});
    }
    case tx::kOpenChannel: {
      std::optional<tx::OpenParams> params =
          tx::ParseOpenParams(request.data() + 1, request.size() - 1);
      if (!params) return reply(Outcome::Refused(err::ErrPacketSizeInvalid), {});
      const Service* service = FindService(params->socket);
      if (service == nullptr) return reply(Outcome::Refused(err::UnknownChannel), {});
      if (channels_.count(params->socket)) return reply(Outcome::Refused(err::AlreadyOpened), {});
      tx::OpenParams granted = *params;
      granted.maxPayloadToDevice = std::min(params->maxPayloadToDevice, service->maxPayload);
      granted.maxPayloadToHost = std::min(params->maxPayloadToHost, service->maxPayload);
      granted.credit = service->credit;
      if (granted.maxPayloadToDevice == 0) {
        return reply(Outcome::Refused(err::PacketSizeInvalid), {});
      }
      Outcome outcome = listener_.OnOpen(*service);
      if (!outcome.ok()) return reply(outcome, {});
      Channel ch;
      ch.service = service;
      ch.granted = service->credit;
      channels_[params->socket] = std::move(ch);
      std::vector<uint8_t> fields;
      tx::PutOpenParams(granted, fields);
      return reply(outcome, fields);
    }
    case tx::kCloseChannel: {
      if (request.size() != 2) return reply(Outcome::Refused(err::ErrPacketSizeInvalid), {});
      auto it = channels_.find(request[1]);
      if (it == channels_.end()) return reply(Outcome::Refused(err::ChannelNotOpened), {});
      listener_.OnClose(*it->second.service);
      channels_.erase(it);
      return reply(Outcome::Ok(), {});
    }
    case tx::kExit: {
      Outcome outcome = listener_.OnExit();
      closeAll();
      return reply(outcome, {});
    }
    default:
      return reply(Outcome::Refused(err::InvalidParameter), {});
  }
}

}  // namespace d4
