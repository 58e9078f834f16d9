// The workbench frame's construction: tabs and item lists, the wait progress, the "Adjusted
// items" summary, the item panels and input edits, and the factories the items build with.
#include <QCloseEvent>
#include <QFontMetricsF>
#include <QHash>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QShowEvent>
#include <QTableWidget>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>
#include <QTimer>
#include <algorithm>

#include "controls/dialogkeys.h"
#include "controls/limitededit.h"
#include "controls/listbox.h"
#include "controls/pagecontrol.h"
#include "controls/radiogroup.h"
#include "controls/tcgauge.h"
#include "controls/titledpanel.h"
#include "controls/uiscale.h"
#include "controls/windowplace.h"
#include "link/mechcmd.h"
#include "link/modelselection.h"
#include "link/pktlink.h"
#include "link/porthub.h"
#include "link/resulttexts.h"
#include "link/statuscontrol.h"
#include "platform/cursor.h"
#include "platform/dialogs.h"
#include "platform/handlerguard.h"
#include "workbench/backupitem.h"
#include "workbench/cleaningitem.h"
#include "workbench/crtagitem.h"
#include "workbench/formadjust.h"
#include "workbench/framelayout.h"
#include "workbench/headiditem.h"
#include "workbench/initialsettingitem.h"
#include "workbench/protectioncounteritem.h"
#include "workbench/units.h"
#include "workbench/usbiditem.h"

using namespace framelayout;

namespace {
const QStringList kHexDigits{"0", "1", "2", "3", "4", "5", "6", "7",
                             "8", "9", "A", "B", "C", "D", "E", "F"};

QLabel* NewSummaryField(QWidget* parent, const char* name, int x, int y, int width, int height) {
  auto* field = new QLabel(parent);
  field->setObjectName(QLatin1String(name));
  field->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  field->setAlignment(Qt::AlignCenter);
  field->setGeometry(x, y, width, height);
  return field;
}
}  // namespace

// --- Construction -------------------------------------------------------------------------------

