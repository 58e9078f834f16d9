#include "makerlibs/d4/socketplace.h"

#include <unistd.h>

#include <cstdlib>
#include <system_error>

#include "makerlibs/d4/peer.h"

namespace d4 {

namespace {
constexpr char kSocketName[] = "quorla-vprinter.sock";

std::filesystem::path RuntimeDir() {
  const char* value = std::getenv("XDG_RUNTIME_DIR");
  return value != nullptr && *value != '\0' ? std::filesystem::path(value)
                                            : std::filesystem::path();
}

// The private directory of the default socket, or empty under XDG_RUNTIME_DIR (which is the
// user's own by definition).
std::filesystem::path FallbackSocketDir() {
  if (!RuntimeDir().empty()) return {};
  return std::filesystem::temp_directory_path() / ("quorla-vprinter-" + std::to_string(geteuid()));
}
}  // namespace

std::filesystem::path DefaultSocketPath() {
  const std::filesystem::path runtime = RuntimeDir();
  if (!runtime.empty()) return runtime / kSocketName;
  return FallbackSocketDir() / kSocketName;
}

bool PrepareDefaultSocketDir(bool create, std::string* error) {
  if (error != nullptr) error->clear();
  const std::filesystem::path dir = FallbackSocketDir();
  if (dir.empty()) return true;
  std::error_code ec;
  if (!create && !std::filesystem::exists(std::filesystem::symlink_status(dir, ec))) return false;
  return PrivateDirectory(dir, create, error);
}

}  // namespace d4
