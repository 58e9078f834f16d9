#include "app/formquit.h"

#include <QCloseEvent>
#include <QLabel>
#include <QPushButton>

#include "controls/dialogkeys.h"
#include "controls/uiscale.h"
#include "controls/windowplace.h"
#include "link/porthub.h"
#include "platform/handlerguard.h"

TFormQuit::TFormQuit(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("FormQuit"));
  setWindowTitle(QStringLiteral("Termination of this program"));
  // No system menu, so no close box.
  setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
  setFixedSize(269, 108);

  Label1 = new QLabel(QStringLiteral("Do you continue?"), this);
  Label1->setObjectName(QStringLiteral("Label1"));
  QFont bold = Label1->font();
  bold.setBold(true);
  bold.setPointSizeF(bold.pointSizeF() * 1.2);
  Label1->setFont(bold);
  QPalette p = Label1->palette();
  p.setColor(QPalette::WindowText, Qt::blue);
  Label1->setPalette(p);
  Label1->setAlignment(Qt::AlignCenter);
  Label1->setGeometry(8, 16, 253, 28);

  NextBtn = new QPushButton(QStringLiteral("Next"), this);
  NextBtn->setObjectName(QStringLiteral("NextBtn"));
  NextBtn->setGeometry(40, 64, 80, 28);
  dialogkeys::MakeDefault(NextBtn);
  QuitBtn = new QPushButton(QStringLiteral("Quit"), this);
  QuitBtn->setObjectName(QStringLiteral("QuitBtn"));
  QuitBtn->setGeometry(149, 64, 80, 28);
  dialogkeys::MakeCancel(QuitBtn);

  connect(NextBtn, &QPushButton::clicked, this, platform::Guarded([this] { NextBtnClick(); }));
  connect(QuitBtn, &QPushButton::clicked, this, platform::Guarded([this] { QuitBtnClick(); }));
  uiscale::ScaleWindow(this);
  windowplace::CenterOnScreen(this);
}

void TFormQuit::CloseByButton() {
  closingByButton_ = true;
  close();
  closingByButton_ = false;
}

void TFormQuit::NextBtnClick() {
  CloseByButton();
  if (formBoot_ != nullptr) formBoot_->show();
}

void TFormQuit::QuitBtnClick() {
  FreeLibraryByPHub();
  CloseByButton();
  // The printer selection is the main window: closing it ends the program.
  if (formBoot_ != nullptr) formBoot_->close();
}

void TFormQuit::closeEvent(QCloseEvent* event) {
  if (closingByButton_) {
    event->accept();
  } else {
    event->ignore();
  }
}

void TFormQuit::keyPressEvent(QKeyEvent* event) {
  if (!dialogkeys::Handle(this, event, {this})) QWidget::keyPressEvent(event);
}
