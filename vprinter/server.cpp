#include "vprinter/server.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <utility>

#include "makerlibs/d4/commands.h"
#include "makerlibs/d4/device.h"
#include "makerlibs/d4/peer.h"

namespace vprinter {

namespace {
std::vector<d4::Service> Services() {
  return {
      {d4::cmd::kControlService, d4::cmd::kControlSocket, d4::cmd::kControlMaxPayload,
       d4::cmd::kControlCredit},
      {d4::cmd::kDataService, d4::cmd::kDataSocket, d4::cmd::kDataMaxPayload, d4::cmd::kDataCredit},
  };
}

void SetNonBlocking(int fd) {
  const int flags = fcntl(fd, F_GETFL, 0);
  if (flags >= 0) fcntl(fd, F_SETFL, flags | O_NONBLOCK);
}

// A client of another user is closed before it can say anything: the printer's EEPROM and
// counters are the technician's, not everyone's who can reach the socket.
bool AcceptedPeer(int fd) {
  const d4::PeerVerdict peer = d4::CheckPeer(fd);
  if (peer.accepted()) return true;
  std::fprintf(stderr, "quorla-vprinter: refused a client: %s\n", peer.Reason().c_str());
  close(fd);
  return false;
}
}  // namespace

class Server::Connection : public d4::DeviceListener {
 public:
  Connection(Device& device, int id, int fd)
      : device_(device), id_(id), fd_(fd), link_(fd, Services(), *this) {}
  ~Connection() override { close(fd_); }

  d4::DeviceConnection& link() { return link_; }
  int fd() const { return fd_; }
  // When the client last sent anything.
  Server::Clock::time_point heard;
  bool dropNow() const { return dropNow_; }
  // Whether a control request was answered since the last call.
  bool TakeAnsweredControl() { return std::exchange(answeredControl_, false); }

  d4::Outcome OnInit() override {
    dataSeq_ = 0;
    return device_.Negotiate(id_, &dropNow_);
  }
  d4::Outcome OnOpen(const d4::Service& service) override {
    if (service.socket == d4::cmd::kDataSocket) dataSeq_ = 0;
    return device_.OpenChannel(service.name);
  }
  d4::Outcome OnExit() override { return device_.Terminate(id_, &dropNow_); }
  void OnProtocolError(int16_t code) override { device_.ProtocolError(id_, code); }

  void OnPacket(const d4::Service& service, std::vector<uint8_t> payload) override {
    if (dropNow_) return;
    if (service.socket == d4::cmd::kControlSocket) {
      Device::Answer answer = device_.Control(id_, payload);
      if (answer.drop) {
        dropNow_ = true;
        return;
      }
      link_.Send(service.socket, std::move(answer.reply), 1);
      answeredControl_ = true;
    } else {
      Device::Answer answer = device_.Data(id_, dataSeq_++, payload);
      if (answer.drop) {
        dropNow_ = true;
        return;
      }
      link_.Send(service.socket, std::move(answer.reply), 0);
    }
  }

