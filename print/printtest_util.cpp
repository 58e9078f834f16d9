#include "print/printtest_util.h"

#include <cstdio>

namespace printtest {

std::vector<int> RecordingSender::Sizes() const {
  std::vector<int> sizes;
  for (const auto& send : sends_) sizes.push_back(static_cast<int>(send.size()));
  return sizes;
}

std::vector<uint8_t> RecordingSender::Stream() const {
  std::vector<uint8_t> all;
  for (const auto& send : sends_) all.insert(all.end(), send.begin(), send.end());
  return all;
}

ResultCode RecordingSender::Send(const uint8_t* bytes, int32_t length) {
  ++attempts_;
  if (failFrom_ > 0 && attempts_ >= failFrom_ &&
      (failCount_ < 0 || attempts_ < failFrom_ + failCount_)) {
    return failCode_;
  }
  sends_.emplace_back(bytes, bytes + length);
  return rc::Success;
}

std::string Hex(std::span<const uint8_t> bytes) {
  std::string out;
  char piece[4];
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    std::snprintf(piece, sizeof piece, i == 0 ? "%02X" : " %02X", bytes[i]);
    out += piece;
  }
  return out;
}

std::vector<uint8_t> Bytes(std::initializer_list<int> values) {
  std::vector<uint8_t> out;
  for (int v : values) out.push_back(static_cast<uint8_t>(v));
  return out;
}

namespace {

class Decoder {
 public:
  explicit Decoder(std::span<const uint8_t> s) : s_(s) {}

  Decoded Run() {
    while (pos_ < s_.size() && out_.error.empty()) Step();
    return std::move(out_);
  }

 private:
  bool Need(std::size_t n, const char* what) {
    if (pos_ + n <= s_.size()) return true;
    out_.error = std::string("stream ends inside ") + what + " at " + std::to_string(pos_);
    return false;
  }
  uint8_t At(std::size_t offset) const { return s_[pos_ + offset]; }
  static uint32_t Le(std::span<const uint8_t> p) {
    uint32_t v = 0;
    for (std::size_t i = p.size(); i-- > 0;) v = (v << 8) | p[i];
    return v;
  }
  void Op(std::string op) { out_.ops.push_back(std::move(op)); }

  void Step() {
    if (remote_) return RemoteStep();
    const uint8_t b = At(0);
    if (b == 0x1B) return EscapeStep();
    if (b == 0x0D) {
      const bool lf = pos_ + 1 < s_.size() && At(1) == 0x0A;
      Op(lf ? "CRLF" : "CR");
      pos_ += lf ? 2 : 1;
      return;
    }
    if (b == 0x0A || b == 0x0C) {
      Op(b == 0x0A ? "LF" : "FF");
      ++pos_;
      return;
    }
    std::string text = "text:";
    while (pos_ < s_.size() && At(0) != 0x1B && At(0) != 0x0D && At(0) != 0x0A && At(0) != 0x0C) {
      const uint8_t c = At(0);
      if (c == 0) {
        text += "\\0";
      } else if (c < 0x20 || c > 0x7E) {
        char piece[8];
        std::snprintf(piece, sizeof piece, "\\x%02X", c);
        text += piece;
      } else {
        text += static_cast<char>(c);
      }
      ++pos_;
    }
    Op(text);
  }

  void RemoteStep() {
    if (At(0) == 0x1B) {
      if (!Need(4, "remote end")) return;
      if (At(1) != 0 || At(2) != 0 || At(3) != 0) {
        out_.error = "bad remote end at " + std::to_string(pos_);
        return;
      }
      Op("remote-end");
      remote_ = false;
      pos_ += 4;
      return;
    }
    if (!Need(4, "remote command")) return;
    const std::size_t length = At(2) | (At(3) << 8);
    if (!Need(4 + length, "remote command")) return;
    std::string op = "remote:";
    op += static_cast<char>(At(0));
    op += static_cast<char>(At(1));
    if (length > 0) {
      op += ' ';
      op += Hex(s_.subspan(pos_ + 4, length));
    }
    Op(op);
    pos_ += 4 + length;
  }

