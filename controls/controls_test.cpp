#include <gtest/gtest.h>

#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTest>

#include "controls/dialogkeys.h"
#include "controls/limitededit.h"
#include "controls/pagecontrol.h"
#include "controls/radiogroup.h"
#include "controls/tcgauge.h"
#include "controls/updown.h"

TEST(RadioGroup, SelectsNothingUntilClickedAndSignalsOnlyTheTechniciansClicks) {
  RadioGroup group(QStringLiteral("Items"));
  group.SetItems({"A", "B", "C"});
  QSignalSpy clicked(&group, &RadioGroup::Clicked);
  EXPECT_EQ(group.ItemIndex(), -1);

  group.SetItemIndex(2);
  EXPECT_EQ(group.ItemIndex(), 2);
  EXPECT_EQ(clicked.count(), 0);

  group.Button(0)->click();
  EXPECT_EQ(group.ItemIndex(), 0);
  EXPECT_FALSE(group.Button(2)->isChecked());
  ASSERT_EQ(clicked.count(), 1);
  EXPECT_EQ(clicked.at(0).at(0).toInt(), 0);

  // A second click on the selected item is a click too (it opens the item's panel again).
  group.Button(0)->click();
  EXPECT_EQ(group.ItemIndex(), 0);
  EXPECT_EQ(clicked.count(), 2);

  group.SetItemIndex(-1);
  EXPECT_EQ(group.ItemIndex(), -1);
  EXPECT_EQ(clicked.count(), 2);
}

TEST(RadioGroup, ReplacingTheItemsClearsTheSelection) {
  RadioGroup group(QStringLiteral("Items"));
  group.SetItems({"A", "B"});
  group.SetItemIndex(1);
  group.SetItems({"X", "Y", "Z", "W"});
  EXPECT_EQ(group.Count(), 4);
  EXPECT_EQ(group.Items(), QStringList({"X", "Y", "Z", "W"}));
  EXPECT_EQ(group.ItemIndex(), -1);
  EXPECT_EQ(group.Button(4), nullptr);
}

TEST(UpDown, StepsFromTheEditsValueClampedIntoItsRangeWithoutWrapping) {
  QLineEdit edit;
  UpDown spinner(&edit, nullptr);
  spinner.SetRange(-36, 36);
  spinner.SetPosition(0);
  EXPECT_EQ(edit.text(), "0");

  spinner.StepUp();
  EXPECT_EQ(edit.text(), "1");
  edit.setText("36");
  spinner.StepUp();
  EXPECT_EQ(edit.text(), "36");  // no wrap to -36

  // The edit may hold a value the spinner cannot reach; a click starts from the nearest end.
  edit.setText("60");
  spinner.StepDown();
  EXPECT_EQ(edit.text(), "35");
  edit.setText("-72");
  spinner.StepUp();
  EXPECT_EQ(edit.text(), "-35");

  // Text that is no number leaves the spinner where it was.
  edit.setText("");
  spinner.StepDown();
  EXPECT_EQ(edit.text(), "-36");
}

TEST(UpDown, WritesLargeValuesWithoutThousandsSeparator) {
  QLineEdit edit;
  UpDown spinner(&edit, nullptr);
  spinner.SetRange(0, 30000);
  spinner.SetIncrement(1000);
  edit.setText("9500");
  spinner.StepUp();
  EXPECT_EQ(edit.text(), "10500");
  EXPECT_EQ(spinner.Position(), 10500);
}

TEST(TCGauge, ShowsThePercentageDoneBetweenMinimumAndMaximum) {
  TCGauge gauge;
  gauge.SetMinMax(0, 100);
  gauge.SetProgress(40);
  EXPECT_EQ(gauge.PercentText(), "40%");
  gauge.SetProgress(150);
  EXPECT_EQ(gauge.Progress(), 100);
  EXPECT_EQ(gauge.PercentDone(), 100);
  gauge.SetProgress(-5);
  EXPECT_EQ(gauge.PercentDone(), 0);

  gauge.SetMinMax(-72, 72);
  gauge.SetProgress(0);
  EXPECT_EQ(gauge.PercentDone(), 50);
  gauge.SetMinMax(5, 5);
  EXPECT_EQ(gauge.PercentDone(), 0);

  // The fill is drawn in proportion: the left half dark, the right half light.
  gauge.SetMinMax(0, 100);
  gauge.SetProgress(50);
  gauge.resize(102, 20);
  const QImage image = gauge.grab().toImage();
  EXPECT_EQ(image.pixelColor(10, 3), QColor(Qt::black));
  EXPECT_EQ(image.pixelColor(90, 3), QColor(Qt::white));
}

