// An item panel of the workbench: a raised frame with its title in bold at the top left. The
// controls of the panel are placed below ContentTop() with fixed geometry.
#pragma once

#include <QFrame>

class QLabel;

class TitledPanel : public QFrame {
  Q_OBJECT

 public:
  // The panel is created hidden; objectName is the name the program and the tests find it by.
  TitledPanel(const QString& objectName, const QString& title, QWidget* parent);

  QLabel* Title() const { return title_; }
  static constexpr int ContentTop() { return 28; }

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  QLabel* title_;
};
