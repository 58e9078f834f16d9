// Every window at the design font and at the larger fonts technicians use: no caption is cut and
// no text touches its neighbour. The windows grow with the font; this is what makes sure that
// growing is enough everywhere, panel by panel.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QFontMetrics>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTextEdit>
#include <QTextStream>
#include <QToolButton>

#include "app/aboutbox.h"
#include "app/formboot.h"
#include "app/formquit.h"
#include "app/startup.h"
#include "controls/uiscale.h"
#include "tests/support/windowtest.h"
#include "workbench/formadjust.h"

namespace {

// Where a widget's text is drawn, in its parent's coordinates; an empty rectangle when it shows
// no text. Wrapped labels take their whole width.
QRect TextRect(const QWidget* w) {
  if (const auto* label = qobject_cast<const QLabel*>(w)) {
    if (label->text().isEmpty()) return {};
    const int flags = int(label->alignment()) | (label->wordWrap() ? Qt::TextWordWrap : 0);
    const QRect text =
        label->fontMetrics().boundingRect(label->contentsRect(), flags, label->text());
    return text.translated(w->pos());
  }
  return w->geometry();
}

// What is wrong with one visible widget's own text: cut at its right or bottom edge.
QString CutText(const QWidget* w) {
  if (const auto* label = qobject_cast<const QLabel*>(w)) {
    if (label->text().isEmpty()) return {};
    const QRect box = label->contentsRect();
    const QFontMetrics fm = label->fontMetrics();
    if (label->wordWrap()) {
      const int needed =
          fm.boundingRect(QRect(0, 0, box.width(), 100000), Qt::TextWordWrap, label->text())
              .height();
      if (needed > box.height())
        return QStringLiteral("needs %1 px of height, has %2").arg(needed).arg(box.height());
    } else if (fm.horizontalAdvance(label->text()) > box.width()) {
      return QStringLiteral("needs %1 px of width, has %2")
          .arg(fm.horizontalAdvance(label->text()))
          .arg(box.width());
    }
    return {};
  }
  if (qobject_cast<const QRadioButton*>(w) != nullptr ||
      qobject_cast<const QCheckBox*>(w) != nullptr) {
    if (w->sizeHint().width() > w->width()) {
      return QStringLiteral("needs %1 px of width, has %2")
          .arg(w->sizeHint().width())
          .arg(w->width());
    }
    return {};
  }
  if (const auto* button = qobject_cast<const QPushButton*>(w)) {
    const int needed = button->fontMetrics().horizontalAdvance(button->text()) + 8;
    if (needed > w->width())
      return QStringLiteral("needs %1 px of width, has %2").arg(needed).arg(w->width());
  }
  return {};
}

QString Name(const QWidget* w) {
  QString name = w->objectName();
  if (name.isEmpty()) {
    if (const auto* label = qobject_cast<const QLabel*>(w))
      name = QLatin1Char('"') + label->text().left(30) + QLatin1Char('"');
    else if (const auto* button = qobject_cast<const QAbstractButton*>(w))
      name = QLatin1Char('"') + button->text() + QLatin1Char('"');
    else
      name = QLatin1String(w->metaObject()->className());
  }
  return name;
}

// Every problem in the visible part of a window: cut texts, and texts or controls of one parent
// that overlap. WaitProgressPnl covers the buttons on purpose, and is hidden here.
QStringList Problems(const QWidget* root) {
  QStringList problems;
  QList<const QWidget*> widgets{root};
  for (const QWidget* w : root->findChildren<QWidget*>()) {
    if (w->isVisibleTo(root)) widgets << w;
  }
  for (const QWidget* w : widgets) {
    const QString cut = CutText(w);
    if (!cut.isEmpty()) problems << Name(w) + QStringLiteral(" is cut: ") + cut;
    if (!w->inherits("QFrame") && !w->inherits("QWidget")) continue;
    // Siblings that the widget places itself (no layout, not a composite control's parts).
    QList<const QWidget*> children;
    for (QObject* o : w->children()) {
      const auto* c = qobject_cast<const QWidget*>(o);
      if (c != nullptr && !c->isWindow() && c->isVisibleTo(root) && !TextRect(c).isEmpty())
        children << c;
    }
    if (w->layout() != nullptr || w->inherits("QAbstractScrollArea") ||
        w->inherits("QAbstractSpinBox") || w->inherits("QTabBar") || w->inherits("QComboBox") ||
        w->inherits("QTabWidget")) {
      continue;
    }
    const QRect inside = w->contentsRect().adjusted(2, 2, -2, -2);
    for (const QWidget* c : children) {
      if (qobject_cast<const QLabel*>(c) != nullptr && !inside.contains(TextRect(c))) {
        problems << Name(c) + QStringLiteral(" touches the edge of ") + Name(w);
      }
    }
    for (int i = 0; i < children.size(); ++i) {
      for (int j = i + 1; j < children.size(); ++j) {
        // A text closer than two pixels to anything touches it; controls may abut (an edit and
        // its up-down) but not overlap.
        const bool text = qobject_cast<const QLabel*>(children[i]) != nullptr ||
                          qobject_cast<const QLabel*>(children[j]) != nullptr;
        const int gap = text ? 1 : 0;
        if (TextRect(children[i])
                .adjusted(-gap, -gap, gap, gap)
                .intersects(TextRect(children[j]))) {
          problems << Name(children[i]) + QStringLiteral(" touches ") + Name(children[j]);
        }
      }
    }
  }
  return problems;
}

class Fonts : public ::testing::TestWithParam<double> {
 protected:
  void SetUp() override {
    saved_ = QApplication::font();
    QFont font = saved_;
    font.setPointSizeF(GetParam());
    QApplication::setFont(font);
    windows_ = std::make_unique<testing_support::ProgramWindows>();
  }
  void TearDown() override {
    windows_.reset();
    QApplication::setFont(saved_);
  }