void TFormAdjust::BuildFrame() {
  TabPanel = new QFrame(this);
  TabPanel->setObjectName(QStringLiteral("TabPanel"));
  TabPanel->setGeometry(5, 5, 223, 275);

  AdjustmentTab = new PageControl(TabPanel);
  AdjustmentTab->setObjectName(QStringLiteral("AdjustmentTab"));
  AdjustmentTab->setGeometry(0, 0, 223, 275);

  struct Sheet {
    QWidget** sheet;
    const char* name;
    const char* caption;
    RadioGroup** group;
    const char* groupName;
    const char* groupCaption;
  };
  const Sheet sheets[] = {
      {&TabSheet1, "TabSheet1", "Adjustment", &AdjustRdoGrp, "AdjustRdoGrp", "Adjustment Items"},
      {&TabSheet2, "TabSheet2", "Maintenance", &MentRdoGrp, "MentRdoGrp", "Maintenance Items"},
      {&TabSheet3, "TabSheet3", "Check pattern printing", &PatternPrnItemsRdoGrp,
       "PatternPrnItemsRdoGrp", "Check pattern printing items"},
      {&TabSheet4, "TabSheet4", "Appendix", &AppendixRdoGrp, "AppendixRdoGrp", "Appendix items"},
  };
  for (const Sheet& s : sheets) {
    *s.sheet = new QWidget;
    (*s.sheet)->setObjectName(QLatin1String(s.name));
    AdjustmentTab->addTab(*s.sheet, QLatin1String(s.caption));
    *s.group = new RadioGroup(QLatin1String(s.groupCaption), *s.sheet);
    (*s.group)->setObjectName(QLatin1String(s.groupName));
    (*s.group)->setGeometry(2, 4, 211, 60);
  }
  // Captions a little smaller than the window's, so the four tabs take two rows and leave the
  // item lists their full height. Set after the tabs exist: the tab bar measures its first tab as
  // it is added, and the window's own font is one the start has loaded anyway.
  QFont tabFont = AdjustmentTab->tabBar()->font();
  tabFont.setPointSizeF(tabFont.pointSizeF() * 0.85);
  AdjustmentTab->tabBar()->setFont(tabFont);
  MentRdoGrp->SetItems({"Head cleaning", "Initial ink charge", "Refurbishment for DOA",
                        "Protection counter", "EEPROM back up data"});
  MentRdoGrp->resize(211, 160);
  PatternPrnItemsRdoGrp->SetItems({"A4 normal paper printing"});
  AppendixRdoGrp->SetItems({"EEPROM data handling", "CRTAG information"});
  AppendixRdoGrp->resize(211, 84);

  PrinterStableModeListBox = new ListBox(TabSheet1);
  PrinterStableModeListBox->setObjectName(QStringLiteral("PrinterStableModeListBox"));
  PrinterStableModeListBox->SetItems(kStableItems);
  PrinterErrorModeListBox = new ListBox(TabSheet1);
  PrinterErrorModeListBox->setObjectName(QStringLiteral("PrinterErrorModeListBox"));
  PrinterErrorModeListBox->SetItems(kErrorItems);

  connect(AdjustRdoGrp, &RadioGroup::Clicked, this,
          platform::Guarded([this] { AdjustRdoGrpClick(); }));
  connect(MentRdoGrp, &RadioGroup::Clicked, this, platform::Guarded([this] { MentRdoGrpClick(); }));
  connect(PatternPrnItemsRdoGrp, &RadioGroup::Clicked, this,
          platform::Guarded([this] { PatternPrnItemsRdoGrpClick(); }));
  connect(AppendixRdoGrp, &RadioGroup::Clicked, this,
          platform::Guarded([this] { AppendixRdoGrpClick(); }));
  connect(AdjustmentTab, &QTabWidget::currentChanged, this,
          platform::Guarded([this] { AdjustmentTabChange(); }));

  StatusMemo = new QTextEdit(this);
  StatusMemo->setObjectName(QStringLiteral("StatusMemo"));
  StatusMemo->setReadOnly(true);
  StatusMemo->setAcceptRichText(false);
  StatusMemo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  QFont bold = StatusMemo->font();
  bold.setBold(true);
  StatusMemo->setFont(bold);
  StatusMemo->setGeometry(kItemLeft, 285, kItemWidth, 87);

  ReturnPnl = new QFrame(this);
  ReturnPnl->setObjectName(QStringLiteral("ReturnPnl"));
  ReturnPnl->setFrameStyle(QFrame::Panel | QFrame::Raised);
  ReturnPnl->setGeometry(5, 285, 223, 87);
  SelectPrinterNameLbl = new QLabel(QStringLiteral("Quorla Z40"), ReturnPnl);
  SelectPrinterNameLbl->setObjectName(QStringLiteral("SelectPrinterNameLbl"));
  SelectPrinterNameLbl->setAlignment(Qt::AlignCenter);
  SelectPrinterNameLbl->setFont(bold);
  SetTextColor(SelectPrinterNameLbl, Qt::red);
  SelectPrinterNameLbl->setGeometry(4, 8, 215, 22);
  AdjustRtnBtn = NewButton(ReturnPnl, "AdjustRtnBtn", QStringLiteral("Quit"), 16, 44);
  GetStatusBtn = NewButton(ReturnPnl, "GetStatusBtn", QStringLiteral("Get status"), 120, 44);
  AdjustRtnBtn->resize(88, 28);
  GetStatusBtn->resize(88, 28);
  dialogkeys::MakeCancel(AdjustRtnBtn);
  dialogkeys::MakeCancel(GetStatusBtn);
  Connect(AdjustRtnBtn, &TFormAdjust::AdjustRtnBtnClick);
  Connect(GetStatusBtn, &TFormAdjust::GetStatusBtnClick);
  BuildWaitProgress();
}

