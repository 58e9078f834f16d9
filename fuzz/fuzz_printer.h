#pragma once

#include "vprinter/device.h"

// The printer the fuzz targets drive: nothing kept on disk, no sheet written (the tray can't
// exist), no waiting, so an input's cost is the parsing and the model, not the file system.
inline vprinter::DeviceOptions FuzzPrinterOptions() {
  vprinter::DeviceOptions options;
  options.trayDir = "/dev/null/quorla-fuzz-tray";
  options.timeScale = 0;
  return options;
}
