// The printer's trace: one JSON object per line, numbered by "seq" in the order the printer took
// the requests. Written to a file, kept in memory for tests, or both; and the latest records kept
// for watchers of the printer (the front panel) while one asks for them.
#pragma once

#include <cstdint>
#include <cstdio>
#include <deque>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace vprinter {

// One trace record under construction: "op" first, then the fields in the order added. An
// unkept record (Trace::Record while nothing is written) takes its fields without building
// anything: the printer traces every packet, and a fast link must not pay for a text nobody reads.
class TraceRecord {
 public:
  explicit TraceRecord(std::string_view op);
  static TraceRecord Unkept() { return TraceRecord(); }
  TraceRecord& Num(std::string_view key, long long value);
  TraceRecord& Str(std::string_view key, std::string_view value);
  TraceRecord& Hex(std::string_view key, const uint8_t* data, std::size_t size);
  // The line for sequence number seq, without the line break.
  std::string Line(uint64_t seq) const;
  bool Kept() const { return kept_; }

 private:
  TraceRecord() = default;
  bool kept_ = false;
  std::string fields_;
};

class Trace {
 public:
  Trace() = default;
  ~Trace();
  Trace(const Trace&) = delete;
  Trace& operator=(const Trace&) = delete;

  // Appends to this file from now on (empty: no file). False when it cannot be opened.
  bool SetFile(const std::filesystem::path& file);
  void SetKeepInMemory(bool keep) { keepInMemory_ = keep; }

  // Keeps the latest `records` records for Since() (0: none).
  void SetHistory(std::size_t records);

  // Whether anything is written at all, so callers can skip building large records.
  bool Active() const { return file_ != nullptr || keepInMemory_ || historySize_ > 0; }
  // A new record for `op`: kept only while the trace is active.
  TraceRecord Record(std::string_view op) const {
    return Active() ? TraceRecord(op) : TraceRecord::Unkept();
  }
  // Numbers the record; writes it where the trace is kept (nothing is built while inactive).
  void Write(const TraceRecord& record);
  const std::vector<std::string>& Lines() const { return lines_; }
  void ClearLines() { lines_.clear(); }

  // The sequence number of the latest record (0: none yet).
  uint64_t LastSeq() const { return seq_; }
  // The kept records after sequence number `seq`, oldest first (records that left the history
  // are not there: their sequence numbers tell).
  std::vector<std::string> Since(uint64_t seq) const;

 private:
  std::FILE* file_ = nullptr;
  bool keepInMemory_ = false;
  uint64_t seq_ = 0;
  std::vector<std::string> lines_;
  std::size_t historySize_ = 0;
  std::deque<std::string> history_;  // the records up to seq_, the last one last
};

}  // namespace vprinter
