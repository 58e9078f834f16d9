// The packet protocol shared by the host libraries and the virtual printer: framing, the
// incremental parser, the codes, and the messages of the transaction channel. The wire format is
// described in docs/protocol.md. Nothing here trusts the peer: every length is checked before a
// byte is read.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "link/resultcode.h"

namespace d4 {

using Clock = std::chrono::steady_clock;
using Deadline = Clock::time_point;

// Packet error codes, as GetD4ErrorCode() returns them.
namespace err {
inline constexpr int16_t CannotCbtComm = 17;
inline constexpr int16_t RevisionInvalid = 18;
inline constexpr int16_t InitFailed = 19;
inline constexpr int16_t LackResource = 33;
inline constexpr int16_t DenialConnect = 34;
inline constexpr int16_t AlreadyOpened = 35;
inline constexpr int16_t UnknownChannel = 36;
inline constexpr int16_t PacketSizeInvalid = 37;
inline constexpr int16_t PacketSizeIsNull = 38;
inline constexpr int16_t CreditOverflow = 49;
inline constexpr int16_t ChannelNotOpened = 50;
inline constexpr int16_t CbtChannel = 65;
inline constexpr int16_t CannotMovePacketMode = 81;
inline constexpr int16_t ErrPacketLengthInvalid = 128;
inline constexpr int16_t ErrPacketHasNoCredit = 129;
inline constexpr int16_t ErrPacketReplyInvalid = 130;
inline constexpr int16_t ErrPacketSizeInvalid = 131;
inline constexpr int16_t ErrPacketChannelNotOpened = 132;
inline constexpr int16_t ErrPacketResultInvalid = 133;
inline constexpr int16_t ErrPacketCreditOverflow = 134;
inline constexpr int16_t ErrPacketCbtReplyInvalid = 135;
inline constexpr int16_t PrinterIsBusy = 144;
inline constexpr int16_t InvalidParameter = 145;
inline constexpr int16_t InvalidStatusReply = 160;
inline constexpr int16_t EepromReadError = 176;
inline constexpr int16_t Unknown = -1;
}  // namespace err

// Results of the library functions that this layer produces: the link's codes of the result
// convention the libraries share with the program.
namespace result {
inline constexpr int16_t Ok = rc::Success;
inline constexpr int16_t PacketError = rc::PacketError;        // the reason is a packet error code
inline constexpr int16_t ReceiveTimeout = rc::ReceiveTimeout;  // a packet began, never completed
inline constexpr int16_t NoPort = rc::CannotOpenPort;
inline constexpr int16_t PortReceive = rc::PortReceiveError;    // the port failed or closed (read)
inline constexpr int16_t PortTransmit = rc::PortTransmitError;  // failed, closed or stalled (write)
inline constexpr int16_t LinkReceive = rc::LinkReceiveError;    // no reply within the time-out
inline constexpr int16_t LinkTransmit = rc::LinkTransmitError;  // no credit within the time-out
}  // namespace result

// The outcome of one operation: a result code and, for result::PacketError, the packet error.
struct Outcome {
  int16_t result = result::Ok;
  int16_t error = 0;

