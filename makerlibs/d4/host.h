// The host end of the packet protocol over a connected stream socket: the transaction channel,
// the channel table with credits, and waiting with time-outs. One call at a time (the libraries'
// callers are single-threaded); the object owns no global state.
#pragma once

#include <chrono>
#include <deque>
#include <map>
#include <vector>

#include "makerlibs/d4/d4.h"

namespace d4 {

enum class Io { kOk, kTimeout, kClosed, kError };

// Writes all bytes before the deadline. MSG_NOSIGNAL: a closed peer is an error, not a signal.
Io WriteAll(int fd, const uint8_t* data, std::size_t size, Deadline deadline);
// Waits until the deadline for bytes and feeds what is there to the parser.
Io ReadSome(int fd, Parser& parser, Deadline deadline);
// The same on a blocking socket with no poll before the read: the receive itself waits, bounded by
// the socket's receive time-out, which is set only when the wait would otherwise run past the
// deadline or end well before it (*armedMs: the time-out set, 0 none yet, -1 not such a socket:
// ReadSome). A steady link so arms it once, and a call costs the two system calls of a plain
// exchange.
Io ReceiveSome(int fd, Parser& parser, Deadline deadline, int* armedMs);

class HostConnection {
 public:
  // fd stays owned by the caller and must outlive this object.
  explicit HostConnection(int fd) : fd_(fd) {}

  // One request and its reply on the transaction channel. fields gets the reply's own fields.
  Outcome Transact(const std::vector<uint8_t>& request, std::vector<uint8_t>* fields,
                   std::chrono::milliseconds timeout);

  // Init: a fresh start; every channel is forgotten on both ends.
  Outcome Init(std::chrono::milliseconds timeout);
  Outcome LookupSocket(const std::string& service, uint8_t* socket,
                       std::chrono::milliseconds timeout);
  // Opens a channel; the device may lower the sizes and decides the initial credit.
  Outcome Open(tx::OpenParams params, std::chrono::milliseconds timeout);
  Outcome Close(uint8_t socket, std::chrono::milliseconds timeout);
  Outcome Exit(std::chrono::milliseconds timeout);

  bool IsOpen(uint8_t socket) const { return channels_.count(socket) != 0; }
  std::size_t MaxPayload(uint8_t socket) const;
  int Credit(uint8_t socket) const;

  // Sends one packet on an open channel, granting the device `grant` packets back. Waits for a
  // credit until the time-out (then result::LinkTransmit).
  Outcome Send(uint8_t socket, const uint8_t* payload, std::size_t size, uint8_t grant,
               std::chrono::milliseconds timeout);
  // Takes the next packet the device sent on the channel, waiting until the time-out (then
  // result::LinkReceive, or result::ReceiveTimeout when a packet had begun to arrive).
  Outcome Receive(uint8_t socket, std::vector<uint8_t>* payload, std::chrono::milliseconds timeout);
  // Takes a packet only if one has already been read from the port; no I/O.
  bool TakeReceived(uint8_t socket, std::vector<uint8_t>* payload);

  // The port failed or closed; every later call fails at once.
  bool broken() const { return broken_ != 0; }

 private:
  struct Channel {
    std::size_t maxSend = 0;
    std::size_t maxReceive = 0;
    int credit = 0;     // packets we may still send
    int maxCredit = 0;  // more than this outstanding is an overflow
    int granted = 0;    // packets the device may still send us
    std::deque<std::vector<uint8_t>> received;
  };

  // Reads until pred() holds, a protocol error arrives, or the deadline passes.
  template <typename Pred>
  Outcome WaitFor(Pred pred, Deadline deadline, int16_t timeoutCode);
  Io PumpOnce(Deadline deadline);
  void Dispatch(Packet& packet);
  void Fail(int16_t code) {
    if (pendingError_ == 0) pendingError_ = code;
  }
  Outcome WriteOut(Deadline deadline);

  int fd_;
  Parser parser_;
  std::map<uint8_t, Channel> channels_;
  std::deque<std::vector<uint8_t>> transactionReplies_;
  int16_t pendingError_ = 0;
  int abandonedTransactions_ = 0;
  int16_t broken_ = 0;  // the link code every call returns once the port failed
  int armedMs_ = 0;     // the socket's receive time-out as ReceiveSome set it
  std::vector<uint8_t> out_;
};

}  // namespace d4
