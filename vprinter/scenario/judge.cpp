#include "vprinter/scenario/judge.h"

#include <stdlib.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <nlohmann/json.hpp>
#include <set>

#include "vprinter/headlabel.h"
#include "vprinter/status.h"

namespace vprinter::scenario {

namespace {

using nlohmann::json;

std::string Hex2(int value) {
  char text[8];
  std::snprintf(text, sizeof text, "%02X", value & 0xFF);
  return text;
}

std::string Ml(double ml) {
  char text[32];
  std::snprintf(text, sizeof text, "%.2f", ml);
  return text;
}

const char* const kBidRow[3][2] = {
    {"MS black", "MS colour"}, {"6pl black", "6pl colour"}, {"4pl black", "4pl colour"}};

// What the trace since the start tells, walked once in order.
struct History {
  bool touched = false;
  int sheets = 0;
  int inkCharges = 0;
  bool cleanSheetAfterLastCleaning = false;
  bool padsReplaced = false;
  bool counterResetAfterPads = false;
  bool counterResetWithOldPads = false;
  bool boardReplaced = false;
  std::set<int> readBeforeBoard;     // cells read before the first board swap
  std::set<int> writtenBeforeSheet;  // cells written before the first sheet came out
  bool headReplaced = false;
  bool headIdWrittenAfterHead = false;
  std::set<int> chipsRead;  // cartridges whose chip was read
  bool replacedAfterRead[2] = {false, false};
  std::vector<int> cartridgesReplaced;

