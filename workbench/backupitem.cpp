// "EEPROM back up data": the 58 backup cells read from the old main board, the connection closed
// for the swap, the prompt while the technician swaps the board and switches the printer on, the
// reconnect, and the cells written into the new board. All inside one click, under the hourglass.
//
// The old board's values exist only in this handler once the board is out, so they are given up
// only when the technician says so: a failed reconnect asks again (the printer may still be off),
// and a failed write closes the connection and asks again, so every reconnect starts from a closed
// port. Giving up after a failed write leaves part of the backup on the new board; the log says
// how much.
#include "workbench/backupitem.h"

#include <QLabel>
#include <QPushButton>

#include "controls/dialogkeys.h"
#include "controls/titledpanel.h"
#include "link/pktlink.h"
#include "link/porthub.h"
#include "maintenance/eeprombackup.h"
#include "platform/cursor.h"
#include "platform/dialogs.h"
#include "workbench/units.h"

namespace {
const char kPrompt[] = "After replacing MAIN Board and turn on power. click the OK button.";
constexpr uint16_t kChannelNotOpened = 50;

void ErrorBox(const char* text) {
  platform::MessageDlg(QLatin1String(text), platform::DlgType::Error, platform::DlgButtons::Ok);
}

// A result that says the workbench has no usable connection at all (the printer was switched off
// and on, or an earlier reconnect failed), rather than that the printer refused this read.
bool NoUsableConnection(ResultCode result) {
  return result == rc::CannotOpenPort || result == rc::PortReceiveError ||
         result == rc::PortTransmitError ||
         (result == rc::PacketError && GetD4ErrorCode() == kChannelNotOpened);
}
}  // namespace

BackupItem::BackupItem(ItemHost& host, QObject* parent) : WorkbenchItem(host, parent) {
  QWidget* p = host.ItemPanel("EepromBackupPnl");
  const int top = TitledPanel::ContentTop() + 12;
  host_.NewLabel(
      p,
      QStringLiteral("Backup data begins to read from EEPROM as below by clicking \"OK\" "
                     "button."),
      16, top, 350, 2);
  const char* const items[] = {"1.Ink Counter A0, Cb, Cy, Cm, Cc",
                               "2.Bi-D adjust data",
                               "3.Top margin data",
                               "4.First dot position data ",
                               "5.Head ID",
                               "6.USB ID",
                               "7.Market ID"};
  int y = top + 44;
  for (const char* item : items) {
    host_.NewLabel(p, QLatin1String(item), 40, y, 300);
    y += 20;
  }
  BackupOKBtn = host_.NewButton(p, "BackupOKBtn", QStringLiteral("OK"), 292, 236);
  dialogkeys::MakeDefault(BackupOKBtn);
  Connect(BackupOKBtn, &BackupItem::BackupOKBtnClick);
}

bool BackupItem::BackupReconnect() {
  if (SearchActivePortByPHub(&PortScratch) != rc::Success) {
    ErrorBox("Communication error");
    PortCloseByPHub();
    return false;
  }
  if (D4Negotiation() != rc::Success) {
    ErrorBox("Communication error");
    return false;
  }
  return true;
}

void BackupItem::BackupOKBtnClick() {
  platform::SetScreenCursor(platform::CursorShape::HourGlass);

  EepromBackup::Values values{};
  std::size_t read = 0;
  ResultCode result = host_.ProgramUnits().eepromBackup.Read(&values, &read);
  // A printer switched off and on since the connection was opened needs a new one: the second
  // click after switching it on must work. (The same printer: the port library never moves to
  // another one.)
  if (read == 0 && NoUsableConnection(result) && SearchActivePortByPHub(&PortScratch) == 1 &&
      D4Negotiation() == 1) {
    result = host_.ProgramUnits().eepromBackup.Read(&values, &read);
  }
  if (result != rc::Success) {
    ErrorBox("Reading EEPROM data failed.");
    host_.WriteStatus(LineInfo, QString());
    platform::SetScreenCursor(platform::CursorShape::Default);
    return;
  }

  // The old board is about to come out.
  D4Termination();
  PortCloseByPHub();
  host_.WriteStatus(LineInfo, QString());

  // Cells the last failed write put on the new board, or -1 when no write failed.
  int partial = -1;
  for (;;) {
    const bool ok = platform::MessageDlg(QLatin1String(kPrompt), platform::DlgType::Confirmation,
                                         platform::DlgButtons::OkCancel) == platform::DlgResult::Ok;
    if (!BackupReconnect()) {
      if (!ok) break;
      // The values stay; the next reconnect starts from a closed port.
      PortCloseByPHub();
      continue;
    }
    if (!ok) break;
    std::size_t written = 0;
    if (host_.ProgramUnits().eepromBackup.Write(values, &written) == rc::Success) {
      host_.WriteStatus(LineInfo, QStringLiteral("Writing backup data succeeded."));
      platform::SetScreenCursor(platform::CursorShape::Default);
      return;
    }
    ErrorBox("Writing backup data failed.");
    host_.WriteStatus(LineInfo, QString());
    partial = static_cast<int>(written);
    D4Termination();
    PortCloseByPHub();
  }

  // Given up: the copied values go.
  if (partial >= 0) {
    host_.WriteStatus(LineError,
                      QStringLiteral("The new main board holds only part of the backup: %1 of "
                                     "the %2 cells were written.")
                          .arg(partial)
                          .arg(eeprom::kBackupCellCount));
    host_.WriteStatus(LineAdd,
                      QStringLiteral("Run the EEPROM backup again from the old main board."));
  } else {
    host_.WriteStatus(LineInfo, QString());
  }
  platform::SetScreenCursor(platform::CursorShape::Default);
}
