// The EEPROM items of the workbench against the virtual printer: head ID, Bi-D values, USB ID, top
// margin, first dot position, initial setting and the raw EEPROM tool, driven by their controls.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLabel>
#include <QTableWidget>
#include <QTest>
#include <QTextEdit>
#include <QToolButton>
#include <string>
#include <utility>
#include <vector>

#include "app/startup.h"
#include "controls/limitededit.h"
#include "controls/pagecontrol.h"
#include "controls/radiogroup.h"
#include "controls/tcgauge.h"
#include "controls/titledpanel.h"
#include "controls/updown.h"
#include "eeprom/eepromtrace_testutil.h"
#include "link/resulttexts.h"
#include "platform/cursor.h"
#include "tests/support/fakes.h"
#include "tests/support/vprinterfixture.h"
#include "tests/support/windowtest.h"
#include "tests/support/workbenchtest.h"
#include "workbench/formadjust.h"

using platform::CursorShape;
using platform::DlgButtons;
using platform::DlgType;
using testing_support::Click;
using testing_support::ClickItem;
using testing_support::Find;
using testing_support::LogColor;
using testing_support::LogText;
using testing_support::Op;
using testing_support::VisibleItemPanels;

namespace {

const QColor kBlack(Qt::black);
const QColor kRed(Qt::red);

class OnPrinter : public testing_support::WorkbenchTest {
 protected:
  std::vector<std::pair<int, int>> Writes() { return eeprom_testing::Writes(printer); }
  std::vector<int> Reads() { return eeprom_testing::Reads(printer); }
  std::string Cells(uint8_t first, uint8_t last) {
    const std::vector<uint8_t> bytes = printer.Eeprom(first, last);
    return std::string(bytes.begin(), bytes.end());
  }
  void Type(const char* edit, const QString& text) {
    auto* e = Find<LimitedEdit>(form, QLatin1String(edit));
    e->clear();
    QTest::keyClicks(e, text);
  }
};

// --- Head ID ------------------------------------------------------------------------------------

class HeadIdItem : public OnPrinter {
 protected:
  void OpenInput() {
    ClickItem(form->AdjustRdoGrp, 1);
    ASSERT_EQ(Find<RadioGroup>(form, "HdVolRdoBtn")->ItemIndex(), 0);
    Click(form, "HdVolOKBtn");
    ASSERT_EQ(VisibleItemPanels(form), QStringList{"HeadIDInputPnl"});
  }
  void Check() {
    ClickItem(form->AdjustRdoGrp, 1);
    ClickItem(Find<RadioGroup>(form, "HdVolRdoBtn"), 1);
    Click(form, "HdVolOKBtn");
  }
};

TEST_F(HeadIdItem, WritesATypedIdWithTheMarkerCellLast) {
  OpenInput();
  EXPECT_EQ(Find<QLabel>(form, "HeadIDImage")->pixmap().size(), QSize(160, 143));
  EXPECT_EQ(form->focusWidget(), Find<LimitedEdit>(form, "HdVolWrtEdit"));
  Type("HdVolWrtEdit", "a1aaaaatttc");
  EXPECT_EQ(Find<LimitedEdit>(form, "HdVolWrtEdit")->text(), "A1AAAAATTTC");
  Click(form, "HdVolWrtOKBtn");

  EXPECT_EQ(LogText(form), "As head ID, A1AAAAATTTC has been written on EEPROM.");
  EXPECT_EQ(LogColor(form), kBlack);
  EXPECT_EQ(form->ShowHdVolIDPnl->text(), "A1AAAAATTTC");
  const std::vector<std::pair<int, int>> expected = {
      {0x3F, 1}, {0x46, 1},    {0x40, 1},    {0x41, 1},    {0x43, 1},   {0x44, 1},
      {0x45, 1}, {0x48, 0x32}, {0x49, 0x32}, {0x4A, 0x32}, {0x47, 0x32}};
  EXPECT_EQ(Writes(), expected);

  // Read back: T in 8..10 and the check character computed afresh.
  Check();
  EXPECT_EQ(LogText(form), "Head ID = A1AAAAATTTC");
}

TEST_F(HeadIdItem, ARefusedIdWritesNothingAndKeepsTheTextForCorrection) {
  const std::pair<const char*, const char*> refused[] = {
      {"A1AAAAATTTD", "Check ID is invalid."},
      {"AIAAAAATTTC", "Second Digit is wrong."},
      {"A1AAAAATTSC", "Tenth Digit is wrong."},
      {"A1AAAAATTT", "The Number of digit is wrong."}};
  OpenInput();
  for (const auto& [text, message] : refused) {
    Find<LimitedEdit>(form, "HdVolWrtEdit")->setText(text);
    form->ShowHdVolIDPnl->setFocus();
    Click(form, "HdVolWrtOKBtn");
    EXPECT_EQ(LogText(form), message);
    EXPECT_EQ(LogColor(form), kRed);
    EXPECT_EQ(Find<LimitedEdit>(form, "HdVolWrtEdit")->text(), text);
    EXPECT_EQ(form->focusWidget(), Find<LimitedEdit>(form, "HdVolWrtEdit"));
  }
  EXPECT_TRUE(Writes().empty());
  EXPECT_EQ(form->ShowHdVolIDPnl->text(), "");
}

TEST_F(HeadIdItem, AFailureAtTheFifthWriteLeavesTheFirstFourCellsWritten) {
  const std::vector<uint8_t> before = printer.Eeprom(0x3F, 0x4A);
  printer.FailNth(Op::kEepromWrite, 5, -104);
  OpenInput();
  Find<LimitedEdit>(form, "HdVolWrtEdit")->setText("AZAAAAATTTG");
  Click(form, "HdVolWrtOKBtn");

  EXPECT_EQ(LogText(form), "Receive error");
  EXPECT_EQ(LogColor(form), kRed);
  EXPECT_EQ(printer.Eeprom(0x3F), 1);
  EXPECT_EQ(printer.Eeprom(0x46), 0);
  EXPECT_EQ(printer.Eeprom(0x40), 1);
  EXPECT_EQ(printer.Eeprom(0x41), 1);
  for (uint8_t a : {0x43, 0x44, 0x45, 0x47, 0x48, 0x49, 0x4A}) {
    EXPECT_EQ(printer.Eeprom(a), before[a - 0x3F]) << a;
  }
  EXPECT_EQ(form->ShowHdVolIDPnl->text(), "");
}

TEST_F(HeadIdItem, CheckShowsTheStoredIdOrWhyNot) {
  Check();
  // F2KM7RW as stored; S = 3708, 3708 mod 31 = 19, check code 12 = M.
  EXPECT_EQ(LogText(form), "Head ID = F2KM7RWTTTM");
  EXPECT_EQ(LogColor(form), kBlack);
  EXPECT_EQ(VisibleItemPanels(form), QStringList{"HeadIDItemsPnl"});
  EXPECT_EQ(platform::ScreenCursor(), CursorShape::Default);

  printer.SetEeprom(0x49, 0x33);
  Check();
  EXPECT_EQ(LogText(form), "Head ID is invalid.");
  EXPECT_EQ(LogColor(form), kRed);

  printer.FailNth(Op::kEepromRead, 2, -82);
  Check();
  EXPECT_EQ(LogText(form), "Receive error");
  EXPECT_EQ(platform::ScreenCursor(), CursorShape::Default);
}

// --- Bi-D values --------------------------------------------------------------------------------

class BidItem : public OnPrinter {
 protected:
  void Choose(int item) {
    ClickItem(form->AdjustRdoGrp, 2);
    ClickItem(Find<RadioGroup>(form, "BidRdoBtn"), item);
    Click(form, "BidOKBtn");
  }
  std::vector<LimitedEdit*> Edits() {
    return {Find<LimitedEdit>(form, "MsBkBidWrtEdit"),  Find<LimitedEdit>(form, "MsClBidWrtEdit"),
            Find<LimitedEdit>(form, "Pl6BkBidWrtEdit"), Find<LimitedEdit>(form, "Pl6ClBidWrtEdit"),
            Find<LimitedEdit>(form, "Pl4BkBidWrtEdit"), Find<LimitedEdit>(form, "Pl4ClBidWrtEdit")};
  }
  std::vector<QCheckBox*> Boxes() {
    return {Find<QCheckBox>(form, "BidMsBkCheckBox"),  Find<QCheckBox>(form, "BidMsClCheckBox"),
            Find<QCheckBox>(form, "Bid6plBkCheckBox"), Find<QCheckBox>(form, "Bid6plClCheckBox"),
            Find<QCheckBox>(form, "Bid4plBkCheckBox"), Find<QCheckBox>(form, "Bid4plClCheckBox")};
  }
  QStringList Texts() {
    QStringList texts;
    for (LimitedEdit* e : Edits()) texts << e->text();
    return texts;
  }
  int Ticked() {
    int n = 0;
    for (QCheckBox* b : Boxes()) n += b->isChecked() ? 1 : 0;
    return n;
  }
};

TEST_F(BidItem, InputOpensWithTheStoredValuesAndNothingTicked) {
  printer.SetEeprom(0x33, 0xDC);
  Choose(1);
  EXPECT_EQ(VisibleItemPanels(form), QStringList{"BidInputPnl"});
  // Table order: MS Black, MS Color, 6pl Black, 6pl Color, 4pl Black, 4pl Color.
  EXPECT_EQ(Texts(), QStringList({"-36", "4", "-2", "-1", "1", "2"}));
  EXPECT_EQ(Ticked(), 0);
  EXPECT_EQ(Reads(), std::vector<int>({0x33, 0x36, 0x34, 0x37, 0x35, 0x38}));

  // Any change of a text ticks its own box: typed, spun or set by the program.
  QTest::keyClick(Find<LimitedEdit>(form, "MsClBidWrtEdit"), Qt::Key_5);
  EXPECT_TRUE(Find<QCheckBox>(form, "BidMsClCheckBox")->isChecked());
  Find<UpDown>(form, "Bid6plClUpDown")->StepDown();
  EXPECT_EQ(Find<LimitedEdit>(form, "Pl6ClBidWrtEdit")->text(), "-2");
  EXPECT_TRUE(Find<QCheckBox>(form, "Bid6plClCheckBox")->isChecked());
  Find<LimitedEdit>(form, "Pl4ClBidWrtEdit")->setText("9");
  EXPECT_EQ(Ticked(), 3);
  EXPECT_FALSE(Find<QCheckBox>(form, "BidMsBkCheckBox")->isChecked());
}

TEST_F(BidItem, AReadFailureLeavesTheRestEmptyAndEveryBoxTicked) {
  printer.FailNth(Op::kEepromRead, 3, -104);
  Choose(1);
  EXPECT_EQ(Texts(), QStringList({"3", "4", "", "", "", ""}));
  EXPECT_EQ(Ticked(), 6);
  EXPECT_EQ(LogText(form), "Receive error");
  EXPECT_EQ(LogColor(form), kRed);
}

TEST_F(BidItem, WritesOnlyTheTickedValuesLineByLine) {
  Choose(1);
  Find<LimitedEdit>(form, "MsClBidWrtEdit")->setText("5");
  Find<LimitedEdit>(form, "Pl4BkBidWrtEdit")->setText("-7");
  // An earlier try's line: the report replaces it.
  form->WriteStatus(LineError, "Receive error");
  Click(form, "BidWrtOKBtn");
  EXPECT_EQ(LogText(form),
            "As MS Color data, 5 has been written on EEPROM.\n"
            "As 4pl Black data, -7 has been written on EEPROM.");
  EXPECT_EQ(LogColor(form), kBlack);
  EXPECT_EQ(printer.Eeprom(0x36), 5);
  EXPECT_EQ(printer.Eeprom(0x35), 0xF9);
  EXPECT_EQ(printer.Eeprom(0x33), 3);
  EXPECT_EQ(form->ShowMsClPnl->text(), "5");
  EXPECT_EQ(form->Show4plBkPnl->text(), "-7");
  EXPECT_EQ(form->ShowMsBkPnl->text(), "");
  EXPECT_EQ(printer.Trace("write_bid").size(), 2u);

  // The boxes stay ticked: OK again writes the same again.
  Click(form, "BidWrtOKBtn");
  EXPECT_EQ(printer.Trace("write_bid").size(), 4u);
}

TEST_F(BidItem, AFailingValueIsReportedInItsPlaceAndTheNextStillWritten) {
  Choose(1);
  Find<LimitedEdit>(form, "MsBkBidWrtEdit")->setText("37");
  Find<LimitedEdit>(form, "MsClBidWrtEdit")->setText("-36");
  Find<LimitedEdit>(form, "Pl6BkBidWrtEdit")->setText("abc");
  Find<LimitedEdit>(form, "Pl4ClBidWrtEdit")->setText("36");
  printer.FailNth(Op::kWriteBid, 2, -81);  // the 4pl Color write
  // An earlier try's line: the report replaces it.
  form->WriteStatus(LineError, "Receive error");
  Click(form, "BidWrtOKBtn");
  EXPECT_EQ(LogText(form),
            "MS Black value is wrong.\n"
            "As MS Color data, -36 has been written on EEPROM.\n"
            "6pl Black value is wrong.\n"
            "Transmission error");
  EXPECT_EQ(LogColor(form), kBlack);
  EXPECT_EQ(printer.Eeprom(0x36), 0xDC);
  EXPECT_EQ(printer.Eeprom(0x33), 3);
  EXPECT_EQ(printer.Eeprom(0x34), 0xFE);
  EXPECT_EQ(form->ShowMsClPnl->text(), "-36");
  EXPECT_EQ(form->Show4plClPnl->text(), "");
}

TEST_F(BidItem, NothingTickedChangesNothing) {
  Choose(1);
  form->WriteStatus(LineInfo, "before");
  Click(form, "BidWrtOKBtn");
  EXPECT_EQ(LogText(form), "before");
  EXPECT_TRUE(printer.Trace("write_bid").empty());
}

TEST_F(BidItem, TheSpinnerReaches72WhichTheWriteRefuses) {
  Choose(1);
  Find<LimitedEdit>(form, "Pl6BkBidWrtEdit")->setText("70");
  Find<QCheckBox>(form, "Bid6plBkCheckBox")->setChecked(true);
  for (int i = 0; i < 3; ++i) Find<UpDown>(form, "Bid6plBkUpDown")->StepUp();
  EXPECT_EQ(Find<LimitedEdit>(form, "Pl6BkBidWrtEdit")->text(), "72");
  Click(form, "BidWrtOKBtn");
  EXPECT_EQ(LogText(form), "6pl Black value is wrong.");
  EXPECT_TRUE(printer.Trace("write_bid").empty());
}

TEST_F(BidItem, CheckBuildsThreeLinesOrReportsTheFirstFailingRead) {
  printer.SetEeprom(0x33, 0xDC);
  Choose(2);
  EXPECT_EQ(LogText(form),
            "MS Black = -36     MS Color = 4\n"
            "6pl Black = -2     6pl Color = -1\n"
            "4pl Black = 1     4pl Color = 2");
  EXPECT_EQ(VisibleItemPanels(form), QStringList{"BidItemsPnl"});

  printer.FailNth(Op::kEepromRead, 4, -104);
  Click(form, "BidOKBtn");
  EXPECT_EQ(LogText(form), "Receive error");
  EXPECT_EQ(LogColor(form), kRed);
}

// --- USB ID -------------------------------------------------------------------------------------

class UsbIdItem : public OnPrinter {
 protected:
  void OpenInput() {
    ClickItem(form->AdjustRdoGrp, 3);
    Click(form, "UsbIdOKBtn");
    ASSERT_EQ(VisibleItemPanels(form), QStringList{"USBIDInputPnl"});
  }
  void Check() {
    ClickItem(form->AdjustRdoGrp, 3);
    ClickItem(Find<RadioGroup>(form, "USBIDRdoGrp"), 1);
    Click(form, "UsbIdOKBtn");
  }
  testing_support::FakeClock clock{QDateTime(QDate(2026, 12, 7), QTime(6, 55, 42))};
};

TEST_F(UsbIdItem, WritesTheSerialAndTheStampOfTheMoment) {
  OpenInput();
  EXPECT_EQ(form->focusWidget(), Find<LimitedEdit>(form, "UsbIdInputEdit"));
  Type("UsbIdInputEdit", "ab12345678x");
  EXPECT_EQ(Find<LimitedEdit>(form, "UsbIdInputEdit")->text(), "AB12345678");
  Click(form, "UsbIdInputOKBtn");

  EXPECT_EQ(LogText(form), "As USB ID, \"AB12345678RC76PC30\" has been written on EEPROM.");
  EXPECT_EQ(LogColor(form), kBlack);
  EXPECT_EQ(Cells(0x4D, 0x5E), "AB12345678RC76PC30");
  EXPECT_EQ(form->ShowUSBIDLbl->text(), "AB12345678 RC76PC30");

  Check();
  EXPECT_EQ(LogText(form), "USB ID = AB12345678RC76PC30");
}

TEST_F(UsbIdItem, RefusesBadInputAndAClockItCannotStampBeforeWritingAnything) {
  OpenInput();
  const std::pair<const char*, const char*> refused[] = {
      {"AB1234567", "The Number of digit is wrong."},
      {"AB-1234567", "Parameter is only number & alphabet."}};
  for (const auto& [text, message] : refused) {
    Find<LimitedEdit>(form, "UsbIdInputEdit")->setText(text);
    Click(form, "UsbIdInputOKBtn");
    EXPECT_EQ(LogText(form), message);
    EXPECT_EQ(LogColor(form), kRed);
    EXPECT_EQ(Find<LimitedEdit>(form, "UsbIdInputEdit")->text(), text);
  }
  clock.Set(QDateTime(QDate(2035, 1, 1), QTime(0, 0)));
  Find<LimitedEdit>(form, "UsbIdInputEdit")->setText("AB12345678");
  Click(form, "UsbIdInputOKBtn");
  EXPECT_EQ(LogText(form), ResultText(rc::UsbIdClockOutOfRange));
  EXPECT_EQ(LogColor(form), kRed);
  EXPECT_TRUE(Writes().empty());
  EXPECT_EQ(form->ShowUSBIDLbl->text(), "");
}

TEST_F(UsbIdItem, AFailureInTheStampLeavesTheNewSerialBehindTheOldStamp) {
  const std::string oldStamp = Cells(0x57, 0x5E);
  printer.FailNth(Op::kEepromWrite, 12, -103);
  OpenInput();
  Find<LimitedEdit>(form, "UsbIdInputEdit")->setText("ZZ00000001");
  Click(form, "UsbIdInputOKBtn");
  EXPECT_EQ(LogText(form), "Transmission error");
  EXPECT_EQ(LogColor(form), kRed);
  EXPECT_EQ(Cells(0x4D, 0x57), "ZZ00000001R");
  EXPECT_EQ(Cells(0x58, 0x5E), oldStamp.substr(1));
  EXPECT_EQ(form->ShowUSBIDLbl->text(), "");

  Check();
  EXPECT_EQ(LogText(form), QString::fromStdString("USB ID = ZZ00000001R" + oldStamp.substr(1)));
}

TEST_F(UsbIdItem, CheckOfAnErasedCellSaysTheIdIsInvalid) {
  printer.SetEeprom(0x50, 0xFF);
  Check();
  EXPECT_EQ(LogText(form), "USB ID is invalid");
  EXPECT_EQ(LogColor(form), kRed);
}

// --- Top margin ---------------------------------------------------------------------------------

class TopMarginItem : public OnPrinter {
 protected:
  void Adjust() {
    ClickItem(form->AdjustRdoGrp, 4);
    ClickItem(Find<RadioGroup>(form, "TopMarginRdoGrp"), 1);
    Click(form, "TopMarginMainBtn");
  }
};

TEST_F(TopMarginItem, PreselectsTheStepOfTheStoredByte) {
  const std::pair<uint8_t, int> cases[] = {{0xE7, 0}, {0x15, 2}, {0x14, 1},
                                           {0xEC, 1}, {0xEB, 0}, {0x19, 2}};
  for (const auto& [stored, item] : cases) {
    printer.SetEeprom(0x2E, stored);
    Adjust();
    EXPECT_EQ(VisibleItemPanels(form), QStringList{"TopMarginPnl"});
    EXPECT_EQ(Find<RadioGroup>(form, "TopMarginInputRdoGrp")->ItemIndex(), item) << int(stored);
  }
  // A byte that cannot be read counts as 0, silently.
  printer.SetEeprom(0x2E, 0xE7);
  printer.FailNth(Op::kEepromRead, 1, -104);
  Adjust();
  EXPECT_EQ(Find<RadioGroup>(form, "TopMarginInputRdoGrp")->ItemIndex(), 1);
  EXPECT_EQ(LogText(form), "");
}

TEST_F(TopMarginItem, WritesTheChosenStepAndSavesIt) {
  Adjust();
  ClickItem(Find<RadioGroup>(form, "TopMarginInputRdoGrp"), 2);
  printer.ClearTrace();
  Click(form, "TopMarginWriteOKBtn");
  EXPECT_EQ(printer.Eeprom(0x2E), 0x19);
  EXPECT_EQ(printer.TraceOps(),
            std::vector<std::string>({"eeprom_write", "save_all_current_data"}));
  EXPECT_EQ(LogText(form), "As Top margin data, \"+\" has been written on EEPROM.");
  EXPECT_EQ(form->ShowTopMarginPnl->text(), "\"+\"");

  ClickItem(Find<RadioGroup>(form, "TopMarginInputRdoGrp"), 0);
  printer.FailNth(Op::kSaveAllCurrentData, 1, -82);
  Click(form, "TopMarginWriteOKBtn");
  EXPECT_EQ(printer.Eeprom(0x2E), 0xE7);
  EXPECT_EQ(LogText(form), "Receive error");
  EXPECT_EQ(LogColor(form), kRed);
  EXPECT_EQ(form->ShowTopMarginPnl->text(), "\"+\"");

  Click(form, "TopMarginRtnBtn");
  EXPECT_EQ(VisibleItemPanels(form), QStringList{"TopMarginMainPnl"});
}

// --- First dot position -------------------------------------------------------------------------

class FirstDotItem : public OnPrinter {
 protected:
  void Open(uint8_t stored) {
    printer.SetEeprom(0x39, stored);
    form->AppendixRdoGrp->SetItemIndex(0);
    ClickItem(form->AdjustRdoGrp, 5);
  }
  void ExpectShown(const char* edit, int left, const char* mm) {
    EXPECT_EQ(Find<LimitedEdit>(form, "LandMarginEdit")->text(), edit);
    EXPECT_EQ(Find<TCGauge>(form, "LeftMarginGauge")->Progress(), left) << edit;
    EXPECT_EQ(Find<TCGauge>(form, "RightMarginGauge")->Progress(), 100 - left) << edit;
    EXPECT_EQ(Find<QLabel>(form, "LandMarginRealValuePnl")->text(), QString::fromLatin1(mm) + " mm")
        << edit;
  }
};

TEST_F(FirstDotItem, OpensWithTheStoredValueOnTheGauges) {
  Open(0xB8);
  EXPECT_EQ(VisibleItemPanels(form), QStringList{"FirstDotPositionPnl"});
  EXPECT_EQ(form->AppendixRdoGrp->ItemIndex(), -1);
  ExpectShown("-72", 0, "-0.6350");
  Open(0x04);
  ExpectShown("4", 52, "0.0353");
  Open(0x48);
  ExpectShown("72", 100, "0.6350");
  // Beyond the range: the display is held at 72, the edit keeps what is stored.
  Open(0x64);
  ExpectShown("100", 100, "0.6350");
}

TEST_F(FirstDotItem, APrinterThatDoesNotAnswerLeavesThePanelQuiet) {
  Open(0x04);
  printer.FailNth(Op::kEepromRead, 1, -104);
  Open(0x10);
  EXPECT_EQ(VisibleItemPanels(form), QStringList{"FirstDotPositionPnl"});
  EXPECT_EQ(LogText(form), "");
  EXPECT_EQ(Find<LimitedEdit>(form, "LandMarginEdit")->text(), "");
  EXPECT_EQ(Find<TCGauge>(form, "LeftMarginGauge")->Progress(), 52);  // as it was
  EXPECT_EQ(form->AppendixRdoGrp->ItemIndex(), 0);                    // the item click ended early
}

TEST_F(FirstDotItem, SpinnerAndStepButtonsMoveTheValueWithinItsRange) {
  Open(0x00);
  Find<UpDown>(form, "LandMarginUpDown")->StepUp();
  ExpectShown("1", 50, "0.0088");
  EXPECT_EQ(Find<UpDown>(form, "LandMarginUpDown")->Maximum(), 36);
  // Beyond its own range the spinner starts from its nearest end.
  Open(0x48);
  Find<UpDown>(form, "LandMarginUpDown")->StepDown();
  ExpectShown("35", 74, "0.3087");

  Open(70);
  Click(form, "SteptoRightBitBtn");
  ExpectShown("72", 100, "0.6350");
  Open(static_cast<uint8_t>(-70));
  Click(form, "SteptoLeftBitBtn");
  ExpectShown("-72", 0, "-0.6350");
  Click(form, "SteptoRightBitBtn");
  ExpectShown("-68", 4, "-0.5997");
  Click(form, "GotoRightEdgeBitBtn");
  EXPECT_EQ(Find<LimitedEdit>(form, "LandMarginEdit")->text(), "72");
  Click(form, "CenteringBitBtn");
  ExpectShown("0", 50, "0.0000");
  Click(form, "GotoLeftEdgeBitBtn");
  EXPECT_EQ(Find<LimitedEdit>(form, "LandMarginEdit")->text(), "-72");

  const std::pair<const char*, const char*> hints[] = {
      {"SteptoLeftBitBtn", "To the left four points at a time"},
      {"SteptoRightBitBtn", "To the right four points at a time"},
      {"GotoLeftEdgeBitBtn", "To the edge of left"},
      {"GotoRightEdgeBitBtn", "To the edge of right"},
      {"CenteringBitBtn", "Centering"}};
  for (const auto& [button, hint] : hints) {
    EXPECT_EQ(Find<QToolButton>(form, QLatin1String(button))->toolTip(), hint);
  }
}

TEST_F(FirstDotItem, WriteStoresTheByteAsksForTheWaitAndInitialisesThePrinter) {
  Open(0x00);
  Click(form, "SteptoLeftBitBtn");
  Click(form, "SteptoLeftBitBtn");
  printer.ClearTrace();
  Click(form, "LandMarginWriteBtn");
  EXPECT_EQ(printer.Eeprom(0x39), 0xF8);
  EXPECT_EQ(printer.TraceOps(), std::vector<std::string>({"eeprom_write", "power_on_initialize"}));
  ASSERT_EQ(dialogs.shown().size(), 1u);
  EXPECT_EQ(dialogs.shown()[0].request.type, DlgType::Information);
  EXPECT_EQ(dialogs.shown()[0].request.buttons, DlgButtons::Ok);
  EXPECT_EQ(dialogs.shown()[0].request.text,
            "This printer is initializing to reflect changed value on EEPROM.\n"
            "Please wait about 30 seconds until printer is ready state.");
  EXPECT_EQ(LogText(form), "1st dot position value \n\"-8\"has been written on EEPROM.");
  EXPECT_EQ(LogColor(form), kBlack);
  EXPECT_EQ(form->ShowFirstDotPnl->text(), "-8");

  // 0 is written and initialised like any other value; a stored 100 goes back as 100.
  Click(form, "CenteringBitBtn");
  Click(form, "LandMarginWriteBtn");
  EXPECT_EQ(printer.Eeprom(0x39), 0x00);
  EXPECT_EQ(dialogs.shown().size(), 2u);
  Open(0x64);
  Click(form, "LandMarginWriteBtn");
  EXPECT_EQ(printer.Eeprom(0x39), 0x64);
  EXPECT_EQ(form->ShowFirstDotPnl->text(), "100");
}

TEST_F(FirstDotItem, AFailedWriteSkipsTheInitialisationAFailedInitialisationKeepsTheValue) {
  Open(0x04);
  printer.FailNth(Op::kEepromWrite, 1, -103);
  Click(form, "LandMarginWriteBtn");
  EXPECT_EQ(LogText(form), "Transmission error");
  EXPECT_EQ(LogColor(form), kRed);
  EXPECT_TRUE(dialogs.shown().empty());
  EXPECT_TRUE(printer.Trace("power_on_initialize").empty());

  Click(form, "SteptoRightBitBtn");
  printer.FailNth(Op::kPowerOnInitialize, 1, -82);
  Click(form, "LandMarginWriteBtn");
  EXPECT_EQ(printer.Eeprom(0x39), 8);
  EXPECT_EQ(LogText(form), "Receive error");
  EXPECT_EQ(form->ShowFirstDotPnl->text(), "");
}

// After a failed opening read the edit holds no number; the conversion error goes to the
// exception box and the window stays usable.
TEST_F(FirstDotItem, WriteWithAnEmptyEditLeavesTheWindowUsable) {
  testing_support::FakeExceptionBox box;
  printer.FailNth(Op::kEepromRead, 1, -104);
  Open(0x04);
  ASSERT_EQ(Find<LimitedEdit>(form, "LandMarginEdit")->text(), "");
  printer.ClearTrace();
  Click(form, "LandMarginWriteBtn");
  ASSERT_EQ(box.messages().size(), 1u);
  EXPECT_EQ(box.messages()[0], "'' is not a valid integer value");
  EXPECT_TRUE(form->isEnabled());
  EXPECT_EQ(platform::ScreenCursor(), CursorShape::Default);
  EXPECT_TRUE(printer.Trace().empty());
  EXPECT_TRUE(dialogs.shown().empty());
  // The edge buttons still bring a value, and the write works again.
  Click(form, "CenteringBitBtn");
  Click(form, "LandMarginWriteBtn");
  EXPECT_EQ(form->ShowFirstDotPnl->text(), "0");
}

// --- EEPROM initial setting ---------------------------------------------------------------------

class InitialSetting : public OnPrinter {
 protected:
  void Ok() {
    ClickItem(form->AdjustRdoGrp, 0);
    Click(form, "DefaultSetBtn");
  }
};

TEST_F(InitialSetting, WritesTheFourBytesInOrderAndNamesTheModel) {
  for (int round = 1; round <= 2; ++round) {
    Ok();
    EXPECT_EQ(LogText(form),
              "The initial setting value of  \n\"Quorla Z40\"has been written on EEPROM.");
    EXPECT_EQ(LogColor(form), kBlack);
  }
  const std::vector<std::pair<int, int>> once = {
      {0x5F, 0x00}, {0x09, 0x04}, {0x3A, 0x03}, {0x3C, 0x9E}};
  std::vector<std::pair<int, int>> twice = once;
  twice.insert(twice.end(), once.begin(), once.end());
  EXPECT_EQ(Writes(), twice);
  EXPECT_TRUE(dialogs.shown().empty());
}

TEST_F(InitialSetting, AFailureAtTheThirdWriteClosesThePort) {
  for (uint8_t a : {0x5F, 0x09, 0x3A, 0x3C}) printer.SetEeprom(a, 0x55);
  printer.FailNth(Op::kEepromWrite, 3, -8193);
  platform::SetScreenCursor(CursorShape::HourGlass);
  Ok();
  EXPECT_EQ(printer.Eeprom(0x5F), 0x00);
  EXPECT_EQ(printer.Eeprom(0x09), 0x04);
  EXPECT_EQ(printer.Eeprom(0x3A), 0x55);
  EXPECT_EQ(printer.Eeprom(0x3C), 0x55);
  ASSERT_EQ(dialogs.shown().size(), 1u);
  EXPECT_EQ(dialogs.shown()[0].request.text, "Communication error");
  EXPECT_EQ(dialogs.shown()[0].request.type, DlgType::Error);
  EXPECT_EQ(LogText(form), "");
  EXPECT_EQ(platform::ScreenCursor(), CursorShape::Default);

  // The port is closed: the next operation fails and says so; the close still works.
  printer.ClearTrace();
  ClickItem(form->AdjustRdoGrp, 1);
  ClickItem(Find<RadioGroup>(form, "HdVolRdoBtn"), 1);
  Click(form, "HdVolOKBtn");
  EXPECT_EQ(LogColor(form), kRed);
  EXPECT_FALSE(LogText(form).isEmpty());
  EXPECT_TRUE(printer.Trace("eeprom_read").empty());
  Click(form, "AdjustRtnBtn");
  EXPECT_FALSE(form->isVisible());
}

// --- EEPROM data handling -----------------------------------------------------------------------

class EepromData : public OnPrinter {
 protected:
  void OpenCheck() {
    form->AdjustmentTab->setCurrentIndex(3);
    ClickItem(form->AppendixRdoGrp, 0);
    ClickItem(Find<RadioGroup>(form, "EepromCheckRdoGrp"), 0);
    Click(form, "EepromItemsOKBtn");
  }
  void Read(const QString& first, const QString& last) {
    Find<LimitedEdit>(form, "EepReadBegEdit")->setText(first);
    Find<LimitedEdit>(form, "EepReadEndEdit")->setText(last);
    Click(form, "EepromReadOkBtn");
  }
  QString Cell(int address) {
    const QTableWidgetItem* item =
        Find<QTableWidget>(form, "EepromStrGrid")->item(address / 16 + 1, address % 16 + 1);
    return item != nullptr ? item->text() : QString();
  }
  void OpenChange() {
    form->AdjustmentTab->setCurrentIndex(3);
    ClickItem(form->AppendixRdoGrp, 0);
    ClickItem(Find<RadioGroup>(form, "EepromCheckRdoGrp"), 1);
    Click(form, "EepromItemsOKBtn");
  }
};

TEST_F(EepromData, ReadsTheWholeTableIntoTheGrid) {
  OpenCheck();
  EXPECT_EQ(VisibleItemPanels(form), QStringList{"EEPROMCheckPnl"});
  EXPECT_EQ(form->focusWidget(), Find<LimitedEdit>(form, "EepReadBegEdit"));
  Read("00", "FF");
  EXPECT_EQ(VisibleItemPanels(form), QStringList{"EEPROMGridPnl"});
  EXPECT_FALSE(form->StatusMemo->isVisible());
  EXPECT_EQ(platform::ScreenCursor(), CursorShape::Default);
  std::vector<int> all(256);
  for (int a = 0; a < 256; ++a) all[a] = a;
  EXPECT_EQ(Reads(), all);
  const std::vector<uint8_t> bytes = printer.Eeprom(0x00, 0xFF);
  for (int a = 0; a < 256; ++a) {
    EXPECT_EQ(Cell(a), QString::asprintf("%02X", bytes[a])) << a;
  }
  EXPECT_EQ(Cell(0x0A), "04");
  EXPECT_EQ(Cell(0xFF), "FF");
  EXPECT_EQ(Find<QTableWidget>(form, "EepromStrGrid")->item(0, 11)->text(), "A");  // headings stay
  EXPECT_EQ(Find<QTableWidget>(form, "EepromStrGrid")->item(3, 0)->text(), "2");

  Click(form, "EepromGridRtnBtn");
  EXPECT_EQ(VisibleItemPanels(form), QStringList{"EEPROMCheckPnl"});
  EXPECT_TRUE(form->StatusMemo->isVisible());
  EXPECT_EQ(Find<LimitedEdit>(form, "EepReadBegEdit")->text(), "");
}

TEST_F(EepromData, ASecondReadShowsOnlyItsOwnRange) {
  OpenCheck();
  Read("00", "FF");
  Click(form, "EepromGridRtnBtn");
  printer.ClearTrace();
  Read("2E", "2E");
  EXPECT_EQ(Reads(), std::vector<int>{0x2E});
  for (int a = 0; a < 256; ++a) {
    EXPECT_EQ(Cell(a).isEmpty(), a != 0x2E) << a;
  }
  EXPECT_EQ(Cell(0x2E), "00");
}

TEST_F(EepromData, RefusesWrongInputWithOneMessage) {
  OpenCheck();
  const std::pair<const char*, const char*> wrong[] = {{"10", "0F"}, {"5", "10"},  {"G0", "10"},
                                                       {"00", "1"},  {"00", "FG"}, {"", ""}};
  for (const auto& [first, last] : wrong) {
    form->ShowHdVolIDPnl->setFocus();
    Read(first, last);
    EXPECT_EQ(LogText(form), "Input data is wrong.") << first << " " << last;
    EXPECT_EQ(LogColor(form), kRed);
    EXPECT_EQ(form->focusWidget(), Find<LimitedEdit>(form, "EepReadBegEdit"));
    EXPECT_EQ(VisibleItemPanels(form), QStringList{"EEPROMCheckPnl"});
  }
  EXPECT_TRUE(Reads().empty());
}

TEST_F(EepromData, AReadFailurePartWayReturnsToTheRangeWithTheError) {
  OpenCheck();
  printer.FailNth(Op::kEepromRead, 5, -104);
  Read("10", "1F");
  EXPECT_EQ(Reads(), std::vector<int>({0x10, 0x11, 0x12, 0x13, 0x14}));
  EXPECT_EQ(VisibleItemPanels(form), QStringList{"EEPROMCheckPnl"});
  EXPECT_TRUE(form->StatusMemo->isVisible());
  EXPECT_EQ(LogText(form), "Receive error");
  EXPECT_EQ(LogColor(form), kRed);
  EXPECT_EQ(platform::ScreenCursor(), CursorShape::Default);
}

TEST_F(EepromData, WritesOneByteAndKeepsTheEditsForTheNext) {
  OpenChange();
  EXPECT_EQ(VisibleItemPanels(form), QStringList{"EEPROMChangePnl"});
  EXPECT_EQ(form->focusWidget(), Find<LimitedEdit>(form, "EepWriteAddEdit"));
  Type("EepWriteAddEdit", "2e");
  Type("EepWriteDataEdit", "19");
  Click(form, "EepromWriteOkBtn");
  EXPECT_EQ(LogText(form), "Address = 2E\nData = 19");
  EXPECT_EQ(LogColor(form), kBlack);
  EXPECT_EQ(Writes(), (std::vector<std::pair<int, int>>{{0x2E, 0x19}}));
  EXPECT_EQ(Find<LimitedEdit>(form, "EepWriteAddEdit")->text(), "2E");
  EXPECT_EQ(Find<LimitedEdit>(form, "EepWriteDataEdit")->text(), "19");

  Find<LimitedEdit>(form, "EepWriteDataEdit")->setText("1");
  Click(form, "EepromWriteOkBtn");
  EXPECT_EQ(LogText(form), "Input data is wrong.");
  EXPECT_EQ(form->focusWidget(), Find<LimitedEdit>(form, "EepWriteAddEdit"));

  Find<LimitedEdit>(form, "EepWriteDataEdit")->setText("FF");
  printer.FailNth(Op::kEepromWrite, 1, -81);
  Click(form, "EepromWriteOkBtn");
  EXPECT_EQ(LogText(form), "Transmission error");
  EXPECT_EQ(printer.Eeprom(0x2E), 0x19);
  EXPECT_EQ(Find<LimitedEdit>(form, "EepWriteDataEdit")->text(), "FF");

  Click(form, "EepromWriteRtnBtn");
  EXPECT_EQ(VisibleItemPanels(form), QStringList{"EEPROMItemsPnl"});
}

// --- "Previous" ---------------------------------------------------------------------------------

// Each inner panel's "Previous" goes back to its item's own panel, with the log and the edits
// emptied.
TEST_F(OnPrinter, PreviousLeadsBackToTheItemsPanel) {
  struct Way {
    int tab;
    RadioGroup* item;
    int itemIndex;
    RadioGroup* choice;
    int choiceIndex;
    const char* ok;
    const char* inner;
    const char* previous;
    const char* back;
  };
  const Way ways[] = {{0, form->AdjustRdoGrp, 1, Find<RadioGroup>(form, "HdVolRdoBtn"), 0,
                       "HdVolOKBtn", "HeadIDInputPnl", "HdVolWrtRtnBtn", "HeadIDItemsPnl"},
                      {0, form->AdjustRdoGrp, 2, Find<RadioGroup>(form, "BidRdoBtn"), 0, "BidOKBtn",
                       "BidPrintPnl", "BidPrnRtnBtn", "BidItemsPnl"},
                      {0, form->AdjustRdoGrp, 2, Find<RadioGroup>(form, "BidRdoBtn"), 1, "BidOKBtn",
                       "BidInputPnl", "BidWrtRtnBtn", "BidItemsPnl"},
                      {0, form->AdjustRdoGrp, 3, Find<RadioGroup>(form, "USBIDRdoGrp"), 0,
                       "UsbIdOKBtn", "USBIDInputPnl", "UsbIdInputRtnBtn", "USBIDItemsPnl"},
                      {3, form->AppendixRdoGrp, 0, Find<RadioGroup>(form, "EepromCheckRdoGrp"), 0,
                       "EepromItemsOKBtn", "EEPROMCheckPnl", "EepromReadRtnBtn", "EEPROMItemsPnl"}};
  for (const Way& w : ways) {
    form->AdjustmentTab->setCurrentIndex(w.tab);
    ClickItem(w.item, w.itemIndex);
    ClickItem(w.choice, w.choiceIndex);
    Click(form, QLatin1String(w.ok));
    ASSERT_EQ(VisibleItemPanels(form), QStringList{w.inner}) << w.previous;
    form->WriteStatus(LineInfo, "old");
    Find<LimitedEdit>(form, "EepWriteDataEdit")->setText("19");
    Click(form, QLatin1String(w.previous));
    EXPECT_EQ(VisibleItemPanels(form), QStringList{w.back}) << w.previous;
    EXPECT_EQ(LogText(form), "") << w.previous;
    EXPECT_EQ(Find<LimitedEdit>(form, "EepWriteDataEdit")->text(), "") << w.previous;
  }
}

// --- Protection counter -------------------------------------------------------------------------

class ProtectionCounter : public OnPrinter {
 protected:
  void Choose(int item) {
    form->AdjustmentTab->setCurrentIndex(1);
    ClickItem(form->MentRdoGrp, 3);
    ClickItem(Find<RadioGroup>(form, "CounterRdoBtn"), item);
    Click(form, "ProCounterOKBtn");
  }
  void CheckWith(uint8_t high, uint8_t low) {
    printer.SetEeprom(0x0A, high);
    printer.SetEeprom(0x0B, low);
    Click(form, "CounterCheckOKBtn");
  }
};

TEST_F(ProtectionCounter, CheckShowsTheValueLowByteReadFirst) {
  Choose(0);
  EXPECT_EQ(VisibleItemPanels(form), QStringList{"ProCounterCheckPnl"});
  EXPECT_EQ(Find<QLabel>(form, "CheckcountWarningLbl1")->text(),
            "If it is Over 16,289 points, replace the waste ink pad.");
  CheckWith(0x0B, 0x7C);
  EXPECT_EQ(LogText(form), "Counter value = 2940");
  EXPECT_EQ(LogColor(form), kBlack);
  EXPECT_EQ(Reads(), std::vector<int>({0x0B, 0x0A}));
  // A long value, then a short one: only the new text shows.
  CheckWith(0xFF, 0xFF);
  EXPECT_EQ(LogText(form), "Counter value = 65535");
  CheckWith(0x00, 0x00);
  EXPECT_EQ(LogText(form), "Counter value = 0");
  EXPECT_EQ(VisibleItemPanels(form), QStringList{"ProCounterCheckPnl"});
  EXPECT_EQ(form->ShowProCounterPnl->text(), "");

  printer.FailNth(Op::kEepromRead, 2, -104);
  Click(form, "CounterCheckOKBtn");
  EXPECT_EQ(LogText(form), "Receive error");
  EXPECT_EQ(LogColor(form), kRed);
  Click(form, "CounterCheckRtnBtn");
  EXPECT_EQ(VisibleItemPanels(form), QStringList{"ProCounterItemsPnl"});
}

TEST_F(ProtectionCounter, ClearAsksFirstAndClearsLowByteFirst) {
  Choose(1);
  EXPECT_EQ(VisibleItemPanels(form), QStringList{"ProCounterClearPnl"});
  dialogs.QueueAnswer(platform::DlgResult::Yes);
  Click(form, "CounterClearOKBtn");
  ASSERT_EQ(dialogs.shown().size(), 1u);
  EXPECT_EQ(dialogs.shown()[0].request.text, "Have you replaced the Waste Ink Pad certainly?");
  EXPECT_EQ(dialogs.shown()[0].request.type, DlgType::Warning);
  EXPECT_EQ(dialogs.shown()[0].request.buttons, DlgButtons::YesNo);
  EXPECT_EQ(Writes(), (std::vector<std::pair<int, int>>{{0x0B, 0}, {0x0A, 0}}));
  EXPECT_EQ(LogText(form), "The protect counter has been initialized.");
  EXPECT_EQ(form->ShowProCounterPnl->text(), "Initialized");

  Click(form, "CounterClearRtnBtn");
  ClickItem(Find<RadioGroup>(form, "CounterRdoBtn"), 0);
  Click(form, "ProCounterOKBtn");
  Click(form, "CounterCheckOKBtn");
  EXPECT_EQ(LogText(form), "Counter value = 0");
}

TEST_F(ProtectionCounter, NoOrClosingTheQuestionWritesNothing) {
  Choose(1);
  dialogs.QueueAnswer(platform::DlgResult::No);
  Click(form, "CounterClearOKBtn");
  ASSERT_EQ(dialogs.shown().size(), 2u);
  EXPECT_EQ(dialogs.shown()[1].request.text, "Retry this routine from first step.");
  EXPECT_EQ(dialogs.shown()[1].request.type, DlgType::Information);
  dialogs.QueueAnswer(platform::DlgResult::Closed);
  Click(form, "CounterClearOKBtn");
  EXPECT_EQ(dialogs.shown().size(), 3u);
  EXPECT_TRUE(Writes().empty());
  EXPECT_EQ(LogText(form), "");
}

TEST_F(ProtectionCounter, AFailedClearLeavesTheHighByteUnwritten) {
  printer.SetEeprom(0x0A, 0x0B);
  printer.SetEeprom(0x0B, 0x7C);
  printer.FailNth(Op::kEepromWrite, 2, -103);
  Choose(1);
  dialogs.QueueAnswer(platform::DlgResult::Yes);
  Click(form, "CounterClearOKBtn");
  EXPECT_EQ(printer.Eeprom(0x0B), 0x00);
  EXPECT_EQ(printer.Eeprom(0x0A), 0x0B);
  EXPECT_EQ(LogText(form), "Transmission error");
  EXPECT_EQ(LogColor(form), kRed);
  EXPECT_EQ(form->ShowProCounterPnl->text(), "");
}

}  // namespace
