// Print items of the workbench: the Bi-D adjustment pattern, the A4 check page and the top-margin
// line. The frame has created their panels with their titles; the items fill them here.
#include "workbench/formadjust.h"

void TFormAdjust::BuildPrintPanels() {}
