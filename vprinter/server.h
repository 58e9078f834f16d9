// The device side of the link: one thread that polls the listening socket (standalone), the
// connections, a wake-up descriptor and any extra descriptors, feeds the protocol engine and the
// device model, and sleeps exactly until the device has work due (after a short look for a
// client's next request, see SetSpinWait).
#pragma once

#include <poll.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

#include "vprinter/device.h"

namespace vprinter {

class Server {
 public:
  using Clock = std::chrono::steady_clock;
  // A client connected but silent this long is dropped: it holds a descriptor and a slot for
  // nothing. Generous, as a program may keep its port open between a technician's steps.
  static constexpr std::chrono::minutes kDefaultIdleLimit{60};
  // After accept fails for want of descriptors or memory, the listening socket rests this long
  // (it stays readable, and polling it again at once would spin the loop).
  static constexpr std::chrono::milliseconds kAcceptBackoff{250};

  explicit Server(Device& device);
  ~Server();
  Server(const Server&) = delete;
  Server& operator=(const Server&) = delete;

  // Before Run(): accept connections on this listening socket (owned by the caller).
  void SetListenSocket(int fd) { listenFd_ = fd; }
  // Before Run(): call back when fd is readable (e.g. the standalone's command input); the
  // callback returns false to stop watching.
  void Watch(int fd, std::function<bool()> onReadable);
  // Before Run(): called on the loop's thread when the device is switched off or on (after the
  // connections of a switched-off printer are closed), to stop or resume listening.
  void OnPowerChange(std::function<void(bool on)> callback) { onPower_ = std::move(callback); }
  // Before Run(): the clock the idle limit and the accept back-off go by (tests move it).
  void SetClock(std::function<Clock::time_point()> now) { now_ = std::move(now); }
  // Before Run(): tests stand in for accept4 on the listening socket (a returned -1 with errno).
  void SetAccept(std::function<int(int listenFd)> accept) { accept_ = std::move(accept); }
  // Zero: no limit.
  void SetIdleLimit(Clock::duration limit) { idleLimit_ = limit; }
  // Before Run(): after a round in which it answered a control request, the loop keeps looking
  // for the next one this long before it sleeps. A program reading the EEPROM cell by cell sends
  // its next request within microseconds, and waking a sleeping process costs more than the
  // whole exchange. Print data is not waited for so: the printer's own work on it (the sheet
  // writer) needs the processor more. Zero: sleep at once.
  void SetSpinWait(std::chrono::microseconds wait) { spinWait_ = wait; }
  // 50 us with two processors or more; zero on one, where looking would keep the client from
  // running.
  static std::chrono::microseconds DefaultSpinWait();
  // A spin wait as typed (whole microseconds, 0 to kMaxSpinWait); nothing for anything else.
  static std::optional<std::chrono::microseconds> ParseSpinWait(const char* text);
  // Longer looks only burn the processor: a program's next request comes within microseconds or
  // after a pause of its own.
  static constexpr std::chrono::microseconds kMaxSpinWait{10000};
  // Hands a connected socket to the loop, which owns it from now on. Any thread.
  void AddConnection(int fd);
  // Runs until Stop(); then closes every connection.
  void Run();
  // Any thread, also a signal handler.
  void Stop();
  void Wake();

 private:
  class Connection;
  void CloseConnection(int id);
  void ApplyDeviceRequests();
  void Accept(Clock::time_point now);
  // Drops the clients silent past the limit; returns the time the next one would be.
  std::optional<Clock::time_point> DropIdle(Clock::time_point now);
  // poll() of fds without sleeping, again and again until one is ready or spinWait_ has passed
  // (or `due`, when the loop has something to do by then).
  int SpinPoll(std::vector<pollfd>& fds, std::optional<std::chrono::nanoseconds> due);

  Device& device_;
  int wakeFd_ = -1;
  int listenFd_ = -1;
  std::atomic<bool> stop_{false};
  std::vector<std::pair<int, std::function<bool()>>> watches_;
  std::mutex pendingMutex_;
  std::vector<int> pending_;
  std::map<int, std::unique_ptr<Connection>> connections_;
  int nextId_ = 1;
  std::function<void(bool)> onPower_;
  bool powered_ = true;
  std::function<Clock::time_point()> now_ = [] { return Clock::now(); };
  Clock::duration idleLimit_ = kDefaultIdleLimit;
  std::chrono::microseconds spinWait_ = DefaultSpinWait();
  std::function<int(int)> accept_;
  Clock::time_point acceptResumes_{};
  bool acceptFailing_ = false;
};

}  // namespace vprinter
