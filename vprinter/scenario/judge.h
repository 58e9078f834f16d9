// A training scenario running on a printer: the setup applied, and from then on the printer's own
// state and trace judged against the scenario's goals and mistakes, never the program's windows.
#pragma once

#include <chrono>
#include <filesystem>
#include <mutex>
#include <string>
#include <vector>

#include "vprinter/commands.h"
#include "vprinter/device.h"
#include "vprinter/scenario/scenario.h"

namespace vprinter::scenario {

struct GoalVerdict {
  std::string id;
  bool passed = false;
  std::string detail;
};

struct Verdict {
  std::string scenario;
  bool passed = false;
  bool busy = false;  // judged while a print or a sequence was still running
  std::vector<GoalVerdict> goals;
  std::vector<std::string> mistakes;
  double inkUsedMl = 0;
  int sheetsUsed = 0;
  double seconds = 0;

  int GoalsOpen() const;
  // "PASS g: ...", "FAIL g: ...", "MISTAKE ...", then "scenario passed" or "scenario not passed:
  // N of M goals open".
  std::string Text() const;
  std::string Json() const;
};

// The printer a scenario starts on: its trace kept in memory for the judge and, unless the saved
// printer is to be kept, a memory of its own in a temporary directory that goes with this object,
// so the saved printer is neither read nor overwritten.
class ScenarioMemory {
 public:
  ScenarioMemory(DeviceOptions& options, bool keepSavedState);
  ~ScenarioMemory();
  ScenarioMemory(const ScenarioMemory&) = delete;
  ScenarioMemory& operator=(const ScenarioMemory&) = delete;
  // False when the temporary directory could not be made (the options are then unchanged).
  bool ok() const { return ok_; }
  // Whether the printer's memory is a temporary one that goes with this object.
  bool Temporary() const { return !dir_.empty(); }

 private:
  std::filesystem::path dir_;
  bool ok_ = true;
};

class ScenarioRun : public Training {
 public:
  // Applies the setup to the printer (which keeps its trace in memory from now on) and starts the
  // record. The setup was tried when the scenario was loaded; a command that fails here all the
  // same is in *error and the run must not go on.
  ScenarioRun(Device& device, Scenario scenario, std::string* error);
  ScenarioRun(const ScenarioRun&) = delete;
  ScenarioRun& operator=(const ScenarioRun&) = delete;

  const Scenario& scenario() const { return scenario_; }
  // What the printer judges now; the report file is rewritten with it.
  Verdict Evaluate();
  // Training: the verdict's lines.
  std::string Judge() override;
  // Writes the report of the latest verdict (or of a fresh one) to this file from now on, at every
  // judge and at WriteReport (atomically: temporary file, then rename). Empty: none.
  void SetReportFile(std::filesystem::path file);
  // The report now (at exit); false, and why, when it cannot be written.
  bool WriteReport(std::string* error);

 private:
  bool Write(const Verdict& verdict, std::string* error);

  Device& device_;
  Scenario scenario_;
  std::mutex mutex_;
  // One judge at a time, its verdict and its report together: the panel's button, the command
  // line and the end of the run may judge at once, and a report must not be an older verdict.
  std::mutex judging_;
  std::size_t traceStart_ = 0;
  std::chrono::steady_clock::time_point started_;
  double inkAtStart_ = 0;
  PrinterState atStart_;
  std::filesystem::path report_;
};

}  // namespace vprinter::scenario
