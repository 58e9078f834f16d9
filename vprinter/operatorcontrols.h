// The narrow faces of the printer for those who act on it from outside the protocol: the operator
// at the printer (its parts, paper, head, errors and memory) and whoever injects faults into its
// link. The operator commands, the front panel and tests use these rather than the whole device.
// Every call is safe from any thread.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>

#include "makerlibs/d4/d4.h"
#include "vprinter/head.h"
#include "vprinter/ops.h"
#include "vprinter/papertray.h"
#include "vprinter/state.h"

namespace vprinter {

// The slowest printer: its waits must still fit the loop's nanosecond counts.
inline constexpr double kMaxTimeScale = 1000.0;
// A time scale as typed: a finite number from 0 to kMaxTimeScale, nothing else.
std::optional<double> ParseTimeScale(const std::string& text);

class OperatorControls {
 public:
  // The power switch. Switched off, the printer drops every connection, takes no new one (the
  // port search does not find it) and loses the work in progress; its non-volatile memory stays.
  // Switched on, it starts afresh: carriage home, no errors but those its memory or its ink
  // cause, and a new connection is needed.
  virtual void PowerOff() = 0;
  virtual void PowerOn() = 0;
  virtual bool PoweredOn() const = 0;

  // The main-board swap: only while the printer is switched off (false, and nothing changes,
  // while it is on).
  virtual bool ReplaceMainBoard() = 0;
  // New ink cartridges in both holders, or in one (0 black, 1 colour).
  virtual void ReplaceCartridges() = 0;
  virtual void ReplaceCartridge(int cartridge) = 0;
  // Dummy cartridges filled with transportation liquid, or empty holders (for the liquid
  // exchange); ReplaceCartridges() puts ink cartridges back.
  virtual void InstallDummyCartridges() = 0;
  virtual void RemoveCartridges() = 0;
  // New waste-ink pads: they hold nothing. The waste-ink counter in the EEPROM is not touched;
  // resetting it is the technician's part.
  virtual void ReplaceWastePads() = 0;
  // A new print head whose label shows this ID (a valid head ID, headlabel.h): clean and straight.
  // The head ID in the EEPROM stays the old head's until the technician writes the label's.
  virtual void ReplaceHead(const std::string& label) = 0;
  // The label of the fitted head ("" for the factory head).
  virtual std::string HeadLabel() const = 0;

  // Hidden properties of the mechanism (a training scenario sets them up): the return pass's
  // error of one Bi-D row (drop size 1..3, ink group 1..2, -40..40) and the paper feed's own
  // error (top -50..50 in 1/360 inch, left -72..72 in 1/2880 inch). False for values out of range.
  virtual bool SetBidOffset(int dropSize, int inkGroup, int offset) = 0;
  virtual bool SetFeedOffset(int top, int left) = 0;
  // The printer's clock.
  virtual ChipDate Today() const = 0;

  // The input tray: it holds `sheets` from now on (0..PaperTray::kCapacity, else false). A print
  // that stopped in the "Paper out" error goes on once the error is cleared.
  virtual bool LoadPaper(int sheets = PaperTray::kCapacity) = 0;
  virtual int PaperInTray() const = 0;

  // The head: clogged nozzles (rows head::kBlack.., nozzle 0 the top one) and its angle in tenths
  // of a degree. False for a nozzle or angle that does not exist.
  virtual bool ClogNozzle(int row, int nozzle) = 0;
  // Clogs `count` open nozzles drawn from `seed`; returns how many.
  virtual int ClogRandomNozzles(int count, uint32_t seed) = 0;
  virtual bool ClearNozzle(int row, int nozzle) = 0;
  virtual void ClearNozzles() = 0;
  virtual bool SetHeadAngle(int tenthsOfADegree) = 0;
  virtual HeadState Head() const = 0;

  // Errors and states.
  virtual void RaiseError(uint16_t error) = 0;
  virtual void ClearError() = 0;
  // Answers this Status word to every inquiry (nullopt: the real status again).
  virtual void ForceStatus(std::optional<uint16_t> value) = 0;
  virtual void SetInkCharged(bool charged) = 0;
  virtual void SetTimeScale(double scale) = 0;

  // The memory.
  virtual uint8_t PeekEeprom(uint8_t address) const = 0;
  virtual void PokeEeprom(uint8_t address, uint8_t value) = 0;
  virtual uint8_t PeekChip(int cartridge, uint8_t address) const = 0;
  virtual void PokeChip(int cartridge, uint8_t address, uint8_t value) = 0;
  virtual bool Save() = 0;

  // What the operator sees.
  virtual PrinterState State() const = 0;
  // The status an inquiry would answer now (without counting it as a poll).
  virtual std::pair<uint16_t, uint16_t> CurrentStatus() const = 0;
  // Carriage position (steps from home) and paper fed since power-on.
  virtual std::pair<long, long> MechanismPosition() const = 0;
  // Where the carriage stands in words ("home", "I/C replacement position", "cap" or "").
  virtual std::string CarriagePlace() const = 0;
  // Bytes of print data accepted but not worked through yet.
  virtual std::size_t PendingPrintBytes() const = 0;

 protected:
  ~OperatorControls() = default;
};

class FaultInjection {
 public:
  // n counts calls of the kind from now: 1 = the next one.
  virtual void FailNth(Op op, int n, int16_t result) = 0;
  virtual void FailNthWithPacketError(Op op, int n, int16_t code) = 0;
  virtual void DropLinkAtNth(Op op, int n) = 0;
  virtual void StopAnswering() = 0;
  virtual void ResumeAnswering() = 0;
  virtual void DropLink() = 0;
  virtual void CorruptNextPacket() = 0;
  // Refuses opening the named service ("" = every service) with the code (34 = denial).
  virtual void RefuseChannel(const std::string& service, int16_t code = d4::err::DenialConnect) = 0;
  virtual void AcceptChannels() = 0;
  virtual void BusyForPolls(int polls) = 0;
  virtual void ClearFaults() = 0;

 protected:
  ~FaultInjection() = default;
};

}  // namespace vprinter
