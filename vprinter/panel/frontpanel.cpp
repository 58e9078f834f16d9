#include "vprinter/panel/frontpanel.h"

#include <optional>
#include <QApplication>
#include <QComboBox>
#include <QDateTime>
#include <QDoubleSpinBox>
#include <QFileInfo>
#include <QFontDatabase>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QImageReader>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSpinBox>
#include <QTabWidget>
#include <QThread>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>

#include "vprinter/commands.h"
#include "vprinter/panel/panelparts.h"
#include "vprinter/panel/panelviews.h"
#include "vprinter/panel/sheetviewer.h"
#include "vprinter/status.h"

namespace vprinter::panel {

using namespace parts;

namespace {

constexpr int kThumbnailWidth = 120;
// A data record carries its packet in hex; the panel shows its start, the trace file has it all.
constexpr int kTraceLineChars = 180;

QString Hex4(uint16_t word) {
  return QStringLiteral("0x%1")
      .arg(word, 4, 16, QLatin1Char('0'))
      .toUpper()
      .replace(QStringLiteral("0X"), QStringLiteral("0x"));
}

// The op of a trace record ("" when it has none).
std::string OpOf(const std::string& record) {
  static const std::string kKey = "\"op\":\"";
  const std::size_t at = record.find(kKey);
  if (at == std::string::npos) return {};
  const std::size_t from = at + kKey.size();
  const std::size_t to = record.find('"', from);
  return to == std::string::npos ? std::string() : record.substr(from, to - from);
}

QString ShownLine(const std::string& record) {
  if (record.size() <= static_cast<std::size_t>(kTraceLineChars)) {
    return QString::fromStdString(record);
  }
  QString line = QString::fromStdString(record.substr(0, kTraceLineChars));
  line += QStringLiteral("...");
  return line;
}

}  // namespace

QString StatusName(uint16_t word) {
  switch (word) {
    case status::kBeforeInitialFillUp:
      return QStringLiteral("Before initial fill up");
    case status::kCleaning:
      return QStringLiteral("Cleaning");
    case status::kIdle:
      return QStringLiteral("Idle");
    case status::kPrinting:
      return QStringLiteral("Printing");
    case status::kBusy:
      return QStringLiteral("Busy");
    case status::kSelfTest:
      return QStringLiteral("Self test");
    case status::kError:
      return QStringLiteral("Error");
    default:
      return QStringLiteral("Status %1").arg(Hex4(word));
  }
}

QString ErrorName(uint16_t word) {
  if (word == 0) return QStringLiteral("none");
  for (const ErrorLabel& e : kErrorLabels) {
    if (e.code == word) return QString::fromLatin1(e.label);
  }
  return QStringLiteral("Error %1").arg(Hex4(word));
}

class FrontPanel::Watcher : public DeviceObserver {
 public:
  explicit Watcher(FrontPanel* panel) : panel_(panel) {}
  // On the device's notifier thread: one queued call at a time, however many changes come.
  void DeviceChanged(uint32_t) override {
    if (!posted.exchange(true)) {
      QMetaObject::invokeMethod(panel_, "TakeChanges", Qt::QueuedConnection);
    }
  }
  std::atomic<bool> posted{false};

