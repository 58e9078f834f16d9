// The chip unit: dates and counters decoded from chip bytes, the texts composed from the virtual
// printer's chips, and the chip information page as it is sent.
#include "crtag/crtag.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QLocale>

#include "platform/convert.h"
#include "print/printtest_util.h"
#include "print/raster.h"
#include "tests/support/fakes.h"
#include "tests/support/vprinterfixture.h"

using testing::ElementsAre;
using testing_support::Op;

namespace {

QDate Effect(int y, int m, int d, int period) {
  return Crtag::EffectDate(
      Crtag::kBlack, {static_cast<uint8_t>(y), static_cast<uint8_t>(m), static_cast<uint8_t>(d)},
      static_cast<uint8_t>(period));
}

TEST(CrtagDecoding, EffectDateMovesOnByThePeriodAndPullsBackPastTheMonthsEnd) {
  EXPECT_EQ(Effect(1, 1, 31, 3), QDate(2001, 4, 30));
  EXPECT_EQ(Effect(3, 11, 30, 3), QDate(2004, 2, 29));
  EXPECT_EQ(Effect(2, 11, 30, 3), QDate(2003, 2, 28));
  EXPECT_EQ(Effect(25, 6, 30, 36), QDate(2028, 6, 30));
  EXPECT_EQ(Effect(25, 6, 30, 0), QDate(2025, 6, 30));
  EXPECT_EQ(Effect(25, 2, 31, 0), QDate(2025, 2, 28));
  EXPECT_EQ(Effect(25, 12, 5, 1), QDate(2026, 1, 5));
  // Counted on the four-digit year: neither wrapped into 1999 nor lost beyond 2099.
  EXPECT_EQ(Effect(99, 5, 1, 12), QDate(2000, 5, 1));
  EXPECT_EQ(Effect(98, 5, 1, 12), QDate(2099, 5, 1));
  EXPECT_EQ(Effect(98, 11, 30, 255), QDate(2120, 2, 29));
  EXPECT_EQ(Effect(99, 11, 30, 3), QDate(2000, 2, 29));
}

TEST(CrtagDecoding, YearRuleAndDatesThatCannotBeRaiseNamingCartridgeAndBytes) {
  EXPECT_EQ(Crtag::ProductDate(Crtag::kBlack, {99, 12, 31}), QDate(1999, 12, 31));
  EXPECT_EQ(Crtag::ProductDate(Crtag::kBlack, {0, 1, 1}), QDate(2000, 1, 1));
  EXPECT_EQ(Crtag::ProductDate(Crtag::kBlack, {98, 2, 28}), QDate(2098, 2, 28));
  // Every year, month and day byte gives a date or the error, never anything else.
  for (int v = 0; v < 256; ++v) {
    const auto b = static_cast<uint8_t>(v);
    for (const Crtag::DateBytes bytes : {Crtag::DateBytes{b, 1, 1}, Crtag::DateBytes{20, b, 1},
                                         Crtag::DateBytes{20, 1, b}, Crtag::DateBytes{20, 4, b}}) {
      const bool valid = bytes.year <= 99 && QDate(2000, bytes.month, bytes.day).isValid();
      if (valid) {
        EXPECT_TRUE(Crtag::ProductDate(Crtag::kColor, bytes).isValid());
        EXPECT_TRUE(Crtag::EffectDate(Crtag::kColor, bytes, b).isValid());
      } else {
        EXPECT_THROW(Crtag::ProductDate(Crtag::kColor, bytes), platform::ConvertError) << v;
      }
    }
  }
  try {
    Crtag::ProductDate(Crtag::kColor, {150, 13, 0});
    ADD_FAILURE() << "no error";
  } catch (const platform::ConvertError& e) {
    EXPECT_STREQ(e.what(),
                 "Color I/C: the production date on its chip is not a date (year byte 150, month "
                 "13, day 0).");
  }
}

TEST(CrtagDecoding, CountersAndDates) {
  const auto unit = [](int v) { return std::string(Crtag::CountUnit(Crtag::Decimal(v))); };
  EXPECT_EQ(unit(0), " time");
  EXPECT_EQ(unit(1), " time");
  for (int v : {2, 9, 10, 255}) EXPECT_EQ(unit(v), " times") << v;
  EXPECT_STREQ(Crtag::Decimal(255).data(), "255");
  EXPECT_STREQ(Crtag::Decimal(7).data(), "7");
  EXPECT_EQ(Crtag::FormatDate(QDate(2003, 2, 8), "."), "2003.2.8");
}

// The system's regional settings name the date separator.
class Locale {
 public:
  explicit Locale(const QLocale& locale) { QLocale::setDefault(locale); }
  ~Locale() { QLocale::setDefault(QLocale::system()); }
};

class CrtagTexts : public testing_support::VirtualPrinterTest {
 protected:
  std::vector<long long> ReadAddresses() {
    std::vector<long long> addresses;
    for (const auto& e : printer().Trace("read_crtag")) addresses.push_back(e.Num("addr"));
    return addresses;
  }
  void SetCompany(int cartridge, const char* company) {
    for (int i = 0; i < 5; ++i)
      printer().SetChip(cartridge, 35 + i, static_cast<uint8_t>(company[i]));
  }

