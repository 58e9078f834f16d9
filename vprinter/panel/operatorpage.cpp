// The operator's page of the front panel: its controls run the operator commands' table, and
// the command line takes any command.
#include <QComboBox>
#include <QDateTime>
#include <QDoubleSpinBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLineEdit>
#include <QScrollArea>
#include <QScrollBar>
#include <QVBoxLayout>

#include "vprinter/commands.h"
#include "vprinter/panel/frontpanel.h"
#include "vprinter/panel/panelparts.h"

namespace vprinter::panel {

using namespace parts;

QWidget* FrontPanel::BuildOperator() {
  auto* page = new QWidget;
  // One column: the tab shares the window with the state view.
  auto* column = new QVBoxLayout(page);

  // Power, board, cartridges.
  auto* power = new QGroupBox(tr("Power and parts"));
  auto* powerLayout = new QGridLayout(power);
  auto* off = Button(QStringLiteral("PowerOffBtn"), tr("Power off"));
  auto* on = Button(QStringLiteral("PowerOnBtn"), tr("Power on"));
  auto* board = Button(QStringLiteral("ReplaceBoardBtn"), tr("Replace board"));
  auto* carts = Button(QStringLiteral("ReplaceCartridgesBtn"), tr("Replace cartridges"));
  powerLayout->addWidget(off, 0, 0);
  powerLayout->addWidget(on, 0, 1);
  powerLayout->addWidget(board, 0, 2);
  powerLayout->addWidget(carts, 0, 3);
  connect(off, &QPushButton::clicked, this,
          [this] { Act(tr("power off"), QStringLiteral("power-off")); });
  connect(on, &QPushButton::clicked, this,
          [this] { Act(tr("power on"), QStringLiteral("power-on")); });
  connect(board, &QPushButton::clicked, this, [this] {
    Act(tr("replace the board (switch the printer off first)"), QStringLiteral("replace-board"));
  });
  connect(carts, &QPushButton::clicked, this,
          [this] { Act(tr("replace the cartridges"), QStringLiteral("replace-cartridges")); });
  column->addWidget(power);

  // Errors.
  auto* errors = new QGroupBox(tr("Errors"));
  auto* errorLayout = new QGridLayout(errors);
  auto* errorCombo = new QComboBox;
  errorCombo->setObjectName(QStringLiteral("ErrorCombo"));
  for (const ErrorLabel& e : kErrorLabels)
    errorCombo->addItem(QString::fromLatin1(e.label), e.code);
  auto* raise = Button(QStringLiteral("RaiseErrorBtn"), tr("Raise"));
  auto* clear = Button(QStringLiteral("ClearErrorBtn"), tr("Clear error"));
  errorLayout->addWidget(errorCombo, 0, 0);
  errorLayout->addWidget(raise, 0, 1);
  errorLayout->addWidget(clear, 0, 2);
  connect(raise, &QPushButton::clicked, this, [this, errorCombo] {
    const auto code = static_cast<uint16_t>(errorCombo->currentData().toUInt());
    Act(tr("raise %1").arg(errorCombo->currentText()), QStringLiteral("error %1").arg(code));
  });
  connect(clear, &QPushButton::clicked, this,
          [this] { Act(tr("clear the error"), QStringLiteral("clear")); });
  column->addWidget(errors);

  // Paper and chips.
  auto* supplies = new QGroupBox(tr("Paper and chips"));
  auto* supplyLayout = new QGridLayout(supplies);
  auto* paper = Spin(QStringLiteral("PaperSpin"), 0, PaperTray::kCapacity, PaperTray::kCapacity);
  auto* load = Button(QStringLiteral("LoadPaperBtn"), tr("Load paper"));
  supplyLayout->addWidget(new QLabel(tr("Sheets")), 0, 0);
  supplyLayout->addWidget(paper, 0, 1);
  supplyLayout->addWidget(load, 0, 2, 1, 2);
  connect(load, &QPushButton::clicked, this, [this, paper] {
    const int n = paper->value();
    Act(tr("load %1 sheets").arg(n), QStringLiteral("load-paper %1").arg(n));
  });
  auto* cart = new QComboBox;
  cart->setObjectName(QStringLiteral("ChipCartCombo"));
  cart->addItems({tr("black chip"), tr("colour chip")});
  auto* addr = Spin(QStringLiteral("ChipAddrSpin"), 0, static_cast<int>(kChipSize) - 1, 0);
  auto* value = Spin(QStringLiteral("ChipValueSpin"), 0, 255, 100);
  auto* setChip = Button(QStringLiteral("SetChipBtn"), tr("Set byte"));
  supplyLayout->addWidget(cart, 1, 0);
  supplyLayout->addWidget(addr, 1, 1);
  supplyLayout->addWidget(value, 1, 2);
  supplyLayout->addWidget(setChip, 1, 3);
  connect(setChip, &QPushButton::clicked, this, [this, cart, addr, value] {
    const int c = cart->currentIndex();
    const auto a = static_cast<uint8_t>(addr->value());
    const auto v = static_cast<uint8_t>(value->value());
    Act(tr("chip %1 byte %2 = %3").arg(c).arg(a).arg(v),
        QStringLiteral("chip %1 %2 %3").arg(c).arg(a).arg(v));
  });
  column->addWidget(supplies);

  // The head.
  auto* headBox = new QGroupBox(tr("Head"));
  auto* headLayout = new QGridLayout(headBox);
  auto* row = new QComboBox;
  row->setObjectName(QStringLiteral("NozzleRowCombo"));
  for (int r = 0; r < head::kRows; ++r) row->addItem(QString::fromLatin1(HeadRowName(r)));
  auto* nozzle = Spin(QStringLiteral("NozzleSpin"), 0, head::kBlackNozzles - 1, 0);
  connect(row, &QComboBox::currentIndexChanged, nozzle,
          [nozzle](int r) { nozzle->setMaximum(head::Nozzles(r) - 1); });
  auto* clog = Button(QStringLiteral("ClogBtn"), tr("Clog"));
  auto* unclog = Button(QStringLiteral("UnclogBtn"), tr("Unclog"));
  auto* count = Spin(QStringLiteral("RandomCountSpin"), 1, 96, 8);
  auto* random = Button(QStringLiteral("ClogRandomBtn"), tr("Clog at random"));
  auto* unclogAll = Button(QStringLiteral("UnclogAllBtn"), tr("Unclog all"));
  auto* angle = Spin(QStringLiteral("AngleSpin"), -head::kMaxAngle, head::kMaxAngle, 0);
  angle->setSuffix(tr(" tenths of a degree"));
  auto* setAngle = Button(QStringLiteral("SetAngleBtn"), tr("Set angle"));
  headLayout->addWidget(row, 0, 0);
  headLayout->addWidget(nozzle, 0, 1);
  headLayout->addWidget(clog, 0, 2);
  headLayout->addWidget(unclog, 0, 3);
  headLayout->addWidget(count, 1, 0);
  headLayout->addWidget(random, 1, 1, 1, 2);
  headLayout->addWidget(unclogAll, 1, 3);
  headLayout->addWidget(angle, 2, 0, 1, 2);
  headLayout->addWidget(setAngle, 2, 2, 1, 2);
  connect(clog, &QPushButton::clicked, this, [this, row, nozzle] {
    const int r = row->currentIndex();
    const int n = nozzle->value();
    Act(tr("clog %1 %2").arg(row->currentText()).arg(n),
        QStringLiteral("clog %1 %2").arg(QString::fromLatin1(HeadRowName(r))).arg(n));
  });
  connect(unclog, &QPushButton::clicked, this, [this, row, nozzle] {
    const int r = row->currentIndex();
    const int n = nozzle->value();
    Act(tr("unclog %1 %2").arg(row->currentText()).arg(n),
        QStringLiteral("unclog %1 %2").arg(QString::fromLatin1(HeadRowName(r))).arg(n));
  });
  connect(random, &QPushButton::clicked, this, [this, count] {
    const int n = count->value();
    // A fresh seed each time, shown so that the instructor can set up the same head again.
    const auto seed = static_cast<uint32_t>(QDateTime::currentMSecsSinceEpoch());
    Act(tr("clog %1 nozzles at random (seed %2)").arg(n).arg(seed),
        QStringLiteral("clog random %1 %2").arg(n).arg(seed));
  });
  connect(unclogAll, &QPushButton::clicked, this,
          [this] { Act(tr("unclog every nozzle"), QStringLiteral("unclog all")); });
  connect(setAngle, &QPushButton::clicked, this, [this, angle] {
    const int a = angle->value();
    Act(tr("head angle %1").arg(a), QStringLiteral("head-angle %1").arg(a));
  });
  column->addWidget(headBox);

  // Faults and the link.
  auto* faults = new QGroupBox(tr("Faults and link"));
  auto* faultLayout = new QGridLayout(faults);
  auto* kind = new QComboBox;
  kind->setObjectName(QStringLiteral("FaultKindCombo"));
  kind->addItems({tr("answer result"), tr("refuse with packet error"), tr("drop the link")});
  auto* op = new QComboBox;
  op->setObjectName(QStringLiteral("FaultOpCombo"));
  for (int i = 0; i < kOpCount; ++i)
    op->addItem(QString::fromLatin1(OpName(static_cast<Op>(i))), i);
  auto* nth = Spin(QStringLiteral("FaultNthSpin"), 1, 100000, 1);
  nth->setPrefix(tr("call "));
  auto* result = Spin(QStringLiteral("FaultValueSpin"), -32768, 32767, -103);
  connect(kind, &QComboBox::currentIndexChanged, result, [result](int k) {
    result->setEnabled(k != 2);
    result->setValue(k == 1 ? 144 : -103);
  });
  auto* arm = Button(QStringLiteral("ArmFaultBtn"), tr("Arm"));
  auto* stop = Button(QStringLiteral("StopAnsweringBtn"), tr("Stop answering"));
  auto* resume = Button(QStringLiteral("ResumeAnsweringBtn"), tr("Resume answering"));
  auto* drop = Button(QStringLiteral("DropLinkBtn"), tr("Drop the link"));
  auto* clearFaults = Button(QStringLiteral("ClearFaultsBtn"), tr("Clear faults"));
  faultLayout->addWidget(kind, 0, 0, 1, 2);
  faultLayout->addWidget(op, 0, 2, 1, 2);
  faultLayout->addWidget(nth, 1, 0);
  faultLayout->addWidget(result, 1, 1);
  faultLayout->addWidget(arm, 1, 2, 1, 2);
  faultLayout->addWidget(stop, 2, 0);
  faultLayout->addWidget(resume, 2, 1);
  faultLayout->addWidget(drop, 2, 2);
  faultLayout->addWidget(clearFaults, 2, 3);
  connect(arm, &QPushButton::clicked, this, [this, kind, op, nth, result] {
    const int k = kind->currentIndex();
    const auto o = static_cast<Op>(op->currentData().toInt());
    const int n = nth->value();
    const auto v = static_cast<int16_t>(result->value());
    const QString name = QString::fromLatin1(OpName(o));
    const QString command =
        k == 2 ? QStringLiteral("drop-at %1 %2").arg(name).arg(n)
               : QStringLiteral("%1 %2 %3 %4")
                     .arg(k == 0 ? QStringLiteral("fail") : QStringLiteral("fail-packet"))
                     .arg(name)
                     .arg(n)
                     .arg(v);
    Act(tr("%1 at %2 call %3").arg(kind->currentText(), op->currentText()).arg(n), command);
  });
  connect(stop, &QPushButton::clicked, this,
          [this] { Act(tr("stop answering"), QStringLiteral("stop")); });
  connect(resume, &QPushButton::clicked, this,
          [this] { Act(tr("resume answering"), QStringLiteral("resume")); });
  connect(drop, &QPushButton::clicked, this,
          [this] { Act(tr("drop the link"), QStringLiteral("drop")); });
  connect(clearFaults, &QPushButton::clicked, this,
          [this] { Act(tr("clear faults"), QStringLiteral("clear-faults")); });
  column->addWidget(faults);

  // Time scale and the command line (every standalone command, also those without a button).
  auto* more = new QGroupBox(tr("Time and commands"));
  auto* moreLayout = new QGridLayout(more);
  auto* scale = new QDoubleSpinBox;
  scale->setObjectName(QStringLiteral("TimeScaleSpin"));
  scale->setRange(0, 100);
  scale->setDecimals(3);
  scale->setSingleStep(0.1);
  scale->setValue(1);
  scale->setSuffix(tr(" s per printer s"));
  auto* setScale = Button(QStringLiteral("SetTimeScaleBtn"), tr("Set time scale"));
  connect(setScale, &QPushButton::clicked, this, [this, scale] {
    const double x = scale->value();
    Act(tr("time scale %1").arg(x), QStringLiteral("time-scale %1").arg(x, 0, 'g', 17));
  });
  commandEdit_ = new QLineEdit;
  commandEdit_->setObjectName(QStringLiteral("CommandEdit"));
  commandEdit_->setPlaceholderText(tr("operator command (help lists them)"));
  connect(commandEdit_, &QLineEdit::returnPressed, this, [this] {
    RunLine(commandEdit_->text());
    commandEdit_->clear();
  });
  moreLayout->addWidget(scale, 0, 0);
  moreLayout->addWidget(setScale, 0, 1);
  moreLayout->addWidget(commandEdit_, 1, 0, 1, 2);
  column->addWidget(more);

  operatorLog_ = new QLabel;
  operatorLog_->setObjectName(QStringLiteral("OperatorLog"));
  operatorLog_->setWordWrap(true);
  operatorLog_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  operatorLog_->setAlignment(Qt::AlignTop | Qt::AlignLeft);
  column->addWidget(operatorLog_, 1);

  auto* scroll = new QScrollArea;
  scroll->setWidget(page);
  scroll->setWidgetResizable(true);
  scroll->setFrameShape(QFrame::NoFrame);
  // The controls are never cut at the side: with a larger font the window grows wider instead.
  scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  scroll->setMinimumWidth(page->minimumSizeHint().width() +
                          scroll->verticalScrollBar()->sizeHint().width());
  return scroll;
}

void FrontPanel::Act(const QString& what, const QString& command) {
  bool ok = false;
  if (!access_->With(
          [&](Device& d) { ok = RunCommand(d, command.toStdString(), training_.training).ok; })) {
    operatorLog_->setText(tr("%1: the printer is gone").arg(what));
    return;
  }
  operatorLog_->setText(ok ? tr("%1: done").arg(what) : tr("%1: refused").arg(what));
  Refresh();
}

void FrontPanel::RunLine(const QString& line) {
  CommandResult result;
  if (!access_->With(
          [&](Device& d) { result = RunCommand(d, line.toStdString(), training_.training); })) {
    operatorLog_->setText(tr("the printer is gone"));
    return;
  }
  QString text = QStringLiteral("> ") + line + QLatin1Char('\n');
  text += QString::fromStdString(result.text);
  operatorLog_->setText(text);
  Refresh();
}

}  // namespace vprinter::panel
