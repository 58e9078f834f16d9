// EEPROM items of the workbench: head ID, Bi-D values, USB ID, top margin and first dot position,
// initial setting, EEPROM data handling. The frame has created their panels (with titles) and the
// input edits; the items fill them here.
#include <QCheckBox>
#include <QHeaderView>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QTableWidget>
#include <QTextEdit>
#include <QToolButton>
#include <algorithm>
#include <array>
#include <string>

#include "controls/dialogkeys.h"
#include "controls/limitededit.h"
#include "controls/radiogroup.h"
#include "controls/tcgauge.h"
#include "controls/titledpanel.h"
#include "controls/uiscale.h"
#include "controls/updown.h"
#include "eeprom/addressmap.h"
#include "eeprom/eepromtext.h"
#include "link/mechcmd.h"
#include "link/pktlink.h"
#include "link/porthub.h"
#include "platform/convert.h"
#include "platform/cursor.h"
#include "platform/dialogs.h"
#include "platform/handlerguard.h"
#include "workbench/formadjust.h"
#include "workbench/units.h"

namespace {
constexpr int kOkLeft = 212;
constexpr int kRightButtonLeft = 292;
constexpr int kButtonTop = 236;
constexpr int kGridColumnWidth = 22;
constexpr int kGridRowHeight = 18;
constexpr int kFirstDotStep = 4;
constexpr int kLandMarginSpinMin = -36;
constexpr int kLandMarginSpinMax = 36;
constexpr int kBidSpinMin = -72;
constexpr int kBidSpinMax = 72;

// The text a unit takes: one byte per character, as typed (a character outside Latin-1 becomes
// "?", which every rule refuses, and the length stays what the technician sees).
std::string Bytes(const QString& text) {
  return text.toLatin1().toStdString();
}

QString Text(const std::string& text) {
  return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

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

void TFormAdjust::BuildEepromPanels() {
  BuildDefaultSetPanel();
  BuildHeadIdPanels();
  BuildBidPanels();
  BuildUsbIdPanels();
  BuildTopMarginPanels();
  BuildFirstDotPanel();
  BuildEepromDataPanels();
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
                                      bool rightmost, void (TFormAdjust::*handler)(),
                                      KeyRole role) {
  QPushButton* button =
      NewButton(panel, name, text, rightmost ? kRightButtonLeft : kOkLeft, kButtonTop);
  if (role == KeyRole::Default) dialogkeys::MakeDefault(button);
  if (role == KeyRole::Cancel) dialogkeys::MakeCancel(button);
  Connect(button, handler);
  return button;
}

ResultCode TFormAdjust::ReadEepromCell(uint8_t address, uint8_t* value) {
  return D4ReadEeprom(ModelCode1(), ModelCode2(), address, value);
}

ResultCode TFormAdjust::WriteEepromCell(uint8_t address, uint8_t value) {
  return D4WriteEeprom(ModelCode1(), ModelCode2(), address, value);
}

// --- EEPROM initial setting ---------------------------------------------------------------------

void TFormAdjust::BuildDefaultSetPanel() {
  QWidget* p = DefaultSetPnl;
  const int top = TitledPanel::ContentTop() + 12;
  NewLabel(p,
           QStringLiteral("When you replace main board, this program will set following initial "
                          "value on EEPROM properly by clicking \"OK\" button."),
           16, top, 350, 3);
  NewLabel(p, QStringLiteral("1. Market ID "), 32, top + 68, 300);
  NewLabel(p, QStringLiteral("2. CL2 counter for Ultra cleaning"), 32, top + 92, 300);
  NewLabel(p, QStringLiteral("3. Printer for CRTAG "), 32, top + 116, 300);
  DefaultSetBtn =
      PanelButton(p, "DefaultSetBtn", QStringLiteral("OK"), true, &TFormAdjust::DefaultSetBtnClick);
}

void TFormAdjust::DefaultSetBtnClick() {
  for (const eeprom::CellValue& cell : eeprom::kInitialSetting) {
    if (WriteEepromCell(cell.address, cell.value) != rc::Success) {
      // The bytes written so far stay; the port is closed so that the technician starts again
      // from the printer selection.
      platform::MessageDlg(QStringLiteral("Communication error"), platform::DlgType::Error,
                           platform::DlgButtons::Ok);
      PortCloseByPHub();
      platform::SetScreenCursor(platform::CursorShape::Default);
      return;
    }
  }
  WriteStatus(LineInfo, QStringLiteral("The initial setting value of  "));
  WriteStatus(LineAdd, QStringLiteral("\""));
  WriteStatus(LineAppend, modelName_ ? modelName_() : QString());
  WriteStatus(LineAppend, QStringLiteral("\""));
  WriteStatus(LineAppend, QStringLiteral("has been written on EEPROM."));
}

// --- Head ID ------------------------------------------------------------------------------------

QPixmap TFormAdjust::HeadIdPicture() {
  QPixmap picture(160, 143);
  picture.fill(QColor(236, 236, 232));
  QPainter p(&picture);
  p.setRenderHint(QPainter::Antialiasing);
  const QColor outline(40, 40, 48);

  // The carriage's guide shaft and timing belt across the picture.
  p.setPen(QPen(outline, 1));
  p.setBrush(QColor(170, 174, 182));
  p.drawRect(QRectF(0, 24, 160, 7));
  p.setBrush(QColor(60, 60, 66));
  p.drawRect(QRectF(0, 36, 160, 3));

  // Carriage with the two cartridges seated in it.
  p.setPen(QPen(outline, 1.5));
  p.setBrush(QColor(200, 204, 214));
  p.drawRoundedRect(QRectF(30, 14, 96, 82), 5, 5);
  p.setBrush(QColor(30, 30, 34));
  p.drawRect(QRectF(38, 20, 32, 40));
  const QColor inks[] = {QColor(0, 170, 230), QColor(220, 0, 140), QColor(250, 210, 0)};
  for (int i = 0; i < 3; ++i) {
    p.setBrush(inks[i]);
    p.drawRect(QRectF(76 + i * 14, 20, 12, 40));
  }

  // The print head under the carriage, its nozzle plate facing down, and the label with the ID.
  p.setBrush(QColor(120, 124, 134));
  p.drawRect(QRectF(40, 96, 76, 18));
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(20, 20, 24));
  for (int i = 0; i < 8; ++i) p.drawRect(QRectF(46 + i * 8.5, 110, 5, 2));
  p.setPen(QPen(outline, 1));
  p.setBrush(Qt::white);
  const QRectF label(58, 99, 40, 9);
  p.drawRect(label);
  p.setPen(QPen(QColor(60, 60, 60), 1));
  for (int i = 0; i < 9; ++i) {
    p.drawLine(QPointF(61 + i * 4, 101.5), QPointF(61 + i * 4 + 2, 101.5));
    p.drawLine(QPointF(61 + i * 4, 105.5), QPointF(61 + i * 4 + 1, 105.5));
  }

  // The red arrow from below right to the label.
  p.setPen(QPen(QColor(220, 0, 0), 4, Qt::SolidLine, Qt::RoundCap));
  p.drawLine(QPointF(140, 136), QPointF(104, 114));
  QPainterPath head;
  head.moveTo(99, 110);
  head.lineTo(113, 111);
  head.lineTo(105, 122);
  head.closeSubpath();
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(220, 0, 0));
  p.drawPath(head);
  return picture;
}

