// A tab widget whose tabs wrap onto as many rows as they need, so every tab stays visible without
// scroll buttons even when the captions are wider than the widget. Everything else (pages,
// setTabEnabled, currentIndex, currentChanged) is QTabWidget's own.
//
// The row holding the current tab sits next to the page (the rows rotate, keeping their cyclic
// order); a click on a disabled tab does nothing.
#pragma once

#include <QTabBar>
#include <QTabWidget>
#include <vector>

class MultiRowTabBar : public QTabBar {
  Q_OBJECT

 public:
  explicit MultiRowTabBar(QWidget* parent = nullptr);

  // Where tab i is drawn and where it takes clicks, laid out for the bar's current width.
  QRect RowTabRect(int index) const;
  int RowCount() const;

  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void tabLayoutChange() override;
  void changeEvent(QEvent* event) override;

 private:
  std::vector<QRect> Layout(int width) const;
  int RowHeight() const;
  int AvailableWidth() const;

  mutable std::vector<int> naturalWidths_;
};

class PageControl : public QTabWidget {
  Q_OBJECT

 public:
  explicit PageControl(QWidget* parent = nullptr);
  MultiRowTabBar* RowTabBar() const { return bar_; }

 private:
  MultiRowTabBar* bar_;
};
