// A gauge: a bordered horizontal bar filled from the left in proportion to Progress() between
// MinValue() and MaxValue(), with the percentage done written in its middle ("40%"). The text is
// drawn in the fill colour over the empty part and in the background colour over the filled part,
// so it stays readable wherever the fill ends.
#pragma once

#include <QColor>
#include <QWidget>

class TCGauge : public QWidget {
  Q_OBJECT

 public:
  explicit TCGauge(QWidget* parent = nullptr);

  // A maximum below the minimum is raised to the minimum; progress is kept inside the range.
  void SetMinMax(int minimum, int maximum);
  int MinValue() const { return min_; }
  int MaxValue() const { return max_; }
  void SetProgress(int progress);
  int Progress() const { return progress_; }

  // Whole per cent of the way from MinValue() to MaxValue(), rounded down; 0 for an empty range.
  int PercentDone() const;
  QString PercentText() const { return QString::number(PercentDone()) + QLatin1Char('%'); }

  void SetForeColor(const QColor& c) {
    fore_ = c;
    update();
  }
  void SetBackColor(const QColor& c) {
    back_ = c;
    update();
  }

  QSize sizeHint() const override { return {100, 20}; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  int min_ = 0;
  int max_ = 100;
  int progress_ = 0;
  QColor fore_ = Qt::black;
  QColor back_ = Qt::white;
};
