// The chip unit: dates and counters decoded from chip bytes, the refusals and read orders against
// the virtual printer's chips, and what a failed page leaves queued. The texts as the technician
// sees them and the page as the printer gets it: workbench/formadjust_crtag_test.cpp.
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
using Bytes = Crtag::DateBytes;

namespace {

QDate Effect(Bytes bytes, int period) {
  return Crtag::EffectDate(Crtag::kBlack, bytes, static_cast<uint8_t>(period));
}

TEST(CrtagDecoding, DatesFromAnyByteAndTheEffectPeriod) {
  EXPECT_EQ(Effect({1, 1, 31}, 3), QDate(2001, 4, 30));
  EXPECT_EQ(Effect({3, 11, 30}, 3), QDate(2004, 2, 29));
  EXPECT_EQ(Effect({2, 11, 30}, 3), QDate(2003, 2, 28));
  EXPECT_EQ(Effect({25, 2, 31}, 0), QDate(2025, 2, 28));
  EXPECT_EQ(Effect({98, 5, 1}, 12), QDate(2099, 5, 1));  // not 1999
  EXPECT_EQ(Effect({99, 11, 30}, 3), QDate(2000, 2, 29));
  EXPECT_EQ(Crtag::ProductDate(Crtag::kBlack, {99, 12, 31}), QDate(1999, 12, 31));
  EXPECT_EQ(Crtag::ProductDate(Crtag::kBlack, {0, 1, 1}), QDate(2000, 1, 1));
  EXPECT_EQ(Crtag::ProductDate(Crtag::kBlack, {98, 2, 28}), QDate(2098, 2, 28));
  // Any year, month or day byte gives a date or the conversion error, never anything else.
  for (int v = 0; v < 256; ++v) {
    const auto b = static_cast<uint8_t>(v);
    for (const Bytes bytes : {Bytes{b, 1, 1}, Bytes{20, b, 1}, Bytes{20, 4, b}}) {
      if (bytes.year <= 99 && QDate(2000, bytes.month, bytes.day).isValid()) {
        EXPECT_TRUE(Effect(bytes, v).isValid()) << v;
      } else {
        EXPECT_THROW(Crtag::ProductDate(Crtag::kColor, bytes), platform::ConvertError) << v;
      }
    }
  }
}

TEST(CrtagDecoding, TimeForNoneOrOneTimesForMore) {
  const auto unit = [](int v) { return std::string(Crtag::CountUnit(Crtag::Decimal(v))); };
  for (int v : {0, 1}) EXPECT_EQ(unit(v), " time") << v;
  for (int v : {2, 9, 10, 255}) EXPECT_EQ(unit(v), " times") << v;
}

class CrtagTexts : public testing_support::VirtualPrinterTest {
 protected:
  void SetUp() override {
    VirtualPrinterTest::SetUp();
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
  }
  void TearDown() override {
    QLocale::setDefault(QLocale::system());
    VirtualPrinterTest::TearDown();
  }
  std::vector<long long> Reads() { return printtest::Field(printer(), "read_crtag", "addr"); }
  void SetCompany(int cartridge, const char* company) {
    for (int i = 0; i < 5; ++i) printer().SetChip(cartridge, 35 + i, uint8_t(company[i]));
  }

  Crtag crtag;
  testing_support::FakeClock clock{QDateTime(QDate(2026, 12, 9), QTime(10, 0))};
  std::string text = "untouched";
};

TEST_F(CrtagTexts, ReadInTheirOrderTheColourCartridgeWithThreeInkLines) {
  ASSERT_EQ(crtag.CrtagUniqueText(Crtag::kColor, &text), rc::Success);
  EXPECT_THAT(Reads(), ElementsAre(35, 36, 37, 38, 39, 12, 13, 14, 28, 12, 13, 14, 29));
  printer().ClearTrace();
  for (uint8_t a : {0, 1, 2}) printer().SetChip(1, a, std::array<uint8_t, 3>{30, 55, 100}[a]);
  ASSERT_EQ(crtag.CrtagUsageText(Crtag::kColor, &text), rc::Success);
  EXPECT_TRUE(
      text.starts_with(" \r\nInk counter consumption quantity\r\nCyan = 30%\r\n"
                       "Magenta = 55%\r\nYellow = 100%\r\n\r\nCleaning"));
  EXPECT_THAT(Reads(), ElementsAre(0, 1, 2, 6, 7, 21));
}

TEST_F(CrtagTexts, ForeignBeforeAnyDateExpiredAfterTheEffectDateAndAFailedReadEndsIt) {
  for (const char* company : {"KORVB", "korva", "KORVa", "XORVA", "KOR\0A"}) {
    SetCompany(0, company);
    EXPECT_EQ(crtag.CrtagUniqueText(Crtag::kBlack, &text), rc::CartridgeForeign) << company;
  }
  printer().SetChip(0, 13, 0);  // a foreign chip need not hold a date
  EXPECT_EQ(crtag.CrtagUniqueText(Crtag::kBlack, &text), rc::CartridgeForeign);
  SetCompany(0, "KORVA");
  EXPECT_THROW(crtag.CrtagUniqueText(Crtag::kBlack, &text), platform::ConvertError);

  clock.Set(QDateTime(QDate(2028, 9, 12), QTime(23, 59)));  // the colour cartridge's effect date
  EXPECT_EQ(crtag.CrtagUniqueText(Crtag::kColor, &text), rc::Success);
  clock.Set(QDateTime(QDate(2028, 9, 13), QTime(0, 0)));
  text = "untouched";
  EXPECT_EQ(crtag.CrtagUniqueText(Crtag::kColor, &text), rc::CartridgeExpired);

  printer().ClearTrace();
  printer().FailNth(Op::kReadCrtag, 2, rc::ReceiveTimeout);
  EXPECT_EQ(crtag.CrtagUsageText(Crtag::kColor, &text), rc::ReceiveTimeout);
  EXPECT_THAT(Reads(), ElementsAre(0, 1));
  EXPECT_EQ(text, "untouched");
}

TEST_F(CrtagTexts, APageCutShortDropsItsOwnQueuedBytesButNotAnEarlierPrints) {
  printtest::RecordingSender sender;
  RasterJob job(sender.AsSender());
  ASSERT_EQ(job.FormFeed(), rc::Success);        // left waiting by a Bi-D pattern
  sender.FailFrom(1, rc::LinkTransmitError, 1);  // which cannot go out now
  EXPECT_EQ(crtag.PrintCrtagInformation(job), rc::LinkTransmitError);
  EXPECT_EQ(job.Fill(), 1);
  sender.FailFrom(4, rc::LinkTransmitError, 1);  // the first heading's line ends
  EXPECT_EQ(crtag.PrintCrtagInformation(job), rc::LinkTransmitError);
  EXPECT_THAT(sender.Sizes(), ElementsAre(1, 24));
  EXPECT_EQ(job.Fill(), 0);
}

}  // namespace
