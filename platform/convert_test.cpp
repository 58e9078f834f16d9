#include "platform/convert.h"

#include <gtest/gtest.h>

#include <QLocale>

using platform::ConvertError;

TEST(StrToInt, AcceptsSignedDecimalWithLeadingBlanks) {
  EXPECT_EQ(platform::StrToInt("0"), 0);
  EXPECT_EQ(platform::StrToInt("-36"), -36);
  EXPECT_EQ(platform::StrToInt("+72"), 72);
  EXPECT_EQ(platform::StrToInt("  12"), 12);
  EXPECT_EQ(platform::StrToInt("-2147483648"), -2147483647 - 1);
}

TEST(StrToInt, RaisesForTextThatIsNotANumber) {
  for (const char* bad : {"", " ", "-", "abc", "1a", "12 ", "1.5", "2147483648"}) {
    EXPECT_THROW(platform::StrToInt(QString::fromLatin1(bad)), ConvertError) << bad;
  }
  try {
    platform::StrToInt("abc");
  } catch (const ConvertError& e) {
    EXPECT_STREQ(e.what(), "'abc' is not a valid integer value");
  }
}

TEST(StrToIntDef, GivesTheDefaultForTextThatIsNotANumber) {
  EXPECT_EQ(platform::StrToIntDef("abc", 100), 100);
  EXPECT_EQ(platform::StrToIntDef("", 100), 100);
  EXPECT_EQ(platform::StrToIntDef("37", 100), 37);
}

TEST(StrToFloat, ParsesDecimalsAndRejectsText) {
  EXPECT_DOUBLE_EQ(platform::StrToFloat("1"), 1.0);
  EXPECT_DOUBLE_EQ(platform::StrToFloat("-0.5"), -0.5);
  EXPECT_THROW(platform::StrToFloat(""), ConvertError);
  EXPECT_THROW(platform::StrToFloat("x1"), ConvertError);
}

TEST(EncodeDate, RaisesForDaysThatDoNotExist) {
  EXPECT_EQ(platform::EncodeDate(2004, 2, 29), QDate(2004, 2, 29));
  EXPECT_THROW(platform::EncodeDate(2003, 2, 29), ConvertError);
  EXPECT_THROW(platform::EncodeDate(2003, 13, 1), ConvertError);
  EXPECT_THROW(platform::EncodeDate(2003, 1, 0), ConvertError);
}

TEST(DateSeparator, IsTheOneOfTheRegionalShortDateFormatOrASlash) {
  const struct {
    QLocale locale;
    const char* separator;
  } cases[] = {{QLocale(QLocale::English, QLocale::UnitedStates), "/"},
               {QLocale(QLocale::German, QLocale::Germany), "."},
               {QLocale(QLocale::Swedish, QLocale::Sweden), "-"},
               {QLocale::c(), "/"}};
  for (const auto& c : cases) {
    QLocale::setDefault(c.locale);
    EXPECT_EQ(platform::DateSeparator(), c.separator) << c.locale.name().toStdString();
  }
  QLocale::setDefault(QLocale::system());
}
