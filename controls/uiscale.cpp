#include "controls/uiscale.h"

#include <QApplication>
#include <QFontMetricsF>
#include <QGroupBox>
#include <QLayout>
#include <QTabWidget>
#include <QWidget>
#include <algorithm>
#include <cmath>

namespace uiscale {

namespace {

// The design font's measures: its line height and the width of the longest item caption.
constexpr double kDesignLineHeight = 13.97;
constexpr double kDesignSampleWidth = 171.95;
const char kSample[] = "First dot position adjustment";

QSize ScaledSize(const QSize& size, double f) {
  auto grow = [f](int v) {
    // "No limit" stays no limit.
    return v >= QWIDGETSIZE_MAX ? v : static_cast<int>(std::lround(v * f));
  };
  return {grow(size.width()), grow(size.height())};
}

bool ManagedByLayout(const QWidget* w) {
  const QWidget* parent = w->parentWidget();
  return parent != nullptr && parent->layout() != nullptr &&
         parent->layout()->indexOf(const_cast<QWidget*>(w)) >= 0;
}

// Plain containers hold what the windows place themselves; every other widget (a scroll area, a
// spin box, a tab bar, ...) places its own parts and is scaled only as a whole.
bool IsContainer(const QWidget* w) {
  const QMetaObject* m = w->metaObject();
  return m == &QWidget::staticMetaObject || m == &QFrame::staticMetaObject ||
         m == &QGroupBox::staticMetaObject || w->inherits("TitledPanel") ||
         w->inherits("RadioGroup");
}

void ScaleChildren(QWidget* container, double f) {
  for (QObject* object : container->children()) {
    auto* w = qobject_cast<QWidget*>(object);
    if (w == nullptr || w->isWindow() || ManagedByLayout(w)) continue;
    const QSize min = w->minimumSize();
    const QSize max = w->maximumSize();
    if (min != QSize(0, 0)) w->setMinimumSize(ScaledSize(min, f));
    if (max != QSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX)) w->setMaximumSize(ScaledSize(max, f));
    w->setGeometry(Px(w->geometry()));
    if (auto* tabs = qobject_cast<QTabWidget*>(w)) {
      // The pages are the tab widget's to size; what is on them is ours.
      for (int i = 0; i < tabs->count(); ++i) ScaleChildren(tabs->widget(i), f);
    } else if (IsContainer(w)) {
      ScaleChildren(w, f);
    }
  }
}

}  // namespace

double Factor() {
  const QFontMetricsF metrics(QApplication::font());
  const double f = std::max({1.0, metrics.height() / kDesignLineHeight,
                             metrics.horizontalAdvance(QLatin1String(kSample)) / kDesignSampleWidth});
  // Below a twentieth the design is kept: font engines differ by a pixel here and there.
  return f < 1.05 ? 1.0 : f;
}

int Px(int designPixels) {
  return static_cast<int>(std::lround(designPixels * Factor()));
}

QRect Px(const QRect& design) {
  const double f = Factor();
  const int left = static_cast<int>(std::lround(design.x() * f));
  const int top = static_cast<int>(std::lround(design.y() * f));
  // Edges, not sizes, are rounded, so neighbours that touched at the design still meet exactly.
  const int right = static_cast<int>(std::lround((design.x() + design.width()) * f));
  const int bottom = static_cast<int>(std::lround((design.y() + design.height()) * f));
  return {left, top, right - left, bottom - top};
}

void ScaleWindow(QWidget* window) {
  const double f = Factor();
  if (f == 1.0) return;
  ScaleChildren(window, f);
  const QSize min = window->minimumSize();
  const QSize max = window->maximumSize();
  const QSize size = ScaledSize(window->size(), f);
  if (min == max) {
    window->setFixedSize(size);
  } else {
    window->resize(size);
  }
}

}  // namespace uiscale
