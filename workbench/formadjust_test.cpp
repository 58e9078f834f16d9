// The workbench frame: panels, navigation, printer modes, the status log and its line kinds.
#include "workbench/formadjust.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QTableWidget>
#include <QTextCursor>
#include <QTextEdit>
#include <QTimer>

#include "app/formboot.h"
#include "app/startup.h"
#include "controls/limitededit.h"
#include "controls/listbox.h"
#include "controls/pagecontrol.h"
#include "controls/radiogroup.h"
#include "controls/titledpanel.h"
#include "link/statuscontrol.h"
#include "platform/convert.h"
#include "platform/handlerguard.h"
#include "tests/support/fakes.h"
#include "tests/support/windowtest.h"

using platform::CursorShape;
using testing_support::Find;
using testing_support::LogColor;
using testing_support::LogText;
using testing_support::VisibleItemPanels;

namespace {

const char* const kPanelsInResetOrder[] = {"CanvasPanel",
                                           "DefaultSetPnl",
                                           "HeadIDItemsPnl",
                                           "HeadIDInputPnl",
                                           "BidItemsPnl",
                                           "BidPrintPnl",
                                           "BidInputPnl",
                                           "USBIDItemsPnl",
                                           "USBIDInputPnl",
                                           "TopMarginMainPnl",
                                           "TopMarginPnl",
                                           "FirstDotPositionPnl",
                                           "CleaningPnl",
                                           "InkChargePnl",
                                           "ProCounterItemsPnl",
                                           "ProCounterClearPnl",
                                           "ProCounterCheckPnl",
                                           "TraStep0Pnl",
                                           "NotePnl",
                                           "TraStep1Pnl",
                                           "TraStep2Pnl",
                                           "TransPnl",
                                           "TraStep3Pnl",
                                           "TraStep4Pnl",
                                           "EepromBackupPnl",
                                           "CRTAGInfoItemsPnl",
                                           "CRTAGInfoPnl",
                                           "EEPROMItemsPnl",
                                           "EEPROMChangePnl",
                                           "EEPROMCheckPnl",
                                           "EEPROMGridPnl",
                                           "A4CheckPnl"};

class Workbench : public ::testing::Test {
 protected:
  void SetUp() override {
    form = FormAdjust;
    form->show();
  }

  void EnterErrorMode() {
    ProgramPrinterStatus() = PrinterStatus{printerstatus::ErrorState, 0xEF09};
    form->ApplyPrinterMode();
  }

