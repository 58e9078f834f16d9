// "Bi-D": the six Bi-D adjustment values read and shown, or typed (with their spinners and
// check boxes), tested against their range and written.
#include "workbench/biditem.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <array>
#include <string>

#include "controls/dialogkeys.h"
#include "controls/limitededit.h"
#include "controls/radiogroup.h"
#include "controls/titledpanel.h"
#include "controls/updown.h"
#include "link/mechcmd.h"
#include "platform/convert.h"
#include "platform/handlerguard.h"
#include "workbench/units.h"
#include "workbench/unittext.h"

namespace {
constexpr int kBidSpinMin = -72;
constexpr int kBidSpinMax = 72;
}  // namespace

std::array<BidItem::BidRow, 6> BidItem::BidRows() const {
  return {{{MsBkBidWrtEdit, BidMsBkCheckBox, "ShowMsBkPnl"},
           {MsClBidWrtEdit, BidMsClCheckBox, "ShowMsClPnl"},
           {Pl6BkBidWrtEdit, Bid6plBkCheckBox, "Show6plBkPnl"},
           {Pl6ClBidWrtEdit, Bid6plClCheckBox, "Show6plClPnl"},
           {Pl4BkBidWrtEdit, Bid4plBkCheckBox, "Show4plBkPnl"},
           {Pl4ClBidWrtEdit, Bid4plClCheckBox, "Show4plClPnl"}}};
}