void TFormAdjust::BuildWaitProgress() {
  WaitProgressPnl = new QFrame(ReturnPnl);
  WaitProgressPnl->setObjectName(QStringLiteral("WaitProgressPnl"));
  WaitProgressPnl->setGeometry(8, 34, 207, 46);
  WaitProgressPnl->setAutoFillBackground(true);  // it covers the two buttons
  WaitProgressLbl = new QLabel(WaitProgressPnl);
  WaitProgressLbl->setObjectName(QStringLiteral("WaitProgressLbl"));
  WaitProgressLbl->setAlignment(Qt::AlignCenter);
  WaitProgressLbl->setGeometry(0, 0, 207, 20);
  // The window is disabled while it waits; the progress must not look disabled with it.
  QPalette p = WaitProgressLbl->palette();
  p.setColor(QPalette::Disabled, QPalette::WindowText,
             p.color(QPalette::Active, QPalette::WindowText));
  WaitProgressLbl->setPalette(p);
  WaitProgressGauge = new TCGauge(WaitProgressPnl);
  WaitProgressGauge->setObjectName(QStringLiteral("WaitProgressGauge"));
  WaitProgressGauge->setGeometry(0, 22, 207, 20);
  WaitProgressGauge->SetForeColor(Qt::blue);
  WaitProgressPnl->hide();
  previousWaitObserver_ =
      SetWaitObserver([this](WaitEvent event, int seconds) { ShowWaitProgress(event, seconds); });
}

void TFormAdjust::ShowWaitProgress(WaitEvent event, int secondsWaited) {
  switch (event) {
    case WaitEvent::Began:
      return;
    case WaitEvent::Ended:
      expectedWaitSeconds_ = 0;
      if (WaitProgressPnl->isVisible()) {
        WaitProgressPnl->hide();
        ReturnPnl->repaint();
      }
      return;
    case WaitEvent::Waited:
      break;
  }
  const int expected = expectedWaitSeconds_;
  if (expected <= 0) {
    WaitProgressLbl->setText(QStringLiteral("Waiting for the printer: %1 s").arg(secondsWaited));
    WaitProgressGauge->hide();
  } else {
    const int left = expected - secondsWaited;
    WaitProgressLbl->setText(
        left > 0 ? QStringLiteral("Waited %1 s, about %2 s left").arg(secondsWaited).arg(left)
                 : QStringLiteral("Waited %1 s, ending soon").arg(secondsWaited));
    WaitProgressGauge->SetMinMax(0, expected);
    WaitProgressGauge->SetProgress(secondsWaited);
    WaitProgressGauge->show();
  }
  WaitProgressPnl->show();
  WaitProgressPnl->raise();
  // The program thread sleeps between the passes: paint now or the technician sees nothing move.
  WaitProgressPnl->repaint();
}

void TFormAdjust::BuildSummary() {
  AdjustedItemPnl = new QFrame(this);
  AdjustedItemPnl->setObjectName(QStringLiteral("AdjustedItemPnl"));
  AdjustedItemPnl->setFrameStyle(QFrame::Panel | QFrame::Raised);
  AdjustedItemPnl->setGeometry(625, 5, 149, 367);
  QWidget* p = AdjustedItemPnl;

  QFont small = p->font();
  small.setPointSizeF(small.pointSizeF() * 0.9);
  p->setFont(small);
  auto* heading = NewLabel(p, QStringLiteral("Adjusted items"), 4, 4, 141);
  QFont bold = heading->font();
  bold.setBold(true);
  heading->setFont(bold);
  heading->setAlignment(Qt::AlignCenter);

  NewLabel(p, QStringLiteral("Head ID"), 6, 26, 137);
  ShowHdVolIDPnl = NewSummaryField(p, "ShowHdVolIDPnl", 6, 42, 137, 20);
  NewLabel(p, QStringLiteral("Bi-D Adjustment value"), 6, 68, 137);
  struct Row {
    QLabel** field;
    const char* name;
    const char* caption;
  };
  const Row rows[] = {
      {&ShowMsBkPnl, "ShowMsBkPnl", "MS Black"},    {&ShowMsClPnl, "ShowMsClPnl", "MS Color"},
      {&Show6plBkPnl, "Show6plBkPnl", "6pl Black"}, {&Show6plClPnl, "Show6plClPnl", "6pl Color"},
      {&Show4plBkPnl, "Show4plBkPnl", "4pl Black"}, {&Show4plClPnl, "Show4plClPnl", "4pl Color"}};
  int y = 84;
  for (const Row& r : rows) {
    NewLabel(p, QLatin1String(r.caption), 14, y + 2, 70);
    *r.field = NewSummaryField(p, r.name, 88, y, 55, 19);
    y += 21;
  }
  NewLabel(p, QStringLiteral("USB ID"), 6, 212, 137);
  ShowUSBID = new QFrame(p);
  ShowUSBID->setObjectName(QStringLiteral("ShowUSBID"));
  ShowUSBID->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  ShowUSBID->setGeometry(6, 228, 137, 36);
  ShowUSBIDLbl = new QLabel(ShowUSBID);
  ShowUSBIDLbl->setObjectName(QStringLiteral("ShowUSBIDLbl"));
  ShowUSBIDLbl->setWordWrap(true);
  ShowUSBIDLbl->setAlignment(Qt::AlignCenter);
  ShowUSBIDLbl->setGeometry(2, 2, 133, 32);
  NewLabel(p, QStringLiteral("Protection counter value"), 6, 270, 137);
  ShowProCounterPnl = NewSummaryField(p, "ShowProCounterPnl", 6, 286, 137, 20);
  NewLabel(p, QStringLiteral("Top Margin"), 6, 316, 92);
  ShowTopMarginPnl = NewSummaryField(p, "ShowTopMarginPnl", 100, 314, 43, 20);
  NewLabel(p, QStringLiteral("First dot position"), 6, 342, 92);
  ShowFirstDotPnl = NewSummaryField(p, "ShowFirstDotPnl", 100, 340, 43, 20);
  FitSummaryFont();
}

