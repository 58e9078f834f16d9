// The device end of the packet protocol on one connection: answers the transaction channel itself
// (init, socket look-up, open, close, exit), keeps the channel table and the credits both ways,
// refuses what a host must not send, and hands the packets of open channels to its listener.
// Non-blocking: the owner polls fd() and calls OnReadable()/Flush(); nothing here waits.
#pragma once

#include <deque>
#include <map>
#include <string>
#include <vector>

#include "makerlibs/d4/d4.h"

namespace d4 {

struct Service {
  std::string name;
  uint8_t socket = 0;
  uint16_t maxPayload = 0;  // largest payload either way on this channel
  uint8_t credit = 1;       // packets the host may have outstanding
};

class DeviceListener {
 public:
  virtual ~DeviceListener() = default;
  // A transaction the host started; return a refusal to refuse it.
  virtual Outcome OnInit() { return Outcome::Ok(); }
  virtual Outcome OnOpen(const Service&) { return Outcome::Ok(); }
  virtual void OnClose(const Service&) {}
  virtual Outcome OnExit() { return Outcome::Ok(); }
  // A packet on an open channel (already checked against credit and size).
  virtual void OnPacket(const Service& service, std::vector<uint8_t> payload) = 0;
  // The host broke the protocol; the packet was refused with this code.
  virtual void OnProtocolError(int16_t) {}
};

class DeviceConnection {
 public:
  // fd is owned by the caller and set non-blocking by it.
  DeviceConnection(int fd, std::vector<Service> services, DeviceListener& listener);

  int fd() const { return fd_; }
  // Reads what the socket holds and dispatches it. False when the host closed, the socket
  // failed or the host let too many replies wait for its credit: the connection is over.
  bool OnReadable();
  // Writes what is queued; false when the socket failed or the connection is over (above).
  bool Flush();
  bool WantsWrite() const { return !out_.empty(); }

  // A packet on an open channel; it waits for the host's credit if there is none.
  // `grant` gives the host more credit on the channel with it.
  void Send(uint8_t socket, std::vector<uint8_t> payload, uint8_t grant);
  // Credit alone (an empty packet, which needs no credit itself).
  void GrantCredit(uint8_t socket, uint8_t credit);
  bool IsOpen(uint8_t socket) const { return channels_.count(socket) != 0; }

  // Flips a byte of the next packet written, for fault injection.
  void CorruptNextPacket() { corruptNext_ = true; }
  // Output queued beyond this means the host stopped reading.
  static constexpr std::size_t kMaxQueued = 1 << 20;
  // Replies waiting for the host's credit on one channel. A host that follows the protocol has
  // at most its own credit's worth outstanding (8 on the data channel); one that never grants
  // credit would grow the printer without end.
  static constexpr std::size_t kMaxWaiting = 64;
  bool Overflowed() const { return overflowed_; }

 private:
  struct Channel {
    const Service* service = nullptr;
    int hostCredit = 0;  // packets we may send to the host
    int granted = 0;     // packets the host may still send us
    std::deque<std::pair<std::vector<uint8_t>, uint8_t>> waiting;  // replies without credit
  };

  void Dispatch(Packet& packet);
  void Transaction(const std::vector<uint8_t>& request);
  void Refuse(uint8_t src, uint8_t dst, int16_t code);
  void Write(uint8_t socket, const std::vector<uint8_t>& payload, uint8_t credit);
  const Service* FindService(uint8_t socket) const;

  int fd_;
  std::vector<Service> services_;
  DeviceListener& listener_;
  Parser parser_;
  std::map<uint8_t, Channel> channels_;
  std::vector<uint8_t> out_;
  bool corruptNext_ = false;
  bool overflowed_ = false;
};

}  // namespace d4
