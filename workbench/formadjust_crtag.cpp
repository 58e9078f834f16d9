// Cartridge chip information on the workbench. The frame has created CRTAGInfoItemsPnl and
// CRTAGInfoPnl (with CRTAGInfoLbl as its title); the item fills them here.
#include "workbench/formadjust.h"

void TFormAdjust::BuildCrtagPanels() {}