  static Outcome Ok() { return {}; }
  static Outcome Refused(int16_t code) { return {result::PacketError, code}; }
  static Outcome Link(int16_t code) { return {code, 0}; }
  bool ok() const { return result == result::Ok; }
};

// The results a printer may answer to any request: 1, 8192 (with its packet error) and the link
// failures it reports as its own (-81, -82, -103, -104, -8193). Anything else is not a result of
// the contract, whatever the call.
bool ResultFromPrinterAllowed(int16_t result);
// The outcome of a printer's answer: a result outside the contract becomes a refusal with
// err::ErrPacketResultInvalid, so the caller never passes an unrelated code on.
Outcome CheckedAnswer(int16_t result, int16_t error);

// Framing: a 6-byte header, the payload, a 2-byte CRC over both.
inline constexpr std::size_t kHeaderSize = 6;
inline constexpr std::size_t kTrailerSize = 2;
inline constexpr std::size_t kOverhead = kHeaderSize + kTrailerSize;
inline constexpr std::size_t kMaxPayload = 4096;
inline constexpr std::size_t kMaxPacket = kMaxPayload + kOverhead;
inline constexpr uint8_t kRevision = 0x10;
inline constexpr uint8_t kTransactionSocket = 0;
// The transaction channel carries small messages only.
inline constexpr std::size_t kMaxTransactionPayload = 64;

struct Packet {
  uint8_t src = 0;     // sender's socket
  uint8_t dst = 0;     // receiver's socket
  uint8_t credit = 0;  // packets the receiver may now send more on this channel
  uint8_t flags = 0;   // reserved, zero
  std::vector<uint8_t> payload;
};

uint16_t Crc16(const uint8_t* data, std::size_t size, uint16_t crc = 0xFFFF);

// Appends the packet's bytes to out. The payload must not exceed kMaxPayload.
void Encode(const Packet& packet, std::vector<uint8_t>& out);
void Encode(uint8_t src, uint8_t dst, uint8_t credit, const uint8_t* payload, std::size_t size,
            std::vector<uint8_t>& out, uint8_t flags = 0);

// Cuts packets out of a byte stream. A framing error (length below the overhead, above the limit,
// or a CRC that does not match) loses the packet boundaries, so the parser drops everything it
// holds and starts again with the next bytes fed.
class Parser {
 public:
  explicit Parser(std::size_t maxPacket = kMaxPacket) : maxPacket_(maxPacket) {}

  void Feed(const uint8_t* data, std::size_t size);

  enum class State { kNeedMore, kPacket, kError };
  struct Result {
    State state = State::kNeedMore;
    Packet packet;
    int16_t error = 0;
  };
  Result Next();

  // Bytes of an incomplete packet held.
  std::size_t Buffered() const { return buffer_.size() - start_; }
  void Reset() {
    buffer_.clear();
    start_ = 0;
  }

 private:
  std::size_t maxPacket_;
  std::vector<uint8_t> buffer_;
  std::size_t start_ = 0;
};

// Messages of the transaction channel (socket 0). A request is a command byte and its
// parameters; its reply is the command byte | 0x80, a 16-bit result and a 16-bit packet error
// (big-endian), then the reply's own fields.
namespace tx {
inline constexpr uint8_t kInit = 0x00;
inline constexpr uint8_t kOpenChannel = 0x01;
inline constexpr uint8_t kCloseChannel = 0x02;
inline constexpr uint8_t kGetSocketId = 0x09;
inline constexpr uint8_t kExit = 0x08;
inline constexpr uint8_t kError = 0x7F;  // unsolicited: socket, socket, 16-bit packet error
inline constexpr uint8_t kReplyBit = 0x80;
inline constexpr std::size_t kReplyHeader = 5;

struct OpenParams {
  uint8_t socket = 0;
  uint16_t maxPayloadToDevice = 0;  // largest payload the host will send
  uint16_t maxPayloadToHost = 0;    // largest payload the device may send
  uint8_t credit = 0;               // initial credit the device grants the host
};

std::vector<uint8_t> Init(uint8_t revision);
std::vector<uint8_t> GetSocketId(const std::string& service);
std::vector<uint8_t> OpenChannel(const OpenParams& params);
std::vector<uint8_t> CloseChannel(uint8_t socket);
std::vector<uint8_t> Exit();
std::vector<uint8_t> Error(uint8_t src, uint8_t dst, int16_t code);

std::vector<uint8_t> Reply(uint8_t command, Outcome outcome, const std::vector<uint8_t>& fields);
// Checks a reply against its command; on success fields gets the reply's own fields.
Outcome ParseReply(uint8_t command, const std::vector<uint8_t>& reply,
                   std::vector<uint8_t>* fields);
std::optional<OpenParams> ParseOpenParams(const uint8_t* data, std::size_t size);
void PutOpenParams(const OpenParams& params, std::vector<uint8_t>& out);
}  // namespace tx

inline void PutU16(uint16_t v, std::vector<uint8_t>& out) {
  out.push_back(static_cast<uint8_t>(v >> 8));
  out.push_back(static_cast<uint8_t>(v & 0xFF));
}
inline uint16_t GetU16(const uint8_t* p) {
  return static_cast<uint16_t>((static_cast<unsigned>(p[0]) << 8) | p[1]);
}

}  // namespace d4
