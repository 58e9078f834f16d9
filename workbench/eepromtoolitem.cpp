#include "workbench/eepromtoolitem.h"

#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <algorithm>

#include "controls/dialogkeys.h"
#include "controls/limitededit.h"
#include "controls/radiogroup.h"
#include "controls/titledpanel.h"
#include "controls/uiscale.h"
#include "eeprom/eepromtext.h"
#include "platform/cursor.h"
#include "platform/dialogs.h"
#include "workbench/units.h"
#include "workbench/unittext.h"

namespace {
constexpr int kGridColumnWidth = 22;
constexpr int kGridRowHeight = 18;
}  // namespace

EepromToolItem::EepromToolItem(ItemHost& host, QObject* parent)
    : WorkbenchItem(host, parent),
      EEPROMItemsPnl(host.ItemPanel("EEPROMItemsPnl")),
      EEPROMChangePnl(host.ItemPanel("EEPROMChangePnl")),
      EEPROMCheckPnl(host.ItemPanel("EEPROMCheckPnl")),
      EEPROMGridPnl(host.ItemPanel("EEPROMGridPnl")),
      EepReadBegEdit(host.InputEdit("EepReadBegEdit")),
      EepReadEndEdit(host.InputEdit("EepReadEndEdit")),
      EepWriteAddEdit(host.InputEdit("EepWriteAddEdit")),
      EepWriteDataEdit(host.InputEdit("EepWriteDataEdit")),
      EepromStrGrid(EEPROMGridPnl->findChild<QTableWidget*>(QStringLiteral("EepromStrGrid"))) {
  EepromCheckRdoGrp = host_.NewItemsGroup(
      EEPROMItemsPnl, "EepromCheckRdoGrp", QStringLiteral("Items"),
      {QStringLiteral("Check EEPROM data"), QStringLiteral("Change EEPROM data")});
  EepromItemsOKBtn =
      dialogkeys::MakeDefault(PanelButton(EEPROMItemsPnl, "EepromItemsOKBtn", QStringLiteral("OK"),
                                          true, &EepromToolItem::EepromItemsOKBtnClick));

  // Check: the range to read.
  {
    QWidget* p = EEPROMCheckPnl;
    const int top = TitledPanel::ContentTop() + 12;
    host_.NewLabel(p, QStringLiteral("Enter the reading start address and the end address."), 16,
                   top, 350);
    const int row = top + 40;
    host_.NewLabel(p, QStringLiteral("(Start)"), 16, row + 2, 52);
    EepReadBegEdit->setGeometry(70, row, 40, 22);
    auto* tilde = host_.NewLabel(p, QStringLiteral("~"), 112, row + 2, 20);
    tilde->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    EepReadEndEdit->setGeometry(134, row, 40, 22);
    host_.NewLabel(p, QStringLiteral("(End)"), 180, row + 2, 52);
    EepromReadOkBtn = dialogkeys::MakeDefault(PanelButton(
        p, "EepromReadOkBtn", QStringLiteral("OK"), false, &EepromToolItem::EepromReadOkBtnClick));
    EepromReadRtnBtn =
        dialogkeys::MakeCancel(PanelButton(p, "EepromReadRtnBtn", QStringLiteral("Previous"), true,
                                           &EepromToolItem::EepromReadRtnBtnClick));
  }

  // Change: one address and one byte.
  {
    QWidget* p = EEPROMChangePnl;
    const int top = TitledPanel::ContentTop() + 12;
    host_.NewLabel(p, QStringLiteral("Enter a data and an address."), 16, top, 350);
    host_.NewLabel(p, QStringLiteral("Address"), 16, top + 42, 60);
    EepWriteAddEdit->setGeometry(80, top + 40, 40, 22);
    host_.NewLabel(p, QStringLiteral("Data"), 16, top + 74, 60);
    EepWriteDataEdit->setGeometry(80, top + 72, 40, 22);
    EepromWriteOkBtn =
        dialogkeys::MakeDefault(PanelButton(p, "EepromWriteOkBtn", QStringLiteral("OK"), false,
                                            &EepromToolItem::EepromWriteOkBtnClick));
    EepromWriteRtnBtn =
        dialogkeys::MakeCancel(PanelButton(p, "EepromWriteRtnBtn", QStringLiteral("Previous"), true,
                                           &EepromToolItem::EepromWriteRtnBtnClick));
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
      grid->setColumnWidth(
          i, uiscale::Px(kGridColumnWidth * (i + 1)) - uiscale::Px(kGridColumnWidth * i));
      grid->setRowHeight(i,
                         uiscale::Px(kGridRowHeight * (i + 1)) - uiscale::Px(kGridRowHeight * i));
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
    EepromGridRtnBtn =
        dialogkeys::MakeCancel(PanelButton(p, "EepromGridRtnBtn", QStringLiteral("Previous"), true,
                                           &EepromToolItem::EepromGridRtnBtnClick));
    EepromGridRtnBtn->setGeometry(p->width() - 80, 3, 75, 22);
  }
}