TEST(LimitedEdit, UpperCasesTypedLettersAndStopsAtItsLength) {
  LimitedEdit edit(11, true);
  QTest::keyClicks(&edit, "ab12cd34ef567");
  EXPECT_EQ(edit.text(), "AB12CD34EF5");

  LimitedEdit plain(3, false);
  QTest::keyClicks(&plain, "ab12");
  EXPECT_EQ(plain.text(), "ab1");
}

// The workbench's four tabs in its 223-pixel column, shown.
void AddWorkbenchTabs(PageControl& tabs) {
  tabs.resize(223, 275);
  for (const char* caption : {"Adjustment", "Maintenance", "Check pattern printing", "Appendix"}) {
    tabs.addTab(new QWidget, QLatin1String(caption));
  }
  tabs.show();
}

TEST(PageControl, KeepsEveryTabInsideTheWidthOnSeveralRows) {
  PageControl tabs;
  AddWorkbenchTabs(tabs);
  MultiRowTabBar* bar = tabs.RowTabBar();
  EXPECT_GE(bar->RowCount(), 2);
  for (int i = 0; i < 4; ++i) {
    const QRect r = bar->RowTabRect(i);
    EXPECT_GE(r.left(), 0) << i;
    EXPECT_LE(r.right(), bar->width() - 1) << i;
    EXPECT_GE(r.width(), bar->fontMetrics().horizontalAdvance(tabs.tabText(i))) << i;
  }

  tabs.setTabEnabled(2, false);
  QTest::mouseClick(bar, Qt::LeftButton, {}, bar->RowTabRect(2).center());
  EXPECT_EQ(tabs.currentIndex(), 0);
  QTest::mouseClick(bar, Qt::LeftButton, {}, bar->RowTabRect(3).center());
  EXPECT_EQ(tabs.currentIndex(), 3);
}

TEST(DialogKeys, EnterClicksTheVisibleDefaultButtonAndEscTheCancelButton) {
  QWidget window;
  QWidget hiddenPanel(&window);
  auto* hiddenOk = new QPushButton("OK", &hiddenPanel);
  dialogkeys::MakeDefault(hiddenOk);
  QWidget panel(&window);
  auto* ok = new QPushButton("OK", &panel);
  auto* previous = new QPushButton("Previous", &panel);
  dialogkeys::MakeDefault(ok);
  dialogkeys::MakeCancel(previous);
  window.show();
  hiddenPanel.hide();
  QSignalSpy okClicks(ok, &QPushButton::clicked);
  QSignalSpy hiddenClicks(hiddenOk, &QPushButton::clicked);
  QSignalSpy previousClicks(previous, &QPushButton::clicked);

  QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
  EXPECT_TRUE(dialogkeys::Handle(&window, &enter, {&hiddenPanel, &panel}));
  QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
  EXPECT_TRUE(dialogkeys::Handle(&window, &esc, {&hiddenPanel, &panel}));
  EXPECT_EQ(okClicks.count(), 1);
  EXPECT_EQ(hiddenClicks.count(), 0);
  EXPECT_EQ(previousClicks.count(), 1);

  // A disabled window takes no keys.
  window.setEnabled(false);
  EXPECT_FALSE(dialogkeys::Handle(&window, &enter, {&panel}));
  EXPECT_EQ(okClicks.count(), 1);
}

// The darkest caption pixel of each tab: a disabled tab's caption is drawn in the disabled text
// colour, as a stock tab bar draws it, so it comes out clearly lighter than an enabled one's.
TEST(PageControl, DrawsDisabledTabsGreyed) {
  PageControl tabs;
  AddWorkbenchTabs(tabs);
  MultiRowTabBar* bar = tabs.RowTabBar();
  auto darkest = [bar](int index) {
    const QImage image = bar->grab().toImage();
    const QRect r = bar->RowTabRect(index).adjusted(4, 4, -4, -4);
    int least = 255;
    for (int y = r.top(); y <= r.bottom(); ++y) {
      for (int x = r.left(); x <= r.right(); ++x) least = std::min(least, qGray(image.pixel(x, y)));
    }
    return least;
  };
  const int enabledCaption = darkest(1);
  tabs.setTabEnabled(1, false);
  const int disabledCaption = darkest(1);
  EXPECT_LT(enabledCaption, 80);
  EXPECT_GT(disabledCaption, enabledCaption + 60);
  tabs.setTabEnabled(1, true);
  EXPECT_EQ(darkest(1), enabledCaption);
}
