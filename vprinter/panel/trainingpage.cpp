// The front panel's Training page: what the customer complains of, the physical repairs an
// operator does at the printer (new pads, head, cartridges, main board), and the printer's verdict.
// It hides what would give the answer away (the hidden offsets) unless an instructor runs it.
#include <QFont>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

#include "vprinter/commands.h"
#include "vprinter/panel/frontpanel.h"

namespace vprinter::panel {

void FrontPanel::SetTraining(const TrainingInfo& info) {
  training_ = info;
  tabs_->insertTab(0, BuildTraining(), tr("Training"));
  tabs_->setCurrentIndex(0);
  ShowTraining();
}

QString FrontPanel::ShownVerdict() const {
  return verdict_ != nullptr ? verdict_->toPlainText() : QString();
}

QWidget* FrontPanel::BuildTraining() {
  auto* page = new QWidget;
  page->setObjectName(QStringLiteral("TrainingPage"));
  auto* layout = new QVBoxLayout(page);

  auto* title = new QLabel(QString::fromStdString(training_.title));
  title->setObjectName(QStringLiteral("ScenarioTitle"));
  QFont bold = title->font();
  bold.setBold(true);
  title->setFont(bold);
  layout->addWidget(title);
  auto* complaint =
      new QLabel(tr("Complaint: %1").arg(QString::fromStdString(training_.complaint)));
  complaint->setObjectName(QStringLiteral("ComplaintLabel"));
  complaint->setWordWrap(true);
  layout->addWidget(complaint);
  headLabel_ = new QLabel;
  headLabel_->setObjectName(QStringLiteral("HeadLabelView"));
  layout->addWidget(headLabel_);
  if (training_.instructor) {
    hidden_ = new QLabel;
    hidden_->setObjectName(QStringLiteral("HiddenValues"));
    hidden_->setWordWrap(true);
    layout->addWidget(hidden_);
  }

  auto* parts = new QGroupBox(tr("Repairs at the printer"));
  auto* grid = new QGridLayout(parts);
  struct Part {
    const char* name;
    const char* caption;
    const char* command;
  };
  // A board swap is done switched off: the button does off, swap, on as the technician would.
  static const Part kParts[] = {
      {"NewPadsButton", "New waste-ink pads", "replace-waste-pads"},
      {"NewHeadButton", "New print head", "replace-head"},
      {"NewBlackCartridgeButton", "New black cartridge", "replace-cartridge 0"},
      {"NewColourCartridgeButton", "New colour cartridge", "replace-cartridge 1"},
      {"SwapBoardButton", "Swap the main board", "power-off\nreplace-board\npower-on"},
  };
  int at = 0;
  for (const Part& part : kParts) {
    auto* button = new QPushButton(tr(part.caption));
    button->setObjectName(QString::fromLatin1(part.name));
    const QString what = button->text();
    const QStringList lines = QString::fromLatin1(part.command).split(QLatin1Char('\n'));
    connect(button, &QPushButton::clicked, this, [this, what, lines] {
      for (const QString& line : lines) Act(what, line);
      ShowTraining();
    });
    grid->addWidget(button, at / 3, at % 3);
    ++at;
  }
  layout->addWidget(parts);

  auto* judge = new QPushButton(tr("Judge the repair"));
  judge->setObjectName(QStringLiteral("JudgeButton"));
  connect(judge, &QPushButton::clicked, this, [this] { Judge(); });
  layout->addWidget(judge);
  verdict_ = new QPlainTextEdit;
  verdict_->setObjectName(QStringLiteral("VerdictView"));
  verdict_->setReadOnly(true);
  verdict_->setPlaceholderText(
      tr("The printer's verdict, goal by goal, after \"Judge the repair\""));
  layout->addWidget(verdict_, 1);
  return page;
}

void FrontPanel::ShowTraining() {
  if (headLabel_ == nullptr) return;
  std::string label;
  PrinterState state;
  access_->With([&](Device& d) {
    label = d.HeadLabel();
    state = d.State();
  });
  headLabel_->setText(label.empty() ? tr("Head label: the factory head's (no new head fitted)")
                                    : tr("Head label: %1").arg(QString::fromStdString(label)));
  if (hidden_ == nullptr) return;
  QString bid;
  for (int g = 0; g < 2; ++g) {
    bid += g == 0 ? tr("black") : tr(", colour");
    for (int d = 0; d < 3; ++d) bid += QStringLiteral(" %1").arg(state.bidOffset[d][g]);
  }
  hidden_->setText(tr("Instructor: Bi-D offsets (MS 6pl 4pl) %1; feed offset top %2, left %3")
                       .arg(bid)
                       .arg(state.feedOffsetTop)
                       .arg(state.feedOffsetLeft));
}

void FrontPanel::Judge() {
  CommandResult result;
  // Under the access, so the training is not let go while it judges.
  if (!access_->With([&](Device& d) { result = RunCommand(d, "judge", training_.training); })) {
    verdict_->setPlainText(tr("the printer is gone"));
    return;
  }
  verdict_->setPlainText(QString::fromStdString(result.text));
  Refresh();
}

}  // namespace vprinter::panel
