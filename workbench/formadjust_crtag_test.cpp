// The chip information item against the virtual printer: reached from the Appendix tab, its four
// texts in the enlarged log, the refusals, and the page as the printer receives it. (How the
// printer puts plain text on paper is the print engine's test.)
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QTextDocument>
#include <QTextEdit>
#include <QTimer>

#include "controls/dialogkeys.h"
#include "controls/radiogroup.h"
#include "print/printtest_util.h"
#include "workbench/printitems_test_fixture.h"

using namespace std::string_literals;
using testing::ElementsAre;
using testing_support::Click;
using testing_support::ClickItem;
using testing_support::Find;
using testing_support::LogColor;
using testing_support::LogText;
using testing_support::Op;
using testing_support::VisibleItemPanels;

namespace {

// The factory chips' texts as the log shows them.
const char* const kTexts[4] = {
    " \nProduct company = KORVA\nProduct date = 2025/6/30\nEffect date = 2028/6/30\n"
    "Open effect period = 6 month",
    " \nInk counter consumption quantity\nBlack = 89%\n\nCleaning counter = 0 time\n"
    "Install counter = 1 time\nRecycle counter = 0 time",
    " \nProduct company = KORVA\nProduct date = 2025/9/12\nEffect date = 2028/9/12\n"
    "Open effect period = 6 month",
    " \nInk counter consumption quantity\nCyan = 85%\nMagenta = 85%\nYellow = 85%\n\n"
    "Cleaning counter = 0 time\nInstall counter = 1 time\nRecycle counter = 0 time"};

// The factory chips' page, byte for byte: headings with their zero byte, texts without.
std::vector<uint8_t> FactoryPage() {
  std::string page;
  const auto text = [&](const char* t) { page += QString(t).replace("\n", "\r\n").toStdString(); };
  for (int cartridge = 0; cartridge < 2; ++cartridge) {
    page += cartridge == 0 ? "Black" : "Color";
    page += " CRTAG information\0\r\n\r\n     (Peculiar)\0\r\n"s;
    text(kTexts[2 * cartridge]);
    page += "\r\n\r\n     (History)\0\r\n"s;
    text(kTexts[2 * cartridge + 1]);
    page += "\r\n\r\n\r\n";
  }
  page += "\f";
  return {page.begin(), page.end()};
}

class ChipInfo : public printitems::PrintItemsTest {
 protected:
  void SetUp() override {
    PrintItemsTest::SetUp();
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));  // a slash
    form->AdjustmentTab->setCurrentIndex(3);
    ClickItem(form->AppendixRdoGrp, 1);
  }
  void TearDown() override { QLocale::setDefault(QLocale::system()); }
  void Choose(int index) {
    ClickItem(Find<RadioGroup>(form, "CRTAGInfoItemsRdoGrp"), index);
    Click(form, "CRTAGInfoItemsOKBtn");
  }
  void SetCompany(int cartridge, const char* company) {
    for (int i = 0; i < 5; ++i) printer.SetChip(cartridge, 35 + i, uint8_t(company[i]));
  }
  void ExpectRedLineOnTheItems(const QString& caption, const QString& line) {
    EXPECT_EQ(Find<QLabel>(form, "CRTAGInfoLbl")->text(), caption);
    EXPECT_EQ(LogText(form), line);
    EXPECT_EQ(LogColor(form), QColor(Qt::red));
    EXPECT_EQ(VisibleItemPanels(form), QStringList{"CRTAGInfoItemsPnl"});
    EXPECT_TRUE(form->isEnabled());
  }

  testing_support::FakeClock clock{QDateTime(QDate(2026, 12, 9), QTime(10, 0))};
  testing_support::FakeExceptionBox exceptionBox;
};

TEST_F(ChipInfo, ShowsEachTextInTheEnlargedCentredLogUntilPrevious) {
  EXPECT_EQ(form->AppendixRdoGrp->Items(),
            QStringList({"EEPROM data handling", "CRTAG information"}));
  EXPECT_EQ(VisibleItemPanels(form), QStringList{"CRTAGInfoItemsPnl"});
  EXPECT_EQ(Find<RadioGroup>(form, "CRTAGInfoItemsRdoGrp")->ItemIndex(), 0);
  EXPECT_TRUE(dialogkeys::IsDefault(Find<QPushButton>(form, "CRTAGInfoItemsOKBtn")));
  EXPECT_TRUE(dialogkeys::IsCancel(Find<QPushButton>(form, "CRTAGInfoRtnBtn")));
  const char* const captions[4] = {"Black I/C unique information", "Black I/C usage information ",
                                   "Color I/C unique information", "Color I/C usage information "};
  for (int index = 0; index < 4; ++index) {
    SCOPED_TRACE(index);
    Choose(index);
    EXPECT_EQ(VisibleItemPanels(form), QStringList{"CRTAGInfoPnl"});
    EXPECT_EQ(Find<QLabel>(form, "CRTAGInfoLbl")->text(), captions[index]);
    EXPECT_EQ(LogText(form), kTexts[index]);
    // Below the info panel, down to where the window's frames end.
    EXPECT_EQ(form->StatusMemo->geometry(), QRect(235, 136, 383, 236));
    EXPECT_EQ(form->StatusMemo->document()->defaultTextOption().alignment(), Qt::AlignHCenter);
    Click(form, "CRTAGInfoRtnBtn");
    EXPECT_EQ(VisibleItemPanels(form), QStringList{"CRTAGInfoItemsPnl"});
    EXPECT_EQ(form->StatusMemo->geometry(), QRect(235, 285, 383, 87));
    EXPECT_EQ(form->StatusMemo->document()->defaultTextOption().alignment(), Qt::AlignLeft);
  }
}

