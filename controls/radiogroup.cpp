#include "controls/radiogroup.h"

#include <QButtonGroup>
#include <QRadioButton>
#include <QVBoxLayout>

RadioGroup::RadioGroup(const QString& caption, QWidget* parent)
    : QGroupBox(caption, parent), group_(new QButtonGroup(this)), layout_(new QVBoxLayout(this)) {
  // Narrow side margins: the longest item, "First dot position adjustment", needs the width.
  layout_->setContentsMargins(4, 4, 2, 4);
  layout_->setSpacing(0);
  // The exclusive group cannot return to "nothing selected"; the exclusiveness is kept by hand.
  group_->setExclusive(false);
  connect(group_, &QButtonGroup::idClicked, this, [this](int id) {
    SetItemIndex(id);
    emit Clicked(id);
  });
}

void RadioGroup::SetItems(const QStringList& items) {
  for (QRadioButton* b : buttons_) {
    group_->removeButton(b);
    delete b;
  }
  buttons_.clear();
  for (int i = 0; i < items.size(); ++i) {
    auto* b = new QRadioButton(items[i], this);
    b->setAutoExclusive(false);
    group_->addButton(b, i);
    layout_->addWidget(b);
    buttons_.push_back(b);
  }
}

QStringList RadioGroup::Items() const {
  QStringList items;
  for (const QRadioButton* b : buttons_) items << b->text();
  return items;
}

int RadioGroup::ItemIndex() const {
  for (int i = 0; i < Count(); ++i) {
    if (buttons_[i]->isChecked()) return i;
  }
  return -1;
}

void RadioGroup::SetItemIndex(int index) {
  for (int i = 0; i < Count(); ++i) buttons_[i]->setChecked(i == index);
}

QRadioButton* RadioGroup::Button(int index) const {
  return index >= 0 && index < Count() ? buttons_[index] : nullptr;
}
