#include "vprinter/panel/panelviews.h"

#include <QPaintEvent>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <utility>

#include "vprinter/mechanism.h"

namespace vprinter::panel {

namespace {
constexpr long kRailStart = -12;  // the end stop beyond home, on the cap's side
constexpr long kRailEnd = 760;
constexpr long kCapFrom = -5;
constexpr long kOpeningFrom = 680;  // where the cover's opening reaches the cartridges
constexpr long kOpeningTo = 720;
constexpr int kMargin = 12;

QString Grouped(unsigned value) {
  QString text = QString::number(value);
  for (int i = static_cast<int>(text.size()) - 3; i > 0; i -= 3) text.insert(i, QLatin1Char(','));
  return text;
}
}  // namespace

CarriageView::CarriageView(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("CarriageView"));
  setMinimumHeight(84);
}

void CarriageView::Set(long carriage, long paperFeed) {
  if (carriage == carriage_ && paperFeed == paperFeed_) return;
  carriage_ = carriage;
  paperFeed_ = paperFeed;
  update();
}

int CarriageView::XOf(long steps) const {
  const int span = width() - 2 * kMargin;
  return kMargin + static_cast<int>((steps - kRailStart) * span / (kRailEnd - kRailStart));
}

void CarriageView::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  const int railY = 34;
  // The cap and the cover's opening first, under the rail.
  p.fillRect(QRect(QPoint(XOf(kRailStart), railY - 6), QPoint(XOf(kCapFrom), railY + 6)),
             QColor(0x9e, 0xb8, 0xd8));
  p.fillRect(QRect(QPoint(XOf(kOpeningFrom), railY - 6), QPoint(XOf(kOpeningTo), railY + 6)),
             QColor(0xe8, 0xd0, 0x90));
  p.setPen(QPen(palette().color(QPalette::WindowText), 2));
  p.drawLine(XOf(kRailStart), railY, XOf(kRailEnd), railY);
  const QFontMetrics fm(font());
  auto mark = [&](long steps, const QString& label, bool below) {
    const int x = XOf(steps);
    p.setPen(QPen(palette().color(QPalette::WindowText), 1));
    p.drawLine(x, railY - 9, x, railY + 9);
    const int w = fm.horizontalAdvance(label);
    const int left = std::clamp(x - w / 2, 0, width() - w);
    p.drawText(left, below ? railY + 10 + fm.ascent() : railY - 12, label);
  };
  mark(mech::kHome, tr("home"), false);
  mark(mech::kReplacementPosition, tr("I/C replacement"), false);
  // The carriage: a box riding on the rail.
  const int x = XOf(std::clamp(carriage_, kRailStart, kRailEnd));
  p.setPen(QPen(QColor(0x30, 0x30, 0x30), 1));
  p.setBrush(QColor(0x40, 0x70, 0xb0));
  p.drawRoundedRect(QRect(x - 9, railY - 9, 18, 18), 3, 3);
  p.setPen(palette().color(QPalette::WindowText));
  const QString line =
      tr("carriage %1 steps    paper feed %2/360 inch").arg(carriage_).arg(paperFeed_);
  p.drawText(kMargin, height() - fm.descent() - 2, line);
}

InkView::InkView(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("InkView"));
  setMinimumSize(160, 90);
}

void InkView::Set(const std::array<uint8_t, 4>& percent) {
  if (percent == percent_) return;
  percent_ = percent;
  update();
}

void InkView::paintEvent(QPaintEvent*) {
  static const QColor kColors[4] = {QColor(0x20, 0x20, 0x20), QColor(0x00, 0xa8, 0xe0),
                                    QColor(0xd8, 0x20, 0x90), QColor(0xf0, 0xd0, 0x00)};
  static const char* const kNames[4] = {"K", "C", "M", "Y"};
  QPainter p(this);
  const QFontMetrics fm(font());
  const int labelH = fm.height();
  const int barW = std::max(12, width() / 4 - 16);
  const int barH = height() - 2 * labelH - 4;
  for (int i = 0; i < 4; ++i) {
    const int x = 8 + i * (width() - 8) / 4;
    const QRect outline(x, labelH, barW, barH);
    p.setPen(palette().color(QPalette::Mid));
    p.setBrush(palette().color(QPalette::Base));
    p.drawRect(outline);
    const int filled = barH * std::min<int>(percent_[static_cast<std::size_t>(i)], 100) / 100;
    p.fillRect(QRect(x + 1, labelH + barH - filled, barW - 1, filled), kColors[i]);
    p.setPen(palette().color(QPalette::WindowText));
    p.drawText(QRect(x - 8, 0, barW + 16, labelH), Qt::AlignCenter, QString::fromLatin1(kNames[i]));
    p.drawText(QRect(x - 8, labelH + barH + 2, barW + 16, labelH), Qt::AlignCenter,
               QStringLiteral("%1%").arg(percent_[static_cast<std::size_t>(i)]));
  }
}

