#include "app/formboot.h"

#include <QAction>
#include <QComboBox>
#include <QDialog>
#include <QFrame>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>

#include "controls/dialogkeys.h"
#include "controls/uiscale.h"
#include "controls/windowplace.h"
#include "link/modelcode.h"
#include "link/pktlink.h"
#include "link/porthub.h"
#include "platform/cursor.h"
#include "platform/dialogs.h"
#include "platform/handlerguard.h"

namespace {
QLabel* NewTitleLabel(QWidget* parent, const char* name, const QString& text, const QColor& color,
                      qreal pointScale, const QRect& geometry) {
  auto* label = new QLabel(text, parent);
  label->setObjectName(QLatin1String(name));
  QFont font = label->font();
  font.setBold(true);
  font.setItalic(true);
  font.setPointSizeF(font.pointSizeF() * pointScale);
  label->setFont(font);
  QPalette p = label->palette();
  p.setColor(QPalette::WindowText, color);
  label->setPalette(p);
  label->setGeometry(geometry);
  return label;
}

// A caption panel with a combo box in the panel beside it.
QFrame* NewPanel(QWidget* parent, const char* name, const QString& caption, const QRect& geometry) {
  auto* panel = new QFrame(parent);
  panel->setObjectName(QLatin1String(name));
  panel->setFrameStyle(QFrame::Panel | QFrame::Raised);
  panel->setGeometry(geometry);
  if (!caption.isEmpty()) {
    auto* label = new QLabel(caption, panel);
    label->setAlignment(Qt::AlignCenter);
    label->setGeometry(panel->rect());
  }
  return panel;
}

void ShowCommunicationError() {
  platform::MessageDlg(QStringLiteral("Communication error"), platform::DlgType::Error,
                       platform::DlgButtons::Ok);
}
}  // namespace

TFormBoot::TFormBoot(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("FormBoot"));
  setWindowTitle(QStringLiteral(" KORVA Printer Adjustment Program"));
  setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                 Qt::WindowCloseButtonHint);
  setFixedSize(576, 287);

  ProEndBtn = new QPushButton(QStringLiteral("Quit"), this);
  ProEndBtn->setObjectName(QStringLiteral("ProEndBtn"));
  ProEndBtn->setGeometry(318, 236, 100, 30);
  dialogkeys::MakeCancel(ProEndBtn);
  PortSelectOKBtn = new QPushButton(QStringLiteral("OK"), this);
  PortSelectOKBtn->setObjectName(QStringLiteral("PortSelectOKBtn"));
  PortSelectOKBtn->setGeometry(158, 236, 100, 30);
  dialogkeys::MakeDefault(PortSelectOKBtn);

  Panel1 = NewPanel(this, "Panel1", QStringLiteral("Model Name"), QRect(88, 140, 130, 28));
  Panel3 = NewPanel(this, "Panel3", QString(), QRect(222, 140, 266, 28));
  ModelNameCombo = new QComboBox(Panel3);
  ModelNameCombo->setObjectName(QStringLiteral("ModelNameCombo"));
  ModelNameCombo->setEditable(false);
  ModelNameCombo->addItem(QStringLiteral("Quorla Z40"));
  ModelNameCombo->setGeometry(2, 2, 262, 24);

  PopupMenu1 = new QMenu(this);
  PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
  Version1 = PopupMenu1->addAction(QStringLiteral("Version"));
  Version1->setObjectName(QStringLiteral("Version1"));

  Panel5 = NewPanel(this, "Panel5", QString(), QRect(222, 180, 266, 28));
  MarketCombo = new QComboBox(Panel5);
  MarketCombo->setObjectName(QStringLiteral("MarketCombo"));
  MarketCombo->setEditable(false);
  MarketCombo->addItem(QStringLiteral("World Wide Standard"));
  MarketCombo->setGeometry(2, 2, 262, 24);
  Panel6 = NewPanel(this, "Panel6", QStringLiteral("Destination"), QRect(88, 180, 130, 28));

  Label2 = NewTitleLabel(this, "Label2", QStringLiteral("for Windows 95 / 98"), Qt::blue, 1.2,
                         QRect(330, 62, 230, 26));
  Label1 = NewTitleLabel(this, "Label1", QStringLiteral("KORVA Printer Adjustment Program"),
                         Qt::blue, 1.9, QRect(8, 18, 560, 40));
  Label1->setAlignment(Qt::AlignCenter);
  Label3 = NewTitleLabel(this, "Label3",
                         QStringLiteral("Auto OS placing and I/F port detecting system "),
                         QColor(0, 128, 128), 1.1, QRect(60, 100, 480, 24));

  connect(ModelNameCombo, &QComboBox::currentIndexChanged, this,
          platform::Guarded([this] { ModelNameComboChange(); }));
  connect(MarketCombo, &QComboBox::currentIndexChanged, this,
          platform::Guarded([this] { MarketComboChange(); }));
  connect(PortSelectOKBtn, &QPushButton::clicked, this,
          platform::Guarded([this] { PortSelectOKBtnClick(); }));
  connect(ProEndBtn, &QPushButton::clicked, this, platform::Guarded([this] { ProEndBtnClick(); }));
  connect(Version1, &QAction::triggered, this, platform::Guarded([this] { Version1Click(); }));

  LoadLibraryByPHub();
  ModelState_ = 0;
  SetModelCodeSource(this);
  uiscale::ScaleWindow(this);
  windowplace::CenterOnScreen(this);
}

