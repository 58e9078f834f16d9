// Number and date conversions with the platform's rules: the variants that raise ConvertError
// reach the application's exception box when a handler does not catch them.
#pragma once

#include <QDate>
#include <QString>
#include <stdexcept>

namespace platform {

class ConvertError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Decimal integer: optional leading blanks, optional sign, digits; nothing else. Raises
// ConvertError ("'x' is not a valid integer value") for anything else or a value beyond 32 bits.
int StrToInt(const QString& text);

// As StrToInt, but returns def instead of raising.
int StrToIntDef(const QString& text, int def);

// Decimal real number ("1", "-0.5", "2e3"); raises ConvertError otherwise.
double StrToFloat(const QString& text);

// The date year/month/day; raises ConvertError when no such day exists.
QDate EncodeDate(int year, int month, int day);

// The regional date separator ("/" unless the locale says otherwise).
QString DateSeparator();

}  // namespace platform
