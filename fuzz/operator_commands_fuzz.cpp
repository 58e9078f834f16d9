// The standalone printer's operator command line: any line typed at it is answered, never
// crashes it, and leaves a printer that still answers a status inquiry.
#include <cstdlib>
#include <string>

#include "fuzz/fuzz_printer.h"
#include "vprinter/commands.h"
#include "vprinter/device.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

vprinter::Device& TheDevice() {
  static vprinter::Device* device = [] { return new vprinter::Device(FuzzPrinterOptions()); }();
  return *device;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  vprinter::Device& device = TheDevice();
  const std::string input(reinterpret_cast<const char*>(data), size);
  std::size_t start = 0;
  while (start <= input.size()) {
    std::size_t end = input.find('\n', start);
    if (end == std::string::npos) end = input.size();
    const vprinter::CommandResult result =
        vprinter::RunCommand(device, input.substr(start, end - start));
    Check(result.ok || result.text.rfind("error: ", 0) == 0);
    start = end + 1;
  }
  device.CurrentStatus();
  device.ClearFaults();
  device.ClearError();
  device.SetTimeScale(0);
  return 0;
}
