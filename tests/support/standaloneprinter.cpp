#include "tests/support/standaloneprinter.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <chrono>

#include "makerlibs/d4/socketplace.h"

namespace testing_support {

StandalonePrinter::StandalonePrinter(std::filesystem::path socketPath) {
  std::string pattern =
      (std::filesystem::temp_directory_path() / "quorla-standalone-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) ADD_FAILURE() << "cannot create a temporary directory";
  root_ = pattern;
  socketPath_ = socketPath.empty() ? d4::DefaultSocketPath() : socketPath;
  std::filesystem::create_directories(socketPath_.parent_path());
  vprinter::DeviceOptions options;
  options.stateDir = root_ / "state";
  options.trayDir = root_ / "tray";
  options.traceInMemory = true;
  options.timeScale = 0;
  options.durable = false;  // throwaway state: atomic saves suffice
  device_ = std::make_unique<vprinter::Device>(options);
  std::string error;
  if (!listener_.Open(socketPath_.string(), &error)) ADD_FAILURE() << error;
  server_ = std::make_unique<vprinter::Server>(*device_);
  listener_.Attach(*server_);
  thread_ = std::thread([this] { server_->Run(); });
}

StandalonePrinter::~StandalonePrinter() {
  server_->Stop();
  thread_.join();
  server_.reset();
  listener_.Close(true);
  device_.reset();
  std::error_code ec;
  std::filesystem::remove_all(root_, ec);
}

namespace {
// Waits (without sleeping) until the printer's thread has brought the listener to `listening`.
void AwaitListening(const vprinter::SocketListener& listener, bool listening) {
  const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (listener.Listening() != listening && std::chrono::steady_clock::now() < limit) {
    std::this_thread::yield();
  }
  if (listener.Listening() != listening) ADD_FAILURE() << "the standalone printer did not follow";
}
}  // namespace

void StandalonePrinter::PowerOff() {
  device_->PowerOff();
  AwaitListening(listener_, false);
}

void StandalonePrinter::PowerOn() {
  device_->PowerOn();
  AwaitListening(listener_, true);
}

NoPrinterNamed::NoPrinterNamed() {
  if (const char* value = std::getenv("QUORLA_PRINTER")) {
    had_ = true;
    saved_ = value;
  }
  unsetenv("QUORLA_PRINTER");
}

NoPrinterNamed::~NoPrinterNamed() {
  if (had_) setenv("QUORLA_PRINTER", saved_.c_str(), 1);
}

}  // namespace testing_support
