#include "platform/dialogs.h"

#include <QApplication>
#include <QMessageBox>
#include <utility>

namespace platform {
namespace {
DialogHook& Hook() {
  static DialogHook hook;
  return hook;
}

QMessageBox::Icon IconOf(DlgType type) {
  switch (type) {
    case DlgType::Error: return QMessageBox::Critical;
    case DlgType::Warning: return QMessageBox::Warning;
    case DlgType::Information: return QMessageBox::Information;
    case DlgType::Confirmation: return QMessageBox::Question;
  }
  return QMessageBox::NoIcon;
}
}  // namespace

QString StandardCaption(DlgType type) {
  switch (type) {
    case DlgType::Error: return QStringLiteral("Error");
    case DlgType::Warning: return QStringLiteral("Warning");
    case DlgType::Information: return QStringLiteral("Information");
    case DlgType::Confirmation: return QStringLiteral("Confirm");
  }
  return QString();
}

DialogHook SetDialogHook(DialogHook hook) { return std::exchange(Hook(), std::move(hook)); }

DlgResult MessageDlg(const QString& text, DlgType type, DlgButtons buttons,
                     const QString& caption) {
  DialogRequest request{type, buttons, text, caption.isEmpty() ? StandardCaption(type) : caption};
  if (Hook()) return Hook()(request);

  QMessageBox box(IconOf(type), request.caption, text, QMessageBox::NoButton,
                  QApplication::activeWindow());
  switch (buttons) {
    case DlgButtons::Ok:
      box.setStandardButtons(QMessageBox::Ok);
      box.setEscapeButton(QMessageBox::Ok);
      break;
    case DlgButtons::YesNo:
      box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
      box.setDefaultButton(QMessageBox::Yes);
      break;
    case DlgButtons::OkCancel:
      box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
      box.setDefaultButton(QMessageBox::Ok);
      box.setEscapeButton(QMessageBox::Cancel);
      break;
  }
  switch (box.exec()) {
    case QMessageBox::Ok: return DlgResult::Ok;
    case QMessageBox::Cancel: return DlgResult::Cancel;
    case QMessageBox::Yes: return DlgResult::Yes;
    case QMessageBox::No: return DlgResult::No;
    default: return DlgResult::Closed;
  }
}

}  // namespace platform