TEST_F(ChipInfo, ARefusalOrAFailedReadNamesItsCauseAndLeavesTheItems) {
  SetCompany(0, "KORVa");
  Choose(0);
  ExpectRedLineOnTheItems(
      "Black I/C unique information",
      "Black I/C is not a KORVA cartridge. Replace it with a KORVA black ink cartridge.");
  clock.Set(QDateTime(QDate(2028, 9, 13), QTime(8, 0)));
  Choose(2);
  ExpectRedLineOnTheItems(
      "Color I/C unique information",
      "Color I/C has passed its effect date. Replace it with a new color ink cartridge.");
  printer.FailNth(Op::kReadCrtag, 2, rc::ReceiveTimeout);
  Choose(3);
  ExpectRedLineOnTheItems("Color I/C usage information ", "Receive error");

  // A day that cannot be: the exception box names the cartridge; the window stays usable.
  printer.SetChip(1, 14, 32);
  Choose(2);
  EXPECT_THAT(exceptionBox.messages(),
              ElementsAre("Color I/C: the production date on its chip is not a date (year byte "
                          "25, month 9, day 32)."));
  EXPECT_TRUE(form->isEnabled());
  EXPECT_EQ(VisibleItemPanels(form), QStringList{"CRTAGInfoItemsPnl"});
}

TEST_F(ChipInfo, PrintsThePageByteForByteThenWaitsForThePrinter) {
  ASSERT_EQ(job().FormFeed(), rc::Success);  // the form feed a Bi-D pattern leaves waiting
  Choose(4);
  EXPECT_EQ(LogText(form), "Print has completed.");
  EXPECT_EQ(LogColor(form), QColor(Qt::black));
  EXPECT_TRUE(form->DisableTimer->isActive());
  std::vector<uint8_t> expected = FactoryPage();
  expected.insert(expected.begin(), 0x0C);
  EXPECT_EQ(printer.PrintData(), expected);
  // Four texts read (13 + 4 + 13 + 6 bytes) before anything is sent, the wait after.
  const std::vector<std::string> order = printtest::CallOrder(printer);
  ASSERT_EQ(order.size(), 36u + 3u);
  EXPECT_THAT(std::vector<std::string>(order.begin() + 36, order.end()),
              ElementsAre("data", "soft_reset", "status"));
  EXPECT_EQ(printer.Trace("sheet").size(), 1u);
  EXPECT_EQ(job().Fill(), 0);
  EXPECT_EQ(VisibleItemPanels(form), QStringList{"CRTAGInfoItemsPnl"});
}

TEST_F(ChipInfo, APrintThatFailsSendsNothingOrDropsWhatItLeftWaiting) {
  SetCompany(1, "korva");
  Choose(4);
  ExpectRedLineOnTheItems("CRTAG information ", "CRTAG information print error!!");
  EXPECT_EQ(printer.TraceOps(), std::vector<std::string>(13 + 4 + 13, "read_crtag"));
  SetCompany(1, "KORVA");

  printer.SetChip(0, 13, 0);  // no date: the print error line, then the box
  Choose(4);
  EXPECT_EQ(LogText(form), "CRTAG information print error!!");
  EXPECT_EQ(exceptionBox.messages().size(), 1u);
  printer.SetChip(0, 13, 6);
  EXPECT_EQ(printtest::DataPackets(printer), 0);

  printer.FailNth(Op::kData, 4, rc::LinkTransmitError);  // the line ends after "(Peculiar)"
  Choose(4);
  EXPECT_EQ(LogText(form), "CRTAG information print error!!");
  EXPECT_EQ(printtest::DataPackets(printer), 3);
  EXPECT_TRUE(printer.Trace("soft_reset").empty());

  // The next page comes whole, nothing of the failed one before it; a wait that finds the printer
  // in an error speaks of the printer.
  printer.ClearTrace();
  printer.ForceStatus(0xEFFF);
  Choose(4);
  EXPECT_EQ(printer.PrintData(), FactoryPage());
  EXPECT_EQ(LogText(form),
            "Printer is not ready (error or before initial fill up). Click [Get status] to see "
            "the printer's state.");
}

}  // namespace
