// The checks both ends make before they trust a socket: the user at the other end, the directory
// a socket lives in where other users can create names beside it, and where that socket is.
#include "makerlibs/d4/peer.h"
#include "makerlibs/d4/socketplace.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace d4 {
namespace {

TEST(Peer, OnlyThisUserOrRootIsAccepted) {
  int fds[2];
  ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM, 0, fds), 0);
  EXPECT_EQ(PeerUid(fds[0]), geteuid());
  EXPECT_TRUE(CheckPeer(fds[0]).accepted());

  SetPeerUidQuery([](int) { return std::optional<uid_t>(geteuid() + 7); });
  const PeerVerdict other = CheckPeer(fds[0]);
  EXPECT_EQ(other.check, PeerCheck::kOtherUser);
  EXPECT_EQ(other.uid, geteuid() + 7);
  EXPECT_NE(other.Reason().find("user " + std::to_string(geteuid() + 7)), std::string::npos);
  SetPeerUidQuery([](int) { return std::optional<uid_t>(0); });
  EXPECT_TRUE(CheckPeer(fds[0]).accepted());
  SetPeerUidQuery([](int) { return std::optional<uid_t>(); });
  EXPECT_EQ(CheckPeer(fds[0]).check, PeerCheck::kUnknown);
  SetPeerUidQuery(nullptr);
  close(fds[0]);
  close(fds[1]);

  // No socket at all: nobody can be told, and nobody is trusted.
  EXPECT_EQ(CheckPeer(-1).check, PeerCheck::kUnknown);
}

class PrivateDirectoryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (std::filesystem::temp_directory_path() / "quorla-peer-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    root_ = pattern;
  }
  void TearDown() override { std::filesystem::remove_all(root_); }
  static mode_t Mode(const std::filesystem::path& p) {
    struct stat st {};
    EXPECT_EQ(lstat(p.c_str(), &st), 0);
    return st.st_mode & 07777;
  }
  std::filesystem::path root_;
};

TEST_F(PrivateDirectoryTest, IsCreatedPrivateAndRefusedWhenOthersCanGetIn) {
  const std::filesystem::path dir = root_ / "sockets";
  std::string error;
  EXPECT_FALSE(PrivateDirectory(dir, false, &error));  // missing, not made
  EXPECT_FALSE(std::filesystem::exists(dir));
  const mode_t old = umask(0);  // a careless umask must not open the directory
  EXPECT_TRUE(PrivateDirectory(dir, true, &error)) << error;
  umask(old);
  EXPECT_EQ(Mode(dir), 0700u);
  EXPECT_TRUE(PrivateDirectory(dir, true, &error)) << error;  // made before: taken as it is

  chmod(dir.c_str(), 0755);
  EXPECT_FALSE(PrivateDirectory(dir, true, &error));
  EXPECT_NE(error.find("0755"), std::string::npos) << error;
  chmod(dir.c_str(), 0700);

  const std::filesystem::path link = root_ / "link";
  std::filesystem::create_directory_symlink(dir, link);
  EXPECT_FALSE(PrivateDirectory(link, true, &error));
  EXPECT_NE(error.find("not a directory"), std::string::npos) << error;
  const std::filesystem::path file = root_ / "file";
  std::fclose(std::fopen(file.c_str(), "w"));
  EXPECT_FALSE(PrivateDirectory(file, true, &error));
}

TEST_F(PrivateDirectoryTest, OfAnotherOwnerIsRefused) {
  if (geteuid() != 0) GTEST_SKIP() << "only root can give a directory to another user";
  const std::filesystem::path dir = root_ / "theirs";
  ASSERT_EQ(mkdir(dir.c_str(), 0700), 0);
  ASSERT_EQ(chown(dir.c_str(), 4242, 4242), 0);
  std::string error;
  EXPECT_FALSE(PrivateDirectory(dir, true, &error));
  EXPECT_NE(error.find("owned by user 4242"), std::string::npos) << error;
}

TEST(DefaultSocket, WithoutARuntimeDirectoryItLivesInAPrivateDirectory) {
  std::string pattern = (std::filesystem::temp_directory_path() / "quorla-tmp-XXXXXX").string();
  ASSERT_NE(mkdtemp(pattern.data()), nullptr);
  const std::filesystem::path tmp = pattern;
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  const std::string savedRuntime = runtime != nullptr ? runtime : "";
  const char* tmpdir = std::getenv("TMPDIR");
  const std::string savedTmpdir = tmpdir != nullptr ? tmpdir : "";
  unsetenv("XDG_RUNTIME_DIR");
  setenv("TMPDIR", tmp.c_str(), 1);

  const std::filesystem::path dir = tmp / ("quorla-vprinter-" + std::to_string(geteuid()));
  EXPECT_EQ(DefaultSocketPath(), dir / "quorla-vprinter.sock");
  std::string error;
  EXPECT_FALSE(PrepareDefaultSocketDir(false, &error));  // nobody made it: no printer there
  EXPECT_EQ(error, "");
  EXPECT_TRUE(PrepareDefaultSocketDir(true, &error)) << error;
  struct stat st {};
  ASSERT_EQ(lstat(dir.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u);
  EXPECT_TRUE(PrepareDefaultSocketDir(false, &error)) << error;
  // Opened to others (or made by someone else first): neither end uses it.
  chmod(dir.c_str(), 0777);
  EXPECT_FALSE(PrepareDefaultSocketDir(false, &error));
  EXPECT_FALSE(PrepareDefaultSocketDir(true, &error));
  EXPECT_NE(error.find(dir.string()), std::string::npos) << error;

  // Under a runtime directory (the user's own by definition) nothing is checked.
  setenv("XDG_RUNTIME_DIR", tmp.c_str(), 1);
  EXPECT_EQ(DefaultSocketPath(), tmp / "quorla-vprinter.sock");
  EXPECT_TRUE(PrepareDefaultSocketDir(false, &error));
  if (runtime != nullptr) {
    setenv("XDG_RUNTIME_DIR", savedRuntime.c_str(), 1);
  } else {
    unsetenv("XDG_RUNTIME_DIR");
  }
  if (tmpdir != nullptr) {
    setenv("TMPDIR", savedTmpdir.c_str(), 1);
  } else {
    unsetenv("TMPDIR");
  }
  std::filesystem::remove_all(tmp);
}

}  // namespace
}  // namespace d4
