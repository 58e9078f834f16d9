// Print items of the workbench: the Bi-D adjustment pattern (BidPrintPnl), the A4 check page
// (A4CheckPnl) and the top-margin line of the top-margin panel. The print units compose the bytes;
// the handlers here bracket them with the busy line and its done or error line.
#include "workbench/printitems.h"

#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QStringList>
#include <algorithm>
#include <optional>

#include "controls/dialogkeys.h"
#include "controls/titledpanel.h"
#include "workbench/units.h"

namespace {

// Line ends per step of the Bi-D panel's track bar: one step moves the pattern 4/6 inch down.
constexpr int kLineEndsPerTrackBarStep = 4;

// Where the item panels put their buttons: "OK" bottom right, "Previous" beside it.
constexpr int kButtonTop = 236;
constexpr int kOkLeft = 292;
constexpr int kPreviousLeft = 204;

// The line under a print's error line when the print failed in a Bi-D row after changing the
// printer's value for the pattern: whether the printer holds its stored value again, or which
// value it holds instead.
QString BidRestoreLine(const BidRestore& restore) {
  static const char* const kDrop[3] = {"MS", "6pl", "4pl"};
  const QString row = QStringLiteral("%1 %2").arg(
      QLatin1String(kDrop[std::clamp(restore.dropSize, 1, 3) - 1]),
      restore.inkGroup == 1 ? QStringLiteral("Black") : QStringLiteral("Color"));
  const int stored = restore.stored;
  if (restore.Restored()) {
    return QStringLiteral("%1: the printer holds its stored Bi-D value %2.").arg(row).arg(stored);
  }
  if (restore.held.size() == 1) {
    return QStringLiteral("%1: the printer holds the Bi-D test value %2, not its stored value %3.")
        .arg(row)
        .arg(int{restore.held[0]})
        .arg(stored);
  }
  QStringList values;
  for (int8_t v : restore.held) values << QString::number(v);
  return QStringLiteral(
             "%1: the printer holds the Bi-D value %2 (not known which); its stored "
             "value is %3.")
      .arg(row, values.join(QStringLiteral(" or ")))
      .arg(stored);
}

// Runs one print between its busy line and its done line. A failure ends it with one red line:
// the print's fixed code when it has one, else the failing result's own text. The error line (or
// the packet error's red line) also enables the window again. What the failed print left queued
// is dropped, so the next print starts with its own bytes; a failed Bi-D row adds a line on the
// value it left in the printer.
template <typename Print>
void RunPrint(ItemHost& form, RasterJob& job, const QString& busyText, const QString& doneText,
              std::optional<ResultCode> fixedError, Print print) {
  form.WriteStatus(LineBusy, busyText);
  job.BeginPrint();
  BidRestore restore;
  const ResultCode result = print(&restore);
  if (result != rc::Success) {
    job.DiscardFailedPrint();
    form.ReportResult(LineError, fixedError.value_or(result));
    if (restore.touched) form.WriteStatus(LineAdd, BidRestoreLine(restore));
    return;
  }
  form.WriteStatus(LineDone, doneText);
}

}  // namespace

