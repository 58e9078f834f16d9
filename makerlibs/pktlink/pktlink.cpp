// Placeholder until the packet protocol lands: there is never an open port.
#include "link/pktlink.h"
int16_t D4Negotiation(void) { return -105; }
int16_t D4Termination(void) { return -105; }
int16_t D4ReadEeprom(uint8_t, uint8_t, uint8_t, uint8_t*) { return -105; }
int16_t D4WriteEeprom(uint8_t, uint8_t, uint8_t, uint8_t) { return -105; }
int16_t SendDataChannel(const uint8_t*, int32_t) { return -105; }
int16_t SoftReset(void) { return -105; }
int16_t InquireStatus(PrinterStatus*) { return -105; }
int16_t GetD4ErrorCode(void) { return -1; }
