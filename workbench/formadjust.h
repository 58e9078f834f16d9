// The workbench (TFormAdjust): four tabs of items, one item panel at a time, the status log with
// its six line kinds, the "Adjusted items" summary, "Get status", and the close for the next
// printer.
//
// The frame: its log and navigation in formadjust.cpp, its construction in formadjust_build.cpp.
// It makes the item panels and input edits and gives its items what ItemHost lists; each item
// (workbenchitem.h, one class per feature file: HeadIdItem, BidItem, UsbIdItem, ...) builds its
// controls in them and keeps controls and handlers to itself. Tests find controls by objectName.
//
// Handlers are connected through Connect(), which catches an exception at the handler's edge and
// leaves the window usable (see platform/handlerguard.h).
#pragma once

#include <QColor>
#include <QPixmap>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <array>
#include <cstdint>
#include <functional>
#include <utility>
#include <vector>

#include "link/resultcode.h"
#include "link/statuscontrol.h"
#include "workbench/itemhost.h"

class LimitedEdit;
class ListBox;
class QCheckBox;
class PageControl;
class QAbstractButton;
class QFrame;
class QLabel;
class QPushButton;
class QSlider;
class QTableWidget;
class QTableWidgetItem;
class QTextEdit;
class QTimer;
class QToolButton;
class RadioGroup;
class TCGauge;
class TitledPanel;
class UpDown;
class InitialSettingItem;
class LiquidExchangeItem;
class MarginsItem;
class PrintItems;
struct SequenceReport;
struct Units;

class TFormAdjust : public QWidget, public ItemHost {
  Q_OBJECT

 public:
  explicit TFormAdjust(Units& units, QWidget* parent = nullptr);
  ~TFormAdjust() override;

  // --- Frame (formadjust.cpp) ---------------------------------------------------------------

  // The one writer of the status log. Every kind repaints the window at once, so the line is on
  // screen before a blocking printer call starts. Unknown kinds write nothing.
  void WriteStatus(StatusLineKind kind, const QString& message) override;
  // Hides every item panel, empties the log and the 13 input edits, and puts the log back in its
  // place (visible, black, left-aligned, at the height of ReturnPnl).
  void ResetPanels() override;
  void ClearLog() override;
  void HideLog() override;
  // Loads the item list of the printer's mode (error mode: Status 0xEFFF) and the tab states.
  void ApplyPrinterMode();

  void AdjustRdoGrpClick();
  void MentRdoGrpClick();
  void PatternPrnItemsRdoGrpClick();
  void AppendixRdoGrpClick();
  void AdjustmentTabChange();
  void DisableTimerTimer();
  void AdjustRtnBtnClick();
  // The close sequence; runs for "Quit" and for the title-bar close box alike.
  void FormClose();

  QColor StatusLogColor() const;
  uint8_t ModelCode1() const override { return ModelCode[0]; }
  uint8_t ModelCode2() const override { return ModelCode[1]; }
  uint8_t SkipPowerOnInitFlag() const { return SkipPowerOnInit; }
  void SetSkipPowerOnInit(uint8_t value) override { SkipPowerOnInit = value; }
  // The item panels in the order ResetPanels hides them (CanvasPanel first).
  const std::vector<QFrame*>& ItemPanels() const { return itemPanels_; }

  QFrame* TabPanel;
  PageControl* AdjustmentTab;
  QWidget* TabSheet1;
  QWidget* TabSheet2;
  QWidget* TabSheet3;
  QWidget* TabSheet4;
  RadioGroup* AdjustRdoGrp;
  RadioGroup* MentRdoGrp;
  RadioGroup* PatternPrnItemsRdoGrp;
  RadioGroup* AppendixRdoGrp;
  ListBox* PrinterStableModeListBox;  // hidden: the items of printer stable mode
  ListBox* PrinterErrorModeListBox;   // hidden: the items of printer error mode
  QTextEdit* StatusMemo;
  QFrame* ReturnPnl;
  QLabel* SelectPrinterNameLbl;
  QPushButton* AdjustRtnBtn;
  QPushButton* GetStatusBtn;
  QTimer* DisableTimer;
  // While WaitUntilIdle keeps the workbench waiting for the printer: how long it has waited and,
  // where the duration is known (ExpectWait), how long is left. Over the Quit and Get status
  // buttons, which the wait has disabled anyway; drawn in its enabled colours.
  QFrame* WaitProgressPnl;
  QLabel* WaitProgressLbl;
  TCGauge* WaitProgressGauge;
  // The printer's usual duration of the work the next wait is for (0: not known). The next wait's
  // end forgets it.
  void ExpectWait(int seconds) override { expectedWaitSeconds_ = seconds; }