void TFormAdjust::BuildHeadIdPanels() {
  HdVolRdoBtn = NewItemsGroup(HeadIDItemsPnl, "HdVolRdoBtn", QStringLiteral("Items"),
                              {QStringLiteral("Input head ID"), QStringLiteral("Check head ID")});
  HdVolOKBtn = PanelButton(HeadIDItemsPnl, "HdVolOKBtn", QStringLiteral("OK"), true,
                           &TFormAdjust::HdVolOKBtnClick);

  QWidget* p = HeadIDInputPnl;
  const int top = TitledPanel::ContentTop() + 8;
  NewLabel(p, QStringLiteral("Enter the 11 digits head ID."), 16, top, 350);
  HeadIDImage = new QLabel(p);
  HeadIDImage->setObjectName(QStringLiteral("HeadIDImage"));
  HeadIDImage->setPixmap(HeadIdPicture());
  HeadIDImage->setGeometry(16, top + 28, 160, 143);
  NewLabel(p, QStringLiteral("Head ID"), 196, top + 80, 150);
  HdVolWrtEdit->setGeometry(196, top + 100, 150, 22);
  HdVolWrtOKBtn = PanelButton(p, "HdVolWrtOKBtn", QStringLiteral("OK"), false,
                              &TFormAdjust::HdVolWrtOKBtnClick);
  HdVolWrtRtnBtn = PanelButton(p, "HdVolWrtRtnBtn", QStringLiteral("Previous"), true,
                               &TFormAdjust::HdVolWrtRtnBtnClick);
}

void TFormAdjust::HdVolOKBtnClick() {
  switch (HdVolRdoBtn->ItemIndex()) {
    case 0:
      ResetPanels();
      HeadIDInputPnl->show();
      HdVolWrtEdit->setFocus();
      break;
    case 1: {
      platform::SetScreenCursor(platform::CursorShape::HourGlass);
      std::array<char, eeprom::kHeadIdLength> id{};
      const ResultCode result = units_.headid.ReadHeadId(id.data());
      if (result == rc::Success) {
        WriteStatus(LineInfo, QStringLiteral("Head ID = "));
        WriteStatus(LineAppend, QString::fromLatin1(id.data(), eeprom::kHeadIdLength));
      } else {
        ReportResult(LineError, result);
      }
      platform::SetScreenCursor(platform::CursorShape::Default);
      break;
    }
    default:
      break;
  }
}

void TFormAdjust::HdVolWrtOKBtnClick() {
  const QString text = HdVolWrtEdit->text();
  const ResultCode result = units_.headid.WriteHeadId(Bytes(text));
  if (result != rc::Success) {
    ReportResult(LineError, result);
    HdVolWrtEdit->setFocus();
    return;
  }
  WriteStatus(LineInfo, QStringLiteral("As head ID, "));
  WriteStatus(LineAppend, text);
  WriteStatus(LineAppend, QStringLiteral(" has been written on EEPROM."));
  ShowHdVolIDPnl->setText(text);
}

void TFormAdjust::HdVolWrtRtnBtnClick() {
  ResetPanels();
  HeadIDItemsPnl->show();
}

// --- Bi-D values --------------------------------------------------------------------------------

