#include "platform/messagebox.h"

#include <QApplication>
#include <QMessageBox>

#include "platform/dialogs.h"

namespace platform {
namespace {

QMessageBox::Icon IconOf(DlgType type) {
  switch (type) {
    case DlgType::Error:
      return QMessageBox::Critical;
    case DlgType::Warning:
      return QMessageBox::Warning;
    case DlgType::Information:
      return QMessageBox::Information;
    case DlgType::Confirmation:
      return QMessageBox::Question;
  }
  return QMessageBox::NoIcon;
}

DlgResult Show(const DialogRequest& request) {
  QMessageBox box(IconOf(request.type), request.caption, request.text, QMessageBox::NoButton,
                  QApplication::activeWindow());
  switch (request.buttons) {
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
    case QMessageBox::Ok:
      return DlgResult::Ok;
    case QMessageBox::Cancel:
      return DlgResult::Cancel;
    case QMessageBox::Yes:
      return DlgResult::Yes;
    case QMessageBox::No:
      return DlgResult::No;
    default:
      return DlgResult::Closed;
  }
}

}  // namespace

void InstallToolkitDialogs() {
  SetToolkitDialog(Show);
}

}  // namespace platform