 private:
  QFont saved_;
  std::unique_ptr<testing_support::ProgramWindows> windows_;
};

TEST_P(Fonts, NoCaptionIsCutAndNothingTouchesInAnyPanel) {
  FormAdjust->show();
  for (QFrame* panel : FormAdjust->ItemPanels()) {
    FormAdjust->ResetPanels();
    panel->show();
    // The full-height table stands in the log's place; its read hides the log.
    if (panel->objectName() == QLatin1String("EEPROMGridPnl")) FormAdjust->StatusMemo->hide();
    // The summary and the frame along with each panel.
    const QStringList problems = Problems(FormAdjust);
    EXPECT_TRUE(problems.isEmpty())
        << panel->objectName().toStdString() << " at " << GetParam() << " pt:\n  "
        << problems.join(QStringLiteral("\n  ")).toStdString();
  }
  for (QWidget* window : std::initializer_list<QWidget*>{FormBoot, FormQuit, AboutBox}) {
    window->show();
    const QStringList problems = Problems(window);
    EXPECT_TRUE(problems.isEmpty())
        << window->objectName().toStdString() << " at " << GetParam() << " pt:\n  "
        << problems.join(QStringLiteral("\n  ")).toStdString();
    window->hide();
  }
}

TEST_P(Fonts, TheWindowsGrowWithTheFontAndKeepTheirDesignAtIt) {
  const double factor = uiscale::Factor();
  if (GetParam() <= 9.0) {
    EXPECT_EQ(factor, 1.0);
    EXPECT_EQ(FormAdjust->size(), QSize(775, 374));
  } else {
    EXPECT_GT(factor, 1.05);
    EXPECT_EQ(FormAdjust->width(), uiscale::Px(775));
    EXPECT_EQ(FormBoot->width(), uiscale::Px(576));
  }
}

INSTANTIATE_TEST_SUITE_P(DesignAndLarger, Fonts, ::testing::Values(9.0, 10.0, 11.0, 12.0, 14.0));

}  // namespace