PrintItems::PrintItems(ItemHost& host, QObject* parent)
    : WorkbenchItem(host, parent),
      BidPrintPnl(host.ItemPanel("BidPrintPnl")),
      A4CheckPnl(host.ItemPanel("A4CheckPnl")) {
  const int top = TitledPanel::ContentTop();

  // BidPrintPnl
  host_.NewLabel(BidPrintPnl, QStringLiteral("Bi-D adjustment pattern will print."), 16, top + 12,
                 350);
  auto* position = new QGroupBox(
      QStringLiteral("You can specify the print start position by TrackBar."), BidPrintPnl);
  position->setGeometry(12, top + 48, 359, 130);
  host_.NewLabel(position, QStringLiteral("1. Bi-d pattern = 8 scales per 1 time. "), 14, 30, 330);
  BidPrintTrackBar = new QSlider(Qt::Horizontal, position);
  BidPrintTrackBar->setObjectName(QStringLiteral("BidPrintTrackBar"));
  BidPrintTrackBar->setRange(0, 8);
  BidPrintTrackBar->setPageStep(8);
  BidPrintTrackBar->setSingleStep(1);
  BidPrintTrackBar->setTickInterval(1);
  BidPrintTrackBar->setTickPosition(QSlider::TicksBelow);
  BidPrintTrackBar->setValue(0);
  BidPrintTrackBar->setGeometry(14, 62, 330, 44);
  BidPrnRtnBtn = host_.NewButton(BidPrintPnl, "BidPrnRtnBtn", QStringLiteral("Previous"),
                                 kPreviousLeft, kButtonTop);
  BidPrnOKBtn =
      host_.NewButton(BidPrintPnl, "BidPrnOKBtn", QStringLiteral("OK"), kOkLeft, kButtonTop);
  dialogkeys::MakeDefault(BidPrnOKBtn);
  dialogkeys::MakeCancel(BidPrnRtnBtn);
  Connect(BidPrnOKBtn, &PrintItems::BidPrnOKBtnClick);
  Connect(BidPrnRtnBtn, &PrintItems::BidPrnRtnBtnClick);

  // A4CheckPnl: what the two sheets hold, item by item.
  static const char* const kItems[] = {"1. Top margin and 1st dot position check line",
                                       "2. Protection counter value ",
                                       "3. Beta pattern(BK-C-M-Y) ",
                                       "4. Nozzle check pattern(BK-C-M-Y) ",
                                       "5. Head Angular pattern(BK-M) ",
                                       "6. Bi-d check pattern ",
                                       "7. Head ID ",
                                       "8. USB ID ",
                                       "9. Alignment pattern(BK/C-M-Y) ",
                                       "10. Nozzle Column Shift ",
                                       "11. 6pl VARIABLE DOT"};
  int y = top + 6;
  for (const char* item : kItems) {
    host_.NewLabel(A4CheckPnl, QLatin1String(item), 24, y, 340);
    y += 18;
  }
  A4CheckPrnOKBtn =
      host_.NewButton(A4CheckPnl, "A4CheckPrnOKBtn", QStringLiteral("OK"), kOkLeft, kButtonTop + 4);
  dialogkeys::MakeDefault(A4CheckPrnOKBtn);
  Connect(A4CheckPrnOKBtn, &PrintItems::A4CheckPrnOKBtnClick);
}

// The form feed after the pattern is queued, not sent: it goes out at the head of the next print.
// Until then the sheet stays in the printer, which ejects it by itself when the job ends.
void PrintItems::BidPrnOKBtnClick() {
  RasterJob& job = host_.ProgramUnits().rasterJob;
  RunPrint(host_, job, QStringLiteral("Bi-D pattern is being printed out now."),
           QStringLiteral("Bi-D pattern print is completed."), rc::BidPrintError,
           [this, &job](BidRestore* restore) {
             ResultCode result = job.NewLines(kLineEndsPerTrackBarStep * BidPrintTrackBar->value());
             if (result == rc::Success)
               result = host_.ProgramUnits().bidPattern.PrintBidPattern(job, restore);
             if (result == rc::Success) result = job.FormFeed();
             return result;
           });
}

void PrintItems::BidPrnRtnBtnClick() {
  host_.ResetPanels();
  host_.ItemPanel("BidItemsPnl")->show();
}

void PrintItems::A4CheckPrnOKBtnClick() {
  RunPrint(host_, host_.ProgramUnits().rasterJob, QStringLiteral("A4 pattern is printing now."),
           QStringLiteral("A4 pattern print is completed."), rc::A4PrintError,
           [this](BidRestore* restore) {
             return host_.ProgramUnits().checkPage.PrintCheckPage(host_.ProgramUnits().rasterJob,
                                                                  restore);
           });
}

// The reset is queued first, then the remote-mode pieces go straight to the data channel: on the
// wire they come ahead of the reset and of anything else still waiting in the job.
void PrintItems::PrintTopMarginItem() {
  RasterJob& job = host_.ProgramUnits().rasterJob;
  RunPrint(host_, job, QStringLiteral("Now printing Top Margin Line."),
           QStringLiteral("Printing Top Margin Line completed."), std::nullopt,
           [this, &job](BidRestore*) {
             ResultCode result = job.ResetPrinter();
             if (result == rc::Success) result = job.SendRemotePreamble();
             if (result == rc::Success)
               result = host_.ProgramUnits().checkPatterns.PrintTopMarginLine(job);
             return result;
           });
}
