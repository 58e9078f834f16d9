#include "tests/support/windowtest.h"

#include <QAbstractButton>
#include <QFrame>
#include <QRadioButton>
#include <QTextEdit>
#include <QTimer>

#include "app/formboot.h"
#include "app/startup.h"
#include "controls/radiogroup.h"
#include "link/statuscontrol.h"
#include "platform/cursor.h"
#include "workbench/formadjust.h"

namespace testing_support {

ProgramWindows::ProgramWindows() {
  ProgramPrinterStatus() = PrinterStatus{0, 0};
  platform::SetScreenCursor(platform::CursorShape::Default);
  CreateProgramWindows();
}

ProgramWindows::~ProgramWindows() {
  DestroyProgramWindows();
  ProgramPrinterStatus() = PrinterStatus{0, 0};
  platform::SetScreenCursor(platform::CursorShape::Default);
}

bool OpenWorkbench() {
  FormBoot->show();
  Click(FormBoot, QStringLiteral("PortSelectOKBtn"));
  return FormAdjust->isVisible() && !FormBoot->isVisible();
}

QObject* FindObject(const QObject* root, const QString& name, const QMetaObject& type) {
  if (root == nullptr) {
    ADD_FAILURE() << "no window to look for " << name.toStdString() << " in";
    return nullptr;
  }
  for (QObject* o : root->findChildren<QObject*>(name)) {
    if (type.cast(o) != nullptr) return o;
  }
  ADD_FAILURE() << "no " << type.className() << " named " << name.toStdString() << " in "
                << root->objectName().toStdString();
  return nullptr;
}

void Click(const QObject* root, const QString& name) {
  auto* button = Find<QAbstractButton>(root, name);
  if (button == nullptr) return;
  if (!button->isVisible() || !button->isEnabled()) {
    ADD_FAILURE() << name.toStdString() << " cannot be clicked (hidden or disabled)";
    return;
  }
  button->click();
}

void ClickItem(RadioGroup* group, int index) {
  QRadioButton* button = group != nullptr ? group->Button(index) : nullptr;
  if (button == nullptr) {
    ADD_FAILURE() << "no item " << index << " to click";
    return;
  }
  button->click();
}

void DeliverTimeout(QTimer* timer) {
  if (timer == nullptr || !QMetaObject::invokeMethod(timer, "timeout", Qt::DirectConnection)) {
    ADD_FAILURE() << "no timeout to deliver";
  }
}

QString LogText(const TFormAdjust* form) {
  return form->StatusMemo->toPlainText();
}

QColor LogColor(const TFormAdjust* form) {
  return form->StatusLogColor();
}

QStringList VisibleItemPanels(const TFormAdjust* form) {
  QStringList names;
  for (const QFrame* panel : form->ItemPanels()) {
    if (panel->isVisibleTo(form)) names << panel->objectName();
  }
  return names;
}

}  // namespace testing_support
