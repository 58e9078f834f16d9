// The virtual printer for tests: a fresh embedded Quorla Z40 per test, reached through the real
// libraries over a real socketpair.
//
//   class HeadIdTest : public testing_support::VirtualPrinterTest {};
//
//   TEST_F(HeadIdTest, WritesTheCells) {
//     ASSERT_EQ(WriteHeadId("A1AAAAATTTC"), rc::Success);       // the program's own code
//     EXPECT_EQ(printer().Eeprom(0x3F), 1);                      // the cell, read directly
//     EXPECT_EQ(printer().Trace("eeprom_write").size(), 11u);    // what the printer was asked
//   }
//
// VirtualPrinterTest connects before each test (LoadLibraryByPHub, SearchActivePortByPHub,
// D4Negotiation), registers the Z40's model code for the units, clears the trace, and disconnects
// afterwards.
// Use VirtualPrinter directly when a test wants to control the connection itself.
//
// Every printer starts from the factory image (docs/vprinter.md) in its own temporary state and
// tray directories, with time scale 0 (cleaning and printing finish at once), the trace kept in
// memory, and the libraries' time-out at kDefaultTimeoutMs, so a test that makes the printer stop
// answering waits that long, not seconds.
//
// Faults count calls of a kind from the moment they are armed: FailNth(Op::kEepromWrite, 5, ...)
// fails the fifth EEPROM write from now. The device() gives the whole device API.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <initializer_list>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "link/modelselection.h"
#include "vprinter/device.h"

namespace testing_support {

using vprinter::Op;

// One line of the printer's trace.
struct TraceEntry {
  std::string op;
  std::map<std::string, long long> numbers;    // every numeric field, "seq" included
  std::map<std::string, std::string> strings;  // every string field ("hex", "file", ...)

  bool Has(const std::string& key) const { return numbers.count(key) || strings.count(key); }
  // The numeric field; a failed expectation and 0 when it is missing.
  long long Num(const std::string& key) const;
  // "refused" of a refused request, or 0.
  long long Refused() const;
  // The bytes of a "data" record.
  std::vector<uint8_t> Bytes() const;
};

// Parses one trace line; false when it is not a flat JSON object of numbers and strings.
bool ParseTraceLine(const std::string& line, TraceEntry* entry);

// Stops this process's embedded printer (closing the port first when it leads there) and saves
// its state; the next search that needs it starts a new one from that state.
void StopEmbeddedPrinter();

class VirtualPrinter {
 public:
  static constexpr int kDefaultTimeoutMs = 1000;

  VirtualPrinter();
  // Disconnects, stops the printer and removes its directories.
  ~VirtualPrinter();
  VirtualPrinter(const VirtualPrinter&) = delete;
  VirtualPrinter& operator=(const VirtualPrinter&) = delete;

  // LoadLibraryByPHub, SearchActivePortByPHub, D4Negotiation: the first failure, or 1.
  int16_t Connect();
  // D4Termination and PortCloseByPHub, results ignored.
  void Disconnect();

  // The running printer's device; a printer stopped by the test is started again, from the state
  // it saved, with this fixture's directories.
  vprinter::Device& device() const;
  const std::filesystem::path& stateDir() const { return stateDir_; }
  const std::filesystem::path& trayDir() const { return trayDir_; }

  // EEPROM cells, directly (not through the link, not in the trace).
  uint8_t Eeprom(uint8_t address) const { return device().PeekEeprom(address); }
  std::vector<uint8_t> Eeprom(uint8_t first, uint8_t last) const;
  void SetEeprom(uint8_t address, uint8_t value) { device().PokeEeprom(address, value); }
  // Consecutive cells from `first` on.
  void SetEeprom(uint8_t first, std::initializer_list<uint8_t> values);
  uint8_t Chip(int cartridge, uint8_t address) const {
    return device().PeekChip(cartridge, address);
  }
  void SetChip(int cartridge, uint8_t address, uint8_t value) {
    device().PokeChip(cartridge, address, value);
  }

  // The trace since the start or the last ClearTrace(), all records or those of one op.
  std::vector<TraceEntry> Trace() const;
  std::vector<TraceEntry> Trace(const std::string& op) const;
  // Ops in order, e.g. {"soft_reset", "status", ...}, for sequence checks.
  std::vector<std::string> TraceOps() const;
  // The bytes of every accepted "data" packet, joined in order.
  std::vector<uint8_t> PrintData() const;
  void ClearTrace() { device().ClearTrace(); }

  // Faults and states (see vprinter::Device for the rest).
  void FailNth(Op op, int n, int16_t result) { device().FailNth(op, n, result); }
  void FailNthWithPacketError(Op op, int n, int16_t code) {
    device().FailNthWithPacketError(op, n, code);
  }
  void DropLinkAtNth(Op op, int n) { device().DropLinkAtNth(op, n); }
  void BusyForPolls(int polls) { device().BusyForPolls(polls); }
  void RaiseError(uint16_t error) { device().RaiseError(error); }
  void ClearError() { device().ClearError(); }
  void ForceStatus(uint16_t status) { device().ForceStatus(status); }
  void SetLinkTimeoutMs(int ms);

 private:
  std::filesystem::path root_;
  std::filesystem::path stateDir_;
  std::filesystem::path trayDir_;
};

// A GoogleTest fixture with a connected printer and the Z40's model code registered.
class VirtualPrinterTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
  VirtualPrinter& printer() { return *printer_; }

 private:
  std::unique_ptr<VirtualPrinter> printer_;
  FixedModelCode modelCode_;
};

}  // namespace testing_support