namespace {
// The controls of one Bi-D value, in the order of kBidValues.
struct BidRow {
  LimitedEdit* edit;
  QCheckBox* box;
  QLabel* summary;
};

std::array<BidRow, 6> BidRows(const TFormAdjust& f) {
  return {{{f.MsBkBidWrtEdit, f.BidMsBkCheckBox, f.ShowMsBkPnl},
           {f.MsClBidWrtEdit, f.BidMsClCheckBox, f.ShowMsClPnl},
           {f.Pl6BkBidWrtEdit, f.Bid6plBkCheckBox, f.Show6plBkPnl},
           {f.Pl6ClBidWrtEdit, f.Bid6plClCheckBox, f.Show6plClPnl},
           {f.Pl4BkBidWrtEdit, f.Bid4plBkCheckBox, f.Show4plBkPnl},
           {f.Pl4ClBidWrtEdit, f.Bid4plClCheckBox, f.Show4plClPnl}}};
}
}  // namespace

void TFormAdjust::BuildBidPanels() {
  BidRdoBtn = NewItemsGroup(BidItemsPnl, "BidRdoBtn", QStringLiteral("Items"),
                            {QStringLiteral("Print Bi-D adjustment pattern."),
                             QStringLiteral("Input Bi-D adjustment value."),
                             QStringLiteral("Check present adjustment data.")});
  BidOKBtn = PanelButton(BidItemsPnl, "BidOKBtn", QStringLiteral("OK"), true,
                         &TFormAdjust::BidOKBtnClick, KeyRole::Default);

  QWidget* p = BidInputPnl;
  const int top = TitledPanel::ContentTop() + 8;
  NewLabel(p, QStringLiteral("Adjustment range is from -36 to 36."), 16, top, 350);
  struct ValueControls {
    LimitedEdit* edit;
    QCheckBox** box;
    const char* boxName;
    UpDown** upDown;
    const char* upDownName;
    void (TFormAdjust::*change)();
  };
  const std::array<ValueControls, 6> values = {{
      {MsBkBidWrtEdit, &BidMsBkCheckBox, "BidMsBkCheckBox", &BidMsBkUpDown, "BidMsBkUpDown",
       &TFormAdjust::MsBkBidWrtEditChange},
      {MsClBidWrtEdit, &BidMsClCheckBox, "BidMsClCheckBox", &BidMsClUpDown, "BidMsClUpDown",
       &TFormAdjust::MsClBidWrtEditChange},
      {Pl6BkBidWrtEdit, &Bid6plBkCheckBox, "Bid6plBkCheckBox", &Bid6plBkUpDown, "Bid6plBkUpDown",
       &TFormAdjust::Pl6BkBidWrtEditChange},
      {Pl6ClBidWrtEdit, &Bid6plClCheckBox, "Bid6plClCheckBox", &Bid6plClUpDown, "Bid6plClUpDown",
       &TFormAdjust::Pl6ClBidWrtEditChange},
      {Pl4BkBidWrtEdit, &Bid4plBkCheckBox, "Bid4plBkCheckBox", &Bid4plBkUpDown, "Bid4plBkUpDown",
       &TFormAdjust::Pl4BkBidWrtEditChange},
      {Pl4ClBidWrtEdit, &Bid4plClCheckBox, "Bid4plClCheckBox", &Bid4plClUpDown, "Bid4plClUpDown",
       &TFormAdjust::Pl4ClBidWrtEditChange},
  }};
  // Black on the left, colour on the right; one row per drop size.
  for (std::size_t i = 0; i < values.size(); ++i) {
    const ValueControls& s = values[i];
    const int x = i % 2 == 0 ? 24 : 204;
    const int y = top + 40 + 40 * static_cast<int>(i / 2);
    *s.box = new QCheckBox(QLatin1String(kBidValues[i].name), p);
    (*s.box)->setObjectName(QLatin1String(s.boxName));
    (*s.box)->setFocusPolicy(Qt::ClickFocus);  // the Tab key goes from edit to edit
    (*s.box)->setGeometry(x, y, 84, 22);
    s.edit->setGeometry(x + 88, y, 44, 22);
    *s.upDown = new UpDown(s.edit, p);
    (*s.upDown)->setObjectName(QLatin1String(s.upDownName));
    (*s.upDown)->SetRange(kBidSpinMin, kBidSpinMax);
    (*s.upDown)->setGeometry(x + 132, y, 17, 22);
    connect(s.edit, &QLineEdit::textChanged, this,
            platform::Guarded([this, change = s.change] { (this->*change)(); }));
  }
  BidWrtOKBtn = PanelButton(p, "BidWrtOKBtn", QStringLiteral("OK"), false,
                            &TFormAdjust::BidWrtOKBtnClick, KeyRole::Default);
  BidWrtRtnBtn = PanelButton(p, "BidWrtRtnBtn", QStringLiteral("Previous"), true,
                             &TFormAdjust::BidWrtRtnBtnClick, KeyRole::Cancel);
}

// Any change of a value's text, typed, spun or set by the program, marks the value for writing.
void TFormAdjust::MsBkBidWrtEditChange() {
  BidMsBkCheckBox->setChecked(true);
}
void TFormAdjust::MsClBidWrtEditChange() {
  BidMsClCheckBox->setChecked(true);
}
void TFormAdjust::Pl6BkBidWrtEditChange() {
  Bid6plBkCheckBox->setChecked(true);
}
void TFormAdjust::Pl6ClBidWrtEditChange() {
  Bid6plClCheckBox->setChecked(true);
}
void TFormAdjust::Pl4BkBidWrtEditChange() {
  Bid4plBkCheckBox->setChecked(true);
}
void TFormAdjust::Pl4ClBidWrtEditChange() {
  Bid4plClCheckBox->setChecked(true);
}

