// The front panel's drawn parts: the carriage on its rail, the ink chambers, the waste-ink counter
// and the EEPROM grid. Each one is told a new value and repaints only when the value differs from
// what it shows, so a burst of notifications that changed nothing it shows costs nothing.
#pragma once

#include <QWidget>
#include <array>
#include <chrono>
#include <cstdint>
#include <functional>

#include "vprinter/state.h"

namespace vprinter::panel {

// The rail from the end stop to its far end, with the cap, home and the I/C replacement
// position marked, and the carriage where it stands; below it the paper fed.
class CarriageView : public QWidget {
  Q_OBJECT
 public:
  explicit CarriageView(QWidget* parent = nullptr);
  void Set(long carriage, long paperFeed);
  long Carriage() const { return carriage_; }
  QSize sizeHint() const override { return {360, 84}; }

 protected:
  void paintEvent(QPaintEvent*) override;

 private:
  int XOf(long steps) const;
  long carriage_ = 0;
  long paperFeed_ = 0;
};

// Ink left per chamber (black, cyan, magenta, yellow) as the chips tell it, in percent.
class InkView : public QWidget {
  Q_OBJECT
 public:
  explicit InkView(QWidget* parent = nullptr);
  void Set(const std::array<uint8_t, 4>& percent);
  QSize sizeHint() const override { return {180, 96}; }

 protected:
  void paintEvent(QPaintEvent*) override;

 private:
  std::array<uint8_t, 4> percent_{};
};

// The waste-ink counter on a scale to the stop, with the near-full and the stop points marked.
class WasteView : public QWidget {
  Q_OBJECT
 public:
  static constexpr unsigned kNearFull = 16289;
  explicit WasteView(QWidget* parent = nullptr);
  void Set(unsigned counter);
  unsigned Counter() const { return counter_; }
  QSize sizeHint() const override { return {360, 52}; }

 protected:
  void paintEvent(QPaintEvent*) override;

 private:
  unsigned counter_ = 0;
};

// The 256 EEPROM cells, 16 to a row, the ones written within the last minute highlighted.
class EepromView : public QWidget {
  Q_OBJECT
 public:
  using Clock = std::chrono::steady_clock;
  static constexpr std::chrono::seconds kRecent{60};
  explicit EepromView(QWidget* parent = nullptr);
  void Set(const std::array<uint8_t, kEepromSize>& cells,
           const std::array<Clock::time_point, kEepromSize>& written);
  // Looks at the clock again: highlights that have aged out go (the panel calls it every few
  // seconds while any cell is highlighted).
  void Age();
  bool Highlighted(int cell) const { return highlighted_[static_cast<std::size_t>(cell)]; }
  bool AnyHighlighted() const;
  uint8_t Cell(int cell) const { return cells_[static_cast<std::size_t>(cell)]; }
  // Tests set the clock to see a highlight age out.
  void SetClock(std::function<Clock::time_point()> now) { now_ = std::move(now); }
  QSize sizeHint() const override;

 protected:
  void paintEvent(QPaintEvent*) override;

 private:
  QRect CellRect(int cell) const;
  void Recompute(bool repaintAll);
  std::array<uint8_t, kEepromSize> cells_{};
  std::array<Clock::time_point, kEepromSize> written_{};
  std::array<bool, kEepromSize> highlighted_{};
  std::function<Clock::time_point()> now_ = [] { return Clock::now(); };
  bool first_ = true;
};

}  // namespace vprinter::panel
