// A captioned group of radio buttons whose item list can be replaced.
//
// - ItemIndex() is the selected row, -1 when none is selected (the state after SetItems()).
// - SetItemIndex() changes the selection from code and never emits Clicked: handlers run only for
//   the technician's own clicks.
// - Clicked(index) is emitted for every click on an item, also on the item already selected, so a
//   second click on the same item opens its panel again.
#pragma once

#include <QGroupBox>
#include <QStringList>
#include <vector>

class QButtonGroup;
class QRadioButton;
class QVBoxLayout;

class RadioGroup : public QGroupBox {
  Q_OBJECT

 public:
  explicit RadioGroup(const QString& caption, QWidget* parent = nullptr);

  // Replaces the items; nothing is selected afterwards.
  void SetItems(const QStringList& items);
  void ClearItems() { SetItems({}); }
  QStringList Items() const;
  int Count() const { return static_cast<int>(buttons_.size()); }

  int ItemIndex() const;
  // -1 (or any index outside the items) clears the selection. Emits nothing.
  void SetItemIndex(int index);

  // The radio button of a row, for tests and for focus; nullptr outside the items.
  QRadioButton* Button(int index) const;

 signals:
  void Clicked(int index);

 private:
  QButtonGroup* group_;
  QVBoxLayout* layout_;
  std::vector<QRadioButton*> buttons_;
};