 private:
  FrontPanel* panel_;
};

FrontPanel::FrontPanel(std::shared_ptr<DeviceAccess> access, QWidget* parent)
    : QWidget(parent), access_(std::move(access)), watcher_(std::make_unique<Watcher>(this)) {
  setObjectName(QStringLiteral("VPrinterPanel"));
  setWindowTitle(tr("Quorla Z40 (virtual printer)"));
  thumbnailPool_.setMaxThreadCount(1);
  connect(this, &FrontPanel::ThumbnailReady, this, &FrontPanel::AddThumbnail, Qt::QueuedConnection);

  tabs_ = new QTabWidget;
  tabs_->setObjectName(QStringLiteral("PanelTabs"));
  tabs_->addTab(BuildTrace(), tr("Trace"));
  sheetsPage_ = BuildSheets();
  tabs_->addTab(sheetsPage_, tr("Sheets"));
  tabs_->addTab(BuildOperator(), tr("Operator"));
  connect(tabs_, &QTabWidget::currentChanged, this, [this] { UpdateSheets(); });
  auto* layout = new QHBoxLayout(this);
  layout->addWidget(BuildState());
  layout->addWidget(tabs_, 1);

  // Highlights of written cells age out while nothing else happens.
  ageTimer_ = new QTimer(this);
  ageTimer_->setObjectName(QStringLiteral("AgeTimer"));
  ageTimer_->setInterval(2000);
  connect(ageTimer_, &QTimer::timeout, this, [this] {
    eeprom_->Age();
    if (!eeprom_->AnyHighlighted()) ageTimer_->stop();
  });

  access_->With([](Device& device) { device.KeepTraceHistory(kTraceLines); });
  access_->Watch(watcher_.get());
  Refresh();
  // The controls start from the printer's own values.
  findChild<QDoubleSpinBox*>(QStringLiteral("TimeScaleSpin"))->setValue(shown_.timeScale);
  findChild<QSpinBox*>(QStringLiteral("AngleSpin"))->setValue(shown_.head.angle);
  resize(sizeHint().expandedTo(QSize(1120, 800)));
}

FrontPanel::~FrontPanel() {
  access_->Unwatch();
  thumbnailPool_.clear();
  thumbnailPool_.waitForDone();
  delete viewer_;
}

QWidget* FrontPanel::BuildState() {
  auto* state = new QWidget;
  state->setObjectName(QStringLiteral("StatePane"));
  auto* column = new QVBoxLayout(state);
  column->setContentsMargins(0, 0, 0, 0);

  auto* printer = new QGroupBox(tr("Printer"));
  auto* form = new QFormLayout(printer);
  power_ = Value(QStringLiteral("PowerLabel"));
  status_ = Value(QStringLiteral("StatusLabel"));
  error_ = Value(QStringLiteral("ErrorLabel"));
  link_ = Value(QStringLiteral("LinkLabel"));
  liquid_ = Value(QStringLiteral("LiquidLabel"));
  head_ = Value(QStringLiteral("HeadLabel"));
  timeScale_ = Value(QStringLiteral("TimeScaleLabel"));
  tray_ = new QProgressBar;
  tray_->setObjectName(QStringLiteral("TrayBar"));
  tray_->setRange(0, PaperTray::kCapacity);
  tray_->setFormat(tr("%v of %m sheets"));
  form->addRow(tr("Power"), power_);
  form->addRow(tr("Status"), status_);
  form->addRow(tr("Error"), error_);
  form->addRow(tr("Link"), link_);
  form->addRow(tr("Liquid"), liquid_);
  form->addRow(tr("Head"), head_);
  form->addRow(tr("Time scale"), timeScale_);
  form->addRow(tr("Paper tray"), tray_);
  column->addWidget(printer);

  auto* mechanism = new QGroupBox(tr("Carriage and paper"));
  auto* mechLayout = new QVBoxLayout(mechanism);
  carriage_ = new CarriageView;
  mechLayout->addWidget(carriage_);
  column->addWidget(mechanism);

  auto* inks = new QGroupBox(tr("Ink and waste ink"));
  auto* inkLayout = new QHBoxLayout(inks);
  ink_ = new InkView;
  waste_ = new WasteView;
  inkLayout->addWidget(ink_);
  inkLayout->addWidget(waste_, 1);
  column->addWidget(inks);

  auto* cells = new QGroupBox(tr("EEPROM (written in the last minute: yellow)"));
  auto* cellLayout = new QVBoxLayout(cells);
  eeprom_ = new EepromView;
  cellLayout->addWidget(eeprom_);
  column->addWidget(cells, 1);
  return state;
}

QWidget* FrontPanel::BuildTrace() {
  auto* page = new QWidget;
  auto* layout = new QVBoxLayout(page);
  auto* bar = new QHBoxLayout;
  traceFilter_ = new QComboBox;
  traceFilter_->setObjectName(QStringLiteral("TraceFilter"));
  traceFilter_->addItem(tr("all operations"), QString());
  for (const char* op : {"connect",        "disconnect",          "negotiate",
                         "terminate",      "eeprom_read",         "eeprom_write",
                         "status",         "soft_reset",          "data",
                         "sheet",          "head_cleaning",       "drive_cr",
                         "drive_pf",       "cr_home_return",      "color_flushing",
                         "wait_time",      "power_on_initialize", "save_all_current_data",
                         "write_bid",      "read_crtag",          "skipped",
                         "protocol_error", "power_off",           "power_on",
                         "replace_board",  "load_paper",          "paper_out",
                         "clog",           "clog_random",         "clear_nozzle",
                         "clear_nozzles",  "nozzles_freed",       "head_angle"}) {
    traceFilter_->addItem(QString::fromLatin1(op), QString::fromLatin1(op));
  }
  connect(traceFilter_, &QComboBox::currentIndexChanged, this, [this] { RefilterTrace(); });
  auto* clear = Button(QStringLiteral("ClearTraceViewBtn"), tr("Clear view"));
  connect(clear, &QPushButton::clicked, this, [this] {
    trace_.clear();
    traceView_->clear();
  });
  bar->addWidget(new QLabel(tr("Show")));
  bar->addWidget(traceFilter_, 1);
  bar->addWidget(clear);
  traceView_ = new QPlainTextEdit;
  traceView_->setObjectName(QStringLiteral("TraceView"));
  traceView_->setReadOnly(true);
  traceView_->setLineWrapMode(QPlainTextEdit::NoWrap);
  traceView_->setMaximumBlockCount(static_cast<int>(kTraceLines));
  traceView_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  layout->addLayout(bar);
  layout->addWidget(traceView_, 1);
  return page;
}

QWidget* FrontPanel::BuildSheets() {
  auto* page = new QWidget;
  auto* layout = new QVBoxLayout(page);
  layout->addWidget(new QLabel(tr("Printed sheets, newest first (double-click to view)")));
  sheetList_ = new QListWidget;
  sheetList_->setObjectName(QStringLiteral("SheetList"));
  sheetList_->setViewMode(QListView::IconMode);
  sheetList_->setIconSize(QSize(kThumbnailWidth, kThumbnailWidth * 297 / 210));
  sheetList_->setResizeMode(QListView::Adjust);
  sheetList_->setMovement(QListView::Static);
  sheetList_->setSpacing(6);
  // A fixed grid, so thumbnails flow in rows however long the file names are.
  sheetList_->setGridSize(QSize(kThumbnailWidth + 40, kThumbnailWidth * 297 / 210 + 40));
  sheetList_->setTextElideMode(Qt::ElideMiddle);
  connect(sheetList_, &QListWidget::itemActivated, this,
          [this](QListWidgetItem* item) { OpenSheet(item->data(Qt::UserRole).toString()); });
  layout->addWidget(sheetList_, 1);
  return page;
}

void FrontPanel::TakeChanges() {
  watcher_->posted = false;
  Refresh();
}

void FrontPanel::Refresh() {
  DeviceSnapshot snapshot;
  if (!access_->With([&](Device& d) { snapshot = d.Snapshot(traceSeq_); })) {
    power_->setText(tr("no printer"));
    return;
  }
  Show(std::move(snapshot));
}

void FrontPanel::Show(DeviceSnapshot s) {
  auto setText = [](QLabel* label, const QString& text) {
    if (label->text() != text) label->setText(text);
  };
  setText(power_, s.powered ? tr("on") : tr("off"));
  setText(status_, QStringLiteral("%1 (%2)").arg(StatusName(s.status), Hex4(s.status)));
  setText(error_, s.error == 0 ? tr("none")
                               : QStringLiteral("%1 (%2)").arg(ErrorName(s.error), Hex4(s.error)));
  QString link = s.answering ? tr("answering") : tr("not answering");
  if (s.armedFaults > 0) link += tr(", %n fault(s) armed", nullptr, s.armedFaults);
  if (s.pendingPrintBytes > 0) link += tr(", %1 print bytes waiting").arg(s.pendingPrintBytes);
  setText(link_, link);
  QString liquid = s.liquidPath == Liquid::kInk ? tr("ink") : tr("transportation liquid");
  liquid += s.cartridges == Cartridges::kInk     ? tr(", ink cartridges")
            : s.cartridges == Cartridges::kDummy ? tr(", dummy cartridges")
                                                 : tr(", no cartridges");
  setText(liquid_, liquid);
  setText(head_,
          tr("%1 nozzle(s) clogged, angle %2 tenths").arg(s.head.CloggedCount()).arg(s.head.angle));
  setText(timeScale_, s.timeScale == 0 ? tr("0 (instant)") : QString::number(s.timeScale));
  if (tray_->value() != s.paperInTray) tray_->setValue(s.paperInTray);
  carriage_->Set(s.carriage, s.paperFeed);
  ink_->Set(s.inkLeft);
  waste_->Set(s.wasteCounter);
  eeprom_->Set(s.eeprom, s.eepromWritten);
  if (eeprom_->AnyHighlighted() && !ageTimer_->isActive()) ageTimer_->start();
  if (!s.trace.empty()) AppendTrace(s.trace);
  traceSeq_ = s.traceSeq;
  s.trace.clear();
  shown_ = std::move(s);
  shownAny_ = true;
  UpdateSheets();
  // A new head or a hidden offset may come from the command line as well as from its buttons.
  ShowTraining();
}

void FrontPanel::AppendTrace(const std::vector<std::string>& records) {
  const std::string filter = traceFilter_->currentData().toString().toStdString();
  QString text;
  int added = 0;
  // Only the last kTraceLines of a burst can stay in view.
  const std::size_t from = records.size() > kTraceLines ? records.size() - kTraceLines : 0;
  for (std::size_t i = from; i < records.size(); ++i) {
    trace_.push_back(records[i]);
    if (!filter.empty() && OpOf(records[i]) != filter) continue;
    if (added++ > 0) text += QLatin1Char('\n');
    text += ShownLine(records[i]);
  }
  while (trace_.size() > kTraceLines) trace_.pop_front();
  if (added > 0) traceView_->appendPlainText(text);
}

void FrontPanel::RefilterTrace() {
  const std::string filter = traceFilter_->currentData().toString().toStdString();
  QStringList lines;
  for (const std::string& record : trace_) {
    if (filter.empty() || OpOf(record) == filter) lines << ShownLine(record);
  }
  traceView_->setPlainText(lines.join(QLatin1Char('\n')));
}

QStringList FrontPanel::ShownTrace() const {
  QString text = traceView_->toPlainText();
  return text.isEmpty() ? QStringList() : text.split(QLatin1Char('\n'));
}

void FrontPanel::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  UpdateSheets();
}