void TFormAdjust::BidOKBtnClick() {
  const std::array<BidRow, 6> rows = BidRows(*this);
  switch (BidRdoBtn->ItemIndex()) {
    case 0:
      ResetPanels();
      BidPrintPnl->show();
      break;
    case 1: {
      ResetPanels();
      BidInputPnl->show();
      for (std::size_t i = 0; i < rows.size(); ++i) {
        std::string text;
        const ResultCode result =
            units_.bid.ReadBidValue(kBidValues[i].inkGroup, kBidValues[i].dropSize, &text);
        if (result != rc::Success) {
          ReportResult(LineError, result);
          return;
        }
        rows[i].edit->setText(Text(text));
      }
      // The panel opens with the stored values and nothing marked for writing.
      for (const BidRow& row : rows) row.box->setChecked(false);
      break;
    }
    case 2:
      // "MS Black = 3     MS Color = 4" and so on, a line per drop size.
      for (std::size_t i = 0; i < rows.size(); ++i) {
        const QString name = QLatin1String(kBidValues[i].name);
        if (i == 0) {
          WriteStatus(LineInfo, name + QStringLiteral(" = "));
        } else if (i % 2 == 0) {
          WriteStatus(LineAdd, name + QStringLiteral(" = "));
        } else {
          WriteStatus(LineAppend, QStringLiteral("     ") + name + QStringLiteral(" = "));
        }
        std::string text;
        const ResultCode result =
            units_.bid.ReadBidValue(kBidValues[i].inkGroup, kBidValues[i].dropSize, &text);
        if (result != rc::Success) {
          ReportResult(LineError, result);
          return;
        }
        WriteStatus(LineAppend, Text(text));
      }
      break;
    default:
      break;
  }
}

void TFormAdjust::BidWrtOKBtnClick() {
  const std::array<BidRow, 6> rows = BidRows(*this);
  // The first reported value replaces the log, every later one starts a new line; a value that
  // fails is reported in its place and the others are still written.
  StatusLineKind kind = LineInfo;
  for (std::size_t i = 0; i < rows.size(); ++i) {
    if (!rows[i].box->isChecked()) continue;
    const BidValueInfo& info = kBidValues[i];
    const QString text = rows[i].edit->text();
    const ResultCode result = units_.bid.WriteBidValue(info.inkGroup, info.dropSize, Bytes(text));
    if (result == rc::Success) {
      WriteStatus(kind, QStringLiteral("As %1 data, ").arg(QLatin1String(info.name)));
      WriteStatus(LineAppend, text);
      WriteStatus(LineAppend, QStringLiteral(" has been written on EEPROM."));
      rows[i].summary->setText(text);
    } else {
      ReportResult(kind, result);
    }
    kind = LineAdd;
  }
}

void TFormAdjust::BidWrtRtnBtnClick() {
  ResetPanels();
  BidItemsPnl->show();
}

// --- USB ID -------------------------------------------------------------------------------------

void TFormAdjust::BuildUsbIdPanels() {
  USBIDRdoGrp = NewItemsGroup(USBIDItemsPnl, "USBIDRdoGrp", QStringLiteral("Items"),
                              {QStringLiteral("Input USB ID"), QStringLiteral("Check USB ID")});
  UsbIdOKBtn = PanelButton(USBIDItemsPnl, "UsbIdOKBtn", QStringLiteral("OK"), true,
                           &TFormAdjust::UsbIdOKBtnClick, KeyRole::Default);

  QWidget* p = USBIDInputPnl;
  const int top = TitledPanel::ContentTop() + 12;
  NewLabel(p, QStringLiteral("Enter serial No., and click \"OK\" button."), 16, top, 350);
  UsbIdInputEdit->setGeometry(16, top + 32, 150, 22);
  UsbIdInputOKBtn = PanelButton(p, "UsbIdInputOKBtn", QStringLiteral("OK"), false,
                                &TFormAdjust::UsbIdInputOKBtnClick, KeyRole::Default);
  UsbIdInputRtnBtn = PanelButton(p, "UsbIdInputRtnBtn", QStringLiteral("Previous"), true,
                                 &TFormAdjust::UsbIdInputRtnBtnClick, KeyRole::Cancel);
}

void TFormAdjust::UsbIdOKBtnClick() {
  switch (USBIDRdoGrp->ItemIndex()) {
    case 0:
      ResetPanels();
      USBIDInputPnl->show();
      UsbIdInputEdit->setFocus();
      break;
    case 1: {
      std::array<char, eeprom::kUsbIdLength + 1> id{};
      const ResultCode result = units_.usbid.ReadUsbId(id.data());
      if (result != rc::Success) {
        ReportResult(LineError, result);
        return;
      }
      WriteStatus(LineInfo, QStringLiteral("USB ID = "));
      WriteStatus(LineAppend, QString::fromLatin1(id.data(), eeprom::kUsbIdLength));
      break;
    }
    default:
      break;
  }
}

