/* The one entry of the embedded virtual printer's library, which the port library loads only when
 * its search falls through to the embedded printer. A plain C table, so the port library needs
 * nothing of the printer but this header: no printer code, no toolkit. */
#ifndef QUORLA_D4_EMBEDDEDENTRY_H
#define QUORLA_D4_EMBEDDEDENTRY_H

#ifdef __cplusplus
extern "C" {
#endif

/* The library's file name; the port library looks for it beside itself first. */
#define QUORLA_EMBEDDED_PRINTER_LIBRARY "libvprinterembedded.so"
/* The name of the entry function (QuorlaEmbeddedPrinterEntryFn). */
#define QUORLA_EMBEDDED_PRINTER_ENTRY "quorla_embedded_printer_v1"

typedef struct QuorlaEmbeddedPrinter {
  /* A new connection to the embedded printer, started first if it is not running: the host's end
   * of a connected stream socket, or -1 (switched off, or it may not be started; why is on
   * stderr). */
  int (*connect)(void);
  /* The port library is unloaded: the printer stops and keeps its state, unless a test or tool
   * started it, which then stops it itself. */
  void (*release)(void);
} QuorlaEmbeddedPrinter;

typedef const QuorlaEmbeddedPrinter* (*QuorlaEmbeddedPrinterEntryFn)(void);

#ifdef __cplusplus
}
#endif

#endif
