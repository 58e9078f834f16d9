#include "app/aboutbox.h"

#include <QFrame>
#include <QLabel>
#include <QPainter>
#include <QPushButton>

#include "controls/uiscale.h"
#include "controls/windowplace.h"
#include "platform/handlerguard.h"

TAboutBox::TAboutBox(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("AboutBox"));
  setWindowTitle(QStringLiteral("Version"));
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
  setModal(true);
  setFixedSize(298, 213);

  Panel1 = new QFrame(this);
  Panel1->setObjectName(QStringLiteral("Panel1"));
  Panel1->setFrameStyle(QFrame::Panel | QFrame::Raised);
  Panel1->setGeometry(8, 8, 282, 161);

  ProgramIcon = new QLabel(Panel1);
  ProgramIcon->setObjectName(QStringLiteral("ProgramIcon"));
  ProgramIcon->setPixmap(PrinterPicture());
  ProgramIcon->setGeometry(8, 8, 64, 64);

  struct Line {
    QLabel** label;
    const char* name;
    const char* text;
    int top;
  };
  const Line lines[] = {{&ProductName, "ProductName", "Quorla Z40 ", 16},
                        {&ProgramName, "ProgramName", "Adjustment Program", 40},
                        {&Platform, "Platform", "for Windows 95 / 98", 64},
                        {&Version, "Version", "Version 2.0", 104}};
  for (const Line& l : lines) {
    *l.label = new QLabel(QLatin1String(l.text), Panel1);
    (*l.label)->setObjectName(QLatin1String(l.name));
    (*l.label)->setGeometry(88, l.top, 186, 20);
  }

  OKButton = new QPushButton(QStringLiteral("OK"), this);
  OKButton->setObjectName(QStringLiteral("OKButton"));
  OKButton->setGeometry(111, 178, 75, 26);
  OKButton->setDefault(true);
  connect(OKButton, &QPushButton::clicked, this, platform::Guarded([this] { OKButtonClick(); }));
  uiscale::ScaleWindow(this);
  windowplace::CenterOnScreen(this);
}

void TAboutBox::OKButtonClick() {
  accept();
}

// Closing puts the box back in the middle of the screen, so the next showing starts centred
// wherever the technician had moved it. The window system may still deliver the technician's last
// move after the box has closed, so the showing centres it once more.
void TAboutBox::done(int result) {
  QDialog::done(result);
  windowplace::CenterOnScreen(this);
}

void TAboutBox::showEvent(QShowEvent* event) {
  windowplace::CenterOnScreen(this);
  QDialog::showEvent(event);
}

QPixmap TAboutBox::PrinterPicture() {
  QPixmap picture(64, 64);
  picture.fill(Qt::transparent);
  QPainter p(&picture);
  p.setRenderHint(QPainter::Antialiasing);
  const QColor outline(40, 40, 48);
  // Paper standing in the rear feeder.
  p.setPen(QPen(outline, 1));
  p.setBrush(Qt::white);
  p.drawRect(QRectF(18.5, 6.5, 28, 20));
  p.setPen(QPen(QColor(120, 120, 140), 1));
  for (int y = 11; y <= 21; y += 4) p.drawLine(QPointF(22, y + 0.5), QPointF(43, y + 0.5));
  // Body.
  p.setPen(QPen(outline, 1.5));
  p.setBrush(QColor(196, 200, 210));
  p.drawRoundedRect(QRectF(4, 22, 56, 26), 4, 4);
  p.setBrush(QColor(150, 156, 170));
  p.drawRect(QRectF(4, 40, 56, 8));
  // Output slot with a sheet coming out.
  p.setBrush(QColor(30, 30, 36));
  p.drawRect(QRectF(14, 42, 36, 3));
  p.setBrush(Qt::white);
  p.drawRect(QRectF(16, 45, 32, 12));
  // Ink drops: black, cyan, magenta, yellow.
  const QColor inks[] = {Qt::black, QColor(0, 170, 230), QColor(220, 0, 140), QColor(250, 210, 0)};
  for (int i = 0; i < 4; ++i) {
    p.setPen(Qt::NoPen);
    p.setBrush(inks[i]);
    p.drawEllipse(QRectF(9 + i * 7, 28, 5, 5));
  }
  // Power lamp.
  p.setBrush(QColor(0, 200, 60));
  p.drawEllipse(QRectF(50, 28, 5, 5));
  return picture;
}
