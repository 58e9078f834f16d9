#include "workbench/formadjust.h"

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
#include "workbench/biditem.h"
#include "workbench/cleaningitem.h"
#include "workbench/crtagitem.h"
#include "workbench/eepromtoolitem.h"
#include "workbench/framelayout.h"
#include "workbench/headiditem.h"
#include "workbench/initialsettingitem.h"
#include "workbench/liquidexchangeitem.h"
#include "workbench/marginsitem.h"
#include "workbench/printitems.h"
#include "workbench/protectioncounteritem.h"
#include "workbench/units.h"
#include "workbench/usbiditem.h"

using namespace framelayout;

TFormAdjust::TFormAdjust(Units& units, QWidget* parent) : QWidget(parent), units_(units) {
  setObjectName(QStringLiteral("FormAdjust"));
  setWindowTitle(QStringLiteral(" Individual Adjustment Program"));
  setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                 Qt::WindowCloseButtonHint);
  setFixedSize(775, 374);

  SkipPowerOnInit = 0;
  BuildFrame();
  BuildSummary();
  BuildItemPanels();
  // Each item fills its panels; one builder per feature, in the order of the item lists.
  initialSettingItem_ = new InitialSettingItem(*this, this);
  new HeadIdItem(*this, this);
  new BidItem(*this, this);
  new UsbIdItem(*this, this);
  marginsItem_ = new MarginsItem(*this, this, [this] { printItems_->PrintTopMarginItem(); });
  new EepromToolItem(*this, this);
  printItems_ = new PrintItems(*this, this);
  new CleaningItem(*this, this);
  new ProtectionCounterItem(*this, this);
  liquidExchangeItem_ = new LiquidExchangeItem(*this, this);
  new BackupItem(*this, this);
  new CrtagItem(*this, this);
  // Everything above is placed in design pixels; from here on placements go through Px().
  uiscale::ScaleWindow(this);
  ApplyPrinterMode();

  DisableTimer = new QTimer(this);
  DisableTimer->setObjectName(QStringLiteral("DisableTimer"));
  DisableTimer->setInterval(1000);
  connect(DisableTimer, &QTimer::timeout, this, platform::Guarded([this] { DisableTimerTimer(); }));
  DisableTimer->start();

  windowplace::CenterOnScreen(this);
}

TFormAdjust::~TFormAdjust() {
  SetWaitObserver(std::move(previousWaitObserver_));
}

void TFormAdjust::Connect(QAbstractButton* button, void (TFormAdjust::*handler)()) {
  OnClick(button, [this, handler] { (this->*handler)(); });
}

void TFormAdjust::OnClick(QAbstractButton* button, std::function<void()> handler) {
  connect(button, &QAbstractButton::clicked, this, platform::Guarded(std::move(handler)));
}

// --- Status log ---------------------------------------------------------------------------------

void TFormAdjust::SetLogColor(const QColor& color) {
  SetTextColor(StatusMemo, color);
}

QColor TFormAdjust::StatusLogColor() const {
  return StatusMemo->palette().color(QPalette::Active, QPalette::Text);
}

void TFormAdjust::WriteStatus(StatusLineKind kind, const QString& message) {
  // Multi-line messages (chip information) come with CR LF line ends: one log line per text line.
  QString text = message;
  text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
  switch (kind) {
    case LineInfo:
      SetLogColor(Qt::black);
      StatusMemo->setPlainText(text);
      break;
    case LineDone:
      SetLogColor(Qt::black);
      StatusMemo->setPlainText(text);
      platform::SetScreenCursor(platform::CursorShape::Default);
      DisableTimer->start();
      break;
    case LineBusy:
      setEnabled(false);
      SetLogColor(Qt::blue);
      StatusMemo->setPlainText(text);
      platform::SetScreenCursor(platform::CursorShape::HourGlass);
      break;
    case LineError:
      SetLogColor(Qt::red);
      StatusMemo->setPlainText(text);
      platform::SetScreenCursor(platform::CursorShape::Default);
      setEnabled(true);
      break;
    case LineAppend: {
      QTextCursor cursor(StatusMemo->document());
      cursor.movePosition(QTextCursor::End);
      cursor.insertText(text);
      ShowNewestLine();
      break;
    }
    case LineAdd:
      if (StatusMemo->document()->isEmpty()) {
        StatusMemo->setPlainText(text);
      } else {
        QTextCursor cursor(StatusMemo->document());
        cursor.movePosition(QTextCursor::End);
        cursor.insertText(QLatin1Char('\n') + text);
      }
      ShowNewestLine();
      break;
    default:
      break;
  }
  repaint();
}

// A line added below the others is the news: scroll it into view, even when the log is taller
// than its box (six Bi-D values and their heading).
void TFormAdjust::ShowNewestLine() {
  StatusMemo->moveCursor(QTextCursor::End);
  StatusMemo->ensureCursorVisible();
}

