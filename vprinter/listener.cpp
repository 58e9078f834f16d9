#include "vprinter/listener.h"

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "vprinter/server.h"

namespace vprinter {

SocketListener::~SocketListener() {
  if (fd_ >= 0) close(fd_);
}

bool SocketListener::Open(const std::string& path, std::string* error) {
  auto fail = [&](const std::string& why) {
    if (error != nullptr) *error = why;
    return false;
  };
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  if (path.empty() || path.size() >= sizeof address.sun_path) {
    return fail("socket path too long: " + path);
  }
  std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
  const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  if (fd < 0) return fail(std::string("cannot create a socket: ") + std::strerror(errno));
  // A socket file left by a printer that died (or by this one while it was switched off) is
  // taken over; a live printer is not.
  struct stat st {};
  if (lstat(path.c_str(), &st) == 0 && S_ISSOCK(st.st_mode)) {
    // Non-blocking: a live printer whose backlog is full (stopped, say) answers EAGAIN at once
    // instead of keeping this start waiting for ever.
    const int probe = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    const bool live =
        probe >= 0 && (connect(probe, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 ||
                       errno == EAGAIN);
    if (probe >= 0) close(probe);
    if (live) {
      close(fd);
      return fail("a printer already listens on " + path);
    }
    unlink(path.c_str());
  }
  const mode_t old = umask(077);
  const int bound = bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
  umask(old);
  if (bound != 0 || chmod(path.c_str(), 0600) != 0 || listen(fd, 8) != 0) {
    const std::string why = "cannot listen on " + path + ": " + std::strerror(errno);
    close(fd);
    return fail(why);
  }
  if (fd_ >= 0) close(fd_);
  fd_ = fd;
  path_ = path;
  listening_.store(true);
  return true;
}

void SocketListener::Attach(Server& server) {
  server.SetListenSocket(fd_);
  server.OnPowerChange([this, &server](bool on) {
    if (!on) {
      server.SetListenSocket(-1);
      Close(false);
      return;
    }
    std::string error;
    if (!Open(path_, &error)) {
      std::fprintf(stderr, "quorla-vprinter: switched on but %s\n", error.c_str());
    }
    server.SetListenSocket(fd_);
  });
}

void SocketListener::Close(bool removeFile) {
  if (fd_ >= 0) close(fd_);
  fd_ = -1;
  listening_.store(false);
  if (removeFile && !path_.empty()) unlink(path_.c_str());
}

}  // namespace vprinter
