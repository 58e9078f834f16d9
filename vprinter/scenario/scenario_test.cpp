// The shipped scenarios against the embedded printer, driven through the libraries as the program
// drives them: untouched, a scenario never passes; the repair passes; a typical wrong repair
// leaves a goal open and names its mistake. The scenario files are the table; the repairs are
// the program's units.
#include <gtest/gtest.h>

#include <QDate>
#include <algorithm>
#include <atomic>
#include <fstream>
#include <nlohmann/json.hpp>
#include <thread>

#include "crtag/crtag.h"
#include "eeprom/cellaccess.h"
#include "eeprom/headid.h"
#include "link/mechcmd.h"
#include "link/modelcode.h"
#include "maintenance/eeprombackup.h"
#include "maintenance/liquidexchange.h"
#include "maintenance/maintenance.h"
#include "makerlibs/d4/embeddedentry.h"
#include "print/bidpattern.h"
#include "print/checkpatterns.h"
#include "print/raster.h"
#include "tests/support/fakes.h"
#include "tests/support/vprinterfixture.h"
#include "vprinter/embed/embeddedhub.h"
#include "vprinter/headlabel.h"
#include "vprinter/scenario/judge.h"
#include "vprinter/tempdir_test.h"

namespace {

using vprinter::scenario::FindScenario;
using vprinter::scenario::LoadScenario;
using vprinter::scenario::Scenario;
using vprinter::scenario::ScenarioRun;
using vprinter::scenario::Verdict;

class ScenarioTest : public testing_support::VirtualPrinterTest {
 public:
  // An operator command at the printer, which must be taken.
  void Operate(const std::string& command) {
    ASSERT_TRUE(vprinter::RunCommand(printer().device(), command).ok) << command;
  }

 protected:
  void Start(const std::string& id) {
    std::string error;
    std::optional<Scenario> s = LoadScenario(FindScenario(id), &error);
    ASSERT_TRUE(s) << error;
    run_ = std::make_unique<ScenarioRun>(printer().device(), *s, &error);
    ASSERT_EQ(error, "");
    const Verdict untouched = run_->Evaluate();
    EXPECT_FALSE(untouched.passed) << untouched.Text();
    EXPECT_NE(untouched.Text().find("scenario not passed:"), std::string::npos);
  }
  Verdict Judge() { return run_->Evaluate(); }
  // The verdict lines name the mistake, and a goal stays open.
  void ExpectWrong(const std::string& mistake) {
    const Verdict v = Judge();
    EXPECT_FALSE(v.passed) << v.Text();
    EXPECT_NE(std::find(v.mistakes.begin(), v.mistakes.end(), mistake), v.mistakes.end())
        << v.Text();
    EXPECT_NE(v.Text().find("MISTAKE " + mistake), std::string::npos);
  }
  void ExpectPassed() {
    const Verdict v = Judge();
    EXPECT_TRUE(v.passed) << v.Text();
    EXPECT_EQ(v.Text().substr(v.Text().rfind('\n') + 1), "scenario passed");
  }
  // A sheet out of the printer: the pattern, then the job ends with the connection.
  void PrintAndEject(const std::function<ResultCode(RasterJob&)>& pattern) {
    RasterJob job;
    ASSERT_EQ(pattern(job), rc::Success);
    ASSERT_EQ(job.FlushData(), rc::Success);
    printer().Disconnect();
    ASSERT_EQ(printer().Connect(), 1);
  }
  void Write(uint8_t cell, uint8_t value) {
    ASSERT_EQ(eeprom::WriteCell(cell, value), rc::Success);
  }
  int16_t Clean(uint8_t mode) {
    return HeadCleaning(QUORLA_Z40_MODEL_CODE_1, QUORLA_Z40_MODEL_CODE_2, mode);
  }

