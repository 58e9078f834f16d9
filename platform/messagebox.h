// The toolkit's standard message box behind the dialog seam of platform/dialogs.h.
#pragma once

namespace platform {

// Makes MessageDlg show the toolkit's modal message box (with the type's icon and the fixed
// buttons, no help button). The program's start calls it once.
void InstallToolkitDialogs();

}  // namespace platform
