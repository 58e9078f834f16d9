/* Built as C: holds the contract headers to plain C, with no C++ creeping in. */
#include "link/mechcmd.h"
#include "link/modelcode.h"
#include "link/pktlink.h"
#include "link/porthub.h"

int quorla_link_headers_are_c(void) {
  PrinterStatus status = {0, 0};
  return (int)sizeof(status) + (int)QUORLA_Z40_MODEL_CODE_1 + (int)QUORLA_Z40_MODEL_CODE_2;
}
