// The virtual printer's front panel: its state at a glance, the trace as it grows, the printed
// sheets, and every operator command as a control. It watches the device through observer.h only:
// a notification arrives on the device's notifier thread and becomes a queued call on the panel's
// thread, where the panel takes one snapshot and shows what differs. It never holds the device's
// lock while it paints, and never blocks the printer's thread.
//
//   auto access = std::make_shared<vprinter::panel::DeviceAccess>(&device);
//   vprinter::panel::FrontPanel panel(access);
//   panel.show();
//   ...
//   access->Detach();   // before the device goes, from any thread: the panel goes quiet
#pragma once

#include <QImage>
#include <QThreadPool>
#include <QWidget>
#include <atomic>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "vprinter/commands.h"
#include "vprinter/device.h"

class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QSpinBox;
class QTabWidget;
class QTimer;

namespace vprinter::panel {

class CarriageView;
class EepromView;
class InkView;
class SheetViewer;
class WasteView;

// The device as the panel reaches it: until Detach() (any thread; it waits for a call in
// progress), With() runs the function on the device; afterwards it does nothing and says so.
class DeviceAccess {
 public:
  explicit DeviceAccess(Device* device) : device_(device) {}
  bool With(const std::function<void(Device&)>& use) {
    std::lock_guard lock(mutex_);
    if (device_ == nullptr) return false;
    use(*device_);
    return true;
  }
  // Registers the panel's observer; Detach() removes it, so it is never called after the device
  // is let go, whichever of panel and device goes first.
  void Watch(DeviceObserver* observer) {
    std::lock_guard lock(mutex_);
    if (device_ == nullptr) return;
    observer_ = observer;
    device_->AddObserver(observer);
  }
  void Unwatch() {
    std::lock_guard lock(mutex_);
    if (device_ != nullptr && observer_ != nullptr) device_->RemoveObserver(observer_);
    observer_ = nullptr;
  }
  void Detach() {
    std::lock_guard lock(mutex_);
    if (device_ != nullptr && observer_ != nullptr) device_->RemoveObserver(observer_);
    observer_ = nullptr;
    device_ = nullptr;
  }

 private:
  std::mutex mutex_;
  Device* device_;
  DeviceObserver* observer_ = nullptr;
};

// A training scenario the panel shows (vprinter/scenario/): the complaint, the physical actions,
// the verdict; the instructor also sees the hidden values. The training outlives the panel.
struct TrainingInfo {
  Training* training = nullptr;
  std::string title;
  std::string complaint;
  bool instructor = false;
};

// Status and error words by the names the panel shows.
QString StatusName(uint16_t status);
QString ErrorName(uint16_t error);

class FrontPanel : public QWidget {
  Q_OBJECT
 public:
  // Trace records the panel keeps and shows (the device keeps as many for it).
  static constexpr std::size_t kTraceLines = 5000;
  explicit FrontPanel(std::shared_ptr<DeviceAccess> access, QWidget* parent = nullptr);
  ~FrontPanel() override;

  // Takes a snapshot now and shows it (what a notification does; tests call it after driving
  // the printer instead of waiting for the notifier thread).
  void Refresh();
  // The picture last shown.
  const DeviceSnapshot& Shown() const { return shown_; }
  // Opens the viewer on a sheet file (double-clicking a thumbnail does the same).
  SheetViewer* OpenSheet(const QString& file);
  // Waits for the thumbnails being made and shows them (tests and screenshots).
  void FinishThumbnails();
  EepromView* Eeprom() const { return eeprom_; }
  CarriageView* Carriage() const { return carriage_; }
  // The trace lines shown now, after the filter.
  QStringList ShownTrace() const;
  // Adds the Training page, first, and shows it; "judge" on the command line answers from now on.
  void SetTraining(const TrainingInfo& info);
  // The verdict "Judge" showed last ("" before).
  QString ShownVerdict() const;

 signals:
  void ThumbnailReady(const QString& file, const QImage& thumbnail);

 private slots:
  void TakeChanges();
  void AddThumbnail(const QString& file, const QImage& thumbnail);

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  class Watcher;
  QWidget* BuildState();
  QWidget* BuildTrace();
  QWidget* BuildSheets();
  QWidget* BuildOperator();
  QWidget* BuildTraining();
  void ShowTraining();
  void Judge();
  void Show(DeviceSnapshot snapshot);
  void AppendTrace(const std::vector<std::string>& records);
  void RefilterTrace();
  void UpdateSheets();
  // Runs an operator command (the same table as the command line) and logs what was asked.
  void Act(const QString& what, const QString& command);
  // An operator command line, as the standalone printer's input takes it.
  void RunLine(const QString& line);

  std::shared_ptr<DeviceAccess> access_;
  std::unique_ptr<Watcher> watcher_;
  DeviceSnapshot shown_;
  bool shownAny_ = false;
  uint64_t traceSeq_ = 0;
  std::deque<std::string> trace_;

  QLabel* power_ = nullptr;
  QLabel* status_ = nullptr;
  QLabel* error_ = nullptr;
  QLabel* link_ = nullptr;
  QLabel* liquid_ = nullptr;
  QLabel* head_ = nullptr;
  QLabel* timeScale_ = nullptr;
  QProgressBar* tray_ = nullptr;
  CarriageView* carriage_ = nullptr;
  InkView* ink_ = nullptr;
  WasteView* waste_ = nullptr;
  EepromView* eeprom_ = nullptr;
  QTimer* ageTimer_ = nullptr;
  QTabWidget* tabs_ = nullptr;
  QWidget* sheetsPage_ = nullptr;  // found by itself: the training page goes before it
  QPlainTextEdit* traceView_ = nullptr;
  QComboBox* traceFilter_ = nullptr;
  QListWidget* sheetList_ = nullptr;
  QLabel* operatorLog_ = nullptr;
  QLineEdit* commandEdit_ = nullptr;
  SheetViewer* viewer_ = nullptr;
  TrainingInfo training_;
  QLabel* headLabel_ = nullptr;
  QLabel* hidden_ = nullptr;
  QPlainTextEdit* verdict_ = nullptr;
  // Thumbnails are made off the panel's thread: a sheet is tens of megapixels.
  QThreadPool thumbnailPool_;
  std::vector<std::string> thumbnailed_;
};

// Opens a front panel for a device that lives elsewhere (the embedded printer of the port
// library): on the application's thread, once a QApplication runs. Destroying the handle detaches
// the panel from the device (from any thread) and closes it; the device may go afterwards.
class PanelHandle {
 public:
  virtual ~PanelHandle() = default;
};
// With `training`, the panel shows it (TrainingInfo).
std::unique_ptr<PanelHandle> OpenPanelFor(Device& device, const TrainingInfo* training = nullptr);

}  // namespace vprinter::panel
