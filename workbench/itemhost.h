// What the workbench's frame gives each item: the status log and its reports, the panels and the
// input edits it made for the item (in the order the frame hides them), factories for the
// item's controls, EEPROM cells with the workbench's model code, the "Adjusted items" summary and
// the program's units. An item reaches the frame through this and nothing else.
#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>

#include "link/resultcode.h"

class LimitedEdit;
class QAbstractButton;
class QLabel;
class QPushButton;
class QWidget;
class RadioGroup;
class TitledPanel;
struct Units;

// The kinds of lines WriteStatus writes (16-bit, as the item handlers pass them).
using StatusLineKind = int16_t;
inline constexpr StatusLineKind LineInfo = 1;    // replaces the log; black
inline constexpr StatusLineKind LineDone = 2;    // replaces; black; normal cursor; timer re-enables
inline constexpr StatusLineKind LineBusy = 3;    // replaces; blue; hourglass; window disabled
inline constexpr StatusLineKind LineError = 4;   // replaces; red; normal cursor; window enabled
inline constexpr StatusLineKind LineAppend = 5;  // appends to the last line; colour unchanged
inline constexpr StatusLineKind LineAdd = 6;     // adds a new last line; colour unchanged

class ItemHost {
 public:
  // The one writer of the status log. Every kind repaints the window at once, so the line is on
  // screen before a blocking printer call starts. Unknown kinds write nothing.
  virtual void WriteStatus(StatusLineKind kind, const QString& message) = 0;
  // Writes the code's message with the kind; 0x2000 goes to ReportPacketError whatever the kind.
  virtual void ReportResult(StatusLineKind kind, ResultCode code) = 0;
  // The packet library's last error: its text in an error box (known codes only), then the red
  // line "Communication error!!".
  virtual void ReportPacketError() = 0;
  // Empties the log without the rest of ResetPanels, or hides it (ResetPanels shows it again).
  virtual void ClearLog() = 0;
  virtual void HideLog() = 0;
  // Hides every item panel, empties the log and the input edits, and puts the log back in its
  // place.
  virtual void ResetPanels() = 0;

  // The log placed at another height (design pixels: top and height), its text centred or not;
  // ResetPanels puts it back.
  virtual void PlaceLog(int top, int height, bool centred) = 0;

  // The item panel and the input edit of that objectName, made by the frame (nullptr: none).
  virtual TitledPanel* ItemPanel(const char* name) const = 0;
  virtual LimitedEdit* InputEdit(const char* name) const = 0;
  // A label inside a panel, word-wrapped to the given width, `lines` lines high.
  virtual QLabel* NewLabel(QWidget* parent, const QString& text, int x, int y, int width,
                           int lines = 1) = 0;
  // A button in the bottom row of an item panel: in the right-hand place ("Previous", or a lone
  // "OK"), or left of it ("OK" beside "Previous"); clicks go through the handler guard.
  virtual QPushButton* PanelButton(QWidget* panel, const char* name, const QString& text,
                                   bool rightmost, std::function<void()> handler) = 0;
  // A push button inside a panel, and a click of any button through the handler guard.
  virtual QPushButton* NewButton(QWidget* parent, const char* name, const QString& text, int x,
                                 int y) = 0;
  virtual void OnClick(QAbstractButton* button, std::function<void()> handler) = 0;
  // An "Items" choice in an item panel, its first item selected.
  virtual RadioGroup* NewItemsGroup(QWidget* panel, const char* name, const QString& caption,
                                    const QStringList& items) = 0;

  // Disables (true) or enables the tabs, the maintenance items, "Quit" and "Get status": while a
  // procedure must not be left half done.
  virtual void LockNavigation(bool locked) = 0;
  // The close sends no power-on initialisation (1) after a sequence that must not be followed by
  // one.
  virtual void SetSkipPowerOnInit(uint8_t value) = 0;

  // The workbench's copy of the printer's model code, for the libraries' calls.
  virtual uint8_t ModelCode1() const = 0;
  virtual uint8_t ModelCode2() const = 0;
  // The printer's usual duration of the work the next wait is for (0: not known).
  virtual void ExpectWait(int seconds) = 0;
  // One EEPROM cell through the packet library, with the workbench's copy of the model code.
  virtual ResultCode ReadEepromCell(uint8_t address, uint8_t* value) = 0;
  virtual ResultCode WriteEepromCell(uint8_t address, uint8_t value) = 0;

  // A field of the "Adjusted items" summary, by its objectName.
  virtual void ShowAdjusted(const char* field, const QString& text) = 0;
  virtual Units& ProgramUnits() = 0;

 protected:
  ~ItemHost() = default;
};