// The column is narrow: its captions get the largest font, up to nine tenths of the window's,
// at which every one of them stays on its line with a few pixels to spare before its field or
// the column's edge, whatever font the technician's desktop uses.
void TFormAdjust::FitSummaryFont() {
  QList<QLabel*> captions;
  for (QLabel* label : AdjustedItemPnl->findChildren<QLabel*>(Qt::FindDirectChildrenOnly)) {
    if (label->objectName().isEmpty()) captions << label;  // the fields have names
  }
  const double largest = font().pointSizeF() * 0.9;
  QFont candidate = AdjustedItemPnl->font();
  for (double size = largest; size > 5.0; size -= 0.25) {
    candidate.setPointSizeF(size);
    QFont bold = candidate;
    bold.setBold(true);
    const bool fits = std::all_of(captions.begin(), captions.end(), [&](const QLabel* label) {
      const QFontMetricsF metrics(label->font().bold() ? bold : candidate);
      // The label's box in the pixels of the font in use, less a gap to what follows it.
      return metrics.horizontalAdvance(label->text()) <= uiscale::Px(label->width() - 4);
    });
    if (fits) break;
  }
  AdjustedItemPnl->setFont(candidate);
  for (QLabel* label : captions) {
    if (label->font().bold()) {
      QFont bold = candidate;
      bold.setBold(true);
      label->setFont(bold);
    }
  }
}

TitledPanel* TFormAdjust::NewItemPanel(const char* name, const char* title, int height) {
  auto* panel = new TitledPanel(QLatin1String(name), QLatin1String(title), this);
  panel->setGeometry(kItemLeft, kItemTop, kItemWidth, height);
  itemPanels_.push_back(panel);
  return panel;
}

QLabel* TFormAdjust::NewLabel(QWidget* parent, const QString& text, int x, int y, int width,
                              int lines) {
  auto* label = new QLabel(text, parent);
  label->setWordWrap(true);
  label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  label->setGeometry(x, y, width, 4 + 17 * lines);
  return label;
}

QPushButton* TFormAdjust::NewButton(QWidget* parent, const char* name, const QString& text, int x,
                                    int y) {
  auto* button = new QPushButton(text, parent);
  button->setObjectName(QLatin1String(name));
  button->setGeometry(x, y, 75, 25);
  return button;
}

RadioGroup* TFormAdjust::NewItemsGroup(QWidget* panel, const char* name, const QString& caption,
                                       const QStringList& items) {
  auto* group = new RadioGroup(caption, panel);
  group->setObjectName(QLatin1String(name));
  group->SetItems(items);
  group->setGeometry(16, TitledPanel::ContentTop() + 12, 260,
                     36 + 24 * static_cast<int>(items.size()));
  group->SetItemIndex(0);
  return group;
}

