// The printer's services and the commands of its control channel: what the host libraries send
// and the virtual printer answers. The byte layout is described in docs/protocol.md.
#pragma once

#include <cstddef>
#include <cstdint>

namespace d4::cmd {

inline constexpr char kControlService[] = "QUORLA-CONTROL";
inline constexpr char kDataService[] = "QUORLA-PRINT-DATA";
inline constexpr uint8_t kControlSocket = 0x02;
inline constexpr uint8_t kDataSocket = 0x40;
inline constexpr uint16_t kControlMaxPayload = 64;
// Larger than any send of the program's print-data builder (1000 bytes): one send, one packet.
inline constexpr uint16_t kDataMaxPayload = 4096;
inline constexpr uint8_t kControlCredit = 1;
inline constexpr uint8_t kDataCredit = 8;

// Control channel requests: command, tag, arguments. Replies: command | 0x80, the same tag, a
// 16-bit result, a 16-bit packet error (both big-endian), then the reply's data.
inline constexpr uint8_t kReadEeprom = 0x01;          // mc1 mc2 addr -> value
inline constexpr uint8_t kWriteEeprom = 0x02;         // mc1 mc2 addr value
inline constexpr uint8_t kSoftReset = 0x03;           // -
inline constexpr uint8_t kInquireStatus = 0x04;       // - -> status(2) error(2)
inline constexpr uint8_t kHeadCleaning = 0x10;        // mc1 mc2 mode
inline constexpr uint8_t kDriveCR = 0x11;             // mc1 mc2 mode dir lo hi
inline constexpr uint8_t kDrivePF = 0x12;             // mc1 mc2 mode dir lo hi
inline constexpr uint8_t kCRHomeReturn = 0x13;        // mc1 mc2
inline constexpr uint8_t kColorFlushing = 0x14;       // mc1 mc2 p1 p2 lo hi
inline constexpr uint8_t kWaitTime = 0x15;            // mc1 mc2 value
inline constexpr uint8_t kPowerOnInitialize = 0x16;   // mc1 mc2
inline constexpr uint8_t kSaveAllCurrentData = 0x17;  // mc1 mc2
inline constexpr uint8_t kWriteBid = 0x18;            // mc1 mc2 drop ink value
inline constexpr uint8_t kReadCrtag = 0x19;           // mc1 mc2 cart addr -> value

inline constexpr std::size_t kRequestHeader = 2;
inline constexpr std::size_t kReplyHeader = 6;

// Number of argument bytes a command takes, or -1 for an unknown command.
constexpr int ArgumentCount(uint8_t command) {
  switch (command) {
    case kSoftReset:
    case kInquireStatus:
      return 0;
    case kCRHomeReturn:
    case kPowerOnInitialize:
    case kSaveAllCurrentData:
      return 2;
    case kReadEeprom:
    case kHeadCleaning:
    case kWaitTime:
      return 3;
    case kWriteEeprom:
    case kReadCrtag:
      return 4;
    case kWriteBid:
      return 5;
    case kDriveCR:
    case kDrivePF:
    case kColorFlushing:
      return 6;
    default:
      return -1;
  }
}

// The data channel's answer to each print-data packet: the packet's sequence number (low byte of
// the count since the channel opened), a 16-bit result and a 16-bit packet error.
inline constexpr std::size_t kDataReplySize = 5;

}  // namespace d4::cmd
