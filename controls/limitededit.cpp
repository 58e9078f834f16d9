#include "controls/limitededit.h"

#include <QValidator>

namespace {
// Upper-cases whatever reaches the edit through typing or pasting.
class UpperCaseValidator : public QValidator {
 public:
  using QValidator::QValidator;
  State validate(QString& input, int&) const override {
    input = input.toUpper();
    return Acceptable;
  }
};
}  // namespace

LimitedEdit::LimitedEdit(int maxLength, bool upperCase, QWidget* parent)
    : QLineEdit(parent), upperCase_(upperCase) {
  if (maxLength > 0) setMaxLength(maxLength);
  if (upperCase) setValidator(new UpperCaseValidator(this));
}