QPushButton* TFormAdjust::PanelButton(QWidget* panel, const char* name, const QString& text,
                                      bool rightmost, std::function<void()> handler) {
  QPushButton* button =
      NewButton(panel, name, text, rightmost ? kRightButtonLeft : kOkLeft, kButtonTop);
  OnClick(button, std::move(handler));
  return button;
}

TitledPanel* TFormAdjust::ItemPanel(const char* name) const {
  for (QFrame* panel : itemPanels_) {
    if (panel->objectName() == QLatin1String(name)) return qobject_cast<TitledPanel*>(panel);
  }
  return nullptr;
}

LimitedEdit* TFormAdjust::InputEdit(const char* name) const {
  for (LimitedEdit* edit : inputEdits_) {
    if (edit->objectName() == QLatin1String(name)) return edit;
  }
  return nullptr;
}

void TFormAdjust::ShowAdjusted(const char* field, const QString& text) {
  if (auto* label = AdjustedItemPnl->findChild<QLabel*>(QLatin1String(field))) label->setText(text);
}

void TFormAdjust::PlaceLog(int top, int height, bool centred) {
  StatusMemo->setGeometry(StatusMemo->x(), uiscale::Px(top), StatusMemo->width(),
                          uiscale::Px(top + height) - uiscale::Px(top));
  QTextOption option = StatusMemo->document()->defaultTextOption();
  option.setAlignment(centred ? Qt::AlignHCenter : Qt::AlignLeft);
  StatusMemo->document()->setDefaultTextOption(option);
}

void TFormAdjust::ClearLog() {
  StatusMemo->clear();
}

void TFormAdjust::HideLog() {
  StatusMemo->hide();
}

ResultCode TFormAdjust::ReadEepromCell(uint8_t address, uint8_t* value) {
  return D4ReadEeprom(ModelCode1(), ModelCode2(), address, value);
}

ResultCode TFormAdjust::WriteEepromCell(uint8_t address, uint8_t value) {
  return D4WriteEeprom(ModelCode1(), ModelCode2(), address, value);
}

