// The printer's protocol service, as far as it is syntax: control requests checked for their form
// and their model code, the trace record of each request, the work a mechanism command becomes,
// and the replies. What a request does to the printer is the device's (device.cpp).
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "makerlibs/d4/d4.h"
#include "vprinter/ops.h"
#include "vprinter/trace.h"
#include "vprinter/workqueue.h"

namespace vprinter::service {

// A control request of the right form: command, tag, kind and its argument bytes.
struct ControlRequest {
  uint8_t command = 0;
  uint8_t tag = 0;
  Op op = Op::kStatus;
  const uint8_t* args = nullptr;  // points into the request
};

// The request, or (in `refusal`) the reply that refuses a malformed one.
std::optional<ControlRequest> ParseControl(const std::vector<uint8_t>& request,
                                           std::vector<uint8_t>* refusal);
std::vector<uint8_t> ControlReply(uint8_t command, uint8_t tag, d4::Outcome outcome,
                                  std::initializer_list<uint8_t> data = {});
// The answer to a print-data packet: its sequence number, result and packet error.
std::vector<uint8_t> DataReply(uint8_t seq, d4::Outcome outcome);
// The code a refusal shows in the trace: the packet error when there is one.
int RefusalCode(d4::Outcome outcome);

// The trace record of a request with the fields it carries (docs/vprinter.md, Trace).
TraceRecord RequestRecord(const ControlRequest& request);
// Whether the request carries the model code, and whether it is the Quorla Z40's.
bool TakesModelCode(const ControlRequest& request);
d4::Outcome CheckModel(const ControlRequest& request);

// The work a mechanism command (cleaning, motions, flushing, waiting) becomes, or its refusal for
// an unknown mode or direction.
d4::Outcome MechanismWork(const ControlRequest& request, Work* work);

}  // namespace vprinter::service
