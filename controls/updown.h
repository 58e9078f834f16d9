// An up-down spinner bound to an edit (its "associate").
//
// - The spinner has its own range, step and position; it never wraps at either end.
// - A click first takes the edit's integer as the position, clamped into the spinner's range (the
//   edit may hold a value outside that range; text that is no integer leaves the position as it
//   was), then moves by one step, clamps again, and rewrites the edit's text in plain decimal (no
//   thousands separator). So the edit's change handlers fire as they would for typed text.
// - SetPosition() from code clamps and rewrites the edit's text too; it emits nothing.
// - Changed(position) is emitted after a click has rewritten the edit.
#pragma once

#include <QWidget>

class QLineEdit;
class QToolButton;

class UpDown : public QWidget {
  Q_OBJECT

 public:
  UpDown(QLineEdit* associate, QWidget* parent);

  void SetRange(int minimum, int maximum);
  int Minimum() const { return min_; }
  int Maximum() const { return max_; }
  void SetIncrement(int step) { step_ = step; }
  int Increment() const { return step_; }

  void SetPosition(int position);
  int Position() const { return position_; }
  QLineEdit* Associate() const { return edit_; }

  // What a click on the upper and on the lower arrow does.
  void StepUp() { Step(step_); }
  void StepDown() { Step(-step_); }

 signals:
  void Changed(int position);

 private:
  void Step(int delta);
  int Clamp(int value) const;

  QLineEdit* edit_;
  QToolButton* up_;
  QToolButton* down_;
  int min_ = 0;
  int max_ = 100;
  int step_ = 1;
  int position_ = 0;
};
