// A training scenario: one JSON file (docs/scenarios.md) with an id, a title, the customer's
// complaint, the setup (operator commands), the goals the printer judges, the mistakes it looks
// for and optional limits. Read and checked whole before anything is set up: a file at fault is
// refused with its path and the line or key at fault.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace vprinter::scenario {

// One goal or mistake: its id, its kind (what the printer judges) and the kind's parameters.
struct Check {
  std::string id;
  std::string kind;
  std::string text;           // a mistake's words in the verdict ("" for a goal)
  int tolerance = 0;          // bid-aligned
  int topTolerance = 0;       // margins-cancel
  int firstDotTolerance = 0;  // margins-cancel
  int cartridge = 0;          // cartridge-replaced, in-date-cartridge-replaced
  int counter = 0;            // shipping-ready
  std::vector<int> cells;     // board-values, cells-written-before-sheet, board-swapped-unread
};

struct Limits {
  std::optional<double> inkMl;
  std::optional<int> sheets;
  std::optional<double> seconds;
};

struct Scenario {
  std::filesystem::path file;
  std::string id;
  std::string title;
  std::string complaint;
  std::vector<std::string> setup;
  std::vector<Check> goals;
  std::vector<Check> mistakes;
  Limits limits;
};

// The file read and checked, setup commands included (each is tried on a printer of its own);
// nullopt with *error "PATH:LINE: ..." or "PATH: key K: ..." when it is at fault.
std::optional<Scenario> LoadScenario(const std::filesystem::path& file, std::string* error);

// Where the installed scenarios are: $QUORLA_SCENARIO_DIR, else share/quorla-adjust/scenarios
// beside the program's installation, else the source tree's scenarios/.
std::filesystem::path ScenarioDirectory();
// A scenario named by its file or by its id (ID.json in the scenario directory).
std::filesystem::path FindScenario(const std::string& fileOrId);
// "ID  TITLE" per installed scenario, sorted by id; a file that does not load is listed with
// its fault.
std::vector<std::string> ListScenarios();

}  // namespace vprinter::scenario