BidItem::BidItem(ItemHost& host, QObject* parent)
    : WorkbenchItem(host, parent),
      BidItemsPnl(host.ItemPanel("BidItemsPnl")),
      BidInputPnl(host.ItemPanel("BidInputPnl")),
      MsBkBidWrtEdit(host.InputEdit("MsBkBidWrtEdit")),
      MsClBidWrtEdit(host.InputEdit("MsClBidWrtEdit")),
      Pl6BkBidWrtEdit(host.InputEdit("Pl6BkBidWrtEdit")),
      Pl6ClBidWrtEdit(host.InputEdit("Pl6ClBidWrtEdit")),
      Pl4BkBidWrtEdit(host.InputEdit("Pl4BkBidWrtEdit")),
      Pl4ClBidWrtEdit(host.InputEdit("Pl4ClBidWrtEdit")) {
  BidRdoBtn = host_.NewItemsGroup(BidItemsPnl, "BidRdoBtn", QStringLiteral("Items"),
                                  {QStringLiteral("Print Bi-D adjustment pattern."),
                                   QStringLiteral("Input Bi-D adjustment value."),
                                   QStringLiteral("Check present adjustment data.")});
  BidOKBtn = dialogkeys::MakeDefault(
      PanelButton(BidItemsPnl, "BidOKBtn", QStringLiteral("OK"), true, &BidItem::BidOKBtnClick));

  QWidget* p = BidInputPnl;
  const int top = TitledPanel::ContentTop() + 8;
  host_.NewLabel(p, QStringLiteral("Adjustment range is from -36 to 36."), 16, top, 350);
  struct ValueControls {
    LimitedEdit* edit;
    QCheckBox** box;
    const char* boxName;
    UpDown** upDown;
    const char* upDownName;
    void (BidItem::*change)();
  };
  const std::array<ValueControls, 6> values = {{
      {MsBkBidWrtEdit, &BidMsBkCheckBox, "BidMsBkCheckBox", &BidMsBkUpDown, "BidMsBkUpDown",
       &BidItem::MsBkBidWrtEditChange},
      {MsClBidWrtEdit, &BidMsClCheckBox, "BidMsClCheckBox", &BidMsClUpDown, "BidMsClUpDown",
       &BidItem::MsClBidWrtEditChange},
      {Pl6BkBidWrtEdit, &Bid6plBkCheckBox, "Bid6plBkCheckBox", &Bid6plBkUpDown, "Bid6plBkUpDown",
       &BidItem::Pl6BkBidWrtEditChange},
      {Pl6ClBidWrtEdit, &Bid6plClCheckBox, "Bid6plClCheckBox", &Bid6plClUpDown, "Bid6plClUpDown",
       &BidItem::Pl6ClBidWrtEditChange},
      {Pl4BkBidWrtEdit, &Bid4plBkCheckBox, "Bid4plBkCheckBox", &Bid4plBkUpDown, "Bid4plBkUpDown",
       &BidItem::Pl4BkBidWrtEditChange},
      {Pl4ClBidWrtEdit, &Bid4plClCheckBox, "Bid4plClCheckBox", &Bid4plClUpDown, "Bid4plClUpDown",
       &BidItem::Pl4ClBidWrtEditChange},
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
  BidWrtOKBtn = dialogkeys::MakeDefault(
      PanelButton(p, "BidWrtOKBtn", QStringLiteral("OK"), false, &BidItem::BidWrtOKBtnClick));
  BidWrtRtnBtn = dialogkeys::MakeCancel(PanelButton(p, "BidWrtRtnBtn", QStringLiteral("Previous"),
                                                    true, &BidItem::BidWrtRtnBtnClick));
}

// Any change of a value's text, typed, spun or set by the program, marks the value for writing.
void BidItem::MsBkBidWrtEditChange() {
  BidMsBkCheckBox->setChecked(true);
}
void BidItem::MsClBidWrtEditChange() {
  BidMsClCheckBox->setChecked(true);
}
void BidItem::Pl6BkBidWrtEditChange() {
  Bid6plBkCheckBox->setChecked(true);
}
void BidItem::Pl6ClBidWrtEditChange() {
  Bid6plClCheckBox->setChecked(true);
}
void BidItem::Pl4BkBidWrtEditChange() {
  Bid4plBkCheckBox->setChecked(true);
}
void BidItem::Pl4ClBidWrtEditChange() {
  Bid4plClCheckBox->setChecked(true);
}

void BidItem::BidOKBtnClick() {
  const std::array<BidRow, 6> rows = BidRows();
  switch (BidRdoBtn->ItemIndex()) {
    case 0:
      host_.ResetPanels();
      host_.ItemPanel("BidPrintPnl")->show();
      break;
    case 1: {
      host_.ResetPanels();
      BidInputPnl->show();
      for (std::size_t i = 0; i < rows.size(); ++i) {
        std::string text;
        const ResultCode result = host_.ProgramUnits().bid.ReadBidValue(
            kBidValues[i].inkGroup, kBidValues[i].dropSize, &text);
        if (result != rc::Success) {
          host_.ReportResult(LineError, result);
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
          host_.WriteStatus(LineInfo, name + QStringLiteral(" = "));
        } else if (i % 2 == 0) {
          host_.WriteStatus(LineAdd, name + QStringLiteral(" = "));
        } else {
          host_.WriteStatus(LineAppend, QStringLiteral("     ") + name + QStringLiteral(" = "));
        }
        std::string text;
        const ResultCode result = host_.ProgramUnits().bid.ReadBidValue(
            kBidValues[i].inkGroup, kBidValues[i].dropSize, &text);
        if (result != rc::Success) {
          host_.ReportResult(LineError, result);
          return;
        }
        host_.WriteStatus(LineAppend, Text(text));
      }
      break;
    default:
      break;
  }
}

void BidItem::BidWrtOKBtnClick() {
  const std::array<BidRow, 6> rows = BidRows();
  // The first reported value replaces the log, every later one starts a new line; a value that
  // fails is reported in its place and the others are still written.
  StatusLineKind kind = LineInfo;
  for (std::size_t i = 0; i < rows.size(); ++i) {
    if (!rows[i].box->isChecked()) continue;
    const BidValueInfo& info = kBidValues[i];
    const QString text = rows[i].edit->text();
    const ResultCode result =
        host_.ProgramUnits().bid.WriteBidValue(info.inkGroup, info.dropSize, Bytes(text));
    if (result == rc::Success) {
      host_.WriteStatus(kind, QStringLiteral("As %1 data, ").arg(QLatin1String(info.name)));
      host_.WriteStatus(LineAppend, text);
      host_.WriteStatus(LineAppend, QStringLiteral(" has been written on EEPROM."));
      host_.ShowAdjusted(rows[i].summary, text);
    } else {
      host_.ReportResult(kind, result);
    }
    kind = LineAdd;
  }
}

void BidItem::BidWrtRtnBtnClick() {
  host_.ResetPanels();
  BidItemsPnl->show();
}
