// The EEPROM backup from its button against the virtual printer, the main board swapped while the
// prompt is up: the cells on the new board, every way out of the prompt, failures on each side of
// the swap, a printer still off, and the standalone printer.
#include <gtest/gtest.h>

#include <QTest>
#include <functional>
#include <string>
#include <vector>

#include "app/formboot.h"
#include "controls/pagecontrol.h"
#include "controls/radiogroup.h"
#include "eeprom/addressmap.h"
#include "link/pktlink.h"
#include "link/porthub.h"
#include "tests/support/standaloneprinter.h"
#include "tests/support/workbenchtest.h"

using platform::CursorShape;
using platform::DlgResult;
using testing_support::Click;
using testing_support::LogColor;
using testing_support::LogText;
using testing_support::Op;
using testing_support::VisibleItemPanels;

namespace {

const QString kPrompt = "After replacing MAIN Board and turn on power. click the OK button.";

// Distinct values in every backup cell of the old board, and one in 0x39 that must stay behind.
std::vector<uint8_t> FillOldBoard(vprinter::Device& device) {
  std::vector<uint8_t> values;
  for (std::size_t i = 0; i < eeprom::kBackupCells.size(); ++i) {
    values.push_back(static_cast<uint8_t>(0xA0 ^ (i * 7)));
    device.PokeEeprom(eeprom::kBackupCells[i], values.back());
  }
  device.PokeEeprom(eeprom::kFirstDot, 0x11);
  return values;
}

// The board swap as the technician does it: off, new board, on (unless told to leave it off).
void SwapBoard(vprinter::Device& device, bool switchOn = true) {
  device.PowerOff();
  ASSERT_TRUE(device.ReplaceMainBoard());
  if (switchOn) device.PowerOn();
}

std::vector<int> Addresses(const std::vector<testing_support::TraceEntry>& entries) {
  std::vector<int> addresses;
  for (const auto& e : entries) addresses.push_back(static_cast<int>(e.Num("addr")));
  return addresses;
}

std::vector<int> BackupAddresses() {
  return std::vector<int>(eeprom::kBackupCells.begin(), eeprom::kBackupCells.end());
}

class EepromBackup : public testing_support::WorkbenchTest {
 protected:
  void SetUp() override {
    WorkbenchTest::SetUp();
    form->AdjustmentTab->setCurrentIndex(1);
    testing_support::ClickItem(form->MentRdoGrp, 4);
    dialogs.WhileShown([this](const platform::DialogRequest& request) {
      if (request.text == kPrompt && onPrompt) onPrompt(++prompts);
    });
  }
  // The new board's 58 cells hold the old board's values, cell by cell; 0x39 is its own.
  void ExpectCopied(const std::vector<uint8_t>& old) {
    for (std::size_t i = 0; i < old.size(); ++i) {
      EXPECT_EQ(printer.Eeprom(eeprom::kBackupCells[i]), old[i])
          << "cell " << std::hex << int{eeprom::kBackupCells[i]};
    }
    EXPECT_EQ(printer.Eeprom(eeprom::kFirstDot), 0x00);
    for (const auto& e : printer.Trace("eeprom_write")) EXPECT_NE(e.Num("addr"), eeprom::kFirstDot);
  }
  // Usable afterwards: the connection the backup left answers.
  bool Connected() {
    PrinterStatus status;
    return InquireStatus(&status) == 1;
  }

