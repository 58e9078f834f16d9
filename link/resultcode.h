// The 16-bit result convention shared by the libraries and every routine of the program.
#pragma once

#include <cstdint>

using ResultCode = int16_t;

namespace rc {
inline constexpr ResultCode Success = 1;

// Head ID (0x1000 block).
inline constexpr ResultCode HeadIdInvalid = 0x1000;
inline constexpr ResultCode HeadIdDigitCount = 0x1001;
inline constexpr ResultCode HeadIdFirstDigit = 0x1002;  // ...0x100B for the tenth digit
inline constexpr ResultCode HeadIdCheckInvalid = 0x100C;

// The packet layer refused; the reason comes from GetD4ErrorCode().
inline constexpr ResultCode PacketError = 0x2000;

// Bi-D values: 0x2001 + 2 x (drop size - 1) + (ink group - 1).
inline constexpr ResultCode BidMsBlackWrong = 0x2001;

// USB ID.
inline constexpr ResultCode UsbIdDigitCount = 0x3001;
inline constexpr ResultCode UsbIdNotAlnum = 0x3002;
inline constexpr ResultCode UsbIdInvalid = 0x3011;
// The PC clock lies outside the years the date stamp can encode (1999..2034).
inline constexpr ResultCode UsbIdClockOutOfRange = 0x3012;

// Printer not ready (error state or before initial fill up), chip refusals.
inline constexpr ResultCode PrinterNotReady = 0x4000;
// The same code from the chip maker check: the chip is not one of ours.
inline constexpr ResultCode CartridgeForeign = 0x4000;
inline constexpr ResultCode CartridgeExpired = 0x4001;
// WaitUntilIdle gave up: the printer stayed busy far longer than any of its operations takes.
inline constexpr ResultCode PrinterNeverIdle = 0x4002;
// The chip refusals as the chip information item reports them: one code per cartridge and cause,
// so that the line names the cartridge, and 0x4000 can speak of the printer alone.
inline constexpr ResultCode BlackCartridgeForeign = 0x4010;
inline constexpr ResultCode ColorCartridgeForeign = 0x4011;
inline constexpr ResultCode BlackCartridgeExpired = 0x4012;
inline constexpr ResultCode ColorCartridgeExpired = 0x4013;

// Pattern prints.
inline constexpr ResultCode HeadAngularPrintError = 0x5000;
inline constexpr ResultCode BidPrintError = 0x5002;
inline constexpr ResultCode CrtagPrintError = 0x5003;
inline constexpr ResultCode A4PrintError = 0x5004;

// The link's own failures.
inline constexpr ResultCode ReceiveTimeout = -8193;
inline constexpr ResultCode CannotOpenPort = -105;
inline constexpr ResultCode PortReceiveError = -104;
inline constexpr ResultCode PortTransmitError = -103;
inline constexpr ResultCode LinkReceiveError = -82;
inline constexpr ResultCode LinkTransmitError = -81;
}  // namespace rc

// Stops the calling routine with the step's result unless it is success: every routine of the
// program hands up the first failing call's result unchanged, and most are fixed sequences of
// such steps.
#define RETURN_IF_FAILED(step)                                                 \
  do {                                                                         \
    if (const ResultCode step_result_ = (step); step_result_ != rc::Success) { \
      return step_result_;                                                     \
    }                                                                          \
  } while (0)
