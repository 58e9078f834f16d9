// Placeholder until the mechanism commands land: there is never an open port.
#include "link/mechcmd.h"
int16_t HeadCleaning(uint8_t, uint8_t, uint8_t) { return -105; }
int16_t DriveCR(uint8_t, uint8_t, uint8_t, uint8_t, uint8_t, uint8_t) { return -105; }
int16_t DrivePF(uint8_t, uint8_t, uint8_t, uint8_t, uint8_t, uint8_t) { return -105; }
int16_t CRHomeReturn(uint8_t, uint8_t) { return -105; }
int16_t ColorFlushing(uint8_t, uint8_t, uint8_t, uint8_t, uint8_t, uint8_t) { return -105; }
int16_t WaitTime(uint8_t, uint8_t, uint8_t) { return -105; }
int16_t PowerOnInitialize(uint8_t, uint8_t) { return -105; }
int16_t SaveAllCurrentData(uint8_t, uint8_t) { return -105; }
int16_t WriteBid(uint8_t, uint8_t, uint8_t, uint8_t, uint8_t) { return -105; }
int16_t ReadCrtag(uint8_t, uint8_t, uint8_t, uint8_t, uint8_t*) { return -105; }
