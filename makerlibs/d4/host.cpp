#include "makerlibs/d4/host.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <cerrno>

namespace d4 {

namespace {
int MsUntil(Deadline deadline) {
  const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
  if (left <= 0) return 0;
  return left > 1000000 ? 1000000 : static_cast<int>(left);
}

Deadline After(std::chrono::milliseconds timeout) {
  return Clock::now() + timeout;
}

constexpr std::size_t kReceiveBuffer = 16384;

// What a receive that returned n (other than for want of bytes) means for the link.
Io Received(ssize_t n, const uint8_t* buffer, Parser& parser) {
  if (n > 0) {
    parser.Feed(buffer, static_cast<std::size_t>(n));
    return Io::kOk;
  }
  if (n == 0) return Io::kClosed;
  if (errno == EINTR) return Io::kOk;
  return errno == ECONNRESET ? Io::kClosed : Io::kError;
}
}  // namespace

Io WriteAll(int fd, const uint8_t* data, std::size_t size, Deadline deadline) {
  std::size_t done = 0;
  while (done < size) {
    ssize_t n = send(fd, data + done, size - done, MSG_NOSIGNAL | MSG_DONTWAIT);
    if (n < 0 && errno == ENOTSOCK) n = write(fd, data + done, size - done);
    if (n > 0) {
      done += static_cast<std::size_t>(n);
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
      pollfd p{fd, POLLOUT, 0};
      const int ready = poll(&p, 1, MsUntil(deadline));
      if (ready == 0) return Io::kTimeout;
      if (ready < 0 && errno != EINTR) return Io::kError;
      if (ready > 0 && (p.revents & (POLLERR | POLLNVAL))) return Io::kError;
      continue;
    }
    return (n < 0 && (errno == EPIPE || errno == ECONNRESET)) ? Io::kClosed : Io::kError;
  }
  return Io::kOk;
}

Io ReadSome(int fd, Parser& parser, Deadline deadline) {
  pollfd p{fd, POLLIN, 0};
  int ready;
  do {
    ready = poll(&p, 1, MsUntil(deadline));
  } while (ready < 0 && errno == EINTR);
  if (ready < 0) return Io::kError;
  if (ready == 0) return Io::kTimeout;
  if (p.revents & POLLNVAL) return Io::kError;
  uint8_t buffer[kReceiveBuffer];
  ssize_t n = recv(fd, buffer, sizeof buffer, MSG_DONTWAIT);
  if (n < 0 && errno == ENOTSOCK) n = read(fd, buffer, sizeof buffer);
  // Nothing there after all: the caller's next wait decides.
  if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return Io::kOk;
  return Received(n, buffer, parser);
}

Io ReceiveSome(int fd, Parser& parser, Deadline deadline, int* armedMs) {
  const int left = MsUntil(deadline);
  if (left <= 0 || *armedMs < 0) return ReadSome(fd, parser, deadline);
  if (*armedMs == 0) {
    // Only a blocking socket can wait in its receive; anything else is polled.
    const int flags = fcntl(fd, F_GETFL);
    if (flags < 0 || (flags & O_NONBLOCK) != 0) {
      *armedMs = -1;
      return ReadSome(fd, parser, deadline);
    }
  }
  if (*armedMs == 0 || *armedMs > left || *armedMs < left / 2) {
    timeval limit{};
    limit.tv_sec = left / 1000;
    limit.tv_usec = (left % 1000) * 1000;
    if (setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit) != 0) {
      *armedMs = -1;
      return ReadSome(fd, parser, deadline);
    }
    *armedMs = left;
  }
  uint8_t buffer[kReceiveBuffer];
  const ssize_t n = recv(fd, buffer, sizeof buffer, 0);
  // The receive time-out ran out: the deadline may not have.
  if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
    return Clock::now() >= deadline ? Io::kTimeout : Io::kOk;
  }
  return Received(n, buffer, parser);
}

Io HostConnection::PumpOnce(Deadline deadline) {
  const Io io = ReceiveSome(fd_, parser_, deadline, &armedMs_);
  for (;;) {
    Parser::Result r = parser_.Next();
    if (r.state == Parser::State::kNeedMore) break;
    if (r.state == Parser::State::kError) {
      Fail(r.error);
      continue;
    }
    Dispatch(r.packet);
  }
  return io;
}

