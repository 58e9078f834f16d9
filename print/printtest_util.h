// Test helpers of the print units: a sender that records every send instead of talking to a
// printer, and a decoder that reads a print-data stream back into commands and raster lines, so
// tests can state what a pattern puts on paper (which runs, which lines, where the marks lie)
// independently of how the routines build it.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "link/resultcode.h"
#include "print/raster.h"
#include "tests/support/fakes.h"
#include "tests/support/vprinterfixture.h"

namespace printtest {

// Records the bytes of every send; the send with the given number (1-based) and every later one
// may be made to fail.
class RecordingSender {
 public:
  RasterJob::Sender AsSender() {
    return [this](const uint8_t* bytes, int32_t length) { return Send(bytes, length); };
  }
  // Sends from number n on (1-based) return code, for count sends (-1: all of them).
  void FailFrom(int n, ResultCode code, int count = -1) {
    failFrom_ = n;
    failCode_ = code;
    failCount_ = count;
  }
  const std::vector<std::vector<uint8_t>>& sends() const { return sends_; }
  std::vector<int> Sizes() const;
  // Every byte that reached the printer, in order.
  std::vector<uint8_t> Stream() const;
  int attempts() const { return attempts_; }

 private:
  ResultCode Send(const uint8_t* bytes, int32_t length);

  std::vector<std::vector<uint8_t>> sends_;
  int attempts_ = 0;
  int failFrom_ = 0;
  int failCount_ = -1;
  ResultCode failCode_ = rc::Success;
};

// One run of a raster line as coded: literal (counter 00..7F) or repeat.
struct CodedRun {
  bool literal;
  int count;
  uint8_t value;  // the repeated byte, or the first literal byte
};

struct RasterBlock {
  uint8_t color;  // the colour byte of the header
  int width;      // bytes per line
  int lines;
  std::vector<std::vector<CodedRun>> runs;  // per line
  std::vector<std::vector<uint8_t>> data;   // per line, expanded
};

// The stream as a list of operations, one token each:
//   "reset" "graphics" "unit N" "dir N" "dot HH" "cmode N" "res V/H" "paper WxL" "margins T,B"
//   "raster#I" (I indexes blocks) "feed N" (relative feed with its CR) "move N" "home"
//   "CRLF" "CR" "LF" "FF" "text:..." (NUL shown as \0) "remote:REMOTE1" "remote:SN 00 00 03"
//   "remote-end" and "?HH" for a byte the decoder does not know.
struct Decoded {
  std::vector<std::string> ops;
  std::vector<RasterBlock> blocks;
  std::string error;  // empty when the stream was well formed to its end
};

Decoded Decode(std::span<const uint8_t> stream);

// The ops without the raster blocks' indices ("raster#3" -> "raster"), handy for comparisons.
std::vector<std::string> OpKinds(const Decoded& decoded);

// Number of ops equal to op.
int CountOp(const Decoded& decoded, const std::string& op);

// The positions (byte index) of the non-zero bytes of a line.
std::vector<int> MarkedBytes(const std::vector<uint8_t>& line);

std::string Hex(std::span<const uint8_t> bytes);
std::vector<uint8_t> Bytes(std::initializer_list<int> values);

// The runs of a line as they were coded: "00 vv" for a literal byte, "cc vv" for a repeat.
std::string RunsHex(const std::vector<CodedRun>& runs);

// What the printer's trace tells of the program's calls:
// the calls in the trace's order (ejected sheets left out), each run of consecutive "data" records
// shown as one "data";
std::vector<std::string> CallOrder(const testing_support::VirtualPrinter& printer);
// a numeric field of every record of one op, in order;
std::vector<long long> Field(const testing_support::VirtualPrinter& printer, const std::string& op,
                             const std::string& key);
// the number of accepted data packets.
int DataPackets(const testing_support::VirtualPrinter& printer);

// A job on a recording sender with the pauses faked: a pattern runs on job_, then Printed()
// checks that it went out whole and well formed and decodes it.
class PatternTest : public testing::Test {
 protected:
  // Everything sent; the job must have nothing left waiting, every send but the last must be
  // 1000 bytes, the stream must decode to its end, and every run must be one the builder makes
  // (a single literal byte or a repeat of 2..129).
  Decoded Printed();

  RecordingSender sender_;
  RasterJob job_{sender_.AsSender()};
  testing_support::FakeSleep sleep_;
};

// The same against the embedded virtual printer: job_ sends on the real data channel, and the
// printer's trace tells what it was asked in which order.
class PrinterPatternTest : public testing_support::VirtualPrinterTest {
 protected:
  // Every accepted data packet decoded as one stream (expected well formed).
  Decoded PrintedOnPrinter();
  // The trace's view of this test's printer (see the free functions above).
  std::vector<std::string> CallOrder() { return printtest::CallOrder(printer()); }
  std::vector<long long> Field(const std::string& op, const std::string& key) {
    return printtest::Field(printer(), op, key);
  }
  int DataPackets() { return printtest::DataPackets(printer()); }

  RasterJob job_;
  testing_support::FakeSleep sleep_;
};

}  // namespace printtest
