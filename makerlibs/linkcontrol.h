// What the libraries offer beyond the maker's contract, for tests, benchmarks and tools. The
// program itself never includes this header: it sees only link/*.h.
//
//   libpktlink:  ControlCall (used by libmechcmd)
//   libporthub:  SetTimeoutMs / TimeoutMs (the port's connect waits it too), the open port, and
//                the embedded virtual printer: its options before it starts, starting and
//                stopping it, and its device for inspection and fault injection
#pragma once

#include <cstdint>
#include <vector>

#include "vprinter/device.h"

namespace quorla::link {

// ---- libporthub (the link time-out)
// ---------------------------------------------------------------------

// How long a call waits for the connect, for credit or for a reply before it gives up (default
// 5000 ms).
void SetTimeoutMs(int ms);
int TimeoutMs();
inline constexpr int kDefaultTimeoutMs = 5000;

// ---- libpktlink
// -----------------------------------------------------------------------------------

// One request on the control channel and its reply: `data` receives the reply's data, which must
// be `expected` bytes long, else the call fails with 8192 and `lengthError`. Returns the result
// the library functions return (8192 also sets GetD4ErrorCode()).
int16_t ControlCall(uint8_t command, const std::vector<uint8_t>& args, std::vector<uint8_t>* data,
                    std::size_t expected, int16_t lengthError);
// Refuses a call without sending anything: GetD4ErrorCode() gives `code`; returns 8192.
int16_t RefuseCall(int16_t code);

// ---- libporthub
// -----------------------------------------------------------------------------------

// The open port's descriptor (-1: none), and a number that changes with every port opened.
int PortFd();
uint64_t PortGeneration();

// Options for the embedded printer's next start (replacing the defaults of
// vprinter::DefaultDeviceOptions()); ResetEmbeddedPrinterOptions() returns to the defaults.
void SetEmbeddedPrinterOptions(const vprinter::DeviceOptions& options);
void ResetEmbeddedPrinterOptions();
// Starts the embedded printer now if it is not running and returns its device. A printer started
// this way keeps running across FreeLibraryByPHub(), so a test's device stays valid; it stops
// with StopEmbeddedPrinter() or at process end.
vprinter::Device& StartEmbeddedPrinter();
// The running embedded printer's device, or nullptr.
vprinter::Device* EmbeddedDevice();
// Stops the embedded printer (closing the port first when it is connected to it) and saves its
// state. The next port search that needs it starts a new one.
void StopEmbeddedPrinter();

}  // namespace quorla::link