void HostConnection::Dispatch(Packet& packet) {
  if (packet.src == kTransactionSocket && packet.dst == kTransactionSocket) {
    if (packet.credit != 0) return Fail(err::ErrPacketCreditOverflow);
    if (packet.payload.empty()) return Fail(err::PacketSizeIsNull);
    if (packet.payload.size() > kMaxTransactionPayload) return Fail(err::PacketSizeInvalid);
    const uint8_t command = packet.payload[0];
    if (command == tx::kError) {
      return Fail(packet.payload.size() == 5
                      ? static_cast<int16_t>(GetU16(packet.payload.data() + 3))
                      : err::ErrPacketCbtReplyInvalid);
    }
    if ((command & tx::kReplyBit) == 0) return Fail(err::ErrPacketCbtReplyInvalid);
    if (abandonedTransactions_ > 0) {
      --abandonedTransactions_;  // the late reply of a request that timed out
      return;
    }
    transactionReplies_.push_back(std::move(packet.payload));
    return;
  }
  if (packet.src != packet.dst || packet.src == kTransactionSocket) {
    return Fail(err::UnknownChannel);
  }
  auto it = channels_.find(packet.dst);
  if (it == channels_.end()) return Fail(err::ErrPacketChannelNotOpened);
  Channel& ch = it->second;
  if (packet.payload.size() > ch.maxReceive) return Fail(err::PacketSizeInvalid);
  if (packet.credit > 0) {
    ch.credit += packet.credit;
    if (ch.credit > ch.maxCredit) {
      ch.credit = ch.maxCredit;
      return Fail(err::ErrPacketCreditOverflow);
    }
  }
  if (packet.payload.empty()) return;
  if (ch.granted <= 0) return Fail(err::ErrPacketHasNoCredit);
  --ch.granted;
  ch.received.push_back(std::move(packet.payload));
}

template <typename Pred>
Outcome HostConnection::WaitFor(Pred pred, Deadline deadline, int16_t timeoutCode) {
  for (;;) {
    if (pendingError_ != 0) {
      const int16_t code = pendingError_;
      pendingError_ = 0;
      return Outcome::Refused(code);
    }
    if (broken_ != 0) return Outcome::Link(broken_);
    if (pred()) return Outcome::Ok();
    if (Clock::now() >= deadline) {
      return Outcome::Link(parser_.Buffered() > 0 ? result::ReceiveTimeout : timeoutCode);
    }
    const Io io = PumpOnce(deadline);
    if (io == Io::kClosed || io == Io::kError) {
      // What arrived before the close still counts.
      if (pendingError_ == 0 && pred()) return Outcome::Ok();
      broken_ = result::PortReceive;
    }
  }
}

Outcome HostConnection::WriteOut(Deadline deadline) {
  const Io io = WriteAll(fd_, out_.data(), out_.size(), deadline);
  out_.clear();
  if (io == Io::kOk) return Outcome::Ok();
  // A packet may have gone out in part: the stream cannot be trusted any more.
  broken_ = result::PortTransmit;
  return Outcome::Link(broken_);
}

Outcome HostConnection::Transact(const std::vector<uint8_t>& request, std::vector<uint8_t>* fields,
                                 std::chrono::milliseconds timeout) {
  if (broken_ != 0) return Outcome::Link(broken_);
  const Deadline deadline = After(timeout);
  // Replies that came in while nobody waited cannot belong to this request.
  transactionReplies_.clear();
  Encode(kTransactionSocket, kTransactionSocket, 0, request.data(), request.size(), out_);
  Outcome sent = WriteOut(deadline);
  if (!sent.ok()) return sent;
  Outcome waited =
      WaitFor([&] { return !transactionReplies_.empty(); }, deadline, result::LinkReceive);
  if (!waited.ok()) {
    if (waited.result == result::LinkReceive || waited.result == result::ReceiveTimeout) {
      ++abandonedTransactions_;
    }
    return waited;
  }
  std::vector<uint8_t> reply = std::move(transactionReplies_.front());
  transactionReplies_.pop_front();
  return tx::ParseReply(request[0], reply, fields);
}

Outcome HostConnection::Init(std::chrono::milliseconds timeout) {
  std::vector<uint8_t> fields;
  Outcome outcome = Transact(tx::Init(kRevision), &fields, timeout);
  if (!outcome.ok()) return outcome;
  if (fields.size() != 1) return Outcome::Refused(err::ErrPacketCbtReplyInvalid);
  if (fields[0] != kRevision) return Outcome::Refused(err::RevisionInvalid);
  channels_.clear();
  return outcome;
}