  std::function<void(int prompt)> onPrompt;
  int prompts = 0;
};

TEST_F(EepromBackup, CopiesTheOldBoardsCellsIntoTheNewBoardAcrossTheSwap) {
  const std::vector<uint8_t> old = FillOldBoard(printer.device());
  std::vector<std::string> opsAtPrompt;
  onPrompt = [&](int) {
    opsAtPrompt = printer.TraceOps();
    SwapBoard(printer.device());
  };
  Click(form, "BackupOKBtn");

  ASSERT_EQ(dialogs.shown().size(), 1u);
  EXPECT_EQ(dialogs.shown()[0].request.type, platform::DlgType::Confirmation);
  EXPECT_EQ(dialogs.shown()[0].request.buttons, platform::DlgButtons::OkCancel);
  EXPECT_EQ(dialogs.shown()[0].cursor, CursorShape::HourGlass);
  // Read in ascending order, then the connection closed before the prompt.
  ASSERT_GE(opsAtPrompt.size(), 59u);
  EXPECT_EQ(opsAtPrompt[58], "terminate");
  EXPECT_EQ(Addresses(printer.Trace("eeprom_read")), BackupAddresses());
  EXPECT_EQ(Addresses(printer.Trace("eeprom_write")), BackupAddresses());
  ExpectCopied(old);
  EXPECT_EQ(LogText(form), "Writing backup data succeeded.");
  EXPECT_EQ(platform::ScreenCursor(), CursorShape::Default);
  EXPECT_TRUE(form->isEnabled());
  EXPECT_EQ(VisibleItemPanels(form), QStringList{"EepromBackupPnl"});
  EXPECT_TRUE(Connected());
}

TEST_F(EepromBackup, AReadFailureInTheMiddleClosesNothingAndWritesNothing) {
  form->WriteStatus(LineInfo, "before");
  printer.FailNth(Op::kEepromRead, 30, rc::LinkReceiveError);
  Click(form, "BackupOKBtn");
  EXPECT_EQ(dialogs.Texts(), std::vector<QString>{"Reading EEPROM data failed."});
  EXPECT_EQ(dialogs.shown()[0].cursor, CursorShape::HourGlass);
  EXPECT_EQ(printer.Trace("eeprom_read").size(), 30u);
  EXPECT_TRUE(printer.Trace("eeprom_write").empty());
  EXPECT_TRUE(printer.Trace("terminate").empty());
  EXPECT_EQ(LogText(form), "");
  EXPECT_EQ(platform::ScreenCursor(), CursorShape::Default);
  EXPECT_TRUE(Connected());
}

TEST_F(EepromBackup, CancelAtThePromptReconnectsWritesNothingAndEmptiesTheLog) {
  dialogs.QueueAnswer(DlgResult::Cancel);
  Click(form, "BackupOKBtn");
  EXPECT_EQ(dialogs.Texts(), std::vector<QString>{kPrompt});
  EXPECT_EQ(printer.Trace("negotiate").size(), 1u);
  EXPECT_TRUE(printer.Trace("eeprom_write").empty());
  EXPECT_EQ(LogText(form), "");
  EXPECT_EQ(platform::ScreenCursor(), CursorShape::Default);
  EXPECT_TRUE(Connected());
}

TEST_F(EepromBackup, AWriteFailureAt33ThenOkWritesAll58AgainFromTheFirst) {
  const std::vector<uint8_t> old = FillOldBoard(printer.device());
  onPrompt = [&](int prompt) {
    if (prompt == 1) {
      SwapBoard(printer.device());
      printer.FailNth(Op::kEepromWrite, 22, rc::LinkReceiveError);  // cell 0x33
    }
  };
  Click(form, "BackupOKBtn");
  EXPECT_EQ(dialogs.Texts(),
            (std::vector<QString>{kPrompt, "Writing backup data failed.", kPrompt}));
  std::vector<int> expected(eeprom::kBackupCells.begin(), eeprom::kBackupCells.begin() + 22);
  expected.insert(expected.end(), eeprom::kBackupCells.begin(), eeprom::kBackupCells.end());
  EXPECT_EQ(Addresses(printer.Trace("eeprom_write")), expected);
  EXPECT_EQ(expected[21], 0x33);
  // The connection was ended before the prompt came back, and opened afresh after it.
  std::vector<std::string> ops = printer.TraceOps();
  std::erase(ops, "eeprom_read");
  std::erase(ops, "eeprom_write");
  std::erase(ops, "connect");
  std::erase(ops, "disconnect");
  EXPECT_EQ(ops, (std::vector<std::string>{"terminate", "power_off", "replace_board", "power_on",
                                           "negotiate", "terminate", "negotiate"}));
  ExpectCopied(old);
  EXPECT_EQ(LogText(form), "Writing backup data succeeded.");
}

TEST_F(EepromBackup, CancelAfterAFailedWriteSaysHowMuchOfTheBackupTheNewBoardHolds) {
  onPrompt = [&](int prompt) {
    if (prompt == 1) {
      SwapBoard(printer.device());
      printer.FailNth(Op::kEepromWrite, 22, rc::LinkReceiveError);
    }
  };
  dialogs.QueueAnswer(DlgResult::Ok);
  dialogs.QueueAnswer(DlgResult::Ok);  // the failure's box
  dialogs.QueueAnswer(DlgResult::Cancel);
  Click(form, "BackupOKBtn");
  EXPECT_EQ(printer.Trace("eeprom_write").size(), 22u);
  EXPECT_EQ(LogText(form),
            "The new main board holds only part of the backup: 21 of the 58 cells were written.\n"
            "Run the EEPROM backup again from the old main board.");
  EXPECT_EQ(LogColor(form), QColor(Qt::red));
  EXPECT_EQ(platform::ScreenCursor(), CursorShape::Default);
  EXPECT_TRUE(form->isEnabled());
}

// The technician swaps the board but forgets to switch the printer on: the values wait.
TEST_F(EepromBackup, APrinterStillOffAtTheReconnectKeepsTheValuesAndAsksAgain) {
  const std::vector<uint8_t> old = FillOldBoard(printer.device());
  onPrompt = [&](int prompt) {
    if (prompt == 1) SwapBoard(printer.device(), /*switchOn=*/false);
    if (prompt == 2) printer.device().PowerOn();
  };
  Click(form, "BackupOKBtn");
  EXPECT_EQ(dialogs.Texts(), (std::vector<QString>{kPrompt, "Communication error", kPrompt}));
  EXPECT_EQ(dialogs.shown()[1].request.type, platform::DlgType::Error);
  ExpectCopied(old);
  EXPECT_EQ(LogText(form), "Writing backup data succeeded.");
  EXPECT_EQ(platform::ScreenCursor(), CursorShape::Default);
}

// "OK" on the panel again after switching the printer on: whether it was off at the first click,
// or the technician gave up at a prompt while it was off.
TEST_F(EepromBackup, OkOnThePanelAgainAfterSwitchingThePrinterOnWorks) {
  printer.device().PowerOff();
  Click(form, "BackupOKBtn");
  EXPECT_EQ(dialogs.Texts(), std::vector<QString>{"Reading EEPROM data failed."});
  printer.device().PowerOn();
  dialogs.Clear();
  dialogs.QueueAnswer(DlgResult::Cancel);
  onPrompt = [&](int) { SwapBoard(printer.device(), /*switchOn=*/false); };
  Click(form, "BackupOKBtn");
  EXPECT_EQ(dialogs.Texts(), (std::vector<QString>{kPrompt, "Communication error"}));
  EXPECT_EQ(platform::ScreenCursor(), CursorShape::Default);

  printer.device().PowerOn();
  const std::vector<uint8_t> old = FillOldBoard(printer.device());  // the board now in
  dialogs.Clear();
  onPrompt = nullptr;
  Click(form, "BackupOKBtn");
  EXPECT_EQ(dialogs.Texts(), std::vector<QString>{kPrompt});
  EXPECT_EQ(LogText(form), "Writing backup data succeeded.");
  for (std::size_t i = 0; i < old.size(); ++i)
    EXPECT_EQ(printer.Eeprom(eeprom::kBackupCells[i]), old[i]);
}

// On the standalone printer, found at its default socket: switched off at the reconnect, it is
// not found, and the embedded printer never receives what was meant for it.
TEST(EepromBackupStandalone, AStandaloneSwitchedOffAtTheReconnectIsNeverReplacedByAnother) {
  testing_support::VirtualPrinter embedded;
  testing_support::NoPrinterNamed unnamed;
  testing_support::StandalonePrinter standalone;
  FreeLibraryByPHub();  // what earlier tests' searches found is not this program's
  testing_support::ProgramWindows windows;
  testing_support::FakeDialogs dialogs;
  testing_support::FakeSleep sleeps;
  ASSERT_TRUE(testing_support::OpenWorkbench());
  TFormAdjust* form = FormAdjust;
  const std::vector<uint8_t> old = FillOldBoard(standalone.device());
  int prompts = 0;
  dialogs.WhileShown([&](const platform::DialogRequest& request) {
    if (request.text != kPrompt) return;
    if (++prompts == 1) {
      standalone.PowerOff();
      ASSERT_TRUE(standalone.device().ReplaceMainBoard());
    } else {
      standalone.PowerOn();
    }
  });
  form->AdjustmentTab->setCurrentIndex(1);
  testing_support::ClickItem(form->MentRdoGrp, 4);
  Click(form, "BackupOKBtn");

  EXPECT_EQ(dialogs.Texts(), (std::vector<QString>{kPrompt, "Communication error", kPrompt}));
  for (std::size_t i = 0; i < old.size(); ++i) {
    EXPECT_EQ(standalone.device().PeekEeprom(eeprom::kBackupCells[i]), old[i]);
  }
  EXPECT_TRUE(embedded.Trace("negotiate").empty());
  EXPECT_TRUE(embedded.Trace("eeprom_write").empty());
  EXPECT_EQ(LogText(form), "Writing backup data succeeded.");
  form->close();
  FreeLibraryByPHub();
}

}  // namespace