void TFormAdjust::BuildItemPanels() {
  CanvasPanel = new QFrame(this);
  CanvasPanel->setObjectName(QStringLiteral("CanvasPanel"));
  CanvasPanel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  CanvasPanel->setGeometry(kItemLeft, kItemTop, kItemWidth, 275);
  itemPanels_.push_back(CanvasPanel);

  // In the order ResetPanels hides them. The subsystems fill them in their Build...Panels().
  NewItemPanel("DefaultSetPnl", "EEPROM initial setting  ");
  NewItemPanel("HeadIDItemsPnl", "Head ID adjustment items ");
  TitledPanel* headIdInput = NewItemPanel("HeadIDInputPnl", "Input head ID ");
  NewItemPanel("BidItemsPnl", "Bi-D adjustment items ");
  NewItemPanel("BidPrintPnl", "Print the Bi-D adjustment pattern ");
  TitledPanel* bidInput = NewItemPanel("BidInputPnl", "Input Bi-D adjustment value");
  NewItemPanel("USBIDItemsPnl", "USB ID adjustment items ");
  TitledPanel* usbIdInput = NewItemPanel("USBIDInputPnl", "Input USB ID");
  NewItemPanel("TopMarginMainPnl", "Top margin adjustment items ");
  NewItemPanel("TopMarginPnl", "Top margin adjustment");
  TitledPanel* firstDot = NewItemPanel("FirstDotPositionPnl", "First dot position adjustment ");
  NewItemPanel("CleaningPnl", "Head cleaning ");
  NewItemPanel("InkChargePnl", "Initial ink charge ");
  NewItemPanel("ProCounterItemsPnl", "Protection counter maintenance items ");
  NewItemPanel("ProCounterClearPnl", "Clear the protection counter ");
  NewItemPanel("ProCounterCheckPnl", "Check the protection counter ");
  NewItemPanel("TraStep0Pnl", "Transportation Liquid Exchange ");
  NewItemPanel("NotePnl", "Transportation Liquid Exchange");
  NewItemPanel("TraStep1Pnl", "Transportation Liquid Exchange");
  NewItemPanel("TraStep2Pnl", "Transportation Liquid Exchange");
  NewItemPanel("TransPnl", "Transportation Liquid Exchange");
  NewItemPanel("TraStep3Pnl", "Transportation Liquid Exchange");
  NewItemPanel("TraStep4Pnl", "Transportation Liquid Exchange");
  NewItemPanel("EepromBackupPnl", "EEPROM back up data");
  NewItemPanel("CRTAGInfoItemsPnl", "CRTAG information items ");
  NewItemPanel("CRTAGInfoPnl", "CRTAG information ", 116)
      ->Title()
      ->setObjectName(QStringLiteral("CRTAGInfoLbl"));
  NewItemPanel("EEPROMItemsPnl", "EEPROM data handling items ");
  TitledPanel* eepromChange = NewItemPanel("EEPROMChangePnl", "Change EEPROM data ");
  TitledPanel* eepromCheck = NewItemPanel("EEPROMCheckPnl", "Check EEPROM data");
  TitledPanel* eepromGrid = NewItemPanel("EEPROMGridPnl", "Check EEPROM data", 367);
  NewItemPanel("A4CheckPnl", "A4 normal paper printing ");

  // The edits that ResetPanels empties exist from the start, in their panels; the items take them
  // with InputEdit(), place them and add the rest.
  struct EditSpec {
    const char* name;
    QWidget* panel;
    int maxLength;
    bool upperCase;
    const char* initial;
  };
  const EditSpec edits[] = {
      {"HdVolWrtEdit", headIdInput, 11, true, ""},
      {"MsBkBidWrtEdit", bidInput, 3, false, "0"},
      {"MsClBidWrtEdit", bidInput, 3, false, "0"},
      {"Pl6BkBidWrtEdit", bidInput, 3, false, "0"},
      {"Pl6ClBidWrtEdit", bidInput, 3, false, "0"},
      {"Pl4BkBidWrtEdit", bidInput, 3, false, "0"},
      {"Pl4ClBidWrtEdit", bidInput, 3, false, "0"},
      {"UsbIdInputEdit", usbIdInput, 10, true, ""},
      {"LandMarginEdit", firstDot, 0, false, "0"},
      {"EepReadBegEdit", eepromCheck, 2, true, ""},
      {"EepReadEndEdit", eepromCheck, 2, true, ""},
      {"EepWriteAddEdit", eepromChange, 2, true, ""},
      {"EepWriteDataEdit", eepromChange, 2, true, ""},
  };
  QHash<QWidget*, int> nextTop;  // stacked until the panel's owner places them
  for (const EditSpec& e : edits) {
    auto* edit = new LimitedEdit(e.maxLength, e.upperCase, e.panel);
    edit->setObjectName(QLatin1String(e.name));
    edit->setText(QLatin1String(e.initial));
    const int top = nextTop.value(e.panel, TitledPanel::ContentTop() + 8);
    edit->setGeometry(16, top, 120, 22);
    nextTop[e.panel] = top + 28;
    inputEdits_.push_back(edit);
  }
  LimitedEdit* landMargin = InputEdit("LandMarginEdit");
  landMargin->setReadOnly(true);
  landMargin->setCursor(Qt::ForbiddenCursor);

  // The EEPROM tool's grid exists from the start, headings filled; the tool takes it by name.
  auto* grid = new QTableWidget(17, 17, eepromGrid);
  grid->setObjectName(QStringLiteral("EepromStrGrid"));
  grid->horizontalHeader()->hide();
  grid->verticalHeader()->hide();
  grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
  grid->setGeometry(8, TitledPanel::ContentTop(), 367, 300);
  for (int i = 0; i < 16; ++i) {
    grid->setItem(0, i + 1, new QTableWidgetItem(kHexDigits[i]));
    grid->setItem(i + 1, 0, new QTableWidgetItem(kHexDigits[i]));
  }
}
