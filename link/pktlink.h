/* Packet library: the packet-protocol connection over the open port, EEPROM bytes, the print-data
 * channel, soft reset and status. Results are 1 on success; 8192 means the packet layer refused
 * and GetD4ErrorCode() tells why. The codes are listed in docs/protocol.md. */
#ifndef QUORLA_LINK_PKTLINK_H
#define QUORLA_LINK_PKTLINK_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* The printer's status record: Status (state) then Error (cause, meaningful in the error state). */
typedef struct PrinterStatus {
  uint16_t Status;
  uint16_t Error;
} PrinterStatus;

int16_t D4Negotiation(void);
int16_t D4Termination(void);
int16_t D4ReadEeprom(uint8_t modelCode1, uint8_t modelCode2, uint8_t address, uint8_t* value);
int16_t D4WriteEeprom(uint8_t modelCode1, uint8_t modelCode2, uint8_t address, uint8_t value);
int16_t SendDataChannel(const uint8_t* bytes, int32_t length);
int16_t SoftReset(void);
int16_t InquireStatus(PrinterStatus* status);
int16_t GetD4ErrorCode(void);

#ifdef __cplusplus
}
#endif

#endif
