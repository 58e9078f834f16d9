// A one-line edit with a length limit and, optionally, letters turned to upper case as they are
// typed or pasted. Text set from code is taken as it is (apart from the length limit), so the
// program decides what it shows.
#pragma once

#include <QLineEdit>

class LimitedEdit : public QLineEdit {
  Q_OBJECT

 public:
  // maxLength 0 means no limit.
  LimitedEdit(int maxLength, bool upperCase, QWidget* parent = nullptr);

  bool UpperCase() const { return upperCase_; }

 private:
  bool upperCase_;
};