  testing_support::ProgramWindows windows;
  testing_support::FakeDialogs dialogs;
  TFormAdjust* form = nullptr;
};

TEST_F(Workbench, HasEveryItemPanelInTheItemAreaAndOnlyTheCanvasShowing) {
  EXPECT_EQ(form->size(), QSize(775, 374));
  EXPECT_EQ(form->windowTitle(), " Individual Adjustment Program");
  ASSERT_EQ(form->ItemPanels().size(), 32u);
  for (size_t i = 0; i < 32; ++i) {
    const QString name = QLatin1String(kPanelsInResetOrder[i]);
    EXPECT_EQ(form->ItemPanels()[i]->objectName(), name);
    const QRect g = form->ItemPanels()[i]->geometry();
    const int height = name == "EEPROMGridPnl" ? 367 : name == "CRTAGInfoPnl" ? 116 : 275;
    EXPECT_EQ(g, QRect(235, 5, 383, height)) << name.toStdString();
  }
  EXPECT_EQ(VisibleItemPanels(form), QStringList{"CanvasPanel"});
  EXPECT_EQ(Find<TitledPanel>(form, "CleaningPnl")->Title()->text(), "Head cleaning ");
  EXPECT_EQ(Find<TitledPanel>(form, "DefaultSetPnl")->Title()->text(), "EEPROM initial setting  ");
  EXPECT_EQ(Find<QLabel>(form, "CRTAGInfoLbl")->text(), "CRTAG information ");
  EXPECT_EQ(form->StatusMemo->geometry(), QRect(235, 285, 383, 87));
  EXPECT_EQ(form->ReturnPnl->geometry(), QRect(5, 285, 223, 87));
  EXPECT_EQ(form->AdjustedItemPnl->geometry(), QRect(625, 5, 149, 367));
  EXPECT_EQ(form->SelectPrinterNameLbl->text(), "Quorla Z40");
}

TEST_F(Workbench, HasTheThirteenInputEditsInTheirPanelsWithTheirLimits) {
  struct Expect {
    const char* edit;
    const char* panel;
    int maxLength;
    bool upper;
    const char* text;
  };
  const Expect edits[] = {{"HdVolWrtEdit", "HeadIDInputPnl", 11, true, ""},
                          {"MsBkBidWrtEdit", "BidInputPnl", 3, false, "0"},
                          {"Pl4ClBidWrtEdit", "BidInputPnl", 3, false, "0"},
                          {"UsbIdInputEdit", "USBIDInputPnl", 10, true, ""},
                          {"LandMarginEdit", "FirstDotPositionPnl", 32767, false, "0"},
                          {"EepReadBegEdit", "EEPROMCheckPnl", 2, true, ""},
                          {"EepWriteDataEdit", "EEPROMChangePnl", 2, true, ""}};
  for (const Expect& e : edits) {
    auto* edit = Find<LimitedEdit>(form, QLatin1String(e.edit));
    ASSERT_NE(edit, nullptr);
    EXPECT_EQ(edit->parentWidget()->objectName(), e.panel) << e.edit;
    EXPECT_EQ(edit->maxLength(), e.maxLength) << e.edit;
    EXPECT_EQ(edit->UpperCase(), e.upper) << e.edit;
    EXPECT_EQ(edit->text(), e.text) << e.edit;
  }
  EXPECT_TRUE(Find<LimitedEdit>(form, "LandMarginEdit")->isReadOnly());
  EXPECT_EQ(Find<QTableWidget>(form, "EepromStrGrid")->rowCount(), 17);
  EXPECT_EQ(Find<QTableWidget>(form, "EepromStrGrid")->item(0, 1)->text(), "0");
  EXPECT_EQ(Find<QTableWidget>(form, "EepromStrGrid")->item(0, 16)->text(), "F");
  EXPECT_EQ(Find<QTableWidget>(form, "EepromStrGrid")->item(11, 0)->text(), "A");
}

TEST_F(Workbench, ShowsAllFourTabsWithoutScrolling) {
  const MultiRowTabBar* bar = form->AdjustmentTab->RowTabBar();
  ASSERT_EQ(form->AdjustmentTab->count(), 4);
  for (int i = 0; i < 4; ++i) {
    const QRect r = bar->RowTabRect(i);
    EXPECT_TRUE(bar->rect().contains(r)) << i;
  }
  EXPECT_EQ(form->AdjustmentTab->tabText(2), "Check pattern printing");
}

TEST_F(Workbench, StartsInStableModeWithSixItemsAndEveryTabEnabled) {
  EXPECT_EQ(form->AdjustRdoGrp->Items(),
            QStringList({"EEPROM initial setting", "Head ID", "Bi-D", "USB-ID",
                         "Top margin adjustment", "First dot position adjustment"}));
  EXPECT_EQ(form->AdjustRdoGrp->height(), 220);
  EXPECT_EQ(form->AdjustRdoGrp->ItemIndex(), -1);
  for (int i = 0; i < 4; ++i) EXPECT_TRUE(form->AdjustmentTab->isTabEnabled(i));
  EXPECT_FALSE(form->PrinterStableModeListBox->isVisibleTo(form));
  EXPECT_FALSE(form->PrinterErrorModeListBox->isVisibleTo(form));

  // Stable mode applied again leaves the technician on the tab where they are.
  form->AdjustmentTab->setCurrentIndex(2);
  form->ApplyPrinterMode();
  EXPECT_EQ(form->AdjustmentTab->currentIndex(), 2);
}

TEST_F(Workbench, ErrorModeOffersFourItemsOnTheFirstTabOnly) {
  form->AdjustmentTab->setCurrentIndex(1);
  EnterErrorMode();
  EXPECT_EQ(form->AdjustRdoGrp->Items(),
            QStringList({"EEPROM initial setting", "Protection counter", "EEPROM data handling",
                         "EEPROM back up data"}));
  EXPECT_EQ(form->AdjustRdoGrp->height(), 155);
  EXPECT_EQ(form->AdjustmentTab->currentIndex(), 0);
  EXPECT_TRUE(form->AdjustmentTab->isTabEnabled(0));
  for (int i = 1; i < 4; ++i) EXPECT_FALSE(form->AdjustmentTab->isTabEnabled(i));

  const std::pair<int, const char*> items[] = {{0, "DefaultSetPnl"},
                                               {1, "ProCounterItemsPnl"},
                                               {2, "EEPROMItemsPnl"},
                                               {3, "EepromBackupPnl"}};
  for (const auto& [index, panel] : items) {
    testing_support::ClickItem(form->AdjustRdoGrp, index);
    EXPECT_EQ(VisibleItemPanels(form), QStringList{panel});
  }
}

TEST_F(Workbench, EachItemShowsItsOnePanelAndDeselectsTheOtherGroups) {
  struct Item {
    RadioGroup* group;
    int index;
    const char* panel;
  };
  // Item 5 reads the printer first; its tests are with the first-dot item's.
  const Item items[] = {
      {form->AdjustRdoGrp, 0, "DefaultSetPnl"},       {form->AdjustRdoGrp, 1, "HeadIDItemsPnl"},
      {form->AdjustRdoGrp, 2, "BidItemsPnl"},         {form->AdjustRdoGrp, 3, "USBIDItemsPnl"},
      {form->AdjustRdoGrp, 4, "TopMarginMainPnl"},    {form->MentRdoGrp, 0, "CleaningPnl"},
      {form->MentRdoGrp, 1, "InkChargePnl"},          {form->MentRdoGrp, 2, "TraStep0Pnl"},
      {form->MentRdoGrp, 3, "ProCounterItemsPnl"},    {form->MentRdoGrp, 4, "EepromBackupPnl"},
      {form->PatternPrnItemsRdoGrp, 0, "A4CheckPnl"}, {form->AppendixRdoGrp, 0, "EEPROMItemsPnl"}};
  RadioGroup* groups[] = {form->AdjustRdoGrp, form->MentRdoGrp, form->PatternPrnItemsRdoGrp,
                          form->AppendixRdoGrp};
  for (const Item& item : items) {
    for (RadioGroup* g : groups) g->SetItemIndex(0);
    form->WriteStatus(LineInfo, "old line");
    testing_support::ClickItem(item.group, item.index);
    EXPECT_EQ(VisibleItemPanels(form), QStringList{item.panel});
    EXPECT_EQ(LogText(form), "");
    for (RadioGroup* g : groups) {
      EXPECT_EQ(g->ItemIndex(), g == item.group ? item.index : -1) << item.panel;
    }
  }
}

// A status inquiry (the wait before a Bi-D row, say) can put the printer in error mode while the
// stable list is still on screen; the clicked item must still open its own panel.
TEST_F(Workbench, AnItemOpensThePanelOfTheListOnScreen) {
  ProgramPrinterStatus() = PrinterStatus{printerstatus::ErrorState, 0xEF09};
  testing_support::ClickItem(form->AdjustRdoGrp, 1);
  EXPECT_EQ(VisibleItemPanels(form), QStringList{"HeadIDItemsPnl"});
  testing_support::ClickItem(form->AdjustRdoGrp, 4);
  EXPECT_EQ(VisibleItemPanels(form), QStringList{"TopMarginMainPnl"});
}

TEST_F(Workbench, ATabChangeClearsTheLogDeselectsAllAndShowsTheEmptyCanvas) {
  testing_support::ClickItem(form->MentRdoGrp, 1);
  form->AppendixRdoGrp->SetItemIndex(0);
  form->WriteStatus(LineInfo, "something");
  form->AdjustmentTab->setCurrentIndex(2);
  EXPECT_EQ(VisibleItemPanels(form), QStringList{"CanvasPanel"});
  EXPECT_EQ(LogText(form), "");
  for (RadioGroup* g :
       {form->AdjustRdoGrp, form->MentRdoGrp, form->PatternPrnItemsRdoGrp, form->AppendixRdoGrp}) {
    EXPECT_EQ(g->ItemIndex(), -1);
  }
}

TEST_F(Workbench, ATabChangeAppliesTheModeOfTheLastInquiry) {
  ProgramPrinterStatus() = PrinterStatus{printerstatus::ErrorState, 0xEF0C};
  form->AdjustmentTab->setCurrentIndex(3);
  EXPECT_EQ(form->AdjustmentTab->currentIndex(), 0);
  EXPECT_EQ(form->AdjustRdoGrp->Count(), 4);
  EXPECT_FALSE(form->AdjustmentTab->isTabEnabled(3));
}

TEST_F(Workbench, ResetPanelsEmptiesTheEditsAndPutsTheLogBack) {
  Find<LimitedEdit>(form, "MsBkBidWrtEdit")->setText("12");
  Find<LimitedEdit>(form, "HdVolWrtEdit")->setText("ABC");
  form->StatusMemo->setGeometry(235, 136, 383, 265);
  form->StatusMemo->hide();
  QTextOption centred = form->StatusMemo->document()->defaultTextOption();
  centred.setAlignment(Qt::AlignHCenter);
  form->StatusMemo->document()->setDefaultTextOption(centred);
  form->WriteStatus(LineError, "red");

  form->ResetPanels();
  EXPECT_EQ(Find<LimitedEdit>(form, "MsBkBidWrtEdit")->text(), "");  // empty, not "0"
  EXPECT_EQ(Find<LimitedEdit>(form, "HdVolWrtEdit")->text(), "");
  EXPECT_EQ(LogText(form), "");
  EXPECT_TRUE(form->StatusMemo->isVisible());
  EXPECT_EQ(form->StatusMemo->geometry(), QRect(235, 285, 383, 87));
  EXPECT_EQ(LogColor(form), QColor(Qt::black));
  EXPECT_EQ(form->StatusMemo->document()->defaultTextOption().alignment(), Qt::AlignLeft);
  EXPECT_TRUE(VisibleItemPanels(form).isEmpty());
}

TEST_F(Workbench, InfoAppendAndAddLinesBuildTheLogInOneColour) {
  form->WriteStatus(LineError, "Paper out error");
  form->WriteStatus(LineAdd, "second");
  EXPECT_EQ(LogText(form), "Paper out error\nsecond");
  EXPECT_EQ(LogColor(form), QColor(Qt::red));
  form->WriteStatus(LineAppend, " line");
  EXPECT_EQ(LogColor(form), QColor(Qt::red));
  form->WriteStatus(LineBusy, "Bi-D pattern");
  form->WriteStatus(LineAppend, " is being printed out now.");
  EXPECT_EQ(LogText(form), "Bi-D pattern is being printed out now.");
  EXPECT_EQ(LogColor(form), QColor(Qt::blue));
  form->WriteStatus(LineError, "Receive error");

  form->WriteStatus(LineInfo, "MS Black");
  EXPECT_EQ(LogColor(form), QColor(Qt::black));
  form->WriteStatus(LineAppend, " = 12");
  form->WriteStatus(LineAdd, "MS Color = 3");
  EXPECT_EQ(LogText(form), "MS Black = 12\nMS Color = 3");

  form->WriteStatus(LineInfo, "a\r\nb\r\n");
  EXPECT_EQ(LogText(form), "a\nb\n");

  form->ResetPanels();
  form->WriteStatus(LineAdd, "first");
  EXPECT_EQ(LogText(form), "first");

  form->WriteStatus(0, "nothing");
  form->WriteStatus(7, "nothing");
  EXPECT_EQ(LogText(form), "first");
}

TEST_F(Workbench, AnAddedOrAppendedLineIsScrolledIntoView) {
  form->show();
  form->WriteStatus(LineInfo, "Bi-D adjustment values");
  for (const char* line : {"MS Black = 3", "MS Color = 4", "6pl Black = -2", "6pl Color = -1",
                           "4pl Black = 1", "4pl Color = 2"}) {
    form->WriteStatus(LineAdd, line);
  }
  form->WriteStatus(LineAppend, " (stored)");
  QTextCursor last(form->StatusMemo->document());
  last.movePosition(QTextCursor::End);
  const QRect lastLine = form->StatusMemo->cursorRect(last);
  const QRect box = form->StatusMemo->viewport()->rect();
  EXPECT_TRUE(box.contains(lastLine)) << "last line at " << lastLine.top() << ".."
                                      << lastLine.bottom() << ", box 0.." << box.bottom();
  EXPECT_GT(form->StatusMemo->verticalScrollBar()->value(), 0);
}

TEST_F(Workbench, BusyDisablesTheWindowUntilAnErrorOrTheTimerAfterDone) {
  form->WriteStatus(LineBusy, "Cleaning the head now.");
  EXPECT_FALSE(form->isEnabled());
  EXPECT_EQ(platform::ScreenCursor(), CursorShape::HourGlass);
  EXPECT_EQ(LogColor(form), QColor(Qt::blue));
  // Still blue, not greyed, while the window is disabled.
  EXPECT_EQ(form->StatusMemo->palette().color(QPalette::Disabled, QPalette::Text),
            QColor(Qt::blue));

  form->WriteStatus(LineError, "Receive error");
  EXPECT_TRUE(form->isEnabled());
  EXPECT_EQ(platform::ScreenCursor(), CursorShape::Default);
  EXPECT_EQ(LogColor(form), QColor(Qt::red));

  form->WriteStatus(LineBusy, "busy");
  form->DisableTimer->stop();
  form->WriteStatus(LineDone, "Head cleaning is completed.");
  EXPECT_EQ(LogColor(form), QColor(Qt::black));
  EXPECT_EQ(platform::ScreenCursor(), CursorShape::Default);
  EXPECT_FALSE(form->isEnabled());
  EXPECT_TRUE(form->DisableTimer->isActive());
  EXPECT_EQ(form->DisableTimer->interval(), 1000);
  testing_support::DeliverTimeout(form->DisableTimer);
  EXPECT_TRUE(form->isEnabled());
  EXPECT_FALSE(form->DisableTimer->isActive());
}

TEST_F(Workbench, TheTimerRunsFromConstructionAndStopsAfterItsFirstTick) {
  EXPECT_TRUE(form->DisableTimer->isActive());
  form->setEnabled(false);
  testing_support::DeliverTimeout(form->DisableTimer);
  EXPECT_TRUE(form->isEnabled());
  EXPECT_FALSE(form->DisableTimer->isActive());
}

TEST_F(Workbench, AnEscapedExceptionLeavesTheWindowEnabledWithTheNormalCursor) {
  testing_support::FakeExceptionBox box;
  platform::Guarded([this] {
    form->WriteStatus(LineBusy, "A4 pattern is printing now.");
    platform::StrToInt("x");
  })();
  ASSERT_EQ(box.messages().size(), 1u);
  EXPECT_EQ(box.messages()[0], "'x' is not a valid integer value");
  EXPECT_TRUE(form->isEnabled());
  EXPECT_EQ(platform::ScreenCursor(), CursorShape::Default);
}

TEST_F(Workbench, ReportResultWritesTheCodesMessageWithTheKindAsked) {
  form->ReportResult(LineError, rc::PortReceiveError);
  EXPECT_EQ(LogText(form), "Receive error");
  EXPECT_EQ(LogColor(form), QColor(Qt::red));
  form->ReportResult(LineInfo, 0x2001);
  form->ReportResult(LineAdd, 0x2006);
  EXPECT_EQ(LogText(form), "MS Black value is wrong.\n4pl Color value is wrong.");
  EXPECT_EQ(LogColor(form), QColor(Qt::black));

  // Codes without words of their own still give the technician a red line to act on.
  form->WriteStatus(LineBusy, "busy");
  form->ReportResult(LineError, rc::PrinterNotReady);
  EXPECT_TRUE(LogText(form).startsWith("Printer is not ready"));
  EXPECT_TRUE(form->isEnabled());
  form->ReportResult(LineError, 0x7777);
  EXPECT_EQ(LogText(form),
            "Unexpected result 30583 (0x7777). Check the printer and the cable, then try again.");
}

TEST_F(Workbench, ShowingItForTheZ40NamesThePrinter) {
  ASSERT_EQ(FormBoot->ModelState(), 0);
  form->hide();
  form->SelectPrinterNameLbl->setText("previous");
  form->show();
  EXPECT_EQ(form->SelectPrinterNameLbl->text(), "Quorla Z40");
  EXPECT_TRUE(dialogs.shown().empty());
}

TEST_F(Workbench, ShowsProgramMissForAModelThatIsNotSupported) {
  form->hide();
  FormBoot->ModelNameCombo->addItem("Other model");
  FormBoot->MarketCombo->addItem("Other market");
  FormBoot->show();
  FormBoot->ModelNameCombo->setCurrentIndex(1);
  FormBoot->PortSelectOKBtnClick();  // sets the model before it looks for the port
  ASSERT_EQ(FormBoot->ModelState(), 255);
  form->hide();
  dialogs.Clear();
  form->SelectPrinterNameLbl->setText("previous");

  form->show();
  ASSERT_EQ(dialogs.shown().size(), 1u);
  EXPECT_EQ(dialogs.shown()[0].request.text, "program miss!!");
  EXPECT_EQ(dialogs.shown()[0].request.type, platform::DlgType::Error);
  EXPECT_EQ(dialogs.shown()[0].request.buttons, platform::DlgButtons::Ok);
  EXPECT_EQ(form->SelectPrinterNameLbl->text(), "previous");
  EXPECT_TRUE(form->isEnabled());
}

}  // namespace
