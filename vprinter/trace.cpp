#include "vprinter/trace.h"

#include <algorithm>

namespace vprinter {

namespace {
void AppendKey(std::string& out, std::string_view key) {
  out += ",\"";
  out += key;
  out += "\":";
}

void AppendString(std::string& out, std::string_view value) {
  out += '"';
  for (unsigned char c : value) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c < 0x20) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
      out += escaped;
    } else {
      out += static_cast<char>(c);
    }
  }
  out += '"';
}
}  // namespace

TraceRecord::TraceRecord(std::string_view op) : kept_(true) {
  fields_ = ",\"op\":";
  AppendString(fields_, op);
}

TraceRecord& TraceRecord::Num(std::string_view key, long long value) {
  if (!kept_) return *this;
  AppendKey(fields_, key);
  fields_ += std::to_string(value);
  return *this;
}

TraceRecord& TraceRecord::Str(std::string_view key, std::string_view value) {
  if (!kept_) return *this;
  AppendKey(fields_, key);
  AppendString(fields_, value);
  return *this;
}

TraceRecord& TraceRecord::Hex(std::string_view key, const uint8_t* data, std::size_t size) {
  if (!kept_) return *this;
  static const char digits[] = "0123456789ABCDEF";
  AppendKey(fields_, key);
  fields_.reserve(fields_.size() + size * 2 + 2);
  fields_ += '"';
  for (std::size_t i = 0; i < size; ++i) {
    fields_ += digits[data[i] >> 4];
    fields_ += digits[data[i] & 15];
  }
  fields_ += '"';
  return *this;
}

std::string TraceRecord::Line(uint64_t seq) const {
  return "{\"seq\":" + std::to_string(seq) + fields_ + "}";
}

Trace::~Trace() {
  if (file_ != nullptr) std::fclose(file_);
}

bool Trace::SetFile(const std::filesystem::path& file) {
  if (file_ != nullptr) std::fclose(file_);
  file_ = nullptr;
  if (file.empty()) return true;
  file_ = std::fopen(file.c_str(), "a");
  return file_ != nullptr;
}

void Trace::Write(const TraceRecord& record) {
  ++seq_;
  if (!Active() || !record.Kept()) return;
  const std::string line = record.Line(seq_);
  if (file_ != nullptr) {
    std::fputs(line.c_str(), file_);
    std::fputc('\n', file_);
    // Readers follow the trace while the printer runs.
    std::fflush(file_);
  }
  if (keepInMemory_) lines_.push_back(line);
  if (historySize_ > 0) {
    if (history_.size() == historySize_) history_.pop_front();
    history_.push_back(line);
  }
}

void Trace::SetHistory(std::size_t records) {
  historySize_ = records;
  while (history_.size() > historySize_) history_.pop_front();
}

std::vector<std::string> Trace::Since(uint64_t seq) const {
  // history_ holds the records seq_ - size + 1 .. seq_.
  const uint64_t oldest = seq_ - history_.size() + 1;
  const std::size_t skip =
      seq < oldest
          ? 0
          : static_cast<std::size_t>(std::min<uint64_t>(seq - oldest + 1, history_.size()));
  return {history_.begin() + static_cast<std::ptrdiff_t>(skip), history_.end()};
}

}  // namespace vprinter