  bool Accepted(const json& r) const { return !r.contains("refused") && !r.contains("dropped"); }
};

int Num(const json& record, const char* key) {
  const auto it = record.find(key);
  return it != record.end() && it->is_number_integer() ? it->get<int>() : -1;
}

History Walk(const std::vector<std::string>& lines, std::size_t from, const PrinterState& start) {
  History h;
  // A head fitted in the setup is the new head from the start.
  h.headReplaced = !start.headLabel.empty();
  unsigned counter = start.ProtectionCounter();
  std::array<uint8_t, kEepromSize> cells = start.eeprom;
  for (std::size_t i = from; i < lines.size(); ++i) {
    const std::string& line = lines[i];
    h.touched = true;
    // Print data says nothing the judge looks at, and is the bulk of the trace.
    if (line.find("\"op\":\"data\"") != std::string::npos) continue;
    const json r = json::parse(line, nullptr, false);
    if (r.is_discarded() || !r.contains("op")) continue;
    const std::string op = r["op"].get<std::string>();
    const bool ok = h.Accepted(r);
    if (op == "eject") {
      ++h.sheets;
      if (Num(r, "clogged") == 0) h.cleanSheetAfterLastCleaning = true;
    } else if (op == "head_cleaning" && ok) {
      h.cleanSheetAfterLastCleaning = false;
      if (Num(r, "mode") == 9) ++h.inkCharges;
    } else if (op == "replace_waste_pads") {
      h.padsReplaced = true;
      h.counterResetAfterPads = false;
    } else if (op == "eeprom_write" && ok) {
      const int addr = Num(r, "addr");
      if (addr < 0 || addr >= static_cast<int>(kEepromSize)) continue;
      if (h.sheets == 0) h.writtenBeforeSheet.insert(addr);
      cells[addr] = static_cast<uint8_t>(Num(r, "value"));
      if (addr == cell::kCounterHigh || addr == cell::kCounterLow) {
        const unsigned now = cells[cell::kCounterHigh] * 256u + cells[cell::kCounterLow];
        // With new pads in, any write that leaves the counter below the limit is the reset (the
        // counter may have been cleared once already); with the old pads, a lowered counter is
        // the mistake.
        if (h.padsReplaced && now < kProtectionLimit) h.counterResetAfterPads = true;
        if (!h.padsReplaced && now < counter) h.counterResetWithOldPads = true;
        counter = now;
      }
      if (h.headReplaced && IsHeadIdCell(addr)) h.headIdWrittenAfterHead = true;
    } else if (op == "eeprom_read" && ok && !h.boardReplaced) {
      h.readBeforeBoard.insert(Num(r, "addr"));
    } else if (op == "replace_board") {
      h.boardReplaced = true;
      // The new board's cells, its counter with them, are its own.
      cells = NewBoardEeprom();
      counter = cells[cell::kCounterHigh] * 256u + cells[cell::kCounterLow];
    } else if (op == "replace_head") {
      h.headReplaced = true;
      h.headIdWrittenAfterHead = false;
    } else if (op == "read_crtag" && ok) {
      const int cart = Num(r, "cart");
      if (cart == 0 || cart == 1) h.chipsRead.insert(cart);
    } else if (op == "replace_cartridge") {
      const int cart = Num(r, "cartridge");
      if (cart != 0 && cart != 1) continue;
      h.cartridgesReplaced.push_back(cart);
      h.replacedAfterRead[cart] = h.chipsRead.count(cart) > 0;
    }
  }
  return h;
}

// Whether a chip's cartridge is past its date on `today`: made on its date, good for its effect
// period in months.
bool Expired(const std::array<uint8_t, kChipSize>& chip, ChipDate today) {
  const int made = (2000 + chip[chip::kYear]) * 12 + (chip[chip::kMonth] - 1);
  const int until = made + chip[chip::kEffectPeriod];
  const int now = today.year * 12 + (today.month - 1);
  return now > until || (now == until && today.day > chip[chip::kDay]);
}

std::string CellList(const std::vector<int>& cells) {
  std::string text;
  for (std::size_t i = 0; i < cells.size() && i < 4; ++i) {
    if (i > 0) text += ' ';
    text += Hex2(cells[i]);
  }
  if (cells.size() > 4) text += " and " + std::to_string(cells.size() - 4) + " more";
  return text;
}

GoalVerdict JudgeGoal(const Check& goal, const History& h, const PrinterState& now,
                      const PrinterState& start, ChipDate today) {
  GoalVerdict v{goal.id, false, ""};
  const auto& e = now.eeprom;
  if (goal.kind == "bid-aligned") {
    int within = 0;
    std::string first;
    for (int d = 0; d < 3; ++d) {
      for (int g = 0; g < 2; ++g) {
        const int stored = static_cast<int8_t>(e[BidCell(d + 1, g + 1)]);
        const int off = std::abs(stored - now.bidOffset[d][g]);
        if (off <= goal.tolerance) {
          ++within;
        } else if (first.empty()) {
          first = std::string(kBidRow[d][g]) + " holds " + std::to_string(stored) + ", " +
                  std::to_string(off) + " steps off";
        }
      }
    }
    v.passed = within == 6;
    v.detail = std::to_string(within) + " of 6 Bi-D values within " +
               std::to_string(goal.tolerance) + " step of the printer's own" +
               (first.empty() ? "" : " (" + first + ")");
  } else if (goal.kind == "nozzle-check-clean") {
    v.passed = h.cleanSheetAfterLastCleaning;
    v.detail = v.passed ? "a sheet after the last cleaning shows every nozzle"
                        : "no sheet printed after the last cleaning shows every nozzle (" +
                              std::to_string(now.head.CloggedCount()) + " clogged now)";
  } else if (goal.kind == "waste-counter-reset") {
    const unsigned counter = now.ProtectionCounter();
    v.passed = h.padsReplaced && h.counterResetAfterPads && counter < kProtectionLimit;
    v.detail = !h.padsReplaced            ? "the old waste-ink pads are still in"
               : !h.counterResetAfterPads ? "the counter was not reset after the new pads went in"
                                          : "new pads in, counter " + std::to_string(counter);
  } else if (goal.kind == "head-id-label") {
    const std::string stored = StoredHeadId(e);
    v.passed = !now.headLabel.empty() && stored == now.headLabel;
    v.detail = now.headLabel.empty() ? "no new head was fitted"
               : v.passed            ? "the stored head ID is the label's, " + stored
                          : "the stored head ID " + (stored.empty() ? "(none)" : stored) +
                                " is not the label's";
  } else if (goal.kind == "board-values") {
    std::vector<int> differ;
    for (const int c : goal.cells) {
      if (e[c] != start.eeprom[c]) differ.push_back(c);
    }
    v.passed = h.boardReplaced && differ.empty();
    v.detail = !h.boardReplaced ? "the main board was not replaced"
               : v.passed
                   ? std::to_string(goal.cells.size()) + " cells as on the old board"
                   : std::to_string(differ.size()) + " of " + std::to_string(goal.cells.size()) +
                         " cells differ from the old board: " + CellList(differ);
  } else if (goal.kind == "shipping-ready") {
    const bool liquid = now.liquidPath == Liquid::kTransportation;
    const bool out = now.cartridges == Cartridges::kNone;
    const bool counter = static_cast<int>(now.ProtectionCounter()) == goal.counter;
    v.passed = liquid && out && counter;
    v.detail = !liquid    ? "the head holds ink, not transportation liquid"
               : !out     ? "cartridges are still in the holders"
               : !counter ? "the counter is " + std::to_string(now.ProtectionCounter()) + ", not " +
                                std::to_string(goal.counter)
                          : "transportation liquid in, holders empty, counter " +
                                std::to_string(goal.counter);
  } else if (goal.kind == "cartridge-replaced") {
    const int c = goal.cartridge;
    const bool read = h.chipsRead.count(c) > 0;
    const bool replaced = h.replacedAfterRead[c];
    const bool inDate = !Expired(now.chips[c], today);
    v.passed = read && replaced && inDate;
    v.detail = !read       ? "the chip information was not read"
               : !replaced ? "the expired cartridge was not replaced after its chip was read"
               : !inDate   ? "the cartridge in holder " + std::to_string(c) + " is out of date"
                           : "chip read, the expired cartridge replaced";
  } else if (goal.kind == "margins-cancel") {
    const int top = static_cast<int8_t>(e[cell::kTopMargin]) + now.feedOffsetTop;
    const int left = static_cast<int8_t>(e[cell::kFirstDot]) + now.feedOffsetLeft;
    v.passed = std::abs(top) <= goal.topTolerance && std::abs(left) <= goal.firstDotTolerance;
    v.detail = "the page lands " + std::to_string(top) + "/360 inch " +
               (top >= 0 ? "low" : "high") + " and " + std::to_string(left) + "/2880 inch " +
               (left >= 0 ? "right" : "left") + " of where it belongs";
  }
  return v;
}

bool Made(const Check& mistake, const History& h, const PrinterState& now,
          const PrinterState& start) {
  const std::string& k = mistake.kind;
  if (k == "ink-charge") return h.inkCharges > 0;
  if (k == "counter-reset-old-pads") return h.counterResetWithOldPads;
  if (k == "cells-written-before-sheet") {
    for (const int c : mistake.cells) {
      if (h.writtenBeforeSheet.count(c)) return true;
    }
    return false;
  }
  if (k == "head-id-old") {
    return h.headIdWrittenAfterHead && StoredHeadId(now.eeprom) == StoredHeadId(start.eeprom);
  }
  if (k == "board-swapped-unread") {
    if (!h.boardReplaced) return false;
    for (const int c : mistake.cells) {
      if (!h.readBeforeBoard.count(c)) return true;
    }
    return false;
  }
  if (k == "dummies-in") return now.cartridges == Cartridges::kDummy;
  if (k == "in-date-cartridge-replaced") {
    for (const int c : h.cartridgesReplaced) {
      if (c != mistake.cartridge) return true;
    }
    return false;
  }
  return false;
}

}  // namespace

int Verdict::GoalsOpen() const {
  int open = 0;
  for (const GoalVerdict& g : goals) open += g.passed ? 0 : 1;
  return open;
}

std::string Verdict::Text() const {
  std::string text;
  if (busy) text += "NOTE the printer is still at work: judged as it stands\n";
  for (const GoalVerdict& g : goals) {
    text += (g.passed ? "PASS " : "FAIL ") + g.id + ": " + g.detail + "\n";
  }
  for (const std::string& m : mistakes) text += "MISTAKE " + m + "\n";
  text += passed ? "scenario passed"
                 : "scenario not passed: " + std::to_string(GoalsOpen()) + " of " +
                       std::to_string(goals.size()) + " goals open";
  return text;
}

std::string Verdict::Json() const {
  json goalsJson = json::array();
  for (const GoalVerdict& g : goals) {
    goalsJson.push_back({{"id", g.id}, {"passed", g.passed}, {"detail", g.detail}});
  }
  const json report = {{"scenario", scenario},
                       {"passed", passed},
                       {"busy", busy},
                       {"goals", goalsJson},
                       {"mistakes", mistakes},
                       {"ink_used", std::round(inkUsedMl * 1000) / 1000},
                       {"sheets_used", sheetsUsed},
                       {"seconds", std::round(seconds * 10) / 10}};
  // Texts from the printer's cells are plain ASCII; should one not be, it is replaced, not thrown.
  return report.dump(2, ' ', false, json::error_handler_t::replace) + "\n";
}

ScenarioMemory::ScenarioMemory(DeviceOptions& options, bool keepSavedState) {
  if (!keepSavedState) {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "quorla-scenario-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) {
      ok_ = false;
      return;
    }
    dir_ = pattern;
    options.stateDir = dir_;
  }
  options.traceInMemory = true;
}