  // "Adjusted items" summary.
  QFrame* AdjustedItemPnl;
  QLabel* ShowHdVolIDPnl;
  QLabel* ShowMsBkPnl;
  QLabel* ShowMsClPnl;
  QLabel* Show6plBkPnl;
  QLabel* Show6plClPnl;
  QLabel* Show4plBkPnl;
  QLabel* Show4plClPnl;
  QFrame* ShowUSBID;
  QLabel* ShowUSBIDLbl;
  QLabel* ShowProCounterPnl;
  QLabel* ShowTopMarginPnl;
  QLabel* ShowFirstDotPnl;

  // The item panels (all at 235, 5 in the client area).
  QFrame* CanvasPanel;

  // --- Printer status and errors (formadjust.cpp) ---------------------------------------------

  // Writes the code's message with the kind; 0x2000 goes to ReportPacketError whatever the kind.
  void ReportResult(StatusLineKind kind, ResultCode code) override;
  // The packet library's last error: its text in an error box (known codes only), then the red
  // line "Communication error!!".
  void ReportPacketError() override;
  // The text of the status record's Error word as an error line, and the "Clear the error" line
  // for errors the technician can clear; nothing for an unknown value.
  void ShowPrinterError();
  void GetStatusBtnClick();

  // --- Items that are classes of their own -------------------------------------------------

  // Where the initial setting's report takes the model name from (the printer selection's model
  // list); the start-up sets it.
  void SetModelNameSource(std::function<QString()> source);
  // The model's row in the printer selection's list (the liquid exchange's EEPROM rewrite depends
  // on it); the start-up sets it. Without one, row 0.
  void SetModelPositionSource(std::function<int()> source);

  // The top-margin panel's "Print top margin" item, printed by the print items.
  void PrintTopMarginItem();

 signals:
  // The close sequence has ended the connection: time to ask "Do you continue?".
  void QuitConfirmationRequested();

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

  // Connects a button's click (or any zero-argument use) to a handler through the guard.
  void Connect(QAbstractButton* button, void (TFormAdjust::*handler)());
  // A titled item panel at the item area's place, created hidden.
  TitledPanel* NewItemPanel(const char* name, const char* title, int height = 275);
  // A label inside a panel, word-wrapped to the given width, `lines` lines high. (Fixed sizes, not
  // measured ones: the workbench is built at start but shown later.)
  QLabel* NewLabel(QWidget* parent, const QString& text, int x, int y, int width,
                   int lines = 1) override;
  // A push button inside a panel.
  QPushButton* NewButton(QWidget* parent, const char* name, const QString& text, int x,
                         int y) override;
  void OnClick(QAbstractButton* button, std::function<void()> handler) override;
  // A button in the bottom row of an item panel: in the right-hand place ("Previous", or a lone
  // "OK"), or left of it ("OK" beside "Previous"); clicks go through the handler guard. Enter and
  // Esc reach it when dialogkeys marks it default or cancel.
  QPushButton* PanelButton(QWidget* panel, const char* name, const QString& text, bool rightmost,
                           std::function<void()> handler) override;
  // An "Items" choice in an item panel, its first item selected.
  RadioGroup* NewItemsGroup(QWidget* panel, const char* name, const QString& caption,
                            const QStringList& items) override;
  TitledPanel* ItemPanel(const char* name) const override;
  LimitedEdit* InputEdit(const char* name) const override;
  void ShowAdjusted(const char* field, const QString& text) override;
  void PlaceLog(int top, int height, bool centred) override;
  void LockNavigation(bool locked) override;
  Units& ProgramUnits() override { return units_; }
  // One EEPROM cell through the packet library, with the workbench's copy of the model code.
  ResultCode ReadEepromCell(uint8_t address, uint8_t* value) override;
  ResultCode WriteEepromCell(uint8_t address, uint8_t value) override;

  Units& units_;

 private:
  void BuildFrame();
  void BuildItemPanels();
  void BuildSummary();
  void FitSummaryFont();
  void FormShow();
  // The item panel of that objectName (the navigation tables name them).
  void ShowItemPanel(const char* name);
  void DeselectGroupsExcept(const RadioGroup* keep);
  void SetLogColor(const QColor& color);
  void ShowNewestLine();
  void BuildWaitProgress();
  void ShowWaitProgress(WaitEvent event, int secondsWaited);

  uint8_t SkipPowerOnInit = 0;
  std::array<uint8_t, 2> ModelCode{0, 0};

  std::vector<QFrame*> itemPanels_;
  // The items that are classes of their own are the window's children, made in the order of the
  // item lists; the frame keeps the one it forwards to.
  InitialSettingItem* initialSettingItem_ = nullptr;
  LiquidExchangeItem* liquidExchangeItem_ = nullptr;
  PrintItems* printItems_ = nullptr;
  MarginsItem* marginsItem_ = nullptr;
  std::vector<LimitedEdit*> inputEdits_;
  // Which list AdjustRdoGrp shows; its items open the panels of that list.
  bool adjustListIsErrorMode_ = false;
  int expectedWaitSeconds_ = 0;
  std::function<void(WaitEvent, int)> previousWaitObserver_;
};
