/* Port library: finds the port on which the printer answers and carries the byte stream.
 * Results are 1 on success; the failure codes are listed in docs/protocol.md. */
#ifndef QUORLA_LINK_PORTHUB_H
#define QUORLA_LINK_PORTHUB_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Starts the transport layer. Harmless when called twice. */
int16_t LoadLibraryByPHub(void);

/* Finds the printer's port and opens it for the packet library; writes a port number to *port.
 * A search while a port is open closes that port first. */
int16_t SearchActivePortByPHub(uint16_t* port);

/* Closes the open port (and any connection on it). Harmless without an open port. */
int16_t PortCloseByPHub(void);

/* Stops the transport layer; closes an open port. Harmless when called twice. */
int16_t FreeLibraryByPHub(void);

#ifdef __cplusplus
}
#endif

#endif