WasteView::WasteView(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("WasteView"));
  setMinimumHeight(52);
}

void WasteView::Set(unsigned counter) {
  if (counter == counter_) return;
  counter_ = counter;
  update();
}

void WasteView::paintEvent(QPaintEvent*) {
  QPainter p(this);
  const QFontMetrics fm(font());
  const int top = fm.height() + 2;
  const int span = width() - 2 * kMargin;
  auto xOf = [&](unsigned value) {
    return kMargin + static_cast<int>(static_cast<long long>(std::min(value, kProtectionLimit)) *
                                      span / kProtectionLimit);
  };
  const QRect bar(kMargin, top, span, 14);
  p.setPen(palette().color(QPalette::Mid));
  p.setBrush(palette().color(QPalette::Base));
  p.drawRect(bar);
  const QColor fill = counter_ >= kProtectionLimit ? QColor(0xc0, 0x20, 0x20)
                      : counter_ >= kNearFull      ? QColor(0xe0, 0x90, 0x20)
                                                   : QColor(0x50, 0x90, 0x50);
  p.fillRect(QRect(QPoint(kMargin + 1, top + 1), QPoint(xOf(counter_), top + 13)), fill);
  p.setPen(palette().color(QPalette::WindowText));
  p.drawText(kMargin, fm.ascent(), tr("waste ink %1").arg(Grouped(counter_)));
  for (const unsigned point : {kNearFull, kProtectionLimit}) {
    const int x = xOf(point);
    p.drawLine(x, top - 2, x, top + 17);
    const QString label = Grouped(point);
    const int w = fm.horizontalAdvance(label);
    p.drawText(std::min(x - w / 2, width() - w), top + 17 + fm.ascent(), label);
  }
}

EepromView::EepromView(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("EepromView"));
  // Never squeezed below one text line per row of cells.
  setMinimumSize(sizeHint());
}

QSize EepromView::sizeHint() const {
  const QFontMetrics fm(font());
  const int cellW = fm.horizontalAdvance(QStringLiteral("FFF"));
  return {cellW * 17 + 4, (fm.height() + 2) * 17 + 4};
}

QRect EepromView::CellRect(int cell) const {
  const int cellW = width() / 17;
  const int cellH = height() / 17;
  return {cellW * (1 + cell % 16), cellH * (1 + cell / 16), cellW, cellH};
}

bool EepromView::AnyHighlighted() const {
  return std::find(highlighted_.begin(), highlighted_.end(), true) != highlighted_.end();
}

void EepromView::Set(const std::array<uint8_t, kEepromSize>& cells,
                     const std::array<Clock::time_point, kEepromSize>& written) {
  for (std::size_t i = 0; i < kEepromSize; ++i) {
    if (cells[i] != cells_[i]) update(CellRect(static_cast<int>(i)));
  }
  cells_ = cells;
  written_ = written;
  Recompute(std::exchange(first_, false));
}

void EepromView::Age() {
  Recompute(false);
}

void EepromView::Recompute(bool repaintAll) {
  const Clock::time_point now = now_();
  for (std::size_t i = 0; i < kEepromSize; ++i) {
    const bool on = written_[i] != Clock::time_point{} && now - written_[i] < kRecent;
    if (on != highlighted_[i]) {
      highlighted_[i] = on;
      update(CellRect(static_cast<int>(i)));
    }
  }
  if (repaintAll) update();
}

void EepromView::paintEvent(QPaintEvent* event) {
  QPainter p(this);
  const int cellW = width() / 17;
  const int cellH = height() / 17;
  p.setPen(palette().color(QPalette::PlaceholderText));
  for (int i = 0; i < 16; ++i) {
    const QString hex = QStringLiteral("%1").arg(i, 1, 16).toUpper();
    p.drawText(QRect(cellW * (i + 1), 0, cellW, cellH), Qt::AlignCenter, QStringLiteral("_") + hex);
    p.drawText(QRect(0, cellH * (i + 1), cellW, cellH), Qt::AlignCenter, hex + QStringLiteral("_"));
  }
  for (int i = 0; i < static_cast<int>(kEepromSize); ++i) {
    const QRect r = CellRect(i);
    if (!event->rect().intersects(r)) continue;
    const bool on = highlighted_[static_cast<std::size_t>(i)];
    p.fillRect(r.adjusted(1, 1, -1, -1),
               on ? QColor(0xff, 0xd8, 0x40) : palette().color(QPalette::Base));
    const uint8_t v = cells_[static_cast<std::size_t>(i)];
    p.setPen(v == 0xFF && !on ? palette().color(QPalette::PlaceholderText)
                              : palette().color(QPalette::Text));
    p.drawText(r, Qt::AlignCenter, QStringLiteral("%1").arg(v, 2, 16, QLatin1Char('0')).toUpper());
  }
}

}  // namespace vprinter::panel