void TFormAdjust::DisableTimerTimer() {
  setEnabled(true);
  DisableTimer->stop();
}

// --- Panels and navigation ----------------------------------------------------------------------

void TFormAdjust::ResetPanels() {
  for (QFrame* panel : itemPanels_) panel->hide();
  StatusMemo->clear();
  for (LimitedEdit* edit : inputEdits_) edit->setText(QString());
  StatusMemo->show();
  SetLogColor(Qt::black);
  StatusMemo->setGeometry(uiscale::Px(QRect(kItemLeft, 285, kItemWidth, 87)));
  QTextOption option = StatusMemo->document()->defaultTextOption();
  option.setAlignment(Qt::AlignLeft);
  StatusMemo->document()->setDefaultTextOption(option);
}

void TFormAdjust::ApplyPrinterMode() {
  const bool errorMode = PrinterInErrorMode();
  const ListBox* list = errorMode ? PrinterErrorModeListBox : PrinterStableModeListBox;
  AdjustRdoGrp->SetItems(list->Items());
  AdjustRdoGrp->resize(AdjustRdoGrp->width(),
                       uiscale::Px(errorMode ? kErrorListHeight : kStableListHeight));
  adjustListIsErrorMode_ = errorMode;
  if (errorMode) {
    {
      // Choosing the tab from code is no tab change of the technician's.
      const QSignalBlocker quiet(AdjustmentTab);
      AdjustmentTab->setCurrentIndex(0);
    }
    AdjustmentTab->setTabEnabled(0, true);
    for (int i = 1; i < 4; ++i) AdjustmentTab->setTabEnabled(i, false);
  } else {
    for (int i = 0; i < 4; ++i) AdjustmentTab->setTabEnabled(i, true);
  }
}

void TFormAdjust::ShowItemPanel(const char* name) {
  if (QFrame* panel = ItemPanel(name)) panel->show();
}

void TFormAdjust::SetModelNameSource(std::function<QString()> source) {
  initialSettingItem_->SetModelNameSource(std::move(source));
}

void TFormAdjust::SetModelPositionSource(std::function<int()> source) {
  liquidExchangeItem_->SetModelPositionSource(std::move(source));
}

void TFormAdjust::PrintTopMarginItem() {
  printItems_->PrintTopMarginItem();
}

void TFormAdjust::LockNavigation(bool locked) {
  for (QWidget* w :
       std::initializer_list<QWidget*>{AdjustmentTab, MentRdoGrp, AdjustRtnBtn, GetStatusBtn}) {
    w->setEnabled(!locked);
  }
}

void TFormAdjust::DeselectGroupsExcept(const RadioGroup* keep) {
  for (RadioGroup* g : {AdjustRdoGrp, MentRdoGrp, PatternPrnItemsRdoGrp, AppendixRdoGrp}) {
    if (g != keep) g->SetItemIndex(-1);
  }
}

void TFormAdjust::AdjustRdoGrpClick() {
  ResetPanels();
  const int index = AdjustRdoGrp->ItemIndex();
  // The item opens the panel of the list the technician clicked in, even when a later status
  // inquiry (the wait before a Bi-D row that found the printer in an error, say) has changed the
  // mode since the list was loaded: "Head ID" must never open the protection counter.
  if (adjustListIsErrorMode_) {
    const std::array<const char*, 4> panels{"DefaultSetPnl", "ProCounterItemsPnl", "EEPROMItemsPnl",
                                            "EepromBackupPnl"};
    if (index >= 0 && index < 4) ShowItemPanel(panels[index]);
  } else {
    const std::array<const char*, 6> panels{"DefaultSetPnl",    "HeadIDItemsPnl",
                                            "BidItemsPnl",      "USBIDItemsPnl",
                                            "TopMarginMainPnl", "FirstDotPositionPnl"};
    if (index >= 0 && index < 6) ShowItemPanel(panels[index]);
    if (index == 5 && !marginsItem_->FirstDotPositionOpen()) return;
  }
  DeselectGroupsExcept(AdjustRdoGrp);
}

void TFormAdjust::MentRdoGrpClick() {
  ResetPanels();
  const std::array<const char*, 5> panels{"CleaningPnl", "InkChargePnl", "TraStep0Pnl",
                                          "ProCounterItemsPnl", "EepromBackupPnl"};
  const int index = MentRdoGrp->ItemIndex();
  if (index >= 0 && index < 5) ShowItemPanel(panels[index]);
  DeselectGroupsExcept(MentRdoGrp);
}

void TFormAdjust::PatternPrnItemsRdoGrpClick() {
  ResetPanels();
  if (PatternPrnItemsRdoGrp->ItemIndex() == 0) ShowItemPanel("A4CheckPnl");
  DeselectGroupsExcept(PatternPrnItemsRdoGrp);
}

