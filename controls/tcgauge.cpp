#include "controls/tcgauge.h"

#include <QPainter>
#include <algorithm>

TCGauge::TCGauge(QWidget* parent) : QWidget(parent) {}

void TCGauge::SetMinMax(int minimum, int maximum) {
  min_ = minimum;
  max_ = std::max(minimum, maximum);
  progress_ = std::clamp(progress_, min_, max_);
  update();
}

void TCGauge::SetProgress(int progress) {
  progress_ = std::clamp(progress, min_, max_);
  update();
}

int TCGauge::PercentDone() const {
  const long long span = static_cast<long long>(max_) - min_;
  if (span <= 0) return 0;
  return static_cast<int>((static_cast<long long>(progress_) - min_) * 100 / span);
}

void TCGauge::paintEvent(QPaintEvent*) {
  QPainter p(this);
  const QRect inner = rect().adjusted(1, 1, -1, -1);
  p.fillRect(rect(), Qt::black);
  p.fillRect(inner, back_);

  const long long span = static_cast<long long>(max_) - min_;
  const int filled =
      span <= 0
          ? 0
          : static_cast<int>((progress_ - min_) * static_cast<long long>(inner.width()) / span);
  const QRect bar(inner.left(), inner.top(), filled, inner.height());
  p.fillRect(bar, fore_);

  const QString text = PercentText();
  p.setClipRect(inner);
  p.setPen(fore_);
  p.drawText(inner, Qt::AlignCenter, text);
  p.setClipRect(bar);
  p.setPen(back_);
  p.drawText(inner, Qt::AlignCenter, text);
}