void TFormAdjust::UsbIdInputOKBtnClick() {
  StatusMemo->clear();
  const QString text = UsbIdInputEdit->text();
  std::array<char, eeprom::kUsbIdStampLength + 1> stamp{};
  const ResultCode result = units_.usbid.WriteUsbId(Bytes(text), stamp.data());
  if (result != rc::Success) {
    ReportResult(LineError, result);
    return;
  }
  const QString stampText = QString::fromLatin1(stamp.data(), eeprom::kUsbIdStampLength);
  WriteStatus(LineInfo, QStringLiteral("As USB ID, \""));
  WriteStatus(LineAppend, text);
  WriteStatus(LineAppend, stampText);
  WriteStatus(LineAppend, QStringLiteral("\" has been written on EEPROM."));
  ShowUSBIDLbl->setText(text + QLatin1Char(' ') + stampText);
}

void TFormAdjust::UsbIdInputRtnBtnClick() {
  ResetPanels();
  USBIDItemsPnl->show();
}

// --- Top margin ---------------------------------------------------------------------------------

void TFormAdjust::BuildTopMarginPanels() {
  TopMarginRdoGrp =
      NewItemsGroup(TopMarginMainPnl, "TopMarginRdoGrp", QStringLiteral("Item"),
                    {QStringLiteral("Print top margin"), QStringLiteral("Adjust top margin")});
  TopMarginMainBtn = PanelButton(TopMarginMainPnl, "TopMarginMainBtn", QStringLiteral("OK"), true,
                                 &TFormAdjust::TopMarginMainBtnClick, KeyRole::Default);

  QWidget* p = TopMarginPnl;
  const int top = TitledPanel::ContentTop() + 8;
  NewLabel(p,
           QStringLiteral("Selected adjustment value is written in the specific address of "
                          "EEPROM after clicking OK button."),
           16, top, 350, 2);
  TopMarginInputRdoGrp =
      NewItemsGroup(p, "TopMarginInputRdoGrp", QStringLiteral("Items"),
                    {QStringLiteral("Adjust to \"-\""), QStringLiteral("Adjust to \"0\""),
                     QStringLiteral("Adjust to \"+\"")});
  TopMarginInputRdoGrp->move(16, top + 52);
  TopMarginWriteOKBtn = PanelButton(p, "TopMarginWriteOKBtn", QStringLiteral("OK"), false,
                                    &TFormAdjust::TopMarginWriteOKBtnClick, KeyRole::Default);
  TopMarginRtnBtn = PanelButton(p, "TopMarginRtnBtn", QStringLiteral("Previous"), true,
                                &TFormAdjust::TopMarginRtnBtnClick);
}

void TFormAdjust::TopMarginMainBtnClick() {
  switch (TopMarginRdoGrp->ItemIndex()) {
    case 0:
      PrintTopMarginItem();
      break;
    case 1: {
      // A value that cannot be read counts as 0: the choice then starts at "0".
      uint8_t stored = 0;
      if (ReadEepromCell(eeprom::kTopMargin, &stored) != rc::Success) stored = 0;
      TopMarginInputRdoGrp->SetItemIndex(eeprom::TopMarginPreselection(stored));
      ResetPanels();
      TopMarginPnl->show();
      break;
    }
    default:
      break;
  }
}

void TFormAdjust::TopMarginWriteOKBtnClick() {
  const int item = TopMarginInputRdoGrp->ItemIndex();
  if (item < 0) return;
  ResultCode result = WriteEepromCell(eeprom::kTopMargin, eeprom::TopMarginValue(item));
  if (result == rc::Success) result = SaveAllCurrentData(ModelCode1(), ModelCode2());
  if (result != rc::Success) {
    ReportResult(LineError, result);
    return;
  }
  const QString label = QLatin1String(eeprom::TopMarginLabel(item));
  WriteStatus(LineInfo, QStringLiteral("As Top margin data, "));
  WriteStatus(LineAppend, label);
  WriteStatus(LineAppend, QStringLiteral(" has been written on EEPROM."));
  ShowTopMarginPnl->setText(label);
}

void TFormAdjust::TopMarginRtnBtnClick() {
  ResetPanels();
  TopMarginMainPnl->show();
}

// --- First dot position -------------------------------------------------------------------------