void TFormAdjust::AppendixRdoGrpClick() {
  ResetPanels();
  const int index = AppendixRdoGrp->ItemIndex();
  if (index == 0) ShowItemPanel("EEPROMItemsPnl");
  if (index == 1) ShowItemPanel("CRTAGInfoItemsPnl");
  DeselectGroupsExcept(AppendixRdoGrp);
}

void TFormAdjust::AdjustmentTabChange() {
  ResetPanels();
  CanvasPanel->show();
  StatusMemo->clear();
  DeselectGroupsExcept(nullptr);
  for (int i = 0; i < 4; ++i) AdjustmentTab->setTabEnabled(i, true);
  ApplyPrinterMode();
}

// --- Show and close -----------------------------------------------------------------------------

void TFormAdjust::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (!event->spontaneous()) platform::Guarded([this] { FormShow(); })();
}

void TFormAdjust::FormShow() {
  ModelCode = {CurrentModelCode1(), CurrentModelCode2()};
  switch (CurrentModelState()) {
    case 0:
      SelectPrinterNameLbl->setText(QStringLiteral("Quorla Z40"));
      break;
    case 255:
      platform::MessageDlg(QStringLiteral("program miss!!"), platform::DlgType::Error,
                           platform::DlgButtons::Ok);
      break;
    default:
      break;
  }
}

void TFormAdjust::AdjustRtnBtnClick() {
  close();
}

void TFormAdjust::closeEvent(QCloseEvent* event) {
  // A busy workbench cannot be closed, as it cannot be clicked: the operation ends first.
  if (!isEnabled()) {
    event->ignore();
    return;
  }
  platform::Guarded([this] { FormClose(); })();
  event->accept();
}

void TFormAdjust::FormClose() {
  ResetPanels();
  CanvasPanel->show();
  for (QLabel* field : {ShowHdVolIDPnl, ShowMsBkPnl, ShowMsClPnl, Show6plBkPnl, Show6plClPnl,
                        Show4plBkPnl, Show4plClPnl, ShowUSBIDLbl, ShowProCounterPnl}) {
    field->clear();
  }
  platform::SetScreenCursor(platform::CursorShape::HourGlass);
  if (SkipPowerOnInit == 0) PowerOnInitialize(ModelCode[0], ModelCode[1]);
  SkipPowerOnInit = 0;
  D4Termination();
  PortCloseByPHub();
  // Print data still queued after a failed send belonged to this printer; it must not reach the
  // next one, least of all in the middle of a raster block.
  units_.rasterJob.DiscardWaiting();
  platform::SetScreenCursor(platform::CursorShape::Default);
  for (RadioGroup* g : {AdjustRdoGrp, MentRdoGrp, PatternPrnItemsRdoGrp}) g->SetItemIndex(-1);
  AdjustmentTab->setEnabled(true);
  {
    const QSignalBlocker quiet(AdjustmentTab);
    AdjustmentTab->setCurrentIndex(0);
  }
  AdjustRtnBtn->setEnabled(true);
  // A liquid exchange interrupted by the close box has disabled these two as well; the next
  // printer must find its maintenance items and "Get status" usable.
  MentRdoGrp->setEnabled(true);
  GetStatusBtn->setEnabled(true);
  emit QuitConfirmationRequested();
}

void TFormAdjust::keyPressEvent(QKeyEvent* event) {
  QList<QWidget*> roots;
  for (QFrame* panel : itemPanels_) {
    if (panel->isVisible()) roots << panel;
  }
  roots << ReturnPnl;
  if (!dialogkeys::Handle(this, event, roots)) QWidget::keyPressEvent(event);
}

// --- Printer status and errors ------------------------------------------------------------------

void TFormAdjust::ReportResult(StatusLineKind kind, ResultCode code) {
  if (code == rc::PacketError) {
    ReportPacketError();
    return;
  }
  WriteStatus(kind, ResultText(code));
}

void TFormAdjust::ReportPacketError() {
  if (const std::optional<QString> text = PacketErrorText(GetD4ErrorCode())) {
    platform::MessageDlg(*text, platform::DlgType::Error, platform::DlgButtons::Ok);
  }
  WriteStatus(LineError, QStringLiteral("Communication error!!"));
}

void TFormAdjust::ShowPrinterError() {
  const std::optional<PrinterErrorInfo> error = PrinterErrorText(ProgramPrinterStatus().Error);
  if (!error) return;
  WriteStatus(LineError, error->text);
  if (error->askToClear) WriteStatus(LineAdd, QLatin1String(kClearErrorLine));
}

void TFormAdjust::GetStatusBtnClick() {
  const ResultCode result = QueryStatus();
  if (result != rc::Success) {
    ReportResult(LineError, result);
    return;
  }
  const uint16_t status = ProgramPrinterStatus().Status;
  if (const std::optional<QString> text = PrinterStateText(status)) {
    WriteStatus(LineInfo, *text);
  } else if (status == printerstatus::ErrorState) {
    ShowPrinterError();
  }
  ApplyPrinterMode();
}
