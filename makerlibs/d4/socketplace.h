// Where a standalone printer listens: both ends must agree on the place, and both must trust it
// before they listen or connect there.
#pragma once

#include <filesystem>
#include <string>

namespace d4 {

// The standalone printer's socket: $XDG_RUNTIME_DIR/quorla-vprinter.sock, else
// quorla-vprinter.sock in the directory /tmp/quorla-vprinter-UID, which must be the user's own
// with mode 0700 (anyone may create names in /tmp first).
std::filesystem::path DefaultSocketPath();
// Makes sure the default socket's directory can be trusted: true at once under XDG_RUNTIME_DIR;
// for the /tmp directory true when it is the user's own with mode 0700 (with `create`, making it
// so if it is missing). False otherwise, with the reason in `error`; a missing directory without
// `create` leaves `error` empty (no printer can be listening there).
bool PrepareDefaultSocketDir(bool create, std::string* error);

}  // namespace d4
