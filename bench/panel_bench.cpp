// The printer's front panel costs a print little: the A4 check page from its panel's "OK" against
// the embedded printer at time scale 0 (pauses skipped), timed without the panel and with it open
// on its trace, in alternating runs of the same process. A run ends when both sheets are written
// and, with the panel, when the panel has shown the printer's last trace record: the panel's work
// is counted, not left for later. Events are processed while waiting in both cases.
//
// It prints both medians and their ratio, and fails when the ratio exceeds the limit.
//
//   panel_bench [RUNS]     (default 5 of each; needs no display)
#include <QApplication>
#include <QDir>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTextEdit>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

#include "app/toolprinter.h"
#include "bench/a4checkpanel.h"
#include "vprinter/panel/frontpanel.h"
#include "workbench/formadjust.h"

namespace {

constexpr double kRatioLimit = 1.2;
constexpr auto kTimeout = std::chrono::seconds(60);

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const std::size_t n = values.size();
  return n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

}  // namespace

int main(int argc, char** argv) {
  setenv("QUORLA_PRINTER", "embedded", 1);
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QApplication app(argc, argv);
  const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;

  ToolPrinter printer;
  vprinter::Device& device = printer.device();
  const QDir tray = printer.Tray();

  TFormAdjust* form = bench::OpenA4CheckPanel();
  if (form == nullptr) return 2;

  // One page; with a panel, until it shows the last record too. Seconds, or a negative value.
  auto printPage = [&](vprinter::panel::FrontPanel* panel) -> double {
    device.LoadPaper();
    const int before = bench::SheetsInTray(tray);
    const auto start = std::chrono::steady_clock::now();
    form->findChild<QPushButton*>(QStringLiteral("A4CheckPrnOKBtn"))->click();
    auto done = [&] {
      if (bench::SheetsInTray(tray) < before + 2) return false;
      if (panel == nullptr) return true;
      return panel->Shown().traceSeq == device.Snapshot().traceSeq;
    };
    while (!done()) {
      if (std::chrono::steady_clock::now() - start > kTimeout) return -1;
      QApplication::processEvents(QEventLoop::AllEvents, 1);
    }
    const double wall =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    form->DisableTimerTimer();
    if (form->StatusMemo->toPlainText() != QStringLiteral("A4 pattern print is completed.")) {
      return -1;
    }
    return wall;
  };

  std::printf(
      "A4 check page from A4CheckPrnOKBtn, embedded printer at time scale 0, without and "
      "with the front panel open on its trace\n");
  std::printf("%-4s %18s %18s\n", "run", "without panel", "with panel");
  std::vector<double> without;
  std::vector<double> with;
  // A first page warms the caches, fonts and the printer's buffers; it is not counted.
  printPage(nullptr);
  for (int i = 0; i < runs; ++i) {
    const double bare = printPage(nullptr);
    auto access = std::make_shared<vprinter::panel::DeviceAccess>(&device);
    auto panel = std::make_unique<vprinter::panel::FrontPanel>(access);
    panel->show();
    panel->findChild<QTabWidget*>(QStringLiteral("PanelTabs"))->setCurrentIndex(0);
    QApplication::processEvents();
    const double watched = printPage(panel.get());
    panel.reset();
    access->Detach();
    device.KeepTraceHistory(0);
    if (bare < 0 || watched < 0) {
      std::fprintf(stderr, "run %d: the page did not print (%s)\n", i + 1,
                   form->StatusMemo->toPlainText().toLocal8Bit().constData());
      DestroyProgramWindows();
      return 2;
    }
    without.push_back(bare);
    with.push_back(watched);
    std::printf("%-4d %16.3f s %16.3f s\n", i + 1, bare, watched);
  }
  const double a = Median(without);
  const double b = Median(with);
  const double ratio = b / a;
  const bool ok = ratio <= kRatioLimit;
  std::printf("median without the panel %.3f s, with it %.3f s: ratio %.3f (limit %.1f) %s\n", a, b,
              ratio, kRatioLimit, ok ? "ok" : "OVER THE LIMIT");
  DestroyProgramWindows();
  return ok ? 0 : 1;
}