  testing_support::FakeSleep sleep_;
  std::unique_ptr<ScenarioRun> run_;
};

TEST_F(ScenarioTest, BidDrift) {
  Start("bid-drift");
  // Values typed in without a pattern on paper.
  for (uint8_t c = 0x33; c <= 0x38; ++c) Write(c, 0);
  ExpectWrong("Bi-D values stored before a pattern was printed");
  // The pattern read: the stored values are the printer's own (the test reads them where the
  // technician reads the sheet).
  PrintAndEject([](RasterJob& job) { return BidPattern().PrintBidPattern(job); });
  const vprinter::PrinterState state = printer().device().State();
  for (int d = 1; d <= 3; ++d) {
    for (int g = 1; g <= 2; ++g) {
      Write(vprinter::BidCell(d, g), static_cast<uint8_t>(state.bidOffset[d - 1][g - 1] + 1));
    }
  }
  ExpectPassed();
}

// Done in the right order, with the tray slow to write the pattern: no mistake is named.
TEST_F(ScenarioTest, BidDriftRepairedInOrder) {
  Start("bid-drift");
  printer().device().HoldSheetWriter(true);
  PrintAndEject([](RasterJob& job) { return BidPattern().PrintBidPattern(job); });
  const vprinter::PrinterState state = printer().device().State();
  for (int d = 1; d <= 3; ++d) {
    for (int g = 1; g <= 2; ++g) {
      Write(vprinter::BidCell(d, g), static_cast<uint8_t>(state.bidOffset[d - 1][g - 1]));
    }
  }
  printer().device().HoldSheetWriter(false);
  ExpectPassed();
  EXPECT_TRUE(Judge().mistakes.empty()) << Judge().Text();
}

TEST_F(ScenarioTest, CloggedNozzles) {
  Start("clogged-nozzles");
  // An initial ink charge frees every nozzle but is not what a clog needs, and nothing was printed
  // after it to show the head.
  ASSERT_EQ(Clean(9), 1);
  ExpectWrong("a needless initial ink charge (the head was full of ink)");
  // A judge while a cleaning runs judges the printer as it stands, and says so first.
  Operate("time-scale 1");
  ASSERT_EQ(Clean(2), 1);
  const Verdict during = Judge();
  EXPECT_TRUE(during.busy);
  EXPECT_EQ(during.Text().rfind("NOTE the printer is still at work", 0), 0u) << during.Text();
  Operate("time-scale 0");
}

TEST_F(ScenarioTest, CloggedNozzlesCleanedAndChecked) {
  Start("clogged-nozzles");
  auto check = [](RasterJob& job) {
    const ResultCode black = CheckPatterns().PrintBlackNozzleCheck(job);
    return black != rc::Success ? black : CheckPatterns().PrintColorNozzleCheck(job);
  };
  // A check while nozzles are still clogged shows the gaps: not yet.
  ASSERT_EQ(Clean(2), 1);
  PrintAndEject(check);
  EXPECT_FALSE(Judge().passed);
  // A check printed with the gaps and still being written to the tray while the head is cleaned:
  // the sheet shows the gaps, whenever it is written.
  printer().device().HoldSheetWriter(true);
  PrintAndEject(check);
  for (int i = 0; i < 10 && printer().device().Head().CloggedCount() > 0; ++i) {
    ASSERT_EQ(Clean(2), 1);
  }
  ASSERT_EQ(printer().device().Head().CloggedCount(), 0);
  printer().device().HoldSheetWriter(false);
  printer().device().FinishSheets();
  EXPECT_FALSE(Judge().passed);
  PrintAndEject(check);
  ExpectPassed();
  EXPECT_TRUE(Judge().mistakes.empty()) << Judge().Text();
}

TEST_F(ScenarioTest, WasteInkFull) {
  Start("waste-ink-full");
  ASSERT_EQ(Maintenance().ClearProtectionCounter(), rc::Success);
  ExpectWrong("the waste-ink counter was reset with the old pads in");
  Operate("replace-waste-pads");
  // New pads alone do not reset the counter: the goal waits for a reset after them.
  EXPECT_FALSE(Judge().passed);
  ASSERT_EQ(Maintenance().ClearProtectionCounter(), rc::Success);
  ExpectPassed();
}

TEST_F(ScenarioTest, NewHead) {
  const std::string oldId = vprinter::StoredHeadId(printer().device().Eeprom());
  Start("new-head");
  const std::string label = printer().device().HeadLabel();
  ASSERT_EQ(vprinter::HeadLabelFault(label), "");
  ASSERT_FALSE(oldId.empty());
  // The factory head's ID as the program would write it again.
  ASSERT_EQ(HeadId().WriteHeadId(oldId), rc::Success);
  ExpectWrong("the old head's ID was written back");
  ASSERT_EQ(HeadId().WriteHeadId(label), rc::Success);
  ExpectPassed();
}

TEST_F(ScenarioTest, BoardSwap) {
  Start("board-swap");
  EepromBackup::Values values{};
  ASSERT_EQ(EepromBackup().Read(&values), rc::Success);
  printer().Disconnect();
  Operate("power-off");
  Operate("replace-board");
  // Across the power cycle: the run goes on judging the new board.
  Operate("power-on");
  ASSERT_EQ(printer().Connect(), 1);
  EXPECT_FALSE(Judge().passed);
  ASSERT_EQ(EepromBackup().Write(values), rc::Success);
  ExpectPassed();
}

TEST_F(ScenarioTest, BoardSwappedWithoutBackup) {
  Start("board-swap");
  printer().Disconnect();
  Operate("power-off");
  Operate("replace-board");
  Operate("power-on");
  ExpectWrong("the main board was replaced before its values were read");
}

void Exchange(std::span<const MechanismStep> steps) {
  SequenceReport report;
  EXPECT_EQ(LiquidExchange().Run(steps, &report), rc::Success) << report.firstCall;
}

// The transportation liquid exchange as its panels walk the technician through it; the dummies
// come out before exchange 2 unless a trainee forgets them.
void LiquidExchangeSteps(ScenarioTest& test, bool takeTheDummiesOut) {
  Exchange(liquidexchange::ToReplacementPosition());
  test.Operate("install-dummies");
  Exchange(liquidexchange::BackHome());
  Exchange(liquidexchange::Exchange1());
  if (takeTheDummiesOut) {
    Exchange(liquidexchange::ToReplacementPositionAgain());
    test.Operate("remove-cartridges");
  }
  Exchange(liquidexchange::Exchange2());
  ASSERT_EQ(LiquidExchange().RewriteEeprom(0), rc::Success);
}

TEST_F(ScenarioTest, Shipping) {
  Start("shipping");
  LiquidExchangeSteps(*this, true);
  ExpectPassed();
}

TEST_F(ScenarioTest, ShippingWithTheDummiesIn) {
  Start("shipping");
  LiquidExchangeSteps(*this, false);
  ExpectWrong("the dummy cartridges were left in");
}

TEST_F(ScenarioTest, ExpiredCartridge) {
  Start("expired-cartridge");
  // The colour cartridge is in date: replacing it fixes nothing.
  Operate("replace-cartridge 1");
  ExpectWrong("a cartridge in date was replaced");
  std::string text;
  EXPECT_EQ(Crtag().CrtagUniqueText(Crtag::kBlack, &text), rc::CartridgeExpired);
  Operate("replace-cartridge 0");
  const Verdict v = Judge();
  EXPECT_TRUE(v.passed) << v.Text();
  // The new cartridge is in date by the program's own reading of its chip.
  EXPECT_EQ(Crtag().CrtagUniqueText(Crtag::kBlack, &text), rc::Success);
}

TEST_F(ScenarioTest, FirstDotOffset) {
  Start("first-dot-offset");
  Write(0x2E, 0xE7);
  ExpectWrong("margins stored before a check page was printed");
  PrintAndEject([](RasterJob& job) { return CheckPatterns().PrintTopMarginLine(job); });
  Write(0x39, 40);
  ExpectPassed();
}

// A limit gone over is a mistake beside the goals; the report says the same as JSON, whole.
TEST_F(ScenarioTest, LimitsAndTheReport) {
  const vprinter::TempDir dir("quorla-limits");
  const std::filesystem::path file = dir.path() / "limits.json";
  std::ofstream(file) << R"({"id": "limits", "title": "t", "complaint": "c",
    "goals": [{"id": "clean", "kind": "nozzle-check-clean"}], "limits": {"sheets": 1}})";
  std::string error;
  std::optional<Scenario> s = LoadScenario(file, &error);
  std::filesystem::remove(file);
  ASSERT_TRUE(s) << error;
  run_ = std::make_unique<ScenarioRun>(printer().device(), *s, &error);
  const std::filesystem::path report = dir.path() / "limits-report.json";
  run_->SetReportFile(report);
  auto sheet = [](RasterJob& job) { return CheckPatterns().PrintBlackNozzleCheck(job); };
  PrintAndEject(sheet);
  PrintAndEject(sheet);
  const std::string text = run_->Judge();
  EXPECT_NE(text.find("PASS clean: "), std::string::npos) << text;
  EXPECT_NE(text.find("MISTAKE used 2 sheets, more than the 1 allowed"), std::string::npos) << text;
  EXPECT_EQ(text.substr(text.rfind('\n') + 1), "scenario passed");

  std::ifstream in(report);
  const nlohmann::json json = nlohmann::json::parse(in);
  EXPECT_EQ(json["scenario"], "limits");
  EXPECT_EQ(json["passed"], true);
  EXPECT_EQ(json["goals"][0]["id"], "clean");
  EXPECT_EQ(json["sheets_used"], 2);
  EXPECT_EQ(json["mistakes"].size(), 1u);
  EXPECT_GT(json["ink_used"].get<double>(), 0);
  // Judged from the panel and the command line at once: every report is written whole.
  std::atomic<int> failed{0};
  auto judgeOften = [&] {
    for (int i = 0; i < 40; ++i) failed += run_->Judge().find("error: ") != std::string::npos;
  };
  std::thread panel(judgeOften);
  judgeOften();
  panel.join();
  EXPECT_EQ(failed.load(), 0);
  // Nothing but the report itself is left beside it.
  for (const auto& entry : std::filesystem::directory_iterator(report.parent_path())) {
    EXPECT_EQ(entry.path().string().find("limits-report.json.tmp"), std::string::npos);
  }
}

