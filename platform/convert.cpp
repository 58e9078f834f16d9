#include "platform/convert.h"

#include <QLocale>
#include <QRegularExpression>
#include <limits>

namespace platform {
namespace {
[[noreturn]] void Raise(const QString& text, const char* what) {
  throw ConvertError(QStringLiteral("'%1' is not a valid %2").arg(text, QLatin1String(what)).toStdString());
}

bool ParseInt(const QString& text, int* out) {
  int i = 0;
  const int n = static_cast<int>(text.size());
  while (i < n && text[i] == QLatin1Char(' ')) ++i;
  bool negative = false;
  if (i < n && (text[i] == QLatin1Char('+') || text[i] == QLatin1Char('-'))) {
    negative = text[i] == QLatin1Char('-');
    ++i;
  }
  if (i >= n) return false;
  long long value = 0;
  for (; i < n; ++i) {
    const QChar c = text[i];
    if (c < QLatin1Char('0') || c > QLatin1Char('9')) return false;
    value = value * 10 + (c.unicode() - '0');
    if (value > static_cast<long long>(std::numeric_limits<int>::max()) + 1) return false;
  }
  if (negative) value = -value;
  if (value > std::numeric_limits<int>::max() || value < std::numeric_limits<int>::min()) {
    return false;
  }
  *out = static_cast<int>(value);
  return true;
}
}  // namespace

int StrToInt(const QString& text) {
  int value = 0;
  if (!ParseInt(text, &value)) Raise(text, "integer value");
  return value;
}

int StrToIntDef(const QString& text, int def) {
  int value = 0;
  return ParseInt(text, &value) ? value : def;
}

double StrToFloat(const QString& text) {
  static const QRegularExpression number(
      QStringLiteral("^ *[+-]?([0-9]+\\.?[0-9]*|\\.[0-9]+)([eE][+-]?[0-9]+)? *$"));
  if (!number.match(text).hasMatch()) Raise(text, "floating point value");
  bool ok = false;
  const double value = text.trimmed().toDouble(&ok);
  if (!ok) Raise(text, "floating point value");
  return value;
}

QDate EncodeDate(int year, int month, int day) {
  const QDate date(year, month, day);
  if (!date.isValid() || year < 1 || year > 9999) {
    throw ConvertError(QStringLiteral("Invalid argument to date encode (%1/%2/%3)")
                           .arg(year).arg(month).arg(day).toStdString());
  }
  return date;
}

QString DateSeparator() {
  // The locale's short date format names the separator; a format without one keeps the slash.
  const QString format = QLocale().dateFormat(QLocale::ShortFormat);
  for (const QChar c : format) {
    if (c == QLatin1Char('/') || c == QLatin1Char('.') || c == QLatin1Char('-')) return QString(c);
  }
  return QStringLiteral("/");
}

}  // namespace platform
