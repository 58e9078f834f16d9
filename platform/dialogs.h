// The standard message dialog, behind a seam: handlers never call the toolkit's dialogs directly,
// so tests can answer every question and see every box that was asked.
#pragma once

#include <QString>
#include <functional>

namespace platform {

enum class DlgType { Error, Warning, Information, Confirmation };
enum class DlgButtons { Ok, YesNo, OkCancel };
// Closed: the box went away without one of its buttons (Esc or the close box).
enum class DlgResult { Ok, Cancel, Yes, No, Closed };

struct DialogRequest {
  DlgType type;
  DlgButtons buttons;
  QString text;     // lines separated by \n
  QString caption;  // the title bar; empty means the type's standard caption
};

// Shows a modal message box with the type's icon and the fixed button set, no help button, and
// returns the button pressed.
DlgResult MessageDlg(const QString& text, DlgType type, DlgButtons buttons,
                     const QString& caption = QString());

// Routes every MessageDlg to the hook instead of the toolkit (tests). An empty hook restores the
// real dialog. Returns the hook that was in place.
using DialogHook = std::function<DlgResult(const DialogRequest&)>;
DialogHook SetDialogHook(DialogHook hook);

// The toolkit's message box, installed by the program's start (platform/messagebox.h): the
// routines that ask live below the window system and only know this seam. Without it (and
// without a hook) a box is written to the error output and answered DlgResult::Closed.
void SetToolkitDialog(DialogHook dialog);

// The standard caption of a type ("Error", "Warning", "Information", "Confirm").
QString StandardCaption(DlgType type);

}  // namespace platform
