// "Top margin adjustment" and "First dot position adjustment": the top margin chosen and written
// (its line printed from the print items), and the first dot position set with its step buttons
// and gauges and written.
#include "workbench/marginsitem.h"

#include <QIcon>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QPushButton>
#include <QToolButton>
#include <algorithm>
#include <cmath>

#include "controls/dialogkeys.h"
#include "controls/limitededit.h"
#include "controls/radiogroup.h"
#include "controls/tcgauge.h"
#include "controls/titledpanel.h"
#include "controls/updown.h"
#include "eeprom/addressmap.h"
#include "eeprom/eepromtext.h"
#include "link/mechcmd.h"
#include "link/pktlink.h"
#include "platform/convert.h"
#include "platform/cursor.h"
#include "platform/dialogs.h"
#include "platform/handlerguard.h"
#include "workbench/units.h"

namespace {
constexpr int kFirstDotStep = 4;
constexpr int kLandMarginSpinMin = -36;
constexpr int kLandMarginSpinMax = 36;

// A small arrow picture for the first-dot step buttons: `direction` -1 points left, +1 right;
// `edge` adds the bar of the paper's edge on the arrow's side. Centering draws two arrows meeting.
QIcon StepIcon(int direction, bool edge, bool centering = false) {
  QPixmap picture(22, 16);
  picture.fill(Qt::transparent);
  QPainter p(&picture);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(0, 0, 128));
  auto arrow = [&p](double tipX, int dir) {
    QPainterPath path;
    path.moveTo(tipX, 8);
    path.lineTo(tipX - dir * 7.0, 2);
    path.lineTo(tipX - dir * 7.0, 14);
    path.closeSubpath();
    p.drawPath(path);
  };
  if (centering) {
    arrow(10, 1);
    arrow(12, -1);
    p.fillRect(QRectF(10.5, 1, 1, 14), Qt::black);
    return QIcon(picture);
  }
  const double tip = direction < 0 ? 5 : 17;
  arrow(tip, direction);
  arrow(tip - direction * 5.0, direction);
  if (edge) p.fillRect(QRectF(direction < 0 ? 2 : 18, 1, 2, 14), Qt::black);
  return QIcon(picture);
}
}  // namespace

MarginsItem::MarginsItem(ItemHost& host, QObject* parent, std::function<void()> printTopMarginLine)
    : WorkbenchItem(host, parent),
      printTopMarginLine_(std::move(printTopMarginLine)),
      TopMarginMainPnl(host.ItemPanel("TopMarginMainPnl")),
      TopMarginPnl(host.ItemPanel("TopMarginPnl")),
      FirstDotPositionPnl(host.ItemPanel("FirstDotPositionPnl")),
      LandMarginEdit(host.InputEdit("LandMarginEdit")) {
  BuildTopMarginPanels();
  BuildFirstDotPanel();
}

void MarginsItem::BuildTopMarginPanels() {
  TopMarginRdoGrp = host_.NewItemsGroup(
      TopMarginMainPnl, "TopMarginRdoGrp", QStringLiteral("Item"),
      {QStringLiteral("Print top margin"), QStringLiteral("Adjust top margin")});
  TopMarginMainBtn = dialogkeys::MakeDefault(PanelButton(TopMarginMainPnl, "TopMarginMainBtn",
                                                         QStringLiteral("OK"), true,
                                                         &MarginsItem::TopMarginMainBtnClick));

  QWidget* p = TopMarginPnl;
  const int top = TitledPanel::ContentTop() + 8;
  host_.NewLabel(p,
                 QStringLiteral("Selected adjustment value is written in the specific address of "
                                "EEPROM after clicking OK button."),
                 16, top, 350, 2);
  TopMarginInputRdoGrp =
      host_.NewItemsGroup(p, "TopMarginInputRdoGrp", QStringLiteral("Items"),
                          {QStringLiteral("Adjust to \"-\""), QStringLiteral("Adjust to \"0\""),
                           QStringLiteral("Adjust to \"+\"")});
  TopMarginInputRdoGrp->move(16, top + 52);
  TopMarginWriteOKBtn =
      dialogkeys::MakeDefault(PanelButton(p, "TopMarginWriteOKBtn", QStringLiteral("OK"), false,
                                          &MarginsItem::TopMarginWriteOKBtnClick));
  TopMarginRtnBtn = PanelButton(p, "TopMarginRtnBtn", QStringLiteral("Previous"), true,
                                &MarginsItem::TopMarginRtnBtnClick);
}

