#include "makerlibs/d4/d4.h"

#include <array>
#include <cstring>

namespace d4 {

namespace {
// CRC-16/CCITT (polynomial 0x1021, MSB first), eight bytes a step: table k holds the CRC of a byte
// followed by k zero bytes, so the register and eight message bytes combine with eight look-ups.
using CrcTables = std::array<std::array<uint16_t, 256>, 8>;

constexpr CrcTables MakeCrcTables() {
  CrcTables t{};
  for (unsigned i = 0; i < 256; ++i) {
    uint16_t crc = static_cast<uint16_t>(i << 8);
    for (int bit = 0; bit < 8; ++bit) {
      crc = (crc & 0x8000) ? static_cast<uint16_t>((crc << 1) ^ 0x1021)
                           : static_cast<uint16_t>(crc << 1);
    }
    t[0][i] = crc;
  }
  for (int k = 1; k < 8; ++k) {
    for (unsigned i = 0; i < 256; ++i) {
      const uint16_t prev = t[k - 1][i];
      t[k][i] = static_cast<uint16_t>((prev << 8) ^ t[0][prev >> 8]);
    }
  }
  return t;
}
constexpr CrcTables kCrc = MakeCrcTables();
}  // namespace

uint16_t Crc16(const uint8_t* data, std::size_t size, uint16_t crc) {
  while (size >= 8) {
    crc = static_cast<uint16_t>(kCrc[7][(crc >> 8) ^ data[0]] ^ kCrc[6][(crc & 0xFF) ^ data[1]] ^
                                kCrc[5][data[2]] ^ kCrc[4][data[3]] ^ kCrc[3][data[4]] ^
                                kCrc[2][data[5]] ^ kCrc[1][data[6]] ^ kCrc[0][data[7]]);
    data += 8;
    size -= 8;
  }
  for (std::size_t i = 0; i < size; ++i) {
    crc = static_cast<uint16_t>((crc << 8) ^ kCrc[0][((crc >> 8) ^ data[i]) & 0xFF]);
  }
  return crc;
}

bool ResultFromPrinterAllowed(int16_t result) {
  switch (result) {
    case result::Ok:
    case result::PacketError:
    case result::LinkTransmit:
    case result::LinkReceive:
    case result::PortTransmit:
    case result::PortReceive:
    case result::ReceiveTimeout:
      return true;
    default:
      return false;
  }
}

Outcome CheckedAnswer(int16_t result, int16_t error) {
  if (!ResultFromPrinterAllowed(result)) return Outcome::Refused(err::ErrPacketResultInvalid);
  return {result, error};
}

void Encode(uint8_t src, uint8_t dst, uint8_t credit, const uint8_t* payload, std::size_t size,
            std::vector<uint8_t>& out, uint8_t flags) {
  const std::size_t length = size + kOverhead;
  const std::size_t start = out.size();
  out.resize(start + length);
  uint8_t* p = out.data() + start;
  p[0] = src;
  p[1] = dst;
  p[2] = static_cast<uint8_t>(length >> 8);
  p[3] = static_cast<uint8_t>(length & 0xFF);
  p[4] = credit;
  p[5] = flags;
  if (size > 0) std::memcpy(p + kHeaderSize, payload, size);
  const uint16_t crc = Crc16(p, kHeaderSize + size);
  p[kHeaderSize + size] = static_cast<uint8_t>(crc >> 8);
  p[kHeaderSize + size + 1] = static_cast<uint8_t>(crc & 0xFF);
}

void Encode(const Packet& packet, std::vector<uint8_t>& out) {
  Encode(packet.src, packet.dst, packet.credit, packet.payload.data(), packet.payload.size(), out,
         packet.flags);
}

void Parser::Feed(const uint8_t* data, std::size_t size) {
  if (start_ > 0 && start_ == buffer_.size()) Reset();
  // Keep the buffer from growing without bound when many packets pass through it.
  if (start_ > 65536) {
    buffer_.erase(buffer_.begin(), buffer_.begin() + static_cast<std::ptrdiff_t>(start_));
    start_ = 0;
  }
  buffer_.insert(buffer_.end(), data, data + size);
}

Parser::Result Parser::Next() {
  Result result;
  const std::size_t available = buffer_.size() - start_;
  if (available < 4) return result;
  const uint8_t* p = buffer_.data() + start_;
  const std::size_t length = GetU16(p + 2);
  if (length < kOverhead) {
    Reset();
    result.state = State::kError;
    result.error = err::ErrPacketLengthInvalid;
    return result;
  }
  if (length > maxPacket_) {
    Reset();
    result.state = State::kError;
    result.error = err::ErrPacketSizeInvalid;
    return result;
  }
  if (available < length) return result;
  const std::size_t body = length - kTrailerSize;
  const uint16_t expected = GetU16(p + body);
  if (Crc16(p, body) != expected) {
    Reset();
    result.state = State::kError;
    result.error = err::ErrPacketLengthInvalid;
    return result;
  }
  result.state = State::kPacket;
  result.packet.src = p[0];
  result.packet.dst = p[1];
  result.packet.credit = p[4];
  result.packet.flags = p[5];
  result.packet.payload.assign(p + kHeaderSize, p + body);
  start_ += length;
  return result;
}

namespace tx {

std::vector<uint8_t> Init(uint8_t revision) {
  return {kInit, revision};
}

std::vector<uint8_t> GetSocketId(const std::string& service) {
  const std::size_t n = std::min<std::size_t>(service.size(), kMaxTransactionPayload - 1);
  std::vector<uint8_t> out(n + 1);
  out[0] = kGetSocketId;
  for (std::size_t i = 0; i < n; ++i) out[i + 1] = static_cast<uint8_t>(service[i]);
  return out;
}

void PutOpenParams(const OpenParams& params, std::vector<uint8_t>& out) {
  out.push_back(params.socket);
  PutU16(params.maxPayloadToDevice, out);
  PutU16(params.maxPayloadToHost, out);
  out.push_back(params.credit);
}

std::optional<OpenParams> ParseOpenParams(const uint8_t* data, std::size_t size) {
  if (size != 6) return std::nullopt;
  OpenParams params;
  params.socket = data[0];
  params.maxPayloadToDevice = GetU16(data + 1);
  params.maxPayloadToHost = GetU16(data + 3);
  params.credit = data[5];
  return params;
}

std::vector<uint8_t> OpenChannel(const OpenParams& params) {
  std::vector<uint8_t> out{kOpenChannel};
  PutOpenParams(params, out);
  return out;
}

std::vector<uint8_t> CloseChannel(uint8_t socket) {
  return {kCloseChannel, socket};
}

std::vector<uint8_t> Exit() {
  return {kExit};
}

std::vector<uint8_t> Error(uint8_t src, uint8_t dst, int16_t code) {
  std::vector<uint8_t> out{kError, src, dst};
  PutU16(static_cast<uint16_t>(code), out);
  return out;
}

std::vector<uint8_t> Reply(uint8_t command, Outcome outcome, const std::vector<uint8_t>& fields) {
  std::vector<uint8_t> out{static_cast<uint8_t>(command | kReplyBit)};
  PutU16(static_cast<uint16_t>(outcome.result), out);
  PutU16(static_cast<uint16_t>(outcome.error), out);
  out.insert(out.end(), fields.begin(), fields.end());
  return out;
}

Outcome ParseReply(uint8_t command, const std::vector<uint8_t>& reply,
                   std::vector<uint8_t>* fields) {
  if (reply.size() < kReplyHeader || reply[0] != (command | kReplyBit)) {
    return Outcome::Refused(err::ErrPacketCbtReplyInvalid);
  }
  Outcome outcome = CheckedAnswer(static_cast<int16_t>(GetU16(reply.data() + 1)),
                                  static_cast<int16_t>(GetU16(reply.data() + 3)));
  if (fields != nullptr) fields->assign(reply.begin() + kReplyHeader, reply.end());
  return outcome;
}

}  // namespace tx

}  // namespace d4
