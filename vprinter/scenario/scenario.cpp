#include "vprinter/scenario/scenario.h"

#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <nlohmann/json.hpp>
#include <set>
#include <sstream>

#include "vprinter/commands.h"
#include "vprinter/device.h"

namespace vprinter::scenario {

namespace {

// Far above any scenario (the largest shipped is under 1 KiB).
constexpr std::size_t kMaxScenarioBytes = 256 * 1024;

using nlohmann::json;

// A fault in the file at a key.
struct Fault {
  std::string key;
  std::string what;
};

// The goal and mistake kinds the judge knows, and the parameters each takes.
struct KindInfo {
  const char* name;
  bool goal;
  std::vector<std::string> parameters;
};
const KindInfo kKinds[] = {
    {"bid-aligned", true, {"tolerance"}},
    {"nozzle-check-clean", true, {}},
    {"waste-counter-reset", true, {}},
    {"head-id-label", true, {}},
    {"board-values", true, {"cells"}},
    {"shipping-ready", true, {"counter"}},
    {"cartridge-replaced", true, {"cartridge"}},
    {"margins-cancel", true, {"top_tolerance", "first_dot_tolerance"}},
    {"ink-charge", false, {}},
    {"counter-reset-old-pads", false, {}},
    {"cells-written-before-sheet", false, {"cells"}},
    {"head-id-old", false, {}},
    {"board-swapped-unread", false, {"cells"}},
    {"dummies-in", false, {}},
    {"in-date-cartridge-replaced", false, {"cartridge"}},
};

const json& Need(const json& object, const std::string& key, const std::string& at) {
  if (!object.contains(key)) throw Fault{at + key, "is missing"};
  return object.at(key);
}

std::string Text(const json& object, const std::string& key, const std::string& at) {
  const json& value = Need(object, key, at);
  if (!value.is_string() || value.get<std::string>().empty()) {
    throw Fault{at + key, "must be a text that is not empty"};
  }
  return value.get<std::string>();
}

int Int(const json& object, const std::string& key, const std::string& at, int low, int high) {
  const json& value = Need(object, key, at);
  if (!value.is_number_integer() || value.get<long long>() < low || value.get<long long>() > high) {
    throw Fault{at + key, "must be a whole number from " + std::to_string(low) + " to " +
                              std::to_string(high)};
  }
  return static_cast<int>(value.get<long long>());
}

// Cells as "0A", "10-1F" (hexadecimal, ranges inclusive).
std::vector<int> Cells(const json& object, const std::string& at) {
  const json& list = Need(object, "cells", at);
  if (!list.is_array() || list.empty()) throw Fault{at + "cells", "must be a list of cells"};
  std::vector<int> cells;
  for (std::size_t i = 0; i < list.size(); ++i) {
    const std::string key = at + "cells[" + std::to_string(i) + "]";
    if (!list[i].is_string())
      throw Fault{key, "must be a cell in hex (\"0A\") or a range (\"10-1F\")"};
    const std::string text = list[i].get<std::string>();
    unsigned first = 0, last = 0;
    char dash = 0;
    std::istringstream in(text);
    in >> std::hex >> first;
    bool ok = !in.fail();
    if (ok && in >> dash)
      ok = dash == '-' && static_cast<bool>(in >> std::hex >> last);
    else
      last = first;
    in >> std::ws;
    if (!ok || !in.eof() || first > 255 || last > 255 || last < first) {
      throw Fault{key, "must be a cell in hex (\"0A\") or a range (\"10-1F\")"};
    }
    for (unsigned c = first; c <= last; ++c) cells.push_back(static_cast<int>(c));
  }
  return cells;
}

Check ReadCheck(const json& object, const std::string& at, bool goal) {
  if (!object.is_object()) throw Fault{at.substr(0, at.size() - 1), "must be an object"};
  Check check;
  check.id = Text(object, "id", at);
  check.kind = Text(object, "kind", at);
  const auto known = std::find_if(std::begin(kKinds), std::end(kKinds), [&](const KindInfo& k) {
    return check.kind == k.name && k.goal == goal;
  });
  if (known == std::end(kKinds)) {
    throw Fault{at + "kind", std::string("is no ") + (goal ? "goal" : "mistake") +
                                 " the printer can judge: " + check.kind};
  }
  if (!goal) check.text = Text(object, "text", at);
  // A misspelt parameter would otherwise be passed over silently.
  for (const auto& [key, value] : object.items()) {
    const bool knownKey = key == "id" || key == "kind" || (!goal && key == "text") ||
                          std::find(known->parameters.begin(), known->parameters.end(), key) !=
                              known->parameters.end();
    if (!knownKey) throw Fault{at + key, "is no parameter of " + check.kind};
  }
  const std::string& k = check.kind;
  if (k == "bid-aligned") check.tolerance = Int(object, "tolerance", at, 0, 40);
  if (k == "margins-cancel") {
    check.topTolerance = Int(object, "top_tolerance", at, 0, 50);
    check.firstDotTolerance = Int(object, "first_dot_tolerance", at, 0, 72);
  }
  if (k == "cartridge-replaced" || k == "in-date-cartridge-replaced") {
    check.cartridge = Int(object, "cartridge", at, 0, 1);
  }
  if (k == "shipping-ready") check.counter = Int(object, "counter", at, 0, 0xFFFF);
  if (k == "board-values" || k == "cells-written-before-sheet" || k == "board-swapped-unread") {
    check.cells = Cells(object, at);
  }
  return check;
}

std::vector<Check> ReadChecks(const json& root, const std::string& key, bool goal) {
  const json& list = goal ? Need(root, key, "") : root.value(key, json::array());
  if (!list.is_array() || (goal && list.empty())) {
    throw Fault{key, goal ? "must be a list of one goal or more" : "must be a list"};
  }
  std::vector<Check> checks;
  std::set<std::string> ids;
  for (std::size_t i = 0; i < list.size(); ++i) {
    const std::string at = key + "[" + std::to_string(i) + "].";
    checks.push_back(ReadCheck(list[i], at, goal));
    if (!ids.insert(checks.back().id).second) throw Fault{at + "id", "is given twice"};
  }
  return checks;
}

// Every setup command tried in order on a printer of its own, so a scenario never starts half
// set up.
void TrySetup(const std::vector<std::string>& setup) {
  DeviceOptions options;
  options.timeScale = 0;
  options.durable = false;
  Device scratch(options);
  for (std::size_t i = 0; i < setup.size(); ++i) {
    const CommandResult result = RunCommand(scratch, setup[i]);
    if (!result.ok || result.quit) {
      throw Fault{"setup[" + std::to_string(i) + "]",
                  result.quit ? "may not stop the printer" : result.text};
    }
  }
}

Scenario Read(const json& root) {
  if (!root.is_object()) throw Fault{"(top)", "must be an object"};
  Scenario s;
  s.id = Text(root, "id", "");
  if (s.id.find_first_not_of("abcdefghijklmnopqrstuvwxyz0123456789-") != std::string::npos) {
    throw Fault{"id", "may hold only a..z, 0..9 and -"};
  }
  s.title = Text(root, "title", "");
  s.complaint = Text(root, "complaint", "");
  const json& setup = root.value("setup", json::array());
  if (!setup.is_array()) throw Fault{"setup", "must be a list of operator commands"};
  for (std::size_t i = 0; i < setup.size(); ++i) {
    if (!setup[i].is_string()) throw Fault{"setup[" + std::to_string(i) + "]", "must be a command"};
    s.setup.push_back(setup[i].get<std::string>());
  }
  s.goals = ReadChecks(root, "goals", true);
  s.mistakes = ReadChecks(root, "mistakes", false);
  if (root.contains("limits")) {
    const json& limits = root.at("limits");
    if (!limits.is_object()) throw Fault{"limits", "must be an object"};
    for (const auto& [key, value] : limits.items()) {
      if (key != "ink_ml" && key != "sheets" && key != "seconds") {
        throw Fault{"limits." + key, "is no limit (ink_ml, sheets, seconds)"};
      }
      if (!value.is_number() || value.get<double>() <= 0) {
        throw Fault{"limits." + key, "must be a number above 0"};
      }
    }
    if (limits.contains("ink_ml")) s.limits.inkMl = limits.at("ink_ml").get<double>();
    if (limits.contains("sheets")) s.limits.sheets = Int(limits, "sheets", "limits.", 1, 100000);
    if (limits.contains("seconds")) s.limits.seconds = limits.at("seconds").get<double>();
  }
  for (const auto& [key, value] : root.items()) {
    static const std::set<std::string> known = {"id",    "title",    "complaint", "setup",
                                                "goals", "mistakes", "limits"};
    if (!known.count(key)) throw Fault{key, "is no key of a scenario"};
  }
  TrySetup(s.setup);
  return s;
}

int LineOf(const std::string& text, std::size_t byte) {
  const std::size_t end = std::min(byte, text.size());
  return 1 +
         static_cast<int>(std::count(text.begin(), text.begin() + static_cast<long>(end), '\n'));
}

}  // namespace

std::optional<Scenario> LoadScenario(const std::filesystem::path& file, std::string* error) {
  // A directory is no file, and what goes on past any scenario's size (a device, a pipe that does
  // not end) is read no further.
  std::error_code ec;
  std::ifstream in;
  if (!std::filesystem::is_directory(file, ec)) in.open(file, std::ios::binary);
  if (!in.is_open() || !in) {
    *error = file.string() + ": cannot be read";
    return std::nullopt;
  }
  std::string text(kMaxScenarioBytes + 1, '\0');
  in.read(text.data(), static_cast<std::streamsize>(text.size()));
  if (in.bad()) {
    *error = file.string() + ": cannot be read";
    return std::nullopt;
  }
  text.resize(static_cast<std::size_t>(in.gcount()));
  if (text.size() > kMaxScenarioBytes) {
    *error = file.string() + ": is larger than a scenario file may be (" +
             std::to_string(kMaxScenarioBytes / 1024) + " KiB)";
    return std::nullopt;
  }
  json root;
  try {
    root = json::parse(text);
  } catch (const json::parse_error& e) {
    // The library's message names the byte; the line is what an editor shows.
    const int line = LineOf(text, e.byte == 0 ? 0 : e.byte - 1);
    std::string what = e.what();
    if (const std::size_t at = what.find("syntax error"); at != std::string::npos)
      what = what.substr(at);
    *error = file.string() + ":" + std::to_string(line) + ": " + what;
    return std::nullopt;
  } catch (const json::exception& e) {
    // A number too large for a double, say.
    *error = file.string() + ": " + e.what();
    return std::nullopt;
  }
  try {
    Scenario s = Read(root);
    s.file = file;
    return s;
  } catch (const Fault& fault) {
    *error = file.string() + ": key " + fault.key + ": " + fault.what;
  } catch (const json::exception& e) {
    *error = file.string() + ": " + e.what();
  }
  return std::nullopt;
}

std::filesystem::path ScenarioDirectory() {
  if (const char* dir = std::getenv("QUORLA_SCENARIO_DIR"); dir != nullptr && *dir != '\0') {
    return dir;
  }
  std::error_code ec;
  const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (!ec) {
    const std::filesystem::path installed =
        self.parent_path().parent_path() / "share" / "quorla-adjust" / "scenarios";
    if (std::filesystem::is_directory(installed, ec)) return installed;
  }
  return QUORLA_SOURCE_SCENARIOS;
}

std::filesystem::path FindScenario(const std::string& fileOrId) {
  std::error_code ec;
  if (std::filesystem::is_regular_file(fileOrId, ec) || fileOrId.find('/') != std::string::npos ||
      fileOrId.ends_with(".json")) {
    return fileOrId;
  }
  return ScenarioDirectory() / (fileOrId + ".json");
}

std::vector<std::string> ListScenarios() {
  std::vector<std::filesystem::path> files;
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(ScenarioDirectory(), ec)) {
    if (entry.path().extension() == ".json" && !entry.is_directory(ec)) {
      files.push_back(entry.path());
    }
  }
  std::sort(files.begin(), files.end());
  std::vector<std::string> lines;
  for (const auto& file : files) {
    std::string error;
    std::optional<Scenario> s = LoadScenario(file, &error);
    // A listed id is what `--scenario ID` finds: the file must be named after it.
    if (s && s->id != file.stem()) {
      error = file.string() + ": key id: must be the file's name without .json (" +
              file.stem().string() + ")";
      s.reset();
    }
    if (s) {
      std::string line = s->id;
      line.append(s->id.size() < 20 ? 20 - s->id.size() : 1, ' ');
      lines.push_back(line + s->title);
    } else {
      lines.push_back(error);
    }
  }
  return lines;
}

}  // namespace vprinter::scenario
