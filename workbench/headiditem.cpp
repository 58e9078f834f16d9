#include "workbench/headiditem.h"

#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QPushButton>
#include <array>

#include "controls/dialogkeys.h"
#include "controls/limitededit.h"
#include "controls/radiogroup.h"
#include "controls/titledpanel.h"
#include "eeprom/addressmap.h"
#include "platform/cursor.h"
#include "workbench/units.h"
#include "workbench/unittext.h"

QPixmap HeadIdItem::HeadIdPicture() {
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

HeadIdItem::HeadIdItem(ItemHost& host, QObject* parent)
    : WorkbenchItem(host, parent),
      HeadIDItemsPnl(host.ItemPanel("HeadIDItemsPnl")),
      HeadIDInputPnl(host.ItemPanel("HeadIDInputPnl")),
      HdVolWrtEdit(host.InputEdit("HdVolWrtEdit")) {
  HdVolRdoBtn =
      host_.NewItemsGroup(HeadIDItemsPnl, "HdVolRdoBtn", QStringLiteral("Items"),
                          {QStringLiteral("Input head ID"), QStringLiteral("Check head ID")});
  HdVolOKBtn = PanelButton(HeadIDItemsPnl, "HdVolOKBtn", QStringLiteral("OK"), true,
                           &HeadIdItem::HdVolOKBtnClick);

  QWidget* p = HeadIDInputPnl;
  const int top = TitledPanel::ContentTop() + 8;
  host_.NewLabel(p, QStringLiteral("Enter the 11 digits head ID."), 16, top, 350);
  HeadIDImage = new QLabel(p);
  HeadIDImage->setObjectName(QStringLiteral("HeadIDImage"));
  HeadIDImage->setPixmap(HeadIdPicture());
  HeadIDImage->setGeometry(16, top + 28, 160, 143);
  host_.NewLabel(p, QStringLiteral("Head ID"), 196, top + 80, 150);
  HdVolWrtEdit->setGeometry(196, top + 100, 150, 22);
  HdVolWrtOKBtn =
      PanelButton(p, "HdVolWrtOKBtn", QStringLiteral("OK"), false, &HeadIdItem::HdVolWrtOKBtnClick);
  HdVolWrtRtnBtn = PanelButton(p, "HdVolWrtRtnBtn", QStringLiteral("Previous"), true,
                               &HeadIdItem::HdVolWrtRtnBtnClick);
}

void HeadIdItem::HdVolOKBtnClick() {
  switch (HdVolRdoBtn->ItemIndex()) {
    case 0:
      host_.ResetPanels();
      HeadIDInputPnl->show();
      HdVolWrtEdit->setFocus();
      break;
    case 1: {
      platform::SetScreenCursor(platform::CursorShape::HourGlass);
      std::array<char, eeprom::kHeadIdLength> id{};
      const ResultCode result = host_.ProgramUnits().headid.ReadHeadId(id.data());
      if (result == rc::Success) {
        host_.WriteStatus(LineInfo, QStringLiteral("Head ID = "));
        host_.WriteStatus(LineAppend, QString::fromLatin1(id.data(), eeprom::kHeadIdLength));
      } else {
        host_.ReportResult(LineError, result);
      }
      platform::SetScreenCursor(platform::CursorShape::Default);
      break;
    }
    default:
      break;
  }
}

void HeadIdItem::HdVolWrtOKBtnClick() {
  const QString text = HdVolWrtEdit->text();
  const ResultCode result = host_.ProgramUnits().headid.WriteHeadId(Bytes(text));
  if (result != rc::Success) {
    host_.ReportResult(LineError, result);
    HdVolWrtEdit->setFocus();
    return;
  }
  host_.WriteStatus(LineInfo, QStringLiteral("As head ID, "));
  host_.WriteStatus(LineAppend, text);
  host_.WriteStatus(LineAppend, QStringLiteral(" has been written on EEPROM."));
  host_.ShowAdjusted("ShowHdVolIDPnl", text);
}

void HeadIdItem::HdVolWrtRtnBtnClick() {
  host_.ResetPanels();
  HeadIDItemsPnl->show();
}
