#include "controls/titledpanel.h"

#include <QLabel>

TitledPanel::TitledPanel(const QString& objectName, const QString& title, QWidget* parent)
    : QFrame(parent), title_(new QLabel(title, this)) {
  setObjectName(objectName);
  setFrameStyle(QFrame::Panel | QFrame::Raised);
  setLineWidth(1);
  setAutoFillBackground(true);
  QFont bold = title_->font();
  bold.setBold(true);
  bold.setPointSizeF(bold.pointSizeF() * 1.15);
  title_->setFont(bold);
  title_->move(8, 6);
  title_->adjustSize();
  hide();
}