void TFormAdjust::BuildFirstDotPanel() {
  QWidget* p = FirstDotPositionPnl;
  const int top = TitledPanel::ContentTop() + 4;
  NewLabel(p,
           QStringLiteral("You can specify minus in case of left adjust, or plus in case of right "
                          "adjust."),
           16, top, 350, 2);
  NewLabel(p, QStringLiteral("Remaining left margin"), 16, top + 44, 168);
  NewLabel(p, QStringLiteral("Remaining right margin"), 200, top + 44, 168);
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
  NewLabel(p, QStringLiteral("Adjustment range is from -72 to 72."), 16, top + 98, 350);

  // The row of step buttons around the value: edge, four left, value, four right, edge, centre.
  const int row = top + 124;
  auto stepButton = [&](QToolButton** button, const char* name, const char* hint, const QIcon& icon,
                        int x, void (TFormAdjust::*handler)()) {
    *button = new QToolButton(p);
    (*button)->setObjectName(QLatin1String(name));
    (*button)->setToolTip(QLatin1String(hint));
    (*button)->setIcon(icon);
    (*button)->setIconSize(QSize(22, 16));
    (*button)->setGeometry(x, row, 34, 26);
    Connect(*button, handler);
  };
  stepButton(&GotoLeftEdgeBitBtn, "GotoLeftEdgeBitBtn", "To the edge of left", StepIcon(-1, true),
             16, &TFormAdjust::GotoLeftEdgeBitBtnClick);
  stepButton(&SteptoLeftBitBtn, "SteptoLeftBitBtn", "To the left four points at a time",
             StepIcon(-1, false), 54, &TFormAdjust::SteptoLeftBitBtnClick);
  LandMarginEdit->setGeometry(96, row + 2, 48, 22);
  LandMarginEdit->setAlignment(Qt::AlignRight);
  LandMarginUpDown = new UpDown(LandMarginEdit, p);
  LandMarginUpDown->setObjectName(QStringLiteral("LandMarginUpDown"));
  LandMarginUpDown->SetRange(kLandMarginSpinMin, kLandMarginSpinMax);
  LandMarginUpDown->setGeometry(144, row + 2, 17, 22);
  connect(LandMarginUpDown, &UpDown::Changed, this,
          platform::Guarded([this] { LandMarginUpDownClick(); }));
  stepButton(&SteptoRightBitBtn, "SteptoRightBitBtn", "To the right four points at a time",
             StepIcon(1, false), 168, &TFormAdjust::SteptoRightBitBtnClick);
  stepButton(&GotoRightEdgeBitBtn, "GotoRightEdgeBitBtn", "To the edge of right", StepIcon(1, true),
             206, &TFormAdjust::GotoRightEdgeBitBtnClick);
  stepButton(&CenteringBitBtn, "CenteringBitBtn", "Centering", StepIcon(0, false, true), 260,
             &TFormAdjust::CenteringBitBtnClick);

  LandMarginRealValuePnl = new QLabel(p);
  LandMarginRealValuePnl->setObjectName(QStringLiteral("LandMarginRealValuePnl"));
  LandMarginRealValuePnl->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  LandMarginRealValuePnl->setAlignment(Qt::AlignCenter);
  LandMarginRealValuePnl->setGeometry(96, row + 36, 110, 22);
  ShowFirstDotDisplay(0);

  LandMarginWriteBtn = PanelButton(p, "LandMarginWriteBtn", QStringLiteral("Write"), true,
                                   &TFormAdjust::LandMarginWriteBtnClick);
}

bool TFormAdjust::FirstDotPositionOpen() {
  uint8_t stored = 0;
  // Nothing is said when the printer does not answer: the panel stays as it is.
  if (ReadEepromCell(eeprom::kFirstDot, &stored) != rc::Success) return false;
  const int v = eeprom::FirstDotFromCell(stored);
  ShowFirstDot(v);
  // The edit shows what is stored, even beyond the range the display is held to.
  LandMarginEdit->setText(QString::number(v));
  return true;
}

void TFormAdjust::ShowFirstDotDisplay(double v) {
  const eeprom::FirstDotDisplay display = eeprom::ComputeFirstDotDisplay(v);
  LeftMarginGauge->SetProgress(display.leftProgress);
  RightMarginGauge->SetProgress(display.rightProgress);
  LandMarginRealValuePnl->setText(QString::fromStdString(display.mmText));
}

void TFormAdjust::ShowFirstDot(int v) {
  v = eeprom::ClampFirstDot(v);
  LandMarginEdit->setText(QString::number(v));
  ShowFirstDotDisplay(v);
}

void TFormAdjust::LandMarginUpDownClick() {
  ShowFirstDotDisplay(platform::StrToFloat(LandMarginEdit->text()));
}

void TFormAdjust::SteptoLeftBitBtnClick() {
  ShowFirstDot(platform::StrToInt(LandMarginEdit->text()) - kFirstDotStep);
}

void TFormAdjust::SteptoRightBitBtnClick() {
  ShowFirstDot(platform::StrToInt(LandMarginEdit->text()) + kFirstDotStep);
}

void TFormAdjust::GotoLeftEdgeBitBtnClick() {
  ShowFirstDot(eeprom::kFirstDotMin);
}

void TFormAdjust::GotoRightEdgeBitBtnClick() {
  ShowFirstDot(eeprom::kFirstDotMax);
}

void TFormAdjust::CenteringBitBtnClick() {
  ShowFirstDot(0);
}

void TFormAdjust::LandMarginWriteBtnClick() {
  // An edit left empty by a failed opening read holds no number: the conversion error goes to
  // the exception box, which leaves the window usable.
  const int v = platform::StrToInt(LandMarginEdit->text());
  ResultCode result = WriteEepromCell(eeprom::kFirstDot, static_cast<uint8_t>(v));
  if (result != rc::Success) {
    ReportResult(LineError, result);
    return;
  }
  platform::MessageDlg(
      QStringLiteral("This printer is initializing to reflect changed value on EEPROM.\n"
                     "Please wait about 30 seconds until printer is ready state."),
      platform::DlgType::Information, platform::DlgButtons::Ok);
  result = PowerOnInitialize(ModelCode1(), ModelCode2());
  if (result != rc::Success) {
    ReportResult(LineError, result);
    return;
  }
  const QString text = LandMarginEdit->text();
  WriteStatus(LineInfo, QStringLiteral("1st dot position value "));
  WriteStatus(LineAdd, QStringLiteral("\""));
  WriteStatus(LineAppend, text);
  WriteStatus(LineAppend, QStringLiteral("\""));
  WriteStatus(LineAppend, QStringLiteral("has been written on EEPROM."));
  ShowFirstDotPnl->setText(text);
}