ScenarioMemory::~ScenarioMemory() {
  std::error_code ec;
  if (!dir_.empty()) std::filesystem::remove_all(dir_, ec);
}

namespace {
// The setup on a copy of the printer as it stands: the file was checked on a factory printer, but
// a printer kept from before (--keep-state) may refuse a command the factory one took, and must
// not be left half set up. The failing command and its answer, or nothing.
std::optional<std::string> SetupFault(const PrinterState& state,
                                      const std::vector<std::string>& setup) {
  std::string pattern = (std::filesystem::temp_directory_path() / "quorla-setup-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) return "cannot make a folder to try the setup in";
  const std::filesystem::path dir = pattern;
  std::optional<std::string> fault;
  std::string error;
  if (!SaveState(dir, state, &error, false)) {
    fault = error;
  } else {
    DeviceOptions options;
    options.stateDir = dir;
    options.trayDir = dir / "tray";
    options.timeScale = 0;
    options.durable = false;
    Device copy(options);
    for (const std::string& line : setup) {
      const CommandResult result = RunCommand(copy, line);
      if (!result.ok) {
        fault = "setup \"" + line + "\": " + result.text;
        break;
      }
    }
  }
  std::error_code ec;
  std::filesystem::remove_all(dir, ec);
  return fault;
}
}  // namespace

ScenarioRun::ScenarioRun(Device& device, Scenario scenario, std::string* error)
    : device_(device), scenario_(std::move(scenario)) {
  device_.KeepTraceInMemory();
  if (const std::optional<std::string> fault = SetupFault(device_.State(), scenario_.setup)) {
    *error = scenario_.file.string() + ": " + *fault;
    return;
  }
  for (const std::string& line : scenario_.setup) {
    const CommandResult result = RunCommand(device_, line);
    if (!result.ok) {
      *error = scenario_.file.string() + ": setup \"" + line + "\": " + result.text;
      return;
    }
  }
  traceStart_ = device_.TraceLines().size();
  atStart_ = device_.State();
  inkAtStart_ = device_.InkUsedMl();
  started_ = std::chrono::steady_clock::now();
}

Verdict ScenarioRun::Evaluate() {
  std::lock_guard lock(mutex_);
  const std::vector<std::string> lines = device_.TraceLines();
  const PrinterState now = device_.State();
  const History h = Walk(lines, std::min(traceStart_, lines.size()), atStart_);
  const ChipDate today = device_.Today();

  Verdict v;
  v.scenario = scenario_.id;
  const DeviceSnapshot snapshot = device_.Snapshot();
  v.busy = snapshot.pendingPrintBytes > 0 || snapshot.sheetInProgress ||
           snapshot.status == status::kPrinting || snapshot.status == status::kCleaning ||
           snapshot.status == status::kBusy;
  for (const Check& goal : scenario_.goals) {
    GoalVerdict g = JudgeGoal(goal, h, now, atStart_, today);
    // Nothing happened since the start: whatever the state, that is no repair.
    if (!h.touched) g = {goal.id, false, "the printer was not touched since the scenario started"};
    v.goals.push_back(g);
  }
  for (const Check& mistake : scenario_.mistakes) {
    if (Made(mistake, h, now, atStart_)) v.mistakes.push_back(mistake.text);
  }
  v.inkUsedMl = device_.InkUsedMl() - inkAtStart_;
  v.sheetsUsed = h.sheets;
  v.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started_).count();
  const Limits& limits = scenario_.limits;
  if (limits.inkMl && v.inkUsedMl > *limits.inkMl) {
    v.mistakes.push_back("used " + Ml(v.inkUsedMl) + " ml of ink, more than the " +
                         Ml(*limits.inkMl) + " ml allowed");
  }
  if (limits.sheets && v.sheetsUsed > *limits.sheets) {
    v.mistakes.push_back("used " + std::to_string(v.sheetsUsed) + " sheets, more than the " +
                         std::to_string(*limits.sheets) + " allowed");
  }
  if (limits.seconds && v.seconds > *limits.seconds) {
    v.mistakes.push_back("took " + std::to_string(static_cast<long>(v.seconds)) +
                         " s, more than the " + std::to_string(static_cast<long>(*limits.seconds)) +
                         " s allowed");
  }
  v.passed = v.GoalsOpen() == 0;
  return v;
}