  void EscapeStep() {
    if (!Need(2, "escape")) return;
    switch (At(1)) {
      case '@':
        Op("reset");
        pos_ += 2;
        return;
      case 'U':
        if (!Need(3, "ESC U")) return;
        Op("dir " + std::to_string(At(2)));
        pos_ += 3;
        return;
      case '\\':
        if (!Need(4, "ESC \\")) return;
        Op("move " + std::to_string(At(2) | (At(3) << 8)));
        pos_ += 4;
        return;
      case '<':
        if (!Need(3, "ESC <") || At(2) != 0x0D) {
          if (out_.error.empty()) out_.error = "ESC < without CR";
          return;
        }
        Op("home");
        pos_ += 3;
        return;
      case 'i':
        return RasterStep();
      case '(':
        return ParenStep();
      default: {
        char piece[16];
        std::snprintf(piece, sizeof piece, "?1B %02X", At(1));
        out_.error = std::string("unknown escape ") + piece;
        return;
      }
    }
  }

  void ParenStep() {
    if (!Need(5, "ESC (")) return;
    const char letter = static_cast<char>(At(2));
    const std::size_t length = At(3) | (At(4) << 8);
    if (!Need(5 + length, "ESC ( parameters")) return;
    const std::span<const uint8_t> p = s_.subspan(pos_ + 5, length);
    pos_ += 5 + length;
    char piece[64];
    switch (letter) {
      case 'G':
        Op(p.size() == 1 && p[0] == 1 ? "graphics" : "graphics?" + Hex(p));
        return;
      case 'U':
        Op("unit " + std::to_string(p.empty() ? -1 : p[0]));
        return;
      case 'e':
        std::snprintf(piece, sizeof piece, "dot %02X", p.size() == 2 ? p[1] : 0xFFu);
        Op(piece);
        return;
      case 'K':
        Op("cmode " + std::to_string(p.size() == 2 ? p[1] : -1));
        return;
      case 'D':
        if (p.size() != 4 || p[0] != 0x68 || p[1] != 0x01) {
          Op("res?" + Hex(p));
          return;
        }
        Op("res " + std::to_string(p[2]) + "/" + std::to_string(p[3]));
        return;
      case 'S':
        Op("paper " + std::to_string(Le(p.subspan(0, 4))) + "x" + std::to_string(Le(p.subspan(4))));
        return;
      case 'c':
        Op("margins " + std::to_string(Le(p.subspan(0, 4))) + "," +
           std::to_string(Le(p.subspan(4))));
        return;
      case 'v': {
        const bool cr = pos_ < s_.size() && At(0) == 0x0D;
        Op("feed " + std::to_string(Le(p)) + (cr ? "" : " nocr"));
        if (cr) ++pos_;
        return;
      }
      case 'R':
        Op("remote:" + std::string(p.begin() + (p.empty() ? 0 : 1), p.end()));
        remote_ = true;
        return;
      default:
        out_.error = std::string("unknown ESC ( ") + letter;
    }
  }

  void RasterStep() {
    if (!Need(9, "raster header")) return;
    RasterBlock block;
    block.color = At(2);
    if (At(3) != 1 || At(4) != 2) {
      out_.error = "raster block not run-length coded at 2 bits per dot";
      return;
    }
    block.width = At(5) | (At(6) << 8);
    block.lines = At(7) | (At(8) << 8);
    pos_ += 9;
    for (int line = 0; line < block.lines; ++line) {
      std::vector<CodedRun> runs;
      std::vector<uint8_t> data;
      while (static_cast<int>(data.size()) < block.width) {
        if (!Need(2, "raster line")) return;
        const uint8_t counter = At(0);
        CodedRun run{counter <= 0x7F, counter <= 0x7F ? counter + 1 : 257 - counter, At(1)};
        if (static_cast<int>(data.size()) + run.count > block.width) {
          out_.error = "run crosses the end of line " + std::to_string(line) + " of block " +
                       std::to_string(out_.blocks.size());
          return;
        }
        if (run.literal) {
          if (!Need(1 + run.count, "literal run")) return;
          data.insert(data.end(), s_.begin() + pos_ + 1, s_.begin() + pos_ + 1 + run.count);
          pos_ += 1 + run.count;
        } else {
          data.insert(data.end(), run.count, run.value);
          pos_ += 2;
        }
        runs.push_back(run);
      }
      block.runs.push_back(std::move(runs));
      block.data.push_back(std::move(data));
    }
    Op("raster#" + std::to_string(out_.blocks.size()));
    out_.blocks.push_back(std::move(block));
  }