void MarginsItem::TopMarginMainBtnClick() {
  switch (TopMarginRdoGrp->ItemIndex()) {
    case 0:
      printTopMarginLine_();
      break;
    case 1: {
      // A value that cannot be read counts as 0: the choice then starts at "0".
      uint8_t stored = 0;
      if (host_.ReadEepromCell(eeprom::kTopMargin, &stored) != rc::Success) stored = 0;
      TopMarginInputRdoGrp->SetItemIndex(eeprom::TopMarginPreselection(stored));
      host_.ResetPanels();
      TopMarginPnl->show();
      break;
    }
    default:
      break;
  }
}

void MarginsItem::TopMarginWriteOKBtnClick() {
  const int item = TopMarginInputRdoGrp->ItemIndex();
  if (item < 0) return;
  ResultCode result = host_.WriteEepromCell(eeprom::kTopMargin, eeprom::TopMarginValue(item));
  if (result == rc::Success) result = SaveAllCurrentData(host_.ModelCode1(), host_.ModelCode2());
  if (result != rc::Success) {
    host_.ReportResult(LineError, result);
    return;
  }
  const QString label = QLatin1String(eeprom::TopMarginLabel(item));
  host_.WriteStatus(LineInfo, QStringLiteral("As Top margin data, "));
  host_.WriteStatus(LineAppend, label);
  host_.WriteStatus(LineAppend, QStringLiteral(" has been written on EEPROM."));
  host_.ShowAdjusted("ShowTopMarginPnl", label);
}

void MarginsItem::TopMarginRtnBtnClick() {
  host_.ResetPanels();
  TopMarginMainPnl->show();
}

void MarginsItem::BuildFirstDotPanel() {
  QWidget* p = FirstDotPositionPnl;
  const int top = TitledPanel::ContentTop() + 4;
  host_.NewLabel(
      p,
      QStringLiteral("You can specify minus in case of left adjust, or plus in case of right "
                     "adjust."),
      16, top, 350, 2);
  host_.NewLabel(p, QStringLiteral("Remaining left margin"), 16, top + 44, 168);
  host_.NewLabel(p, QStringLiteral("Remaining right margin"), 200, top + 44, 168);
  LeftMarginGauge = new TCGauge(p);
  LeftMarginGauge->setObjectName(QStringLiteral("LeftMarginGauge"));
  LeftMarginGauge->setGeometry(16, top + 66, 168, 20);
  RightMarginGauge = new TCGauge(p);
  RightMarginGauge->setObjectName(QStringLiteral("RightMarginGauge"));
  RightMarginGauge->setGeometry(200, top + 66, 168, 20);
  for (TCGauge* gauge : {LeftMarginGauge, RightMarginGauge}) {
    gauge->SetMinMax(0, 100);
    gauge->SetForeColor(QColor(0, 0, 160));
  }
  host_.NewLabel(p, QStringLiteral("Adjustment range is from -72 to 72."), 16, top + 98, 350);

  // The row of step buttons around the value: edge, four left, value, four right, edge, centre.
  const int row = top + 124;
  auto stepButton = [&](QToolButton** button, const char* name, const char* hint, const QIcon& icon,
                        int x, void (MarginsItem::*handler)()) {
    *button = new QToolButton(p);
    (*button)->setObjectName(QLatin1String(name));
    (*button)->setToolTip(QLatin1String(hint));
    (*button)->setIcon(icon);
    (*button)->setIconSize(QSize(22, 16));
    (*button)->setGeometry(x, row, 34, 26);
    Connect(*button, handler);
  };
  stepButton(&GotoLeftEdgeBitBtn, "GotoLeftEdgeBitBtn", "To the edge of left", StepIcon(-1, true),
             16, &MarginsItem::GotoLeftEdgeBitBtnClick);
  stepButton(&SteptoLeftBitBtn, "SteptoLeftBitBtn", "To the left four points at a time",
             StepIcon(-1, false), 54, &MarginsItem::SteptoLeftBitBtnClick);
  LandMarginEdit->setGeometry(96, row + 2, 48, 22);
  LandMarginEdit->setAlignment(Qt::AlignRight);
  LandMarginUpDown = new UpDown(LandMarginEdit, p);
  LandMarginUpDown->setObjectName(QStringLiteral("LandMarginUpDown"));
  LandMarginUpDown->SetRange(kLandMarginSpinMin, kLandMarginSpinMax);
  LandMarginUpDown->setGeometry(144, row + 2, 17, 22);
  connect(LandMarginUpDown, &UpDown::Changed, this,
          platform::Guarded([this] { LandMarginUpDownClick(); }));
  stepButton(&SteptoRightBitBtn, "SteptoRightBitBtn", "To the right four points at a time",
             StepIcon(1, false), 168, &MarginsItem::SteptoRightBitBtnClick);
  stepButton(&GotoRightEdgeBitBtn, "GotoRightEdgeBitBtn", "To the edge of right", StepIcon(1, true),
             206, &MarginsItem::GotoRightEdgeBitBtnClick);
  stepButton(&CenteringBitBtn, "CenteringBitBtn", "Centering", StepIcon(0, false, true), 260,
             &MarginsItem::CenteringBitBtnClick);

  LandMarginRealValuePnl = new QLabel(p);
  LandMarginRealValuePnl->setObjectName(QStringLiteral("LandMarginRealValuePnl"));
  LandMarginRealValuePnl->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  LandMarginRealValuePnl->setAlignment(Qt::AlignCenter);
  LandMarginRealValuePnl->setGeometry(96, row + 36, 110, 22);
  ShowFirstDotDisplay(0);

  LandMarginWriteBtn = PanelButton(p, "LandMarginWriteBtn", QStringLiteral("Write"), true,
                                   &MarginsItem::LandMarginWriteBtnClick);
}

