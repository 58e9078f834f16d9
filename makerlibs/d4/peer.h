// Who is at the other end of a Unix socket, and whether a socket directory is private: the checks
// that keep the program and the virtual printer talking only to their own user. Both ends use
// them: the port library on every socket it connects to, the printer on every client it accepts.
#pragma once

#include <sys/types.h>

#include <filesystem>
#include <functional>
#include <optional>
#include <string>

namespace d4 {

// The user id of the process at the other end of a connected Unix socket (SO_PEERCRED), or
// nullopt when the kernel cannot tell (not a Unix socket, already closed).
std::optional<uid_t> PeerUid(int fd);

// A peer may be this process's own user or root; nobody else.
enum class PeerCheck { kAccepted, kOtherUser, kUnknown };
struct PeerVerdict {
  PeerCheck check = PeerCheck::kUnknown;
  uid_t uid = 0;  // the peer's user when known
  bool accepted() const { return check == PeerCheck::kAccepted; }
  // Why a peer was refused, for an error output ("" when accepted).
  std::string Reason() const;
};
PeerVerdict CheckPeer(int fd);

// The seam of the peer query, for tests that need an impostor without a second user: the query
// replaces PeerUid() in CheckPeer() until it is reset with an empty function. Returns the one it
// replaced.
using PeerUidQuery = std::function<std::optional<uid_t>(int fd)>;
PeerUidQuery SetPeerUidQuery(PeerUidQuery query);

// A directory that holds a socket where other users can reach the parent (/tmp): it must be a
// real directory (not a link), owned by this process's user, with no access for group or others.
// With `create` a missing directory is made with mode 0700 first. False with a reason otherwise.
bool PrivateDirectory(const std::filesystem::path& dir, bool create, std::string* error);

}  // namespace d4