// A printer kept from before may refuse a setup the factory printer took: the scenario does not
// start, and the printer is as it was.
TEST_F(ScenarioTest, ASetupTheKeptPrinterRefusesLeavesItAsItWas) {
  const vprinter::TempDir dir("quorla-kept");
  const std::filesystem::path file = dir.path() / "kept.json";
  std::ofstream(file) << R"({"id": "kept", "title": "t", "complaint": "c",
    "setup": ["eeprom 0x10 0x55", "clog random 30 7"],
    "goals": [{"id": "clean", "kind": "nozzle-check-clean"}]})";
  std::string error;
  std::optional<Scenario> s = LoadScenario(file, &error);
  ASSERT_TRUE(s) << error;
  ASSERT_TRUE(vprinter::RunCommand(printer().device(), "clog random 2000 1").ok);
  const vprinter::PrinterState before = printer().device().State();
  ScenarioRun run(printer().device(), *s, &error);
  EXPECT_NE(error.find("setup \"clog random 30 7\": error: "), std::string::npos) << error;
  EXPECT_EQ(printer().device().State().eeprom, before.eeprom);
}

// ---- the files at fault: refused with the key or line, never half set up

std::filesystem::path WriteFile(const std::filesystem::path& file, const std::string& text) {
  std::ofstream(file) << text;
  return file;
}

