// Placeholder until the transport lands: no port is ever found.
#include "link/porthub.h"
int16_t LoadLibraryByPHub(void) { return 1; }
int16_t SearchActivePortByPHub(uint16_t*) { return -105; }
int16_t PortCloseByPHub(void) { return 1; }
int16_t FreeLibraryByPHub(void) { return 1; }
