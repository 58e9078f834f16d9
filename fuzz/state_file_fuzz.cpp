// The state-file reader: a file of any content, or one whose checksum line matches its (hostile)
// body, so that the reader's own parsing is reached. What it accepts must write back to a file
// it reads as the same state.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "vprinter/state.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

// The file's last line: "checksum " and the 64-bit FNV-1a of everything before it, in 16 hex
// digits (the format the state file documents). A fuzzer does not find a 64-bit hash by chance.
std::string Signed(const std::string& body) {
  uint64_t hash = 1469598103934665603ull;
  for (unsigned char c : body) {
    hash ^= c;
    hash *= 1099511628211ull;
  }
  char line[40];
  std::snprintf(line, sizeof line, "checksum %016llx\n", static_cast<unsigned long long>(hash));
  return body + line;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  std::string text(reinterpret_cast<const char*>(data) + 1, size - 1);
  if ((data[0] & 1) == 0) text = Signed(text);
  vprinter::PrinterState state;
  if (!vprinter::Deserialize(text, &state)) return 0;
  const std::string again = vprinter::Serialize(state);
  vprinter::PrinterState reread;
  Check(vprinter::Deserialize(again, &reread));
  Check(vprinter::Serialize(reread) == again);
  return 0;
}
