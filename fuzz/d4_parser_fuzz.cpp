// The packet parser both ends share, fed a hostile byte stream in random pieces: it must never read
// past what it was given, and every packet it hands out must encode back to a frame that parses
// to the same packet. The transaction replies' and channel parameters' parsers get each payload.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdlib>
#include <vector>

#include "makerlibs/d4/d4.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

void Inspect(const d4::Packet& packet) {
  std::vector<uint8_t> frame;
  d4::Encode(packet, frame);
  d4::Parser again;
  again.Feed(frame.data(), frame.size());
  const d4::Parser::Result r = again.Next();
  Check(r.state == d4::Parser::State::kPacket);
  Check(r.packet.src == packet.src && r.packet.dst == packet.dst &&
        r.packet.credit == packet.credit && r.packet.flags == packet.flags &&
        r.packet.payload == packet.payload);

  if (!packet.payload.empty()) {
    std::vector<uint8_t> fields;
    const d4::Outcome outcome =
        d4::tx::ParseReply(packet.payload[0] & 0x7F, packet.payload, &fields);
    // A reply's result is the contract's or packet error 133, never anything else.
    Check(d4::ResultFromPrinterAllowed(outcome.result));
    d4::tx::ParseOpenParams(packet.payload.data() + 1, packet.payload.size() - 1);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider in(data, size);
  const std::size_t limit =
      in.ConsumeBool() ? d4::kMaxPacket
                       : in.ConsumeIntegralInRange<std::size_t>(d4::kOverhead, d4::kMaxPacket);
  d4::Parser parser(limit);
  while (in.remaining_bytes() > 0) {
    const std::size_t piece = in.ConsumeIntegralInRange<std::size_t>(1, 300);
    const std::vector<uint8_t> bytes = in.ConsumeBytes<uint8_t>(piece);
    parser.Feed(bytes.data(), bytes.size());
    for (;;) {
      d4::Parser::Result r = parser.Next();
      if (r.state == d4::Parser::State::kNeedMore) break;
      if (r.state == d4::Parser::State::kError) {
        Check(r.error == d4::err::ErrPacketLengthInvalid ||
              r.error == d4::err::ErrPacketSizeInvalid);
        Check(parser.Buffered() == 0);
        continue;
      }
      Check(r.packet.payload.size() + d4::kOverhead <= limit);
      Inspect(r.packet);
    }
    Check(parser.Buffered() < limit + 300);
  }
  return 0;
}
