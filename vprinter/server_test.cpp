// The printer's side of trust: a client of another user is closed before the printer hears a
// word from it, and the default socket lives in a directory of the user's own.
#include "vprinter/server.h"

#include <gtest/gtest.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <thread>

#include "link/modelcode.h"
#include "makerlibs/d4/commands.h"
#include "makerlibs/d4/host.h"
#include "makerlibs/d4/peer.h"
#include "vprinter/embedded.h"
#include "vprinter/tempdir_test.h"

namespace vprinter {
namespace {

using std::chrono::milliseconds;

class ServerTrustTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(dir_.empty());
    DeviceOptions options = TempPrinterOptions(dir_);
    device_ = std::make_unique<Device>(options);
    server_ = std::make_unique<Server>(*device_);
    listenFd_ = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    const sockaddr_un address = Address();
    ASSERT_EQ(bind(listenFd_, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(listen(listenFd_, 8), 0);
    server_->SetListenSocket(listenFd_);
    // The server's time moves only when a test moves it.
    server_->SetClock([this, base = Server::Clock::now()] { return base + skipped_.load(); });
    server_->SetAccept([this](int fd) {
      ++accepts_;
      if (!failAccept_) return accept4(fd, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
      errno = EMFILE;
      return -1;
    });
    Configure(*server_);
    thread_ = std::thread([this] { server_->Run(); });
  }
  virtual void Configure(Server&) {}
  void TearDown() override {
    d4::SetPeerUidQuery(nullptr);
    server_->Stop();
    thread_.join();
    server_.reset();
    device_.reset();
    close(listenFd_);
  }
  sockaddr_un Address() const {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, (dir_ / "z40.sock").c_str(), sizeof address.sun_path - 1);
    return address;
  }
  // A new client's negotiation: the init transaction's result.
  int16_t ClientInit() {
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const sockaddr_un address = Address();
    EXPECT_EQ(connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
    d4::HostConnection link(fd);
    const int16_t result = link.Init(milliseconds(5000)).result;
    close(fd);
    return result;
  }
  int Connect() {
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const sockaddr_un address = Address();
    EXPECT_EQ(connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
    return fd;
  }
  // Moves the server's clock on and lets it look at it.
  void Skip(std::chrono::minutes minutes) {
    skipped_ = skipped_.load() + minutes;
    server_->Wake();
  }
  // True when the printer closed the client's end (within a generous wait for the loop).
  static bool ClosedByPrinter(int fd) {
    pollfd p{fd, POLLIN, 0};
    if (poll(&p, 1, 5000) != 1) return false;
    char byte;
    return recv(fd, &byte, 1, MSG_DONTWAIT) == 0;
  }
  int Records(const std::string& op) const {
    int n = 0;
    for (const std::string& line : device_->TraceLines()) {
      n += line.find("\"op\":\"" + op + "\"") != std::string::npos;
    }
    return n;
  }

  TempDir tmp_{"quorla-srv"};
  const std::filesystem::path& dir_ = tmp_.path();
  std::unique_ptr<Device> device_;
  std::unique_ptr<Server> server_;
  int listenFd_ = -1;
  std::atomic<std::chrono::minutes> skipped_{std::chrono::minutes(0)};
  std::atomic<bool> failAccept_{false};
  std::atomic<int> accepts_{0};
  std::thread thread_;
};

TEST_F(ServerTrustTest, AClientOfAnotherUserIsClosedUnheard) {
  d4::SetPeerUidQuery([](int) { return std::optional<uid_t>(geteuid() + 1); });
  const int16_t refused = ClientInit();
  EXPECT_TRUE(refused == d4::result::PortReceive || refused == d4::result::PortTransmit) << refused;
  EXPECT_EQ(Records("connect"), 0);
  EXPECT_EQ(Records("negotiate"), 0);

  d4::SetPeerUidQuery(nullptr);
  EXPECT_EQ(ClientInit(), d4::result::Ok);
  EXPECT_EQ(Records("connect"), 1);
  EXPECT_EQ(Records("negotiate"), 1);
}

// A client silent past the limit is dropped; one that spoke within it stays.
TEST_F(ServerTrustTest, ASilentClientIsDropped) {
  const int silent = Connect();
  d4::HostConnection silentLink(silent);
  ASSERT_EQ(silentLink.Init(milliseconds(5000)).result, d4::result::Ok);
  const int talking = Connect();
  d4::HostConnection talkingLink(talking);
  ASSERT_EQ(talkingLink.Init(milliseconds(5000)).result, d4::result::Ok);

  Skip(Server::kDefaultIdleLimit - std::chrono::minutes(1));
  ASSERT_EQ(talkingLink.Exit(milliseconds(5000)).result, d4::result::Ok);
  ASSERT_EQ(talkingLink.Init(milliseconds(5000)).result, d4::result::Ok);
  Skip(std::chrono::minutes(2));
  EXPECT_TRUE(ClosedByPrinter(silent));
  EXPECT_EQ(talkingLink.Exit(milliseconds(5000)).result, d4::result::Ok);
  EXPECT_EQ(Records("disconnect"), 1);
  close(silent);
  close(talking);
}

// Out of descriptors, the listening socket rests instead of being tried on every turn of the loop,
// and the clients already connected are served meanwhile.
TEST_F(ServerTrustTest, AcceptOutOfDescriptorsRestsAndServesTheOpenClients) {
  const int open = Connect();
  d4::HostConnection link(open);
  ASSERT_EQ(link.Init(milliseconds(5000)).result, d4::result::Ok);
  const int accepted = accepts_.load();
  failAccept_ = true;
  const int waiting = Connect();  // stays in the backlog
  for (int i = 0; i < 20; ++i) {
    ASSERT_EQ(link.Exit(milliseconds(5000)).result, d4::result::Ok);
    ASSERT_EQ(link.Init(milliseconds(5000)).result, d4::result::Ok);
  }
  EXPECT_LE(accepts_.load() - accepted, 1);

  failAccept_ = false;
  Skip(std::chrono::minutes(1));
  d4::HostConnection waitingLink(waiting);
  EXPECT_EQ(waitingLink.Init(milliseconds(5000)).result, d4::result::Ok);
  EXPECT_EQ(accepts_.load() - accepted, 2);
  close(waiting);
  close(open);
}

// The longest look for a client's next request, on a clock that stands still: requests from two
// clients are answered in turn (each answer starts a look the other's request must end), a new
// client is accepted during one, and the loop stops when asked.
class ServerSpinTest : public ServerTrustTest {
  void Configure(Server& server) override { server.SetSpinWait(Server::kMaxSpinWait); }
};

TEST_F(ServerSpinTest, LooksForTheNextRequestWithoutMissingAnythingElse) {
  const d4::tx::OpenParams control{d4::cmd::kControlSocket, d4::cmd::kControlMaxPayload,
                                   d4::cmd::kControlMaxPayload, 0};
  auto open = [&](d4::HostConnection& link) {
    ASSERT_EQ(link.Init(milliseconds(5000)).result, d4::result::Ok);
    ASSERT_EQ(link.Open(control, milliseconds(5000)).result, d4::result::Ok);
  };
  // The cell's value as the printer answers it, or -1.
  auto read = [&](d4::HostConnection& link, uint8_t address) {
    const std::vector<uint8_t> request{d4::cmd::kReadEeprom, address, QUORLA_Z40_MODEL_CODE_1,
                                       QUORLA_Z40_MODEL_CODE_2, address};
    std::vector<uint8_t> reply;
    if (!link.Send(d4::cmd::kControlSocket, request.data(), request.size(), 1, milliseconds(5000))
             .ok() ||
        !link.Receive(d4::cmd::kControlSocket, &reply, milliseconds(5000)).ok() ||
        reply.size() != 7 || reply[1] != address) {
      return -1;
    }
    return static_cast<int>(reply[6]);
  };
  const int first = Connect(), second = Connect();
  d4::HostConnection a(first), b(second);
  open(a);
  open(b);
  for (int cell = 0; cell < 40; ++cell) {
    const uint8_t address = static_cast<uint8_t>(cell);
    const int expected = device_->PeekEeprom(address);
    ASSERT_EQ(read(a, address), expected) << cell;
    ASSERT_EQ(read(b, address), expected) << cell;
  }
  ASSERT_GE(read(a, 0), 0);
  EXPECT_EQ(ClientInit(), d4::result::Ok);
  close(first);
  close(second);
}

TEST(ServerSpinWait, OnlyWholeMicrosecondsUpToTheLimit) {
  EXPECT_EQ(Server::ParseSpinWait("0"), std::chrono::microseconds(0));
  EXPECT_EQ(Server::ParseSpinWait("10000"), Server::kMaxSpinWait);
  for (const char* bad : {"", "-1", "10001", "50us", "5.5", "99999999999999999999"}) {
    EXPECT_FALSE(Server::ParseSpinWait(bad)) << bad;
  }
  EXPECT_FALSE(Server::ParseSpinWait(nullptr));
}

// A program may end while its printer is still ejecting sheets. Exit tears down the process's
// static objects while the printer's threads run on: they must find nothing of theirs gone.
// (A use after free shows under AddressSanitizer, which the test suite also runs under.)
[[noreturn]] void ExitWhilePrinting() {
  DeviceOptions options;
  options.trayDir = "/dev/null/quorla-tray";  // each sheet lost at once: the printer's thread
  options.timeScale = 0;                      // does little but eject
  // Kept like the program's own printer: alive until the process is gone.
  static EmbeddedPrinter* printer = new EmbeddedPrinter(options);
  const int fd = printer->Connect();
  d4::HostConnection link(fd);
  if (link.Init(milliseconds(5000)).result != d4::result::Ok) std::_Exit(3);
  const d4::tx::OpenParams data{d4::cmd::kDataSocket, d4::cmd::kDataMaxPayload,
                                d4::cmd::kDataMaxPayload, 0};
  if (link.Open(data, milliseconds(5000)).result != d4::result::Ok) std::_Exit(4);
  std::vector<uint8_t> pages;
  for (int i = 0; i < PaperTray::kCapacity; ++i) pages.insert(pages.end(), {'A', 0x0C});
  if (link.Send(d4::cmd::kDataSocket, pages.data(), pages.size(), 1, milliseconds(5000)).result !=
      d4::result::Ok) {
    std::_Exit(5);
  }
  // Once the first sheet is out, the rest come while the process exits.
  while (printer->device().PaperInTray() == PaperTray::kCapacity) std::this_thread::yield();
  std::exit(0);
}

TEST(EmbeddedPrinterAtExit, TheProgramMayExitWhileItsPrinterEjectsSheets) {
  EXPECT_EXIT(ExitWhilePrinting(), ::testing::ExitedWithCode(0), "");
}
}  // namespace
}  // namespace vprinter