TFormBoot::~TFormBoot() {
  SetModelCodeSource(nullptr);
}

void TFormBoot::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (!event->spontaneous()) platform::Guarded([this] { FormShow(); })();
}

void TFormBoot::FormShow() {
  ModelNameCombo->setCurrentIndex(0);
  MarketCombo->setCurrentIndex(0);
  PortSelectOKBtn->setEnabled(true);
  ProEndBtn->setEnabled(true);
}

// The two lists are parallel: a row of one goes with the same row of the other.
void TFormBoot::ModelNameComboChange() {
  MarketCombo->setCurrentIndex(ModelNameCombo->currentIndex());
}

void TFormBoot::MarketComboChange() {
  ModelNameCombo->setCurrentIndex(MarketCombo->currentIndex());
}

void TFormBoot::PortSelectOKBtnClick() {
  platform::SetScreenCursor(platform::CursorShape::HourGlass);
  if (ModelNameCombo->currentIndex() < 0 || MarketCombo->currentIndex() < 0) {
    platform::SetScreenCursor(platform::CursorShape::Default);
    return;
  }
  if (ModelNameCombo->currentIndex() == 0) {
    ModelState_ = 0;
    ModelCode = {QUORLA_Z40_MODEL_CODE_1, QUORLA_Z40_MODEL_CODE_2};
  } else {
    ModelState_ = 255;
    ModelCode = {0, 0};
  }
  if (SearchActivePortByPHub(&ActivePort) != 1) {
    ShowCommunicationError();
    PortCloseByPHub();
    platform::SetScreenCursor(platform::CursorShape::Default);
    return;
  }
  if (D4Negotiation() != 1) {
    ShowCommunicationError();
    platform::SetScreenCursor(platform::CursorShape::Default);
    return;
  }
  hide();
  if (workbench_ != nullptr) workbench_->show();
  platform::SetScreenCursor(platform::CursorShape::Default);
}

void TFormBoot::ProEndBtnClick() {
  FreeLibraryByPHub();
  close();
}

void TFormBoot::Version1Click() {
  if (aboutBox_ != nullptr) aboutBox_->exec();
}

QPoint TFormBoot::PopupPoint(const QPoint& clientPos) const {
  const QPoint corner = frameGeometry().topLeft();
  return {corner.x() + clientPos.x() + 3, corner.y() + clientPos.y() + 20};
}

void TFormBoot::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::RightButton) {
    PopupMenu1->popup(PopupPoint(event->position().toPoint()));
    event->accept();
    return;
  }
  QWidget::mouseReleaseEvent(event);
}

void TFormBoot::keyPressEvent(QKeyEvent* event) {
  if (!dialogkeys::Handle(this, event, {this})) QWidget::keyPressEvent(event);
}

void TFormBoot::closeEvent(QCloseEvent* event) {
  event->accept();
  emit ProgramEnds();
}
