// Entry of every test executable: a real QApplication on the offscreen platform, the directories
// that the environment of the test names, then GoogleTest.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <cstdlib>

namespace {
void MakePrivateDir(const char* variable) {
  const char* path = std::getenv(variable);
  if (path == nullptr || *path == '\0') return;
  QDir().mkpath(QString::fromLocal8Bit(path));
  QFile::setPermissions(QString::fromLocal8Bit(path),
                        QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}
}  // namespace

int main(int argc, char** argv) {
  for (const char* v : {"HOME", "XDG_RUNTIME_DIR", "XDG_STATE_HOME", "XDG_DATA_HOME",
                        "XDG_CONFIG_HOME", "XDG_CACHE_HOME"}) {
    MakePrivateDir(v);
  }
  if (std::getenv("QT_QPA_PLATFORM") == nullptr) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QApplication app(argc, argv);
  ::testing::InitGoogleMock(&argc, argv);
  return RUN_ALL_TESTS();
}
