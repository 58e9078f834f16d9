// The embedded virtual printer for the program's tools (the screenshot tool, the benchmarks): a
// fresh printer with its state and tray in a temporary directory, working at time scale 0. Only
// tools include this; the program itself never starts a printer.
#pragma once

#include <QDir>
#include <QTemporaryDir>

#include "link/porthub.h"
#include "makerlibs/porthub/portcontrol.h"
#include "vprinter/embed/embeddedhub.h"

class ToolPrinter {
 public:
  ToolPrinter() {
    vprinter::DeviceOptions options;
    options.stateDir = dir_.filePath(QStringLiteral("state")).toStdString();
    options.trayDir = dir_.filePath(QStringLiteral("tray")).toStdString();
    options.timeScale = 0;
    vprinter::embedded::SetOptions(options);
    device_ = &vprinter::embedded::Start();
  }
  ~ToolPrinter() {
    if (quorla::link::PortIsEmbedded()) PortCloseByPHub();
    vprinter::embedded::Stop();
  }
  ToolPrinter(const ToolPrinter&) = delete;
  ToolPrinter& operator=(const ToolPrinter&) = delete;

  vprinter::Device& device() { return *device_; }
  // Where the printed sheets go.
  QDir Tray() const { return QDir(dir_.filePath(QStringLiteral("tray"))); }

 private:
  QTemporaryDir dir_;
  vprinter::Device* device_ = nullptr;
};