void FrontPanel::UpdateSheets() {
  // Thumbnails are made only while they can be seen: decoding sheets costs time a print needs.
  if (!shownAny_ || tabs_->currentWidget() != sheetsPage_ || !isVisible()) return;
  for (auto it = shown_.sheets.rbegin(); it != shown_.sheets.rend(); ++it) {
    const std::string& file = *it;
    if (std::find(thumbnailed_.begin(), thumbnailed_.end(), file) != thumbnailed_.end()) continue;
    thumbnailed_.push_back(file);
    const QString path = QString::fromStdString(file);
    thumbnailPool_.start([this, path] {
      QImageReader reader(path);
      const QSize size = reader.size();
      if (size.isValid() && size.width() > 0) {
        reader.setScaledSize(
            QSize(kThumbnailWidth, size.height() * kThumbnailWidth / size.width()));
      }
      QImage image = reader.read();
      if (!image.isNull() && image.width() != kThumbnailWidth) {
        image = image.scaledToWidth(kThumbnailWidth, Qt::SmoothTransformation);
      }
      emit ThumbnailReady(path, image);
    });
  }
}

void FrontPanel::AddThumbnail(const QString& file, const QImage& thumbnail) {
  // Newest first: the item goes before every sheet that came out earlier.
  const auto place = [&](const QString& f) {
    const auto at = std::find(shown_.sheets.begin(), shown_.sheets.end(), f.toStdString());
    return static_cast<int>(at - shown_.sheets.begin());
  };
  const int mine = place(file);
  int row = 0;
  while (row < sheetList_->count() &&
         place(sheetList_->item(row)->data(Qt::UserRole).toString()) < mine) {
    ++row;
  }
  QPixmap pixmap = QPixmap::fromImage(thumbnail);
  if (pixmap.isNull()) {
    pixmap = QPixmap(sheetList_->iconSize());
    pixmap.fill(Qt::lightGray);
  }
  auto* item = new QListWidgetItem(QIcon(pixmap), QFileInfo(file).fileName());
  item->setData(Qt::UserRole, file);
  item->setToolTip(file);
  sheetList_->insertItem(row, item);
}

