// Whom the port library talks to and how long it waits to find out: a printer socket held by
// another user is refused (through the peer-query seam, as the tests run as one user), a printer
// that does not accept is given up after the link time-out, and a reply with a result outside the
// contract is a packet error of its own.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <future>
#include <optional>
#include <string>
#include <thread>

#include "link/mechcmd.h"
#include "link/modelcode.h"
#include "link/pktlink.h"
#include "link/porthub.h"
#include "makerlibs/d4/d4.h"
#include "makerlibs/d4/peer.h"
#include "makerlibs/porthub/portcontrol.h"
#include "tests/support/vprinterfixture.h"

namespace {

using testing_support::VirtualPrinter;
using vprinter::Op;

constexpr uint8_t M1 = QUORLA_Z40_MODEL_CODE_1;
constexpr uint8_t M2 = QUORLA_Z40_MODEL_CODE_2;

// A socket that listens but never accepts: the kernel still completes up to `backlog` + 1
// connects, as it does for a printer that is alive but stopped.
class Listener {
 public:
  Listener(const std::filesystem::path& path, int backlog) : path_(path) {
    fd_ = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un address = Address();
    EXPECT_EQ(bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    EXPECT_EQ(listen(fd_, backlog), 0);
  }
  ~Listener() {
    Close();
    for (int fd : clients_) close(fd);
  }
  // One more connect from a bystander; true when the kernel took it.
  bool Occupy() {
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    sockaddr_un address = Address();
    const bool ok = connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    clients_.push_back(fd);
    return ok;
  }
  void Close() {
    if (fd_ >= 0) close(fd_);
    fd_ = -1;
  }

 private:
  sockaddr_un Address() const {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path_.c_str(), sizeof address.sun_path - 1);
    return address;
  }
  std::filesystem::path path_;
  int fd_ = -1;
  std::vector<int> clients_;
};

class PortTrustTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (std::filesystem::temp_directory_path() / "quorla-trust-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
    LoadLibraryByPHub();
  }
  void TearDown() override {
    d4::SetPeerUidQuery(nullptr);
    PortCloseByPHub();
    setenv("QUORLA_PRINTER", "embedded", 1);
    std::filesystem::remove_all(dir_);
  }
  // Every peer looks like this user from now on.
  static void PeersAre(uid_t uid) {
    d4::SetPeerUidQuery([uid](int) { return std::optional<uid_t>(uid); });
  }
  static int16_t Search() {
    uint16_t port = 0;
    return SearchActivePortByPHub(&port);
  }

  VirtualPrinter printer;  // keeps the embedded printer of these tests apart from others
  std::filesystem::path dir_;
};

TEST_F(PortTrustTest, APrinterSocketOfAnotherUserIsRefused) {
  const std::filesystem::path path = dir_ / "z40.sock";
  Listener listener(path, 8);
  setenv("QUORLA_PRINTER", ("unix:" + path.string()).c_str(), 1);

  PeersAre(geteuid() + 1);
  EXPECT_EQ(Search(), -105);
  EXPECT_LT(quorla::link::PortFd(), 0);
  EXPECT_EQ(D4Negotiation(), -105);  // nothing to talk to

  PeersAre(0);  // root may serve anyone
  EXPECT_EQ(Search(), 1);
  d4::SetPeerUidQuery(nullptr);  // the real query: this very process listens
  EXPECT_EQ(Search(), 1);
}

TEST_F(PortTrustTest, AnImpostorAtTheDefaultSocketIsRefusedNotReplaced) {
  unsetenv("QUORLA_PRINTER");
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  const std::string saved = runtime != nullptr ? runtime : "";
  setenv("XDG_RUNTIME_DIR", dir_.c_str(), 1);
  Listener listener(dir_ / "quorla-vprinter.sock", 8);

  PeersAre(geteuid() + 1);
  uint16_t port = 0;
  EXPECT_EQ(SearchActivePortByPHub(&port), -105);  // not the embedded printer in its place
  EXPECT_EQ(port, 0);
  listener.Close();
  std::filesystem::remove(dir_ / "quorla-vprinter.sock");
  EXPECT_EQ(SearchActivePortByPHub(&port), 1);  // nobody there: the embedded printer
  EXPECT_EQ(port, 2);
  setenv("XDG_RUNTIME_DIR", saved.c_str(), 1);
}

TEST_F(PortTrustTest, APrinterThatNeverAcceptsIsGivenUpAfterTheTimeOut) {
  const std::filesystem::path path = dir_ / "stopped.sock";
  Listener listener(path, 0);
  ASSERT_TRUE(listener.Occupy());  // the backlog is full from now on
  setenv("QUORLA_PRINTER", ("unix:" + path.string()).c_str(), 1);
  quorla::link::SetTimeoutMs(50);

  std::promise<int16_t> done;
  std::future<int16_t> result = done.get_future();
  std::thread search([&] { done.set_value(Search()); });
  const bool returned = result.wait_for(std::chrono::seconds(20)) == std::future_status::ready;
  EXPECT_TRUE(returned) << "the search still waits for the connect";
  if (!returned) listener.Close();  // refuses the waiting connect, so the thread can end
  search.join();
  if (returned) {
    EXPECT_EQ(result.get(), -105);
  }
}

class UnknownResultTest : public testing_support::VirtualPrinterTest {};

TEST_F(UnknownResultTest, AResultOutsideTheContractIsPacketError133) {
  // 0x1000 would read as "Head ID is invalid.", 0 and 2 as nothing the program knows.
  printer().FailNth(Op::kEepromRead, 1, 0x1000);
  printer().FailNth(Op::kWriteBid, 1, 2);
  printer().FailNth(Op::kData, 1, 0);
  printer().FailNth(Op::kStatus, 1, -105);  // a printer that answers has an open port
  uint8_t value = 0;
  EXPECT_EQ(D4ReadEeprom(M1, M2, 0x2E, &value), 8192);
  EXPECT_EQ(GetD4ErrorCode(), d4::err::ErrPacketResultInvalid);
  EXPECT_EQ(WriteBid(M1, M2, 1, 1, 0), 8192);
  EXPECT_EQ(GetD4ErrorCode(), 133);
  const uint8_t bytes[2] = {0x1B, 0x40};
  EXPECT_EQ(SendDataChannel(bytes, 2), 8192);
  EXPECT_EQ(GetD4ErrorCode(), 133);
  PrinterStatus status;
  EXPECT_EQ(InquireStatus(&status), 8192);
  EXPECT_EQ(GetD4ErrorCode(), 133);

  // The link codes a printer reports as its own still come through as they are.
  printer().FailNth(Op::kEepromRead, 1, -8193);
  EXPECT_EQ(D4ReadEeprom(M1, M2, 0x2E, &value), -8193);
  EXPECT_EQ(D4ReadEeprom(M1, M2, 0x2E, &value), 1);

  // The transaction channel as well.
  ASSERT_EQ(D4Termination(), 1);
  printer().FailNth(Op::kNegotiate, 1, 0x5002);
  EXPECT_EQ(D4Negotiation(), 8192);
  EXPECT_EQ(GetD4ErrorCode(), 133);
  EXPECT_EQ(D4Negotiation(), 1);
}

}  // namespace