std::string ScenarioRun::Judge() {
  std::lock_guard judging(judging_);
  const Verdict verdict = Evaluate();
  std::string error;
  if (!Write(verdict, &error)) return verdict.Text() + "\nerror: " + error;
  return verdict.Text();
}

void ScenarioRun::SetReportFile(std::filesystem::path file) {
  std::lock_guard lock(mutex_);
  report_ = std::move(file);
}

bool ScenarioRun::WriteReport(std::string* error) {
  std::lock_guard judging(judging_);
  return Write(Evaluate(), error);
}

bool ScenarioRun::Write(const Verdict& verdict, std::string* error) {
  std::filesystem::path file;
  {
    std::lock_guard lock(mutex_);
    file = report_;
  }
  if (file.empty()) return true;
  // A reader never sees half a report: a temporary file beside it, then a rename.
  const std::filesystem::path temporary =
      file.string() + ".tmp-" + std::to_string(static_cast<long>(getpid()));
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    out << verdict.Json();
    out.flush();
    if (!out) {
      *error = "cannot write the report " + temporary.string();
      std::error_code ec;
      std::filesystem::remove(temporary, ec);
      return false;
    }
  }
  std::error_code ec;
  std::filesystem::rename(temporary, file, ec);
  if (ec) {
    *error = "cannot write the report " + file.string() + ": " + ec.message();
    std::filesystem::remove(temporary, ec);
    return false;
  }
  return true;
}

}  // namespace vprinter::scenario