// --- EEPROM data handling -----------------------------------------------------------------------

void TFormAdjust::BuildEepromDataPanels() {
  EepromCheckRdoGrp =
      NewItemsGroup(EEPROMItemsPnl, "EepromCheckRdoGrp", QStringLiteral("Items"),
                    {QStringLiteral("Check EEPROM data"), QStringLiteral("Change EEPROM data")});
  EepromItemsOKBtn = PanelButton(EEPROMItemsPnl, "EepromItemsOKBtn", QStringLiteral("OK"), true,
                                 &TFormAdjust::EepromItemsOKBtnClick, KeyRole::Default);

  // Check: the range to read.
  {
    QWidget* p = EEPROMCheckPnl;
    const int top = TitledPanel::ContentTop() + 12;
    NewLabel(p, QStringLiteral("Enter the reading start address and the end address."), 16, top,
             350);
    const int row = top + 40;
    NewLabel(p, QStringLiteral("(Start)"), 16, row + 2, 52);
    EepReadBegEdit->setGeometry(70, row, 40, 22);
    auto* tilde = NewLabel(p, QStringLiteral("~"), 112, row + 2, 20);
    tilde->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    EepReadEndEdit->setGeometry(134, row, 40, 22);
    NewLabel(p, QStringLiteral("(End)"), 180, row + 2, 52);
    EepromReadOkBtn = PanelButton(p, "EepromReadOkBtn", QStringLiteral("OK"), false,
                                  &TFormAdjust::EepromReadOkBtnClick, KeyRole::Default);
    EepromReadRtnBtn = PanelButton(p, "EepromReadRtnBtn", QStringLiteral("Previous"), true,
                                   &TFormAdjust::EepromReadRtnBtnClick, KeyRole::Cancel);
  }

  // Change: one address and one byte.
  {
    QWidget* p = EEPROMChangePnl;
    const int top = TitledPanel::ContentTop() + 12;
    NewLabel(p, QStringLiteral("Enter a data and an address."), 16, top, 350);
    NewLabel(p, QStringLiteral("Address"), 16, top + 42, 60);
    EepWriteAddEdit->setGeometry(80, top + 40, 40, 22);
    NewLabel(p, QStringLiteral("Data"), 16, top + 74, 60);
    EepWriteDataEdit->setGeometry(80, top + 72, 40, 22);
    EepromWriteOkBtn = PanelButton(p, "EepromWriteOkBtn", QStringLiteral("OK"), false,
                                   &TFormAdjust::EepromWriteOkBtnClick, KeyRole::Default);
    EepromWriteRtnBtn = PanelButton(p, "EepromWriteRtnBtn", QStringLiteral("Previous"), true,
                                    &TFormAdjust::EepromWriteRtnBtnClick, KeyRole::Cancel);
  }

  // The grid: 17 x 17 cells of 22 x 18 fill the panel's width, so "Previous" sits in the title
  // line and the "High"/"Low" captions in a strip above the headers they name.
  {
    QWidget* p = EEPROMGridPnl;
    QTableWidget* grid = EepromStrGrid;
    grid->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    grid->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    grid->setSelectionMode(QAbstractItemView::NoSelection);
    grid->setFocusPolicy(Qt::NoFocus);
    grid->setFrameStyle(QFrame::Box | QFrame::Plain);
    grid->setLineWidth(1);
    // The hidden headers still hold their sections to the style's minimum, wider than 22.
    grid->horizontalHeader()->setMinimumSectionSize(std::min(kGridColumnWidth, kGridRowHeight));
    grid->verticalHeader()->setMinimumSectionSize(std::min(kGridColumnWidth, kGridRowHeight));
    // Sections grow with a larger font like the rest of the window: each one is the step between
    // two scaled edges, so together they fill the scaled grid to the pixel.
    for (int i = 0; i < 17; ++i) {
      grid->setColumnWidth(i, uiscale::Px(kGridColumnWidth * (i + 1)) -
                                  uiscale::Px(kGridColumnWidth * i));
      grid->setRowHeight(i, uiscale::Px(kGridRowHeight * (i + 1)) - uiscale::Px(kGridRowHeight * i));
    }
    QFont cellFont = grid->font();
    cellFont.setPointSizeF(cellFont.pointSizeF() * 0.85);
    grid->setFont(cellFont);
    QFont headingFont = cellFont;
    headingFont.setBold(true);
    for (int i = 1; i < 17; ++i) {
      for (QTableWidgetItem* heading : {grid->item(0, i), grid->item(i, 0)}) {
        if (heading == nullptr) continue;
        heading->setTextAlignment(Qt::AlignCenter);
        heading->setBackground(QColor(212, 208, 200));
        heading->setFont(headingFont);
      }
    }
    auto* corner = new QTableWidgetItem();
    corner->setBackground(QColor(212, 208, 200));
    grid->setItem(0, 0, corner);
    const int width = 17 * kGridColumnWidth + 2;
    const int left = (p->width() - width) / 2;
    const int captionTop = TitledPanel::ContentTop() - 2;
    grid->setGeometry(left, captionTop + 18, width, 17 * kGridRowHeight + 2);

    QFont captionFont = p->font();
    captionFont.setPointSizeF(captionFont.pointSizeF() * 0.85);
    captionFont.setBold(true);
    auto* high = new QLabel(QStringLiteral("High"), p);
    high->setObjectName(QStringLiteral("EepromHighLbl"));
    high->setFont(captionFont);
    high->setAlignment(Qt::AlignLeft | Qt::AlignBottom);
    high->setGeometry(left + 1, captionTop, 40, 17);
    auto* low = new QLabel(QStringLiteral("Low"), p);
    low->setObjectName(QStringLiteral("EepromLowLbl"));
    low->setFont(captionFont);
    low->setAlignment(Qt::AlignLeft | Qt::AlignBottom);
    low->setGeometry(left + 1 + kGridColumnWidth + 20, captionTop, 60, 17);

    // In the title line: the grid fills the rest of the panel.
    EepromGridRtnBtn = PanelButton(p, "EepromGridRtnBtn", QStringLiteral("Previous"), true,
                                   &TFormAdjust::EepromGridRtnBtnClick, KeyRole::Cancel);
    EepromGridRtnBtn->setGeometry(p->width() - 80, 3, 75, 22);
  }
}

