#include "controls/updown.h"

#include <QLineEdit>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

#include "platform/convert.h"

UpDown::UpDown(QLineEdit* associate, QWidget* parent)
    : QWidget(parent), edit_(associate), up_(new QToolButton(this)), down_(new QToolButton(this)) {
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  for (QToolButton* b : {up_, down_}) {
    b->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    b->setAutoRepeat(true);
    b->setFocusPolicy(Qt::NoFocus);
    layout->addWidget(b);
  }
  up_->setArrowType(Qt::UpArrow);
  down_->setArrowType(Qt::DownArrow);
  connect(up_, &QToolButton::clicked, this, &UpDown::StepUp);
  connect(down_, &QToolButton::clicked, this, &UpDown::StepDown);
  resize(17, 21);
}

void UpDown::SetRange(int minimum, int maximum) {
  min_ = minimum;
  max_ = std::max(minimum, maximum);
  position_ = Clamp(position_);
}

int UpDown::Clamp(int value) const {
  return std::clamp(value, min_, max_);
}

void UpDown::SetPosition(int position) {
  position_ = Clamp(position);
  if (edit_ != nullptr) edit_->setText(QString::number(position_));
}

void UpDown::Step(int delta) {
  if (edit_ != nullptr) position_ = Clamp(platform::StrToIntDef(edit_->text(), position_));
  SetPosition(position_ + delta);
  emit Changed(position_);
}
