#include "platform/dialogs.h"

#include <cstdio>
#include <utility>

namespace platform {
namespace {
DialogHook& Hook() {
  static DialogHook hook;
  return hook;
}

DialogHook& Toolkit() {
  static DialogHook toolkit;
  return toolkit;
}
}  // namespace

QString StandardCaption(DlgType type) {
  switch (type) {
    case DlgType::Error:
      return QStringLiteral("Error");
    case DlgType::Warning:
      return QStringLiteral("Warning");
    case DlgType::Information:
      return QStringLiteral("Information");
    case DlgType::Confirmation:
      return QStringLiteral("Confirm");
  }
  return QString();
}

DialogHook SetDialogHook(DialogHook hook) {
  return std::exchange(Hook(), std::move(hook));
}

void SetToolkitDialog(DialogHook dialog) {
  Toolkit() = std::move(dialog);
}

DlgResult MessageDlg(const QString& text, DlgType type, DlgButtons buttons,
                     const QString& caption) {
  const DialogRequest request{type, buttons, text,
                              caption.isEmpty() ? StandardCaption(type) : caption};
  if (Hook()) return Hook()(request);
  if (Toolkit()) return Toolkit()(request);
  // No window system to ask (a tool or a benchmark without the program's start): say it, and
  // answer as a box that was closed without a choice, which every caller treats as "do nothing".
  std::fprintf(stderr, "%s: %s\n", request.caption.toLocal8Bit().constData(),
               text.toLocal8Bit().constData());
  return DlgResult::Closed;
}

}  // namespace platform