void FrontPanel::FinishThumbnails() {
  if (tabs_->currentWidget() != sheetsPage_) tabs_->setCurrentWidget(sheetsPage_);
  UpdateSheets();
  thumbnailPool_.waitForDone();
  QCoreApplication::sendPostedEvents(this);
}

SheetViewer* FrontPanel::OpenSheet(const QString& file) {
  if (viewer_ == nullptr) viewer_ = new SheetViewer;
  if (!viewer_->Open(file)) {
    operatorLog_->setText(tr("cannot read %1").arg(file));
    return nullptr;
  }
  viewer_->show();
  viewer_->raise();
  return viewer_;
}

namespace {

// The panel of a device owned elsewhere, kept on the application's thread.
class AppPanel : public PanelHandle {
 public:
  AppPanel(Device& device, std::optional<TrainingInfo> training)
      : access_(std::make_shared<DeviceAccess>(&device)) {
    auto panel = std::make_shared<QPointer<FrontPanel>>();
    panel_ = panel;
    auto access = access_;
    auto open = [panel, access, training] {
      // A printer stopped before the application got round to this has no window.
      if (!access->With([](Device&) {})) return;
      auto* window = new FrontPanel(access);
      if (training) window->SetTraining(*training);
      // The program ends when its own windows close, whatever the panel does.
      window->setAttribute(Qt::WA_QuitOnClose, false);
      window->setAttribute(Qt::WA_DeleteOnClose, true);
      QObject::connect(qApp, &QCoreApplication::aboutToQuit, window, [window] { delete window; });
      *panel = window;
      window->show();
      // Beside the program's window, so both sides of the link are seen at once.
      QTimer::singleShot(0, window, [window] {
        for (QWidget* other : QApplication::topLevelWidgets()) {
          if (other == window || !other->isVisible() || !other->isWindow()) continue;
          const QRect frame = other->frameGeometry();
          window->move(frame.right() + 8, frame.top());
          return;
        }
      });
    };
    if (QThread::currentThread() == qApp->thread()) {
      open();
    } else {
      QMetaObject::invokeMethod(qApp, open, Qt::QueuedConnection);
    }
  }
  ~AppPanel() override {
    // First the device: from here on the panel does not reach it, wherever it is.
    access_->Detach();
    if (QCoreApplication::instance() == nullptr) return;
    auto panel = panel_;
    auto close = [panel] {
      if (!panel->isNull()) delete panel->data();
    };
    if (QThread::currentThread() == qApp->thread()) {
      close();
    } else {
      QMetaObject::invokeMethod(qApp, close, Qt::QueuedConnection);
    }
  }

 private:
  std::shared_ptr<DeviceAccess> access_;
  std::shared_ptr<QPointer<FrontPanel>> panel_;
};

}  // namespace

std::unique_ptr<PanelHandle> OpenPanelFor(Device& device, const TrainingInfo* training) {
  if (qobject_cast<QApplication*>(QCoreApplication::instance()) == nullptr) return nullptr;
  return std::make_unique<AppPanel>(
      device, training ? std::optional<TrainingInfo>(*training) : std::nullopt);
}

}  // namespace vprinter::panel
