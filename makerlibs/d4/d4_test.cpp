// The packet-protocol engine on its own: framing, the parser's refusals, and both ends over a
// socketpair, with a scripted peer that sends exactly the bytes a test wants.
#include "makerlibs/d4/d4.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <thread>

#include "makerlibs/d4/device.h"
#include "makerlibs/d4/host.h"

namespace d4 {
namespace {

using std::chrono::milliseconds;
constexpr milliseconds kShort{30};
constexpr milliseconds kLong{5000};

std::vector<uint8_t> Bytes(const Packet& p) {
  std::vector<uint8_t> out;
  Encode(p, out);
  return out;
}

// ---- framing and parser -------------------------------------------------------------------------

TEST(D4Framing, PacketsRoundTripWhateverTheChunking) {
  std::vector<uint8_t> stream;
  std::vector<Packet> sent;
  for (std::size_t size : {std::size_t{0}, std::size_t{1}, std::size_t{1000}, kMaxPayload}) {
    Packet p{0x40, 0x40, static_cast<uint8_t>(size % 7), 0, {}};
    for (std::size_t i = 0; i < size; ++i) p.payload.push_back(static_cast<uint8_t>(i * 31));
    Encode(p, stream);
    sent.push_back(p);
  }
  for (std::size_t chunk : {std::size_t{1}, std::size_t{7}, stream.size()}) {
    Parser parser;
    std::vector<Packet> got;
    for (std::size_t at = 0; at < stream.size(); at += chunk) {
      parser.Feed(stream.data() + at, std::min(chunk, stream.size() - at));
      for (Parser::Result r = parser.Next(); r.state != Parser::State::kNeedMore;
           r = parser.Next()) {
        ASSERT_EQ(r.state, Parser::State::kPacket);
        got.push_back(r.packet);
      }
    }
    ASSERT_EQ(got.size(), sent.size()) << "chunk " << chunk;
    for (std::size_t i = 0; i < sent.size(); ++i) {
      EXPECT_EQ(got[i].src, sent[i].src);
      EXPECT_EQ(got[i].credit, sent[i].credit);
      EXPECT_EQ(got[i].payload, sent[i].payload);
    }
    EXPECT_EQ(parser.Buffered(), 0u);
  }
}

TEST(D4Framing, CrcIsCcittFalseAtAnyLength) {
  const char* check = "123456789";
  EXPECT_EQ(Crc16(reinterpret_cast<const uint8_t*>(check), 9), 0x29B1);
  // The eight-byte steps agree with one byte at a time for every length and start.
  std::vector<uint8_t> data(41);
  for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<uint8_t>(i * 73 + 5);
  for (std::size_t n = 0; n <= data.size(); ++n) {
    uint16_t bytewise = 0xFFFF;
    for (std::size_t i = 0; i < n; ++i) bytewise = Crc16(&data[i], 1, bytewise);
    EXPECT_EQ(Crc16(data.data(), n), bytewise) << n;
  }
}

TEST(D4Framing, HeaderIsSocketsLengthCreditFlagsThenCrc) {
  const std::vector<uint8_t> bytes = Bytes(Packet{2, 3, 4, 0, {0xAA}});
  ASSERT_EQ(bytes.size(), 9u);
  EXPECT_EQ(bytes[0], 2);
  EXPECT_EQ(bytes[1], 3);
  EXPECT_EQ(bytes[2], 0);
  EXPECT_EQ(bytes[3], 9);  // the length counts header, payload and CRC
  EXPECT_EQ(bytes[4], 4);
  EXPECT_EQ(bytes[5], 0);
  EXPECT_EQ(bytes[6], 0xAA);
  EXPECT_EQ(GetU16(&bytes[7]), Crc16(bytes.data(), 7));
}

struct MalformedCase {
  const char* name;
  std::vector<uint8_t> bytes;
  int16_t code;
};

TEST(D4Framing, MalformedFramesAreRefusedAndTheParserRecovers) {
  std::vector<uint8_t> badCrc = Bytes(Packet{1, 1, 0, 0, {1, 2, 3}});
  badCrc[7] ^= 1;
  std::vector<uint8_t> oversized = Bytes(Packet{1, 1, 0, 0, {}});
  oversized[2] = 0xFF;
  oversized[3] = 0xFF;
  const MalformedCase cases[] = {
      {"length below the overhead", {1, 1, 0, 5, 0, 0, 0, 0}, err::ErrPacketLengthInvalid},
      {"length zero", {0, 0, 0, 0}, err::ErrPacketLengthInvalid},
      {"length above the limit", oversized, err::ErrPacketSizeInvalid},
      {"CRC does not match", badCrc, err::ErrPacketLengthInvalid},
  };
  for (const MalformedCase& c : cases) {
    Parser parser;
    parser.Feed(c.bytes.data(), c.bytes.size());
    Parser::Result r = parser.Next();
    EXPECT_EQ(r.state, Parser::State::kError) << c.name;
    EXPECT_EQ(r.error, c.code) << c.name;
    EXPECT_EQ(parser.Buffered(), 0u) << c.name;
    const std::vector<uint8_t> good = Bytes(Packet{5, 5, 0, 0, {9}});
    parser.Feed(good.data(), good.size());
    r = parser.Next();
    ASSERT_EQ(r.state, Parser::State::kPacket) << c.name;
    EXPECT_EQ(r.packet.payload, std::vector<uint8_t>{9}) << c.name;
  }
}

TEST(D4Framing, TruncatedPacketWaitsForTheRest) {
  const std::vector<uint8_t> bytes = Bytes(Packet{1, 1, 0, 0, {1, 2, 3, 4}});
  Parser parser;
  parser.Feed(bytes.data(), bytes.size() - 1);
  EXPECT_EQ(parser.Next().state, Parser::State::kNeedMore);
  EXPECT_EQ(parser.Buffered(), bytes.size() - 1);
  parser.Feed(&bytes.back(), 1);
  EXPECT_EQ(parser.Next().state, Parser::State::kPacket);
}

// ---- the host end against a scripted peer
// --------------------------------------------------------

class HostEnd : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds_), 0);
    host_ = std::make_unique<HostConnection>(fds_[0]);
  }
  void TearDown() override {
    host_.reset();
    close(fds_[0]);
    if (fds_[1] >= 0) close(fds_[1]);
  }

  void PeerWrite(const Packet& p) {
    const std::vector<uint8_t> bytes = Bytes(p);
    ASSERT_EQ(write(fds_[1], bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
  }
  void PeerWriteRaw(const std::vector<uint8_t>& bytes) {
    ASSERT_EQ(write(fds_[1], bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
  }
  void PeerReply(uint8_t command, Outcome outcome, const std::vector<uint8_t>& fields) {
    PeerWrite(Packet{0, 0, 0, 0, tx::Reply(command, outcome, fields)});
  }
  // Reads one packet the host sent (the peer never waits longer than kLong).
  Packet PeerRead() {
    Parser parser;
    for (;;) {
      Parser::Result r = parser.Next();
      if (r.state == Parser::State::kPacket) return r.packet;
      EXPECT_NE(r.state, Parser::State::kError);
      if (ReadSome(fds_[1], parser, Clock::now() + kLong) != Io::kOk) {
        ADD_FAILURE() << "the host sent nothing";
        return {};
      }
    }
  }
  bool PeerHasBytes() {
    pollfd p{fds_[1], POLLIN, 0};
    return poll(&p, 1, 0) > 0;
  }
  // Opens channel 0x40 with the given credit on the host, the peer answering as a device would.
  void OpenChannel(uint8_t credit, uint16_t maxPayload = 100) {
    tx::OpenParams params{0x40, maxPayload, maxPayload, credit};
    std::vector<uint8_t> fields;
    tx::PutOpenParams(params, fields);
    PeerReply(tx::kOpenChannel, Outcome::Ok(), fields);
    ASSERT_TRUE(host_->Open(tx::OpenParams{0x40, maxPayload, maxPayload, 0}, kLong).ok());
    PeerRead();
  }

  int fds_[2] = {-1, -1};
  std::unique_ptr<HostConnection> host_;
};

TEST_F(HostEnd, SenderWithoutCreditWaitsAndResumesWhenCreditComes) {
  OpenChannel(1);
  const uint8_t one[] = {1};
  ASSERT_TRUE(host_->Send(0x40, one, 1, 0, kLong).ok());
  EXPECT_EQ(host_->Credit(0x40), 0);

  std::thread device([&] {
    EXPECT_EQ(PeerRead().payload, std::vector<uint8_t>{1});
    // Without credit the host must not have sent the second packet yet.
    EXPECT_FALSE(PeerHasBytes());
    PeerWrite(Packet{0x40, 0x40, 1, 0, {}});
    EXPECT_EQ(PeerRead().payload, std::vector<uint8_t>{2});
  });
  const uint8_t two[] = {2};
  EXPECT_TRUE(host_->Send(0x40, two, 1, 0, kLong).ok());
  device.join();
}

TEST_F(HostEnd, SenderWithoutCreditTimesOut) {
  OpenChannel(1);
  const uint8_t one[] = {1};
  ASSERT_TRUE(host_->Send(0x40, one, 1, 0, kLong).ok());
  const Outcome o = host_->Send(0x40, one, 1, 0, kShort);
  EXPECT_EQ(o.result, result::LinkTransmit);
}

TEST_F(HostEnd, SilentPeerIsAReceiveTimeout) {
  OpenChannel(1);
  std::vector<uint8_t> payload;
  EXPECT_EQ(host_->Receive(0x40, &payload, kShort).result, result::LinkReceive);
  EXPECT_EQ(host_->Transact(tx::Exit(), nullptr, kShort).result, result::LinkReceive);
}

TEST_F(HostEnd, PacketCutShortIsAReceiveErrorOfItsOwn) {
  OpenChannel(1);
  const uint8_t one[] = {1};
  ASSERT_TRUE(host_->Send(0x40, one, 1, 1, kLong).ok());
  const std::vector<uint8_t> whole = Bytes(Packet{0x40, 0x40, 0, 0, {1, 2, 3}});
  PeerWriteRaw(std::vector<uint8_t>(whole.begin(), whole.end() - 2));
  std::vector<uint8_t> payload;
  EXPECT_EQ(host_->Receive(0x40, &payload, kShort).result, result::ReceiveTimeout);
}

TEST_F(HostEnd, ClosedPortFailsReadsAndWrites) {
  OpenChannel(2);
  close(fds_[1]);
  fds_[1] = -1;
  std::vector<uint8_t> payload;
  EXPECT_EQ(host_->Receive(0x40, &payload, kLong).result, result::PortReceive);
  EXPECT_TRUE(host_->broken());

  HostConnection fresh(fds_[0]);
  const uint8_t one[] = {1};
  EXPECT_EQ(fresh.Transact(tx::Exit(), nullptr, kLong).result, result::PortTransmit);
  // Once a write failed the stream cannot be trusted: everything after fails the same way.
  EXPECT_EQ(fresh.Send(0x40, one, 1, 0, kLong).result, result::PortTransmit);
}

TEST_F(HostEnd, EveryMisbehaviourOfTheDeviceIsRefusedWithItsCode) {
  struct Case {
    const char* name;
    Packet packet;
    int16_t code;
  };
  const Case cases[] = {
      {"channel never opened", Packet{0x41, 0x41, 0, 0, {1}}, err::ErrPacketChannelNotOpened},
      {"sockets do not pair", Packet{0x40, 0x41, 0, 0, {1}}, err::UnknownChannel},
      {"payload above the channel's size", Packet{0x40, 0x40, 0, 0, std::vector<uint8_t>(101)},
       err::PacketSizeInvalid},
      {"data without credit", Packet{0x40, 0x40, 0, 0, {1}}, err::ErrPacketHasNoCredit},
      {"credit beyond what was opened", Packet{0x40, 0x40, 5, 0, {}}, err::ErrPacketCreditOverflow},
      {"empty transaction packet", Packet{0, 0, 0, 0, {}}, err::PacketSizeIsNull},
      {"request from the device", Packet{0, 0, 0, 0, {tx::kExit}}, err::ErrPacketCbtReplyInvalid},
      {"error report", Packet{0, 0, 0, 0, tx::Error(0x40, 0x40, err::PrinterIsBusy)},
       err::PrinterIsBusy},
  };
  OpenChannel(2);
  for (const Case& c : cases) {
    PeerWrite(c.packet);
    std::vector<uint8_t> payload;
    const Outcome o = host_->Receive(0x40, &payload, kLong);
    EXPECT_EQ(o.result, result::PacketError) << c.name;
    EXPECT_EQ(o.error, c.code) << c.name;
  }
  // The bytes that followed a refused packet are still read.
  const uint8_t one[] = {1};
  ASSERT_TRUE(host_->Send(0x40, one, 1, 1, kLong).ok());
  PeerWrite(Packet{0x40, 0x40, 0, 0, {7}});
  std::vector<uint8_t> payload;
  ASSERT_TRUE(host_->Receive(0x40, &payload, kLong).ok());
  EXPECT_EQ(payload, std::vector<uint8_t>{7});
}

TEST_F(HostEnd, TransactionRepliesAreChecked) {
  PeerReply(tx::kInit, Outcome::Ok(), {0x11});
  EXPECT_EQ(host_->Init(kLong).error, err::RevisionInvalid);
  PeerRead();
  PeerReply(tx::kExit, Outcome::Ok(), {});  // not the reply to this request
  EXPECT_EQ(host_->Init(kLong).error, err::ErrPacketCbtReplyInvalid);
  PeerRead();
  PeerReply(tx::kGetSocketId, Outcome::Refused(err::UnknownChannel), {});
  uint8_t socket = 0;
  EXPECT_EQ(host_->LookupSocket("NOTHING", &socket, kLong).error, err::UnknownChannel);
  PeerRead();
  // A device may lower the sizes the host proposed, never raise them.
  tx::OpenParams raised{0x40, 200, 200, 1};
  std::vector<uint8_t> fields;
  tx::PutOpenParams(raised, fields);
  PeerReply(tx::kOpenChannel, Outcome::Ok(), fields);
  EXPECT_EQ(host_->Open(tx::OpenParams{0x40, 100, 100, 0}, kLong).error,
            err::ErrPacketCbtReplyInvalid);
  EXPECT_FALSE(host_->IsOpen(0x40));
}

TEST_F(HostEnd, LateReplyOfATimedOutTransactionIsNotTakenForTheNext) {
  EXPECT_EQ(host_->Transact(tx::Exit(), nullptr, kShort).result, result::LinkReceive);
  PeerRead();
  PeerReply(tx::kExit, Outcome::Ok(), {});  // late
  PeerReply(tx::kInit, Outcome::Ok(), {kRevision});
  EXPECT_TRUE(host_->Init(kLong).ok());
}

// ---- the device end against a scripted host
// -------------------------------------------------------

class RecordingListener : public DeviceListener {
 public:
  void OnPacket(const Service& service, std::vector<uint8_t> payload) override {
    packets.emplace_back(service.socket, std::move(payload));
  }
  void OnProtocolError(int16_t code) override { errors.push_back(code); }
  Outcome OnOpen(const Service& service) override {
    return service.name == refuse ? Outcome::Refused(err::DenialConnect) : Outcome::Ok();
  }
  std::vector<std::pair<uint8_t, std::vector<uint8_t>>> packets;
  std::vector<int16_t> errors;
  std::string refuse;
};

class DeviceEnd : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds_), 0);
    fcntl(fds_[1], F_SETFL, O_NONBLOCK);
    device_ = std::make_unique<DeviceConnection>(
        fds_[1], std::vector<Service>{{"CTRL", 0x02, 64, 1}, {"DATA", 0x40, 100, 2}}, listener_);
  }
  void TearDown() override {
    device_.reset();
    close(fds_[0]);
    close(fds_[1]);
  }
  // Writes the host's packet, lets the device read it, and returns what the device sent back.
  std::vector<Packet> Exchange(const std::vector<uint8_t>& bytes) {
    EXPECT_EQ(write(fds_[0], bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    EXPECT_TRUE(device_->OnReadable());
    EXPECT_TRUE(device_->Flush());
    std::vector<Packet> out;
    Parser parser;
    while (ReadSome(fds_[0], parser, Clock::now()) == Io::kOk) {
    }
    for (Parser::Result r = parser.Next(); r.state == Parser::State::kPacket; r = parser.Next()) {
      out.push_back(r.packet);
    }
    return out;
  }
  std::vector<Packet> Request(const std::vector<uint8_t>& transaction) {
    return Exchange(Bytes(Packet{0, 0, 0, 0, transaction}));
  }
  void Open(uint8_t socket) {
    std::vector<Packet> reply = Request(tx::OpenChannel(tx::OpenParams{socket, 1000, 1000, 0}));
    ASSERT_EQ(reply.size(), 1u);
    ASSERT_TRUE(tx::ParseReply(tx::kOpenChannel, reply[0].payload, nullptr).ok());
  }

  int fds_[2];
  RecordingListener listener_;
  std::unique_ptr<DeviceConnection> device_;
};

TEST_F(DeviceEnd, AnswersTheTransactionChannel) {
  std::vector<uint8_t> fields;
  std::vector<Packet> r = Request(tx::Init(kRevision));
  ASSERT_EQ(r.size(), 1u);
  EXPECT_TRUE(tx::ParseReply(tx::kInit, r[0].payload, &fields).ok());
  EXPECT_EQ(fields, std::vector<uint8_t>{kRevision});

  r = Request(tx::Init(0x01));
  EXPECT_EQ(tx::ParseReply(tx::kInit, r[0].payload, nullptr).error, err::RevisionInvalid);

  r = Request(tx::GetSocketId("DATA"));
  EXPECT_TRUE(tx::ParseReply(tx::kGetSocketId, r[0].payload, &fields).ok());
  EXPECT_EQ(fields, std::vector<uint8_t>{0x40});
  r = Request(tx::GetSocketId("NONE"));
  EXPECT_EQ(tx::ParseReply(tx::kGetSocketId, r[0].payload, nullptr).error, err::UnknownChannel);

  r = Request(tx::OpenChannel(tx::OpenParams{0x40, 1000, 50, 9}));
  ASSERT_TRUE(tx::ParseReply(tx::kOpenChannel, r[0].payload, &fields).ok());
  std::optional<tx::OpenParams> granted = tx::ParseOpenParams(fields.data(), fields.size());
  ASSERT_TRUE(granted);
  EXPECT_EQ(granted->maxPayloadToDevice, 100);  // lowered to the service's size
  EXPECT_EQ(granted->maxPayloadToHost, 50);
  EXPECT_EQ(granted->credit, 2);
  r = Request(tx::OpenChannel(tx::OpenParams{0x40, 1000, 50, 9}));
  EXPECT_EQ(tx::ParseReply(tx::kOpenChannel, r[0].payload, nullptr).error, err::AlreadyOpened);

  listener_.refuse = "CTRL";
  r = Request(tx::OpenChannel(tx::OpenParams{0x02, 64, 64, 1}));
  EXPECT_EQ(tx::ParseReply(tx::kOpenChannel, r[0].payload, nullptr).error, err::DenialConnect);

  r = Request(tx::CloseChannel(0x02));
  EXPECT_EQ(tx::ParseReply(tx::kCloseChannel, r[0].payload, nullptr).error, err::ChannelNotOpened);
  r = Request({0x55});
  EXPECT_EQ(tx::ParseReply(0x55, r[0].payload, nullptr).error, err::InvalidParameter);
}

TEST_F(DeviceEnd, RefusesWhatAHostMustNotSend) {
  Open(0x40);
  std::vector<uint8_t> badCrc = Bytes(Packet{0x40, 0x40, 0, 0, {1}});
  badCrc.back() ^= 0xFF;
  struct Case {
    const char* name;
    std::vector<uint8_t> bytes;
    int16_t code;
  };
  const Case cases[] = {
      {"unknown socket", Bytes(Packet{0x33, 0x33, 0, 0, {1}}), err::UnknownChannel},
      {"sockets do not pair", Bytes(Packet{0x02, 0x40, 0, 0, {1}}), err::UnknownChannel},
      {"channel not opened", Bytes(Packet{0x02, 0x02, 0, 0, {1}}), err::ErrPacketChannelNotOpened},
      {"payload too large", Bytes(Packet{0x40, 0x40, 0, 0, std::vector<uint8_t>(101)}),
       err::PacketSizeInvalid},
      {"credit overflow", Bytes(Packet{0x40, 0x40, 3, 0, {}}), err::ErrPacketCreditOverflow},
      {"empty transaction", Bytes(Packet{0, 0, 0, 0, {}}), err::PacketSizeIsNull},
      {"broken frame", badCrc, err::ErrPacketLengthInvalid},
  };
  for (const Case& c : cases) {
    listener_.errors.clear();
    std::vector<Packet> r = Exchange(c.bytes);
    ASSERT_EQ(r.size(), 1u) << c.name;
    // A broken frame's sockets cannot be trusted; the report names the transaction channel.
    const bool framing = c.code == err::ErrPacketLengthInvalid;
    EXPECT_EQ(r[0].payload, tx::Error(framing ? 0 : c.bytes[0], framing ? 0 : c.bytes[1], c.code))
        << c.name;
    EXPECT_EQ(listener_.errors, std::vector<int16_t>{c.code}) << c.name;
  }
  EXPECT_TRUE(listener_.packets.empty());

  // Two packets of credit, then a third without.
  Exchange(Bytes(Packet{0x40, 0x40, 0, 0, {1}}));
  Exchange(Bytes(Packet{0x40, 0x40, 0, 0, {2}}));
  std::vector<Packet> r = Exchange(Bytes(Packet{0x40, 0x40, 0, 0, {3}}));
  ASSERT_EQ(r.size(), 1u);
  EXPECT_EQ(r[0].payload, tx::Error(0x40, 0x40, err::ErrPacketHasNoCredit));
  ASSERT_EQ(listener_.packets.size(), 2u);
  device_->GrantCredit(0x40, 1);
  Exchange(Bytes(Packet{0x40, 0x40, 0, 0, {4}}));
  EXPECT_EQ(listener_.packets.size(), 3u);
}

TEST_F(DeviceEnd, RepliesWaitForTheHostsCredit) {
  Open(0x40);
  device_->Send(0x40, {9}, 0);
  ASSERT_TRUE(device_->Flush());
  EXPECT_FALSE(device_->WantsWrite());  // nothing went out without credit
  std::vector<Packet> r = Exchange(Bytes(Packet{0x40, 0x40, 1, 0, {}}));
  ASSERT_EQ(r.size(), 1u);
  EXPECT_EQ(r[0].payload, std::vector<uint8_t>{9});
}

// A host that never grants credit may let only so many replies wait: then the connection is over.
TEST_F(DeviceEnd, RepliesWaitingForCreditAreBounded) {
  Open(0x40);
  for (std::size_t i = 0; i < DeviceConnection::kMaxWaiting; ++i) device_->Send(0x40, {9}, 0);
  EXPECT_TRUE(device_->Flush());
  EXPECT_FALSE(device_->Overflowed());
  device_->Send(0x40, {9}, 0);
  EXPECT_TRUE(device_->Overflowed());
  EXPECT_FALSE(device_->Flush());
}

TEST_F(DeviceEnd, CorruptedPacketFailsItsCheck) {
  Open(0x40);
  device_->CorruptNextPacket();
  std::vector<Packet> r = Exchange(Bytes(Packet{0x40, 0x40, 1, 0, {}}));
  EXPECT_TRUE(r.empty());
  device_->Send(0x40, {1, 2, 3}, 0);
  ASSERT_TRUE(device_->Flush());
  Parser parser;
  ASSERT_EQ(ReadSome(fds_[0], parser, Clock::now() + kLong), Io::kOk);
  EXPECT_EQ(parser.Next().error, err::ErrPacketLengthInvalid);
}

// The host's wait without a poll: the receive itself waits, bounded by the deadline; bytes that
// come are read; a socket that does not block is polled instead, never spun on.
TEST(ReceiveSome, WaitsInTheReceiveUntilTheDeadlineAndReadsWhatComes) {
  int fds[2];
  ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds), 0);
  Parser parser;
  int armed = 0;
  const auto start = Clock::now();
  EXPECT_EQ(ReceiveSome(fds[0], parser, start + std::chrono::milliseconds(60), &armed),
            Io::kTimeout);
  const auto waited = Clock::now() - start;
  EXPECT_GE(waited, std::chrono::milliseconds(55));
  EXPECT_LT(waited, std::chrono::milliseconds(1000));
  EXPECT_GT(armed, 0);
  // A later wait with more time left keeps the time-out as it is unless it is far too short.
  const std::vector<uint8_t> packet = Bytes(Packet{0x40, 0x40, 0, 0, {1, 2}});
  ASSERT_EQ(write(fds[1], packet.data(), packet.size()), static_cast<ssize_t>(packet.size()));
  EXPECT_EQ(ReceiveSome(fds[0], parser, Clock::now() + std::chrono::milliseconds(60), &armed),
            Io::kOk);
  EXPECT_EQ(parser.Next().state, Parser::State::kPacket);
  // No time left: a look without waiting.
  EXPECT_EQ(ReceiveSome(fds[0], parser, Clock::now(), &armed), Io::kTimeout);
  close(fds[1]);
  EXPECT_EQ(ReceiveSome(fds[0], parser, Clock::now() + std::chrono::milliseconds(60), &armed),
            Io::kClosed);
  close(fds[0]);

  ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0, fds), 0);
  int unarmed = 0;
  const auto again = Clock::now();
  EXPECT_EQ(ReceiveSome(fds[0], parser, again + std::chrono::milliseconds(30), &unarmed),
            Io::kTimeout);
  EXPECT_GE(Clock::now() - again, std::chrono::milliseconds(25));
  EXPECT_EQ(unarmed, -1);
  close(fds[0]);
  close(fds[1]);
}

}  // namespace
}  // namespace d4