void EepromToolItem::EepromItemsOKBtnClick() {
  host_.ResetPanels();
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

bool EepromToolItem::HexPair(const QString& first, const QString& second, uint8_t* a,
                             uint8_t* b) const {
  return first.size() == 2 && second.size() == 2 &&
         host_.ProgramUnits().dataconversion.HexTextToByte(Bytes(first), a) &&
         host_.ProgramUnits().dataconversion.HexTextToByte(Bytes(second), b);
}

QTableWidgetItem* EepromToolItem::GridCell(int address) {
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

void EepromToolItem::EepromReadOkBtnClick() {
  uint8_t first = 0;
  uint8_t last = 0;
  if (!HexPair(EepReadBegEdit->text(), EepReadEndEdit->text(), &first, &last) || first > last) {
    host_.WriteStatus(LineError, QStringLiteral("Input data is wrong."));
    EepReadBegEdit->setFocus();
    return;
  }
  host_.ResetPanels();
  host_.HideLog();
  EEPROMGridPnl->show();
  for (int address = 0; address < 256; ++address) GridCell(address)->setText(QString());
  platform::SetScreenCursor(platform::CursorShape::HourGlass);
  // Each cell appears as it is read; only the cell's own rectangle is painted again, which is
  // what changed on screen.
  QWidget* cells = EepromStrGrid->viewport();
  cells->repaint();
  for (int address = first; address <= last; ++address) {
    uint8_t value = 0;
    const ResultCode result = host_.ReadEepromCell(static_cast<uint8_t>(address), &value);
    if (result != rc::Success) {
      host_.ResetPanels();
      EEPROMCheckPnl->show();
      host_.ReportResult(LineError, result);
      platform::SetScreenCursor(platform::CursorShape::Default);
      return;
    }
    QTableWidgetItem* cell = GridCell(address);
    cell->setText(QString::fromStdString(eeprom::ByteToHexText(value)));
    cells->repaint(EepromStrGrid->visualItemRect(cell));
  }
  platform::SetScreenCursor(platform::CursorShape::Default);
}

void EepromToolItem::EepromReadRtnBtnClick() {
  host_.ResetPanels();
  EEPROMItemsPnl->show();
}

void EepromToolItem::EepromGridRtnBtnClick() {
  host_.ResetPanels();
  EEPROMCheckPnl->show();
}

void EepromToolItem::EepromWriteOkBtnClick() {
  uint8_t address = 0;
  uint8_t data = 0;
  if (!HexPair(EepWriteAddEdit->text(), EepWriteDataEdit->text(), &address, &data)) {
    host_.WriteStatus(LineError, QStringLiteral("Input data is wrong."));
    EepWriteAddEdit->setFocus();
    return;
  }
  const ResultCode result = host_.WriteEepromCell(address, data);
  if (result != rc::Success) {
    host_.ReportResult(LineError, result);
    return;
  }
  host_.WriteStatus(LineInfo, QStringLiteral("Address = "));
  host_.WriteStatus(LineAppend, QString::fromStdString(eeprom::ByteToHexText(address)));
  host_.WriteStatus(LineAdd, QStringLiteral("Data = "));
  host_.WriteStatus(LineAppend, QString::fromStdString(eeprom::ByteToHexText(data)));
}

void EepromToolItem::EepromWriteRtnBtnClick() {
  host_.ResetPanels();
  EEPROMItemsPnl->show();
}