  std::span<const uint8_t> s_;
  std::size_t pos_ = 0;
  bool remote_ = false;
  Decoded out_;
};

}  // namespace

Decoded Decode(std::span<const uint8_t> stream) {
  return Decoder(stream).Run();
}

std::vector<std::string> OpKinds(const Decoded& decoded) {
  std::vector<std::string> kinds;
  for (const std::string& op : decoded.ops) {
    kinds.push_back(op.rfind("raster#", 0) == 0 ? "raster" : op);
  }
  return kinds;
}

int CountOp(const Decoded& decoded, const std::string& op) {
  int count = 0;
  for (const std::string& o : OpKinds(decoded)) count += o == op ? 1 : 0;
  return count;
}

std::vector<int> MarkedBytes(const std::vector<uint8_t>& line) {
  std::vector<int> marked;
  for (std::size_t i = 0; i < line.size(); ++i) {
    if (line[i] != 0) marked.push_back(static_cast<int>(i));
  }
  return marked;
}

std::string RunsHex(const std::vector<CodedRun>& runs) {
  std::vector<uint8_t> bytes;
  for (const CodedRun& run : runs) {
    bytes.push_back(run.literal ? static_cast<uint8_t>(run.count - 1)
                                : static_cast<uint8_t>(257 - run.count));
    bytes.push_back(run.value);
  }
  return Hex(bytes);
}

Decoded PatternTest::Printed() {
  EXPECT_EQ(job_.Fill(), 0) << "bytes left waiting";
  const std::vector<int> sizes = sender_.Sizes();
  for (std::size_t i = 0; i + 1 < sizes.size(); ++i) {
    EXPECT_EQ(sizes[i], 1000) << "send " << i;
  }
  Decoded decoded = Decode(sender_.Stream());
  EXPECT_EQ(decoded.error, "");
  for (const RasterBlock& block : decoded.blocks) {
    EXPECT_EQ(static_cast<int>(block.runs.size()), block.lines);
    for (const auto& line : block.runs) {
      for (const CodedRun& run : line) {
        EXPECT_TRUE(run.literal ? run.count == 1 : run.count >= 2 && run.count <= 129);
      }
    }
  }
  return decoded;
}

Decoded PrinterPatternTest::PrintedOnPrinter() {
  Decoded decoded = Decode(printer().PrintData());
  EXPECT_EQ(decoded.error, "");
  return decoded;
}

std::vector<std::string> CallOrder(const testing_support::VirtualPrinter& printer) {
  std::vector<std::string> order;
  for (const std::string& op : printer.TraceOps()) {
    // Ejected sheets are the printer's own doing, not a call of the program.
    if (op == "eject" || op == "sheet") continue;
    if (op == "data" && !order.empty() && order.back() == "data") continue;
    order.push_back(op);
  }
  return order;
}

std::vector<long long> Field(const testing_support::VirtualPrinter& printer, const std::string& op,
                             const std::string& key) {
  std::vector<long long> values;
  for (const auto& entry : printer.Trace(op)) values.push_back(entry.Num(key));
  return values;
}

int DataPackets(const testing_support::VirtualPrinter& printer) {
  int count = 0;
  for (const auto& entry : printer.Trace("data")) count += entry.Refused() == 0 ? 1 : 0;
  return count;
}

}  // namespace printtest
