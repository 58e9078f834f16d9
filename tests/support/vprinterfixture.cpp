#include "tests/support/vprinterfixture.h"

#include <cstdlib>
#include <string>

#include "link/pktlink.h"
#include "link/porthub.h"
#include "makerlibs/porthub/portcontrol.h"
#include "vprinter/embed/embeddedhub.h"

namespace testing_support {

namespace {

void SkipSpace(const std::string& s, std::size_t& i) {
  while (i < s.size() && (s[i] == ' ' || s[i] == '\t')) ++i;
}

bool ParseString(const std::string& s, std::size_t& i, std::string* out) {
  if (i >= s.size() || s[i] != '"') return false;
  ++i;
  out->clear();
  while (i < s.size() && s[i] != '"') {
    if (s[i] == '\\') {
      if (++i >= s.size()) return false;
      if (s[i] == 'u') {
        if (i + 4 >= s.size()) return false;
        *out += static_cast<char>(std::stoi(s.substr(i + 1, 4), nullptr, 16));
        i += 5;
        continue;
      }
    }
    *out += s[i++];
  }
  if (i >= s.size()) return false;
  ++i;
  return true;
}

}  // namespace

bool ParseTraceLine(const std::string& line, TraceEntry* entry) {
  TraceEntry e;
  std::size_t i = 0;
  SkipSpace(line, i);
  if (i >= line.size() || line[i++] != '{') return false;
  for (;;) {
    SkipSpace(line, i);
    std::string key;
    if (!ParseString(line, i, &key)) return false;
    SkipSpace(line, i);
    if (i >= line.size() || line[i++] != ':') return false;
    SkipSpace(line, i);
    if (i < line.size() && line[i] == '"') {
      std::string value;
      if (!ParseString(line, i, &value)) return false;
      if (key == "op") {
        e.op = value;
      } else {
        e.strings[key] = value;
      }
    } else {
      const std::size_t start = i;
      if (i < line.size() && line[i] == '-') ++i;
      while (i < line.size() && line[i] >= '0' && line[i] <= '9') ++i;
      if (i == start || (i == start + 1 && line[start] == '-')) return false;
      e.numbers[key] = std::stoll(line.substr(start, i - start));
    }
    SkipSpace(line, i);
    if (i < line.size() && line[i] == ',') {
      ++i;
      continue;
    }
    if (i < line.size() && line[i] == '}') break;
    return false;
  }
  if (e.op.empty()) return false;
  *entry = std::move(e);
  return true;
}

long long TraceEntry::Num(const std::string& key) const {
  auto it = numbers.find(key);
  if (it == numbers.end()) {
    ADD_FAILURE() << "trace record \"" << op << "\" has no numeric field \"" << key << "\"";
    return 0;
  }
  return it->second;
}

long long TraceEntry::Refused() const {
  auto it = numbers.find("refused");
  return it == numbers.end() ? 0 : it->second;
}

std::vector<uint8_t> TraceEntry::Bytes() const {
  std::vector<uint8_t> bytes;
  auto it = strings.find("hex");
  if (it == strings.end()) return bytes;
  const std::string& hex = it->second;
  for (std::size_t i = 0; i + 1 < hex.size(); i += 2) {
    bytes.push_back(static_cast<uint8_t>(std::stoi(hex.substr(i, 2), nullptr, 16)));
  }
  return bytes;
}

void StopEmbeddedPrinter() {
  // The port on a printer that goes away is closed with it, as a search would find it gone.
  if (quorla::link::PortIsEmbedded()) PortCloseByPHub();
  vprinter::embedded::Stop();
}

VirtualPrinter::VirtualPrinter() {
  // A standalone printer that happens to listen must never answer a test.
  setenv("QUORLA_PRINTER", "embedded", 1);
  std::string pattern =
      (std::filesystem::temp_directory_path() / "quorla-vprinter-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) {
    ADD_FAILURE() << "cannot create a temporary directory";
  }
  root_ = pattern;
  stateDir_ = root_ / "state";
  trayDir_ = root_ / "tray";
  std::filesystem::create_directories(stateDir_);
  std::filesystem::create_directories(trayDir_);

  StopEmbeddedPrinter();
  vprinter::DeviceOptions options;
  options.stateDir = stateDir_;
  options.trayDir = trayDir_;
  options.traceInMemory = true;
  options.timeScale = 0;
  options.durable = false;  // throwaway state: atomic saves suffice
  vprinter::embedded::SetOptions(options);
  vprinter::embedded::Start();
  quorla::link::SetTimeoutMs(kDefaultTimeoutMs);
}

vprinter::Device& VirtualPrinter::device() const {
  return vprinter::embedded::Start();
}

VirtualPrinter::~VirtualPrinter() {
  // A printer left hung or in an error must not make the goodbye wait for time-outs.
  device().ClearFaults();
  Disconnect();
  StopEmbeddedPrinter();
  vprinter::embedded::ResetOptions();
  quorla::link::SetTimeoutMs(quorla::link::kDefaultTimeoutMs);
  std::error_code ec;
  std::filesystem::remove_all(root_, ec);
}

int16_t VirtualPrinter::Connect() {
  LoadLibraryByPHub();
  uint16_t port = 0;
  int16_t result = SearchActivePortByPHub(&port);
  if (result != 1) return result;
  return D4Negotiation();
}

void VirtualPrinter::Disconnect() {
  if (quorla::link::PortFd() < 0) return;
  D4Termination();
  PortCloseByPHub();
}

void VirtualPrinter::SetLinkTimeoutMs(int ms) {
  quorla::link::SetTimeoutMs(ms);
}

std::vector<uint8_t> VirtualPrinter::Eeprom(uint8_t first, uint8_t last) const {
  std::vector<uint8_t> cells;
  for (int a = first; a <= last; ++a) cells.push_back(device().PeekEeprom(static_cast<uint8_t>(a)));
  return cells;
}

void VirtualPrinter::SetEeprom(uint8_t first, std::initializer_list<uint8_t> values) {
  int address = first;
  for (uint8_t v : values) device().PokeEeprom(static_cast<uint8_t>(address++), v);
}

std::vector<TraceEntry> VirtualPrinter::Trace() const {
  std::vector<TraceEntry> entries;
  for (const std::string& line : device().TraceLines()) {
    TraceEntry entry;
    if (ParseTraceLine(line, &entry)) {
      entries.push_back(std::move(entry));
    } else {
      ADD_FAILURE() << "unreadable trace line: " << line;
    }
  }
  return entries;
}

std::vector<TraceEntry> VirtualPrinter::Trace(const std::string& op) const {
  std::vector<TraceEntry> selected;
  for (TraceEntry& entry : Trace()) {
    if (entry.op == op) selected.push_back(std::move(entry));
  }
  return selected;
}

std::vector<std::string> VirtualPrinter::TraceOps() const {
  std::vector<std::string> ops;
  for (const TraceEntry& entry : Trace()) ops.push_back(entry.op);
  return ops;
}

std::vector<uint8_t> VirtualPrinter::PrintData() const {
  std::vector<uint8_t> bytes;
  for (const TraceEntry& entry : Trace("data")) {
    if (entry.Refused() != 0 || entry.Has("dropped")) continue;
    const std::vector<uint8_t> packet = entry.Bytes();
    bytes.insert(bytes.end(), packet.begin(), packet.end());
  }
  return bytes;
}

void VirtualPrinterTest::SetUp() {
  printer_ = std::make_unique<VirtualPrinter>();
  SetModelCodeSource(&modelCode_);
  ASSERT_EQ(printer_->Connect(), 1) << "cannot connect to the embedded virtual printer";
  // The test's trace starts with what the test does.
  printer_->ClearTrace();
}

void VirtualPrinterTest::TearDown() {
  SetModelCodeSource(nullptr);
  printer_.reset();
}

}  // namespace testing_support
