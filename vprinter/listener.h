// The standalone printer's listening socket. It follows the power switch: while the printer is
// switched off the socket is closed but its file stays, so a client's connect is refused (a
// printer is there but does not answer) rather than finding no printer at all; switched on, the
// printer listens at the same place again.
#pragma once

#include <atomic>
#include <string>

namespace vprinter {

class Server;

class SocketListener {
 public:
  SocketListener() = default;
  // Closes the socket (the file stays; see Close()).
  ~SocketListener();
  SocketListener(const SocketListener&) = delete;
  SocketListener& operator=(const SocketListener&) = delete;

  // Listens on a Unix socket at path, mode 0600. A socket file left by a printer that died is
  // taken over; a live printer's is not. False and a reason when it cannot listen.
  bool Open(const std::string& path, std::string* error);
  // Hands the socket to the server and closes or reopens it as the printer is switched off or on
  // (on the server's thread). Call before the server runs.
  void Attach(Server& server);
  // Stops listening; removeFile also deletes the socket file (the printer's end).
  void Close(bool removeFile);

  int fd() const { return fd_; }
  // Whether it listens now; any thread (a test waits for the printer's thread to catch up).
  bool Listening() const { return listening_.load(); }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
  int fd_ = -1;
  std::atomic<bool> listening_{false};
};

}  // namespace vprinter
