// EEPROM items of the workbench: head ID, Bi-D values, USB ID, top margin and first dot position,
// initial setting, EEPROM data handling. The frame has created their panels (with titles) and the
// input edits; the items fill them here.
#include "workbench/formadjust.h"

void TFormAdjust::BuildEepromPanels() {}

// Until the first-dot item reads its stored value, opening its panel always succeeds.
bool TFormAdjust::FirstDotPositionOpen() {
  return true;
}
