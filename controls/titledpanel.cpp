#include "controls/titledpanel.h"

#include "controls/uiscale.h"

#include <QLabel>
#include <algorithm>

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
  title_->setGeometry(8, 4, 360, 22);
  hide();
}

// The title spans the panel; a fixed geometry instead of a measured one keeps text layout out of
// the program's start, where the panels are built but not shown.
void TitledPanel::resizeEvent(QResizeEvent* event) {
  QFrame::resizeEvent(event);
  title_->setGeometry(uiscale::Px(8), uiscale::Px(4), std::max(0, width() - uiscale::Px(16)),
                      uiscale::Px(22));
}
