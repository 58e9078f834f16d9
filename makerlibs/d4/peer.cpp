#include "makerlibs/d4/peer.h"

#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <mutex>

namespace d4 {

namespace {
std::mutex g_queryMutex;
PeerUidQuery g_query;
}  // namespace

std::optional<uid_t> PeerUid(int fd) {
  ucred credentials{};
  socklen_t size = sizeof credentials;
  if (getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &credentials, &size) != 0 ||
      size != sizeof credentials) {
    return std::nullopt;
  }
  return credentials.uid;
}

PeerUidQuery SetPeerUidQuery(PeerUidQuery query) {
  std::lock_guard lock(g_queryMutex);
  PeerUidQuery previous = std::move(g_query);
  g_query = std::move(query);
  return previous;
}

PeerVerdict CheckPeer(int fd) {
  PeerUidQuery query;
  {
    std::lock_guard lock(g_queryMutex);
    query = g_query;
  }
  const std::optional<uid_t> uid = query ? query(fd) : PeerUid(fd);
  PeerVerdict verdict;
  if (!uid) return verdict;
  verdict.uid = *uid;
  verdict.check = (*uid == geteuid() || *uid == 0) ? PeerCheck::kAccepted : PeerCheck::kOtherUser;
  return verdict;
}

std::string PeerVerdict::Reason() const {
  switch (check) {
    case PeerCheck::kAccepted:
      return "";
    case PeerCheck::kOtherUser:
      return "the other end belongs to user " + std::to_string(uid) + ", not to user " +
             std::to_string(geteuid());
    case PeerCheck::kUnknown:
      break;
  }
  return "the user at the other end cannot be told";
}

bool PrivateDirectory(const std::filesystem::path& dir, bool create, std::string* error) {
  auto fail = [&](const std::string& why) {
    if (error != nullptr) *error = dir.string() + ": " + why;
    return false;
  };
  if (create && mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST) {
    return fail(std::string("cannot create: ") + std::strerror(errno));
  }
  struct stat st {};
  if (lstat(dir.c_str(), &st) != 0) return fail(std::strerror(errno));
  if (!S_ISDIR(st.st_mode)) return fail("not a directory");
  if (st.st_uid != geteuid()) {
    return fail("owned by user " + std::to_string(st.st_uid) + ", not by user " +
                std::to_string(geteuid()));
  }
  if ((st.st_mode & 077) != 0) {
    char mode[8];
    std::snprintf(mode, sizeof mode, "%04o", static_cast<unsigned>(st.st_mode & 07777));
    return fail(std::string("mode ") + mode + " lets other users in (0700 wanted)");
  }
  return true;
}

}  // namespace d4