Outcome HostConnection::LookupSocket(const std::string& service, uint8_t* socket,
                                     std::chrono::milliseconds timeout) {
  std::vector<uint8_t> fields;
  Outcome outcome = Transact(tx::GetSocketId(service), &fields, timeout);
  if (!outcome.ok()) return outcome;
  if (fields.size() != 1 || fields[0] == kTransactionSocket) {
    return Outcome::Refused(err::ErrPacketCbtReplyInvalid);
  }
  *socket = fields[0];
  return outcome;
}

Outcome HostConnection::Open(tx::OpenParams params, std::chrono::milliseconds timeout) {
  if (channels_.count(params.socket)) return Outcome::Refused(err::AlreadyOpened);
  std::vector<uint8_t> fields;
  Outcome outcome = Transact(tx::OpenChannel(params), &fields, timeout);
  if (!outcome.ok()) return outcome;
  std::optional<tx::OpenParams> granted = tx::ParseOpenParams(fields.data(), fields.size());
  // The device may only lower what we proposed.
  if (!granted || granted->socket != params.socket || granted->maxPayloadToDevice == 0 ||
      granted->maxPayloadToDevice > params.maxPayloadToDevice ||
      granted->maxPayloadToHost > params.maxPayloadToHost || granted->credit == 0) {
    return Outcome::Refused(err::ErrPacketCbtReplyInvalid);
  }
  Channel ch;
  ch.maxSend = std::min<std::size_t>(granted->maxPayloadToDevice, kMaxPayload);
  ch.maxReceive = std::min<std::size_t>(granted->maxPayloadToHost, kMaxPayload);
  ch.credit = granted->credit;
  ch.maxCredit = granted->credit;
  channels_[params.socket] = std::move(ch);
  return outcome;
}

Outcome HostConnection::Close(uint8_t socket, std::chrono::milliseconds timeout) {
  if (!channels_.count(socket)) return Outcome::Refused(err::ChannelNotOpened);
  channels_.erase(socket);
  return Transact(tx::CloseChannel(socket), nullptr, timeout);
}

Outcome HostConnection::Exit(std::chrono::milliseconds timeout) {
  Outcome outcome = Transact(tx::Exit(), nullptr, timeout);
  channels_.clear();
  return outcome;
}

std::size_t HostConnection::MaxPayload(uint8_t socket) const {
  auto it = channels_.find(socket);
  return it == channels_.end() ? 0 : it->second.maxSend;
}

int HostConnection::Credit(uint8_t socket) const {
  auto it = channels_.find(socket);
  return it == channels_.end() ? 0 : it->second.credit;
}

Outcome HostConnection::Send(uint8_t socket, const uint8_t* payload, std::size_t size,
                             uint8_t grant, std::chrono::milliseconds timeout) {
  if (broken_ != 0) return Outcome::Link(broken_);
  auto it = channels_.find(socket);
  if (it == channels_.end()) return Outcome::Refused(err::ChannelNotOpened);
  if (size > it->second.maxSend) return Outcome::Refused(err::PacketSizeInvalid);
  const Deadline deadline = After(timeout);
  Outcome waited = WaitFor(
      [&] {
        auto c = channels_.find(socket);
        return c == channels_.end() || c->second.credit > 0;
      },
      deadline, result::LinkTransmit);
  if (!waited.ok()) return waited;
  it = channels_.find(socket);
  if (it == channels_.end()) return Outcome::Refused(err::ChannelNotOpened);
  Channel& ch = it->second;
  --ch.credit;
  ch.granted += grant;
  Encode(socket, socket, grant, payload, size, out_);
  return WriteOut(deadline);
}

Outcome HostConnection::Receive(uint8_t socket, std::vector<uint8_t>* payload,
                                std::chrono::milliseconds timeout) {
  if (broken_ != 0) return Outcome::Link(broken_);
  if (!channels_.count(socket)) return Outcome::Refused(err::ChannelNotOpened);
  Outcome waited = WaitFor(
      [&] {
        auto c = channels_.find(socket);
        return c == channels_.end() || !c->second.received.empty();
      },
      After(timeout), result::LinkReceive);
  if (!waited.ok()) return waited;
  auto it = channels_.find(socket);
  if (it == channels_.end()) return Outcome::Refused(err::ChannelNotOpened);
  *payload = std::move(it->second.received.front());
  it->second.received.pop_front();
  return waited;
}

bool HostConnection::TakeReceived(uint8_t socket, std::vector<uint8_t>* payload) {
  auto it = channels_.find(socket);
  if (it == channels_.end() || it->second.received.empty()) return false;
  *payload = std::move(it->second.received.front());
  it->second.received.pop_front();
  return true;
}

}  // namespace d4