TEST(ScenarioFile, FaultsAreRefusedWithTheirPlace) {
  const std::string good =
      R"("id": "x", "title": "t", "complaint": "c", "goals": [{"id": "g", "kind": "bid-aligned", "tolerance": 1}])";
  struct Case {
    std::string text;
    std::string fault;
  } cases[] = {
      {"{\n\"id\": \"x\",\n", ":3: syntax error"},
      {"{" + good + R"(, "setup": ["clog 9 999"]})", "key setup[0]: "},
      {"{" + good + R"(, "setup": ["frobnicate"]})",
       "key setup[0]: error: unknown command frobnicate"},
      {"{" + good + R"(, "setup": ["bid-offset 1 1 99"]})", "key setup[0]: "},
      {R"({"id": "x", "title": "t", "complaint": "c", "goals": [{"id": "g", "kind": "luck"}]})",
       "key goals[0].kind: is no goal the printer can judge: luck"},
      {R"({"id": "x", "title": "t", "complaint": "c", "goals": [{"id": "g", "kind": "bid-aligned", "tolerance": 99}]})",
       "key goals[0].tolerance: must be a whole number from 0 to 40"},
      {R"({"id": "x", "title": "t", "complaint": "c", "goals": []})", "key goals: must be a list"},
      {R"({"id": "x", "title": "t", "complaint": "c", "goals": [{"id": "g", "kind": "bid-aligned", "tolerance": 1, "tolerence": 2}]})",
       "key goals[0].tolerence: is no parameter of bid-aligned"},
      {R"({"id": "x", "title": "t", "goals": [{"id": "g", "kind": "dummies-in"}]})",
       "key complaint: is missing"},
      {"{" + good + R"(, "limits": {"paper": 3}})", "key limits.paper: is no limit"},
      {"{" + good +
           R"(, "mistakes": [{"id": "m", "kind": "board-swapped-unread", "text": "t", "cells": ["1G"]}]})",
       "key mistakes[0].cells[0]: must be a cell in hex"},
      {R"({"id": "x", "title": "t", "complaint": "c", "goals": [{"id": "g", "kind": "bid-aligned", "tolerance": 1e400}]})",
       "number overflow"},
      {"{" + good + ", \"title\": \"" + std::string(300 * 1024, 'a') + "\"}",
       "is larger than a scenario file may be"},
  };
  const vprinter::TempDir dir("quorla-faults");
  for (const Case& c : cases) {
    const std::filesystem::path file = WriteFile(dir.path() / "fault.json", c.text);
    std::string error;
    EXPECT_FALSE(LoadScenario(file, &error)) << c.text.substr(0, 200);
    EXPECT_EQ(error.rfind(file.string(), 0), 0u) << error;
    EXPECT_NE(error.find(c.fault), std::string::npos) << error;
  }
  for (const std::filesystem::path& unreadable :
       {std::filesystem::path("/nonexistent/scenario.json"), dir.path()}) {
    std::string error;
    EXPECT_FALSE(LoadScenario(unreadable, &error));
    EXPECT_EQ(error, unreadable.string() + ": cannot be read");
  }

  // In the scenario directory a file is found by its id: one named otherwise is listed with its
  // fault, and a directory with a scenario's name is passed over.
  WriteFile(dir.path() / "one.json", "{" + good + "}");
  std::filesystem::create_directory(dir.path() / "two.json");
  ::setenv("QUORLA_SCENARIO_DIR", dir.path().c_str(), 1);
  const std::vector<std::string> listed = vprinter::scenario::ListScenarios();
  ::unsetenv("QUORLA_SCENARIO_DIR");
  ASSERT_EQ(listed.size(), 2u);
  EXPECT_NE(listed[1].find("one.json: key id: must be the file's name without .json (one)"),
            std::string::npos)
      << listed[1];
}

