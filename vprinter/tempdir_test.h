#pragma once

// A fresh folder for one test, gone with the test, and a printer whose state and tray live in it.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <memory>
#include <string>
#include <system_error>

#include "vprinter/device.h"

namespace vprinter {

class TempDir {
 public:
  explicit TempDir(const std::string& prefix) {
    std::string pattern = (std::filesystem::temp_directory_path() / (prefix + "-XXXXXX")).string();
    if (mkdtemp(pattern.data()) != nullptr) {
      path_ = pattern;
    } else {
      ADD_FAILURE() << "cannot create a temporary folder from " << pattern;
    }
  }
  ~TempDir() {
    std::error_code ignored;
    if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

// State in dir/state, sheets in dir/tray, the trace kept in memory, no waiting.
inline DeviceOptions TempPrinterOptions(const std::filesystem::path& dir) {
  DeviceOptions options;
  options.stateDir = dir / "state";
  options.trayDir = dir / "tray";
  options.traceInMemory = true;
  options.timeScale = 0;
  return options;
}

// A printer on a fresh folder for each test.
class TempDeviceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(dir_.empty());
    device_ = std::make_unique<Device>(TempPrinterOptions(dir_));
  }
  void TearDown() override { device_.reset(); }

  TempDir tmp_{"quorla-device"};
  const std::filesystem::path& dir_ = tmp_.path();
  std::unique_ptr<Device> device_;
};

}  // namespace vprinter
