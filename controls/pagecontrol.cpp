#include "controls/pagecontrol.h"

#include <QMouseEvent>
#include <QStyleOptionTab>
#include <QStylePainter>
#include <algorithm>

MultiRowTabBar::MultiRowTabBar(QWidget* parent) : QTabBar(parent) {
  setUsesScrollButtons(false);
  setElideMode(Qt::ElideNone);
  setExpanding(false);
  setDrawBase(false);
}

int MultiRowTabBar::RowHeight() const {
  return fontMetrics().height() + 10;
}

int MultiRowTabBar::AvailableWidth() const {
  // Before the tab widget has laid the bar out, the parent's width is the better guess.
  if (width() > 0 && isVisible()) return width();
  return parentWidget() != nullptr ? parentWidget()->width() : width();
}

// Greedy rows; in each row the tabs are stretched to fill the width, as a multi-line tab control
// does, so the rows line up on both sides.
std::vector<QRect> MultiRowTabBar::Layout(int width) const {
  std::vector<QRect> rects(static_cast<size_t>(count()));
  const int rowHeight = RowHeight();
  std::vector<std::vector<int>> rows(1);
  if (naturalWidths_.size() != static_cast<size_t>(count())) {
    // The style's own size of each tab, so no caption is clipped; kept until the tabs change.
    naturalWidths_.clear();
    for (int i = 0; i < count(); ++i) naturalWidths_.push_back(QTabBar::tabSizeHint(i).width());
  }
  std::vector<int> natural(static_cast<size_t>(count()));
  int used = 0;
  for (int i = 0; i < count(); ++i) {
    natural[i] = std::min(width, naturalWidths_[i]);
    if (!rows.back().empty() && used + natural[i] > width) {
      rows.emplace_back();
      used = 0;
    }
    rows.back().push_back(i);
    used += natural[i];
  }
  // As on a multi-line tab control, the row of the current tab moves next to the page; the rows
  // keep their cyclic order.
  for (size_t r = 0; r + 1 < rows.size(); ++r) {
    if (std::find(rows[r].begin(), rows[r].end(), currentIndex()) != rows[r].end()) {
      std::rotate(rows.begin(), rows.begin() + static_cast<long>(r) + 1, rows.end());
      break;
    }
  }
  for (size_t r = 0; r < rows.size(); ++r) {
    int sum = 0;
    for (int i : rows[r]) sum += natural[i];
    const int extra = std::max(0, width - sum);
    int x = 0;
    for (size_t k = 0; k < rows[r].size(); ++k) {
      const int i = rows[r][k];
      int w = natural[i] + extra / static_cast<int>(rows[r].size());
      if (k + 1 == rows[r].size()) w = std::max(w, width - x);
      rects[i] = QRect(x, static_cast<int>(r) * rowHeight, w, rowHeight);
      x += w;
    }
  }
  return rects;
}

QRect MultiRowTabBar::RowTabRect(int index) const {
  if (index < 0 || index >= count()) return {};
  return Layout(AvailableWidth())[index];
}

int MultiRowTabBar::RowCount() const {
  int rows = 0;
  for (const QRect& r : Layout(AvailableWidth()))
    rows = std::max(rows, r.bottom() / RowHeight() + 1);
  return rows;
}

QSize MultiRowTabBar::sizeHint() const {
  return {AvailableWidth(), std::max(1, RowCount()) * RowHeight()};
}

QSize MultiRowTabBar::minimumSizeHint() const {
  return sizeHint();
}

void MultiRowTabBar::resizeEvent(QResizeEvent* event) {
  QTabBar::resizeEvent(event);
  updateGeometry();
}

void MultiRowTabBar::tabLayoutChange() {
  naturalWidths_.clear();
  updateGeometry();
}

void MultiRowTabBar::changeEvent(QEvent* event) {
  if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange) {
    naturalWidths_.clear();
  }
  QTabBar::changeEvent(event);
}

void MultiRowTabBar::paintEvent(QPaintEvent*) {
  QStylePainter p(this);
  const std::vector<QRect> rects = Layout(width());
  for (int i = 0; i < count(); ++i) {
    QStyleOptionTab opt;
    initStyleOption(&opt, i);
    opt.rect = rects[i];
    opt.position = QStyleOptionTab::Middle;
    opt.selectedPosition = QStyleOptionTab::NotAdjacent;
    if (!isTabEnabled(i)) {
      // The style draws the caption in the palette's current group, which follows the bar, not
      // the tab: a disabled tab must say so itself to come out greyed like a stock one.
      opt.state &= ~QStyle::State_Enabled;
      opt.palette.setCurrentColorGroup(QPalette::Disabled);
    }
    p.drawControl(QStyle::CE_TabBarTab, opt);
  }
}

void MultiRowTabBar::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) {
    event->ignore();
    return;
  }
  const std::vector<QRect> rects = Layout(width());
  for (int i = 0; i < count(); ++i) {
    if (rects[i].contains(event->position().toPoint())) {
      if (isTabEnabled(i)) setCurrentIndex(i);
      break;
    }
  }
  event->accept();
}

// The base class would drag tabs or track hover by its own one-row geometry.
void MultiRowTabBar::mouseMoveEvent(QMouseEvent* event) {
  event->accept();
}
void MultiRowTabBar::mouseReleaseEvent(QMouseEvent* event) {
  event->accept();
}

PageControl::PageControl(QWidget* parent) : QTabWidget(parent), bar_(new MultiRowTabBar(this)) {
  setTabBar(bar_);
}