TEST(ScenarioFile, EveryShippedScenarioLoads) {
  const std::vector<std::string> listed = vprinter::scenario::ListScenarios();
  EXPECT_GE(listed.size(), 8u);
  for (const std::string& line : listed) EXPECT_EQ(line.find(".json"), std::string::npos) << line;
}

}  // namespace

namespace {

// The cartridges as the chip item meets them: an empty holder or a dummy has no chip to read, and
// a new cartridge is made on the printer's today, so it is always in date.
class CartridgeChipTest : public testing_support::VirtualPrinterTest {};

TEST_F(CartridgeChipTest, NoChipWithoutAnInkCartridgeAndNewOnesAreInDate) {
  uint8_t value = 0;
  auto readChip = [&] {
    return ReadCrtag(QUORLA_Z40_MODEL_CODE_1, QUORLA_Z40_MODEL_CODE_2, 0, 12, &value);
  };
  ASSERT_EQ(readChip(), 1);
  for (const char* parts : {"remove-cartridges", "install-dummies"}) {
    ASSERT_TRUE(vprinter::RunCommand(printer().device(), parts).ok);
    EXPECT_NE(readChip(), 1) << parts;
    EXPECT_EQ(printer().Trace("read_crtag").back().Refused(), d4::err::EepromReadError) << parts;
  }
  ASSERT_TRUE(vprinter::RunCommand(printer().device(), "replace-cartridge 0").ok);
  const vprinter::ChipDate today = printer().device().Today();
  EXPECT_EQ(printer().Chip(0, vprinter::chip::kYear), today.year % 100);
  EXPECT_EQ(printer().Chip(0, vprinter::chip::kMonth), today.month);
  EXPECT_EQ(printer().Chip(0, vprinter::chip::kDay), today.day);
  EXPECT_EQ(readChip(), 1);
}

}  // namespace

extern "C" const QuorlaEmbeddedPrinter* quorla_embedded_printer_v1(void);

namespace {

// The program's own printer asked for a scenario that does not load: no printer starts, and the
// saved printer's memory and tray are neither read nor made.
TEST(EmbeddedScenario, AFileAtFaultStartsNoPrinterOnTheSavedOne) {
  const vprinter::TempDir dir("quorla-refused");
  vprinter::embedded::Stop();
  vprinter::embedded::ResetOptions();
  ::setenv("QUORLA_VPRINTER_STATE_DIR", (dir.path() / "state").c_str(), 1);
  ::setenv("QUORLA_VPRINTER_TRAY_DIR", (dir.path() / "tray").c_str(), 1);
  ::setenv("QUORLA_VPRINTER_SCENARIO", (dir.path() / "nosuch.json").c_str(), 1);
  const QuorlaEmbeddedPrinter* entry = quorla_embedded_printer_v1();
  EXPECT_EQ(entry->connect(), -1);
  EXPECT_EQ(vprinter::embedded::Running(), nullptr);
  entry->release();
  for (const char* name :
       {"QUORLA_VPRINTER_STATE_DIR", "QUORLA_VPRINTER_TRAY_DIR", "QUORLA_VPRINTER_SCENARIO"}) {
    ::unsetenv(name);
  }
  EXPECT_FALSE(std::filesystem::exists(dir.path() / "state"));
  EXPECT_FALSE(std::filesystem::exists(dir.path() / "tray"));
}

}  // namespace
