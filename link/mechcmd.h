/* Mechanism library: mechanism and factory commands, cartridge chip bytes and Bi-D values, over
 * the connection opened by the packet library. Every function takes the two ModelCode bytes first;
 * results are 1 on success (see docs/protocol.md). */
#ifndef QUORLA_LINK_MECHCMD_H
#define QUORLA_LINK_MECHCMD_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

int16_t HeadCleaning(uint8_t modelCode1, uint8_t modelCode2, uint8_t mode);
int16_t DriveCR(uint8_t modelCode1, uint8_t modelCode2, uint8_t mode, uint8_t direction,
                uint8_t amountLow, uint8_t amountHigh);
int16_t DrivePF(uint8_t modelCode1, uint8_t modelCode2, uint8_t mode, uint8_t direction,
                uint8_t amountLow, uint8_t amountHigh);
int16_t CRHomeReturn(uint8_t modelCode1, uint8_t modelCode2);
int16_t ColorFlushing(uint8_t modelCode1, uint8_t modelCode2, uint8_t parameter1,
                      uint8_t parameter2, uint8_t amountLow, uint8_t amountHigh);
int16_t WaitTime(uint8_t modelCode1, uint8_t modelCode2, uint8_t value);
int16_t PowerOnInitialize(uint8_t modelCode1, uint8_t modelCode2);
int16_t SaveAllCurrentData(uint8_t modelCode1, uint8_t modelCode2);
/* dropSize 1 = MS, 2 = 6pl, 3 = 4pl; inkGroup 1 = black, 2 = colour; value is a signed byte. */
int16_t WriteBid(uint8_t modelCode1, uint8_t modelCode2, uint8_t dropSize, uint8_t inkGroup,
                 uint8_t value);
/* cartridge 0 = black, 1 = colour. */
int16_t ReadCrtag(uint8_t modelCode1, uint8_t modelCode2, uint8_t cartridge, uint8_t address,
                  uint8_t* value);

#ifdef __cplusplus
}
#endif

#endif