  Crtag crtag;
  testing_support::FakeClock clock{QDateTime(QDate(2026, 12, 9), QTime(10, 0))};
  Locale locale{QLocale(QLocale::English, QLocale::UnitedStates)};
  std::string text = "untouched";
};

TEST_F(CrtagTexts, ComposeTheFactoryChipsInTheirReadOrder) {
  ASSERT_EQ(crtag.CrtagUniqueText(Crtag::kBlack, &text), rc::Success);
  EXPECT_EQ(
      text,
      " \r\nProduct company = KORVA\r\nProduct date = 2025/6/30\r\nEffect date = 2028/6/30\r\n"
      "Open effect period = 6 month");
  EXPECT_THAT(ReadAddresses(), ElementsAre(35, 36, 37, 38, 39, 12, 13, 14, 28, 12, 13, 14, 29));

  printer().ClearTrace();
  for (int a = 0; a < 3; ++a) printer().SetChip(1, a, std::array<uint8_t, 3>{30, 55, 100}[a]);
  printer().SetChip(1, 6, 10);
  printer().SetChip(1, 21, 2);
  ASSERT_EQ(crtag.CrtagUsageText(Crtag::kColor, &text), rc::Success);
  EXPECT_EQ(
      text,
      " \r\nInk counter consumption quantity\r\nCyan = 30%\r\nMagenta = 55%\r\nYellow = 100%\r\n"
      "\r\nCleaning counter = 10 times\r\nInstall counter = 1 time\r\nRecycle counter = 2 times");
  EXPECT_THAT(ReadAddresses(), ElementsAre(0, 1, 2, 6, 7, 21));

  printer().ClearTrace();
  ASSERT_EQ(crtag.CrtagUsageText(Crtag::kBlack, &text), rc::Success);
  EXPECT_TRUE(text.starts_with(" \r\nInk counter consumption quantity\r\nBlack = 89%\r\n\r\n"));
  EXPECT_THAT(ReadAddresses(), ElementsAre(0, 6, 7, 21));

  const Locale german(QLocale(QLocale::German, QLocale::Germany));
  ASSERT_EQ(crtag.CrtagUniqueText(Crtag::kColor, &text), rc::Success);
  EXPECT_NE(text.find("Product date = 2025.9.12\r\nEffect date = 2028.9.12"), std::string::npos);
}

TEST_F(CrtagTexts, RefusesAForeignChipBeforeItsDatesAndAnExpiredOneAfterItsEffectDate) {
  for (const char* company : {"KORVB", "korva", "KORVa", "XORVA", "KOR\0A"}) {
    SetCompany(0, company);
    EXPECT_EQ(crtag.CrtagUniqueText(Crtag::kBlack, &text), rc::CartridgeForeign) << company;
  }
  // A foreign chip's date bytes need not be a date: it is refused as foreign all the same, and
  // its usage information stays readable.
  printer().SetChip(0, 13, 0);
  EXPECT_EQ(crtag.CrtagUniqueText(Crtag::kBlack, &text), rc::CartridgeForeign);
  EXPECT_EQ(crtag.CrtagUsageText(Crtag::kBlack, &text), rc::Success);
  SetCompany(0, "KORVA");
  text = "untouched";
  EXPECT_THROW(crtag.CrtagUniqueText(Crtag::kBlack, &text), platform::ConvertError);
  EXPECT_EQ(text, "untouched");

  clock.Set(QDateTime(QDate(2028, 9, 12), QTime(23, 59)));  // the colour cartridge's effect date
  EXPECT_EQ(crtag.CrtagUniqueText(Crtag::kColor, &text), rc::Success);
  clock.Set(QDateTime(QDate(2028, 9, 13), QTime(0, 0)));
  text = "untouched";
  EXPECT_EQ(crtag.CrtagUniqueText(Crtag::kColor, &text), rc::CartridgeExpired);
  EXPECT_EQ(text, "untouched");
  EXPECT_EQ(Crtag::RefusalFor(Crtag::kColor, rc::CartridgeExpired), rc::ColorCartridgeExpired);
  EXPECT_EQ(Crtag::RefusalFor(Crtag::kBlack, rc::CartridgeForeign), rc::BlackCartridgeForeign);
  EXPECT_EQ(Crtag::RefusalFor(Crtag::kBlack, rc::LinkReceiveError), rc::LinkReceiveError);
}

TEST_F(CrtagTexts, AFailedReadEndsTheTextWithItsCodeAndReadsNoFurther) {
  printer().FailNth(Op::kReadCrtag, 7, rc::ReceiveTimeout);
  EXPECT_EQ(crtag.CrtagUniqueText(Crtag::kColor, &text), rc::ReceiveTimeout);
  EXPECT_EQ(text, "untouched");
  EXPECT_EQ(printer().Trace("read_crtag").size(), 7u);
  EXPECT_EQ(ReadAddresses().back(), 13);
}

// --- The page -----------------------------------------------------------------------------------

std::vector<uint8_t> Bytes(const std::string& text, bool withNul = false) {
  std::vector<uint8_t> bytes(text.begin(), text.end());
  if (withNul) bytes.push_back(0);
  return bytes;
}

class CrtagPage : public CrtagTexts {
 protected:
  printtest::RecordingSender sender;
  RasterJob job{sender.AsSender()};
};

TEST_F(CrtagPage, SendsHeadingsAndTextsDirectlyWithTheWaitingLineEndsAheadOfEach) {
  ASSERT_EQ(job.FormFeed(), rc::Success);  // left waiting by an earlier print
  ASSERT_EQ(crtag.PrintCrtagInformation(job), rc::Success);
  std::string texts[4];
  ASSERT_EQ(crtag.CrtagUniqueText(0, &texts[0]), rc::Success);
  ASSERT_EQ(crtag.CrtagUsageText(0, &texts[1]), rc::Success);
  ASSERT_EQ(crtag.CrtagUniqueText(1, &texts[2]), rc::Success);
  ASSERT_EQ(crtag.CrtagUsageText(1, &texts[3]), rc::Success);
  const std::vector<uint8_t> crlf1 = Bytes("\r\n"), crlf2 = Bytes("\r\n\r\n"),
                             crlf3 = Bytes("\r\n\r\n\r\n");
  EXPECT_THAT(
      sender.sends(),
      ElementsAre(Bytes("\f"), Bytes("Black CRTAG information", true), crlf2,
                  Bytes("     (Peculiar)", true), crlf1, Bytes(texts[0]), crlf2,
                  Bytes("     (History)", true), crlf1, Bytes(texts[1]), crlf3,
                  Bytes("Color CRTAG information", true), crlf2, Bytes("     (Peculiar)", true),
                  crlf1, Bytes(texts[2]), crlf2, Bytes("     (History)", true), crlf1,
                  Bytes(texts[3]), Bytes("\r\n\r\n\r\n\f")));
  EXPECT_EQ(job.Fill(), 0);
}

TEST_F(CrtagPage, SendsNothingWhenATextFailsAndDropsWhatAFailedPageLeftWaiting) {
  ASSERT_EQ(job.FormFeed(), rc::Success);
  SetCompany(1, "KORVB");
  EXPECT_EQ(crtag.PrintCrtagInformation(job), rc::CartridgeForeign);
  EXPECT_TRUE(sender.sends().empty());
  EXPECT_EQ(job.Fill(), 1);  // the earlier print's form feed waits on

  SetCompany(1, "KORVA");
  sender.FailFrom(1, rc::LinkTransmitError, 1);  // the earlier form feed cannot go out
  EXPECT_EQ(crtag.PrintCrtagInformation(job), rc::LinkTransmitError);
  EXPECT_EQ(job.Fill(), 1);

  sender.FailFrom(sender.attempts() + 3, rc::LinkTransmitError, 1);  // the first line ends
  EXPECT_EQ(crtag.PrintCrtagInformation(job), rc::LinkTransmitError);
  EXPECT_EQ(sender.sends().size(), 2u);
  EXPECT_EQ(job.Fill(), 0);
}

}  // namespace