void TFormAdjust::EepromItemsOKBtnClick() {
  ResetPanels();
  switch (EepromCheckRdoGrp->ItemIndex()) {
    case 0:
      EEPROMCheckPnl->show();
      EepReadBegEdit->clear();
      EepReadEndEdit->clear();
      EepReadBegEdit->setFocus();
      break;
    case 1:
      EEPROMChangePnl->show();
      EepWriteAddEdit->clear();
      EepWriteDataEdit->clear();
      EepWriteAddEdit->setFocus();
      break;
    default:
      break;
  }
}

bool TFormAdjust::HexPair(const QString& first, const QString& second, uint8_t* a,
                          uint8_t* b) const {
  return first.size() == 2 && second.size() == 2 &&
         units_.dataconversion.HexTextToByte(Bytes(first), a) &&
         units_.dataconversion.HexTextToByte(Bytes(second), b);
}

QTableWidgetItem* TFormAdjust::GridCell(int address) {
  const int row = address / 16 + 1;
  const int column = address % 16 + 1;
  QTableWidgetItem* cell = EepromStrGrid->item(row, column);
  if (cell == nullptr) {
    cell = new QTableWidgetItem();
    cell->setTextAlignment(Qt::AlignCenter);
    EepromStrGrid->setItem(row, column, cell);
  }
  return cell;
}

void TFormAdjust::EepromReadOkBtnClick() {
  uint8_t first = 0;
  uint8_t last = 0;
  if (!HexPair(EepReadBegEdit->text(), EepReadEndEdit->text(), &first, &last) || first > last) {
    WriteStatus(LineError, QStringLiteral("Input data is wrong."));
    EepReadBegEdit->setFocus();
    return;
  }
  ResetPanels();
  StatusMemo->hide();
  EEPROMGridPnl->show();
  for (int address = 0; address < 256; ++address) GridCell(address)->setText(QString());
  platform::SetScreenCursor(platform::CursorShape::HourGlass);
  // Each cell appears as it is read; only the cell's own rectangle is painted again, which is
  // what changed on screen.
  QWidget* cells = EepromStrGrid->viewport();
  cells->repaint();
  for (int address = first; address <= last; ++address) {
    uint8_t value = 0;
    const ResultCode result = ReadEepromCell(static_cast<uint8_t>(address), &value);
    if (result != rc::Success) {
      ResetPanels();
      EEPROMCheckPnl->show();
      ReportResult(LineError, result);
      platform::SetScreenCursor(platform::CursorShape::Default);
      return;
    }
    QTableWidgetItem* cell = GridCell(address);
    cell->setText(QString::fromStdString(eeprom::ByteToHexText(value)));
    cells->repaint(EepromStrGrid->visualItemRect(cell));
  }
  platform::SetScreenCursor(platform::CursorShape::Default);
}

void TFormAdjust::EepromReadRtnBtnClick() {
  ResetPanels();
  EEPROMItemsPnl->show();
}

void TFormAdjust::EepromGridRtnBtnClick() {
  ResetPanels();
  EEPROMCheckPnl->show();
}

void TFormAdjust::EepromWriteOkBtnClick() {
  uint8_t address = 0;
  uint8_t data = 0;
  if (!HexPair(EepWriteAddEdit->text(), EepWriteDataEdit->text(), &address, &data)) {
    WriteStatus(LineError, QStringLiteral("Input data is wrong."));
    EepWriteAddEdit->setFocus();
    return;
  }
  const ResultCode result = WriteEepromCell(address, data);
  if (result != rc::Success) {
    ReportResult(LineError, result);
    return;
  }
  WriteStatus(LineInfo, QStringLiteral("Address = "));
  WriteStatus(LineAppend, QString::fromStdString(eeprom::ByteToHexText(address)));
  WriteStatus(LineAdd, QStringLiteral("Data = "));
  WriteStatus(LineAppend, QString::fromStdString(eeprom::ByteToHexText(data)));
}

void TFormAdjust::EepromWriteRtnBtnClick() {
  ResetPanels();
  EEPROMItemsPnl->show();
}

