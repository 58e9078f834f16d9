// A standalone virtual printer inside the test process: its own device, state and tray
// directories, listening on a Unix socket (by default the standalone's default socket, where the
// port library looks without QUORLA_PRINTER) on a thread of its own, as quorla-vprinter does.
// Switched off, it stops listening and leaves its socket file, as quorla-vprinter does.
//
//   StandalonePrinter standalone;
//   NoPrinterNamed unnamed;           // the port library searches as the program's users have it
//   SearchActivePortByPHub(&port);    // finds the standalone printer
//   standalone.PowerOff();            // and now finds nothing
#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <thread>

#include "vprinter/device.h"
#include "vprinter/listener.h"
#include "vprinter/server.h"

namespace testing_support {

class StandalonePrinter {
 public:
  // Listens at socketPath, or at vprinter::DefaultSocketPath() when it is empty.
  explicit StandalonePrinter(std::filesystem::path socketPath = {});
  // Stops the printer and removes its socket and directories.
  ~StandalonePrinter();
  StandalonePrinter(const StandalonePrinter&) = delete;
  StandalonePrinter& operator=(const StandalonePrinter&) = delete;

  vprinter::Device& device() { return *device_; }
  // The power switch, returning when the printer has stopped or started listening (the device's
  // own PowerOff() leaves that to the printer's thread, a moment later).
  void PowerOff();
  void PowerOn();
  const std::filesystem::path& socketPath() const { return socketPath_; }

 private:
  std::filesystem::path root_;
  std::filesystem::path socketPath_;
  std::unique_ptr<vprinter::Device> device_;
  vprinter::SocketListener listener_;
  std::unique_ptr<vprinter::Server> server_;
  std::thread thread_;
};

// Unsets QUORLA_PRINTER for its lifetime (the test environment names the embedded printer), so the
// port library searches the standalone's default socket first, then the embedded printer.
class NoPrinterNamed {
 public:
  NoPrinterNamed();
  ~NoPrinterNamed();
  NoPrinterNamed(const NoPrinterNamed&) = delete;
  NoPrinterNamed& operator=(const NoPrinterNamed&) = delete;

 private:
  std::string saved_;
  bool had_ = false;
};

}  // namespace testing_support