 private:
  Device& device_;
  int id_;
  int fd_;
  d4::DeviceConnection link_;
  uint8_t dataSeq_ = 0;
  bool dropNow_ = false;
  bool answeredControl_ = false;
};

Server::Server(Device& device) : device_(device) {
  wakeFd_ = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
  device_.SetWaker([this] { Wake(); });
}

Server::~Server() {
  device_.SetWaker(nullptr);
  connections_.clear();
  std::lock_guard lock(pendingMutex_);
  for (int fd : pending_) close(fd);
  if (wakeFd_ >= 0) close(wakeFd_);
}

void Server::Watch(int fd, std::function<bool()> onReadable) {
  watches_.emplace_back(fd, std::move(onReadable));
}

void Server::AddConnection(int fd) {
  {
    std::lock_guard lock(pendingMutex_);
    pending_.push_back(fd);
  }
  Wake();
}

void Server::Wake() {
  const uint64_t one = 1;
  ssize_t ignored = write(wakeFd_, &one, sizeof one);
  (void)ignored;
}

void Server::Stop() {
  stop_.store(true);
  Wake();
}

std::chrono::microseconds Server::DefaultSpinWait() {
  return sysconf(_SC_NPROCESSORS_ONLN) >= 2 ? std::chrono::microseconds(50)
                                            : std::chrono::microseconds(0);
}

std::optional<std::chrono::microseconds> Server::ParseSpinWait(const char* text) {
  if (text == nullptr) return std::nullopt;
  char* end = nullptr;
  errno = 0;
  const long long us = std::strtoll(text, &end, 10);
  if (end == text || *end != '\0' || errno != 0 || us < 0 || us > kMaxSpinWait.count()) {
    return std::nullopt;
  }
  return std::chrono::microseconds(us);
}

int Server::SpinPoll(std::vector<pollfd>& fds, std::optional<std::chrono::nanoseconds> due) {
  // Real time, not the loop's clock: this bounds the processor time spent, and a test's clock
  // may stand still. Work due sooner ends the look.
  const auto look = due ? std::min<std::chrono::nanoseconds>(spinWait_, *due)
                        : std::chrono::nanoseconds(spinWait_);
  const auto until = std::chrono::steady_clock::now() + look;
  int ready;
  do {
    ready = poll(fds.data(), fds.size(), 0);
  } while (ready == 0 && std::chrono::steady_clock::now() < until);
  return ready;
}

void Server::CloseConnection(int id) {
  if (connections_.erase(id) > 0) device_.Disconnected(id);
}

void Server::ApplyDeviceRequests() {
  if (device_.TakeDropRequest()) {
    while (!connections_.empty()) CloseConnection(connections_.begin()->first);
  }
  if (device_.TakeCorruptRequest()) {
    for (auto& [id, c] : connections_) c->link().CorruptNextPacket();
  }
  const bool powered = device_.PoweredOn();
  if (powered != powered_) {
    powered_ = powered;
    if (onPower_) onPower_(powered);
  }
}

void Server::Accept(Clock::time_point now) {
  const int fd = accept_ ? accept_(listenFd_)
                         : accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
  if (fd < 0) {
    if (errno == EMFILE || errno == ENFILE || errno == ENOBUFS || errno == ENOMEM) {
      // The client stays in the backlog; the connections already open are served meanwhile.
      acceptResumes_ = now + kAcceptBackoff;
      if (!acceptFailing_) {
        std::fprintf(stderr, "quorla-vprinter: cannot accept a client: %s; trying again\n",
                     std::strerror(errno));
      }
      acceptFailing_ = true;
    }
    return;
  }
  acceptFailing_ = false;
  if (!AcceptedPeer(fd)) return;
  const int id = nextId_++;
  connections_[id] = std::make_unique<Connection>(device_, id, fd);
  connections_[id]->heard = now;
  device_.Connected(id);
}

std::optional<Server::Clock::time_point> Server::DropIdle(Clock::time_point now) {
  std::optional<Clock::time_point> next;
  if (idleLimit_ <= Clock::duration::zero()) return next;
  for (auto it = connections_.begin(); it != connections_.end();) {
    const int id = it->first;
    const Clock::time_point until = it->second->heard + idleLimit_;
    ++it;
    if (now >= until) {
      std::fprintf(stderr, "quorla-vprinter: dropped a client silent for %lld s\n",
                   static_cast<long long>(
                       std::chrono::duration_cast<std::chrono::seconds>(idleLimit_).count()));
      CloseConnection(id);
    } else if (!next || until < *next) {
      next = until;
    }
  }
  return next;
}

void Server::Run() {
  std::vector<pollfd> fds;
  std::vector<int> ids;
  bool answeredControl = false;
  while (!stop_.load()) {
    {
      std::vector<int> fresh;
      {
        std::lock_guard lock(pendingMutex_);
        fresh.swap(pending_);
      }
      for (int fd : fresh) {
        SetNonBlocking(fd);
        const int id = nextId_++;
        connections_[id] = std::make_unique<Connection>(device_, id, fd);
        connections_[id]->heard = now_();
        device_.Connected(id);
      }
    }
    const std::optional<Clock::time_point> nextIdle = DropIdle(now_());
    ApplyDeviceRequests();
    const std::optional<std::chrono::nanoseconds> due = device_.Advance();
    for (const auto& [id, credits] : device_.TakeCreditReturns()) {
      auto it = connections_.find(id);
      if (it == connections_.end()) continue;
      for (int left = credits; left > 0; left -= 255) {
        it->second->link().GrantCredit(d4::cmd::kDataSocket,
                                       static_cast<uint8_t>(left > 255 ? 255 : left));
      }
    }
    device_.SaveIfDirty();
    for (auto it = connections_.begin(); it != connections_.end();) {
      const int id = it->first;
      ++it;
      if (!connections_[id]->link().Flush()) CloseConnection(id);
    }

    const bool answering = device_.Answering();
    fds.clear();
    ids.clear();
    fds.push_back({wakeFd_, POLLIN, 0});
    ids.push_back(0);
    const Clock::time_point now = now_();
    const bool accepting = listenFd_ >= 0 && now >= acceptResumes_;
    if (accepting) {
      fds.push_back({listenFd_, POLLIN, 0});
      ids.push_back(-1);
    }
    for (std::size_t w = 0; w < watches_.size(); ++w) {
      fds.push_back({watches_[w].first, POLLIN, 0});
      ids.push_back(-2 - static_cast<int>(w));
    }
    for (auto& [id, c] : connections_) {
      short events = answering ? POLLIN : 0;
      if (c->link().WantsWrite()) events |= POLLOUT;
      fds.push_back({c->fd(), events, 0});
      ids.push_back(id);
    }
    std::optional<std::chrono::nanoseconds> wait = due;
    auto waitUntil = [&](Clock::time_point when) {
      const auto left = std::chrono::duration_cast<std::chrono::nanoseconds>(when - now);
      wait = wait ? std::min(*wait, left) : left;
    };
    if (nextIdle) waitUntil(*nextIdle);
    if (listenFd_ >= 0 && !accepting) waitUntil(acceptResumes_);
    int timeout = -1;
    if (wait) {
      const long long ms = wait->count() <= 0 ? 0 : (wait->count() + 999999) / 1000000;
      timeout = ms > 60000 ? 60000 : static_cast<int>(ms);
    }
    int ready = 0;
    if (answeredControl && timeout != 0 && spinWait_.count() > 0) ready = SpinPoll(fds, wait);
    if (ready == 0) ready = poll(fds.data(), fds.size(), timeout);
    answeredControl = false;
    if (ready < 0) {
      if (errno == EINTR) continue;
      break;
    }
    // A fault armed before a request was sent applies to that request.
    ApplyDeviceRequests();
    const bool reading = device_.Answering();
    for (std::size_t i = 0; i < fds.size(); ++i) {
      if (fds[i].revents == 0) continue;
      const int id = ids[i];
      if (id == 0) {
        uint64_t count;
        ssize_t ignored = read(wakeFd_, &count, sizeof count);
        (void)ignored;
      } else if (id == -1) {
        Accept(now_());
      } else if (id <= -2) {
        const std::size_t w = static_cast<std::size_t>(-2 - id);
        if (w < watches_.size() && !watches_[w].second()) {
          watches_.erase(watches_.begin() + static_cast<std::ptrdiff_t>(w));
          break;  // indices moved; poll again
        }
      } else {
        auto it = connections_.find(id);
        if (it == connections_.end()) continue;
        Connection& c = *it->second;
        bool alive = true;
        if (fds[i].revents & POLLIN) c.heard = now_();
        if (fds[i].revents & (POLLIN | POLLHUP | POLLERR)) {
          if (reading) {
            alive = c.link().OnReadable();
            if (c.TakeAnsweredControl()) answeredControl = true;
          } else if (fds[i].revents & (POLLHUP | POLLERR)) {
            alive = false;
          }
        }
        if (alive && c.dropNow()) alive = false;
        if (alive && (fds[i].revents & POLLOUT)) alive = c.link().Flush();
        if (!alive) CloseConnection(id);
      }
    }
  }
  while (!connections_.empty()) CloseConnection(connections_.begin()->first);
  device_.SaveIfDirty();
}

}  // namespace vprinter