bool MarginsItem::FirstDotPositionOpen() {
  uint8_t stored = 0;
  // Nothing is said when the printer does not answer: the panel stays as it is.
  if (host_.ReadEepromCell(eeprom::kFirstDot, &stored) != rc::Success) return false;
  const int v = eeprom::FirstDotFromCell(stored);
  ShowFirstDot(v);
  // The edit shows what is stored, even beyond the range the display is held to.
  LandMarginEdit->setText(QString::number(v));
  return true;
}

void MarginsItem::ShowFirstDotDisplay(double v) {
  const eeprom::FirstDotDisplay display = eeprom::ComputeFirstDotDisplay(v);
  LeftMarginGauge->SetProgress(display.leftProgress);
  RightMarginGauge->SetProgress(display.rightProgress);
  LandMarginRealValuePnl->setText(QString::fromStdString(display.mmText));
}

void MarginsItem::ShowFirstDot(int v) {
  v = eeprom::ClampFirstDot(v);
  LandMarginEdit->setText(QString::number(v));
  ShowFirstDotDisplay(v);
}

void MarginsItem::LandMarginUpDownClick() {
  ShowFirstDotDisplay(platform::StrToFloat(LandMarginEdit->text()));
}

void MarginsItem::SteptoLeftBitBtnClick() {
  ShowFirstDot(platform::StrToInt(LandMarginEdit->text()) - kFirstDotStep);
}

void MarginsItem::SteptoRightBitBtnClick() {
  ShowFirstDot(platform::StrToInt(LandMarginEdit->text()) + kFirstDotStep);
}

void MarginsItem::GotoLeftEdgeBitBtnClick() {
  ShowFirstDot(eeprom::kFirstDotMin);
}

void MarginsItem::GotoRightEdgeBitBtnClick() {
  ShowFirstDot(eeprom::kFirstDotMax);
}

void MarginsItem::CenteringBitBtnClick() {
  ShowFirstDot(0);
}

void MarginsItem::LandMarginWriteBtnClick() {
  // An edit left empty by a failed opening read holds no number: the conversion error goes to
  // the exception box, which leaves the window usable.
  const int v = platform::StrToInt(LandMarginEdit->text());
  ResultCode result = host_.WriteEepromCell(eeprom::kFirstDot, static_cast<uint8_t>(v));
  if (result != rc::Success) {
    host_.ReportResult(LineError, result);
    return;
  }
  platform::MessageDlg(
      QStringLiteral("This printer is initializing to reflect changed value on EEPROM.\n"
                     "Please wait about 30 seconds until printer is ready state."),
      platform::DlgType::Information, platform::DlgButtons::Ok);
  result = PowerOnInitialize(host_.ModelCode1(), host_.ModelCode2());
  if (result != rc::Success) {
    host_.ReportResult(LineError, result);
    return;
  }
  const QString text = LandMarginEdit->text();
  host_.WriteStatus(LineInfo, QStringLiteral("1st dot position value "));
  host_.WriteStatus(LineAdd, QStringLiteral("\""));
  host_.WriteStatus(LineAppend, text);
  host_.WriteStatus(LineAppend, QStringLiteral("\""));
  host_.WriteStatus(LineAppend, QStringLiteral("has been written on EEPROM."));
  host_.ShowAdjusted("ShowFirstDotPnl", text);
}
