// The words for the printer's states and errors, for the program's result codes and for the packet
// library's own error codes. One table each; the workbench writes them into its status log.
#pragma once

#include <QString>
#include <cstdint>
#include <optional>

#include "link/resultcode.h"

// The message of a result code. Every code gets a text: codes without one of their own get a line
// that names the code, so the technician can still report it.
QString ResultText(ResultCode code);

// The text of a packet-library error code (GetD4ErrorCode), or nothing for a code outside the
// table.
std::optional<QString> PacketErrorText(int16_t code);

// "Printer Status : ..." for the six state values of the Status word, nothing for any other value
// (the error state 0xEFFF included: its text comes from the Error word).
std::optional<QString> PrinterStateText(uint16_t status);

struct PrinterErrorInfo {
  QString text;
  bool askToClear;  // the error can be cleared at the printer: add the "Clear the error" line
};

// The text of an Error word value, or nothing for a value outside the table.
std::optional<PrinterErrorInfo> PrinterErrorText(uint16_t error);

// The line added under errors the technician can clear at the printer.
inline constexpr const char* kClearErrorLine = "Clear the error and click the [Get Status] button.";
