// What the packet library offers beyond the maker's contract: the control channel's one call,
// on which the mechanism library builds its commands. The program never includes this header.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace quorla::link {

// One request on the control channel and its reply: `data` receives the reply's data, which must
// be `expected` bytes long, else the call fails with 8192 and `lengthError`. Returns the result
// the library functions return (8192 also sets GetD4ErrorCode()).
int16_t ControlCall(uint8_t command, const std::vector<uint8_t>& args, std::vector<uint8_t>* data,
                    std::size_t expected, int16_t lengthError);
// Refuses a call without sending anything: GetD4ErrorCode() gives `code`; returns 8192.
int16_t RefuseCall(int16_t code);

}  // namespace quorla::link
