// The raw EEPROM tool's full read, 00..FF into the grid with a repaint per cell, against the
// embedded virtual printer, beside 256 bare D4ReadEeprom calls on the same connection. Prints the
// medians and their ratio; exits 1 when the grid read takes more than 100 ms.
//
//   eepromgrid_bench [RUNS]      (offscreen unless QT_QPA_PLATFORM names another platform)
#include <QApplication>
#include <QPushButton>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "app/formboot.h"
#include "app/startup.h"
#include "app/toolprinter.h"
#include "controls/limitededit.h"
#include "controls/titledpanel.h"
#include "link/modelcode.h"
#include "link/pktlink.h"
#include "platform/dialogs.h"
#include "workbench/formadjust.h"

namespace {

constexpr double kLimitMs = 100.0;

template <typename Body>
double Median(int runs, Body body) {
  std::vector<double> ms;
  for (int i = 0; i < runs; ++i) {
    const auto start = std::chrono::steady_clock::now();
    body();
    ms.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                     .count());
  }
  std::sort(ms.begin(), ms.end());
  return ms[ms.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  setenv("QUORLA_PRINTER", "embedded", 1);
  QApplication app(argc, argv);
  const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 21;

  ToolPrinter printer;
  platform::SetDialogHook([](const platform::DialogRequest&) { return platform::DlgResult::Ok; });

  CreateProgramWindows();
  FormBoot->show();
  FormBoot->PortSelectOKBtnClick();
  if (!FormAdjust->isVisible()) {
    std::fprintf(stderr, "no connection to the embedded printer\n");
    return 2;
  }
  QApplication::processEvents();

  bool readFailed = false;
  const double bare = Median(runs, [&] {
    for (int a = 0; a < 256; ++a) {
      uint8_t value = 0;
      if (D4ReadEeprom(QUORLA_Z40_MODEL_CODE_1, QUORLA_Z40_MODEL_CODE_2, static_cast<uint8_t>(a),
                       &value) != 1) {
        readFailed = true;
      }
    }
  });
  auto* checkPanel = FormAdjust->findChild<TitledPanel*>(QStringLiteral("EEPROMCheckPnl"));
  auto* gridPanel = FormAdjust->findChild<TitledPanel*>(QStringLiteral("EEPROMGridPnl"));
  auto* first = FormAdjust->findChild<LimitedEdit*>(QStringLiteral("EepReadBegEdit"));
  auto* last = FormAdjust->findChild<LimitedEdit*>(QStringLiteral("EepReadEndEdit"));
  auto* read = FormAdjust->findChild<QPushButton*>(QStringLiteral("EepromReadOkBtn"));
  const double grid = Median(runs, [&] {
    FormAdjust->ResetPanels();
    checkPanel->show();
    first->setText(QStringLiteral("00"));
    last->setText(QStringLiteral("FF"));
    read->click();
    if (!gridPanel->isVisible()) readFailed = true;
  });
  DestroyProgramWindows();
  if (readFailed) {
    std::fprintf(stderr, "a read failed\n");
    return 2;
  }

  std::printf("256 bare D4ReadEeprom calls   %8.2f ms (median of %d)\n", bare, runs);
  std::printf("grid read 00..FF with repaint %8.2f ms (median of %d)   limit %.0f ms\n", grid, runs,
              kLimitMs);
  std::printf("ratio grid / bare             %8.2f\n", bare > 0 ? grid / bare : 0.0);
  return grid <= kLimitMs ? 0 : 1;
}
