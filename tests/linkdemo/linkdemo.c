/* A C program that uses the three libraries only through their headers: it finds the printer,
 * negotiates, reads and writes EEPROM cells, asks the status, sends print data, reads chip bytes,
 * terminates and closes. Every step prints one line; the exit status is 0 only if all succeeded. */
#include <stdint.h>
#include <stdio.h>

#include "link/mechcmd.h"
#include "link/modelcode.h"
#include "link/pktlink.h"
#include "link/porthub.h"

static int failures = 0;

static void Check(const char* step, int16_t result) {
  printf("%-28s %d\n", step, result);
  if (result != 1) {
    ++failures;
    if (result == 8192) printf("%-28s %d\n", "  GetD4ErrorCode", GetD4ErrorCode());
  }
}

int main(void) {
  const uint8_t m1 = QUORLA_Z40_MODEL_CODE_1;
  const uint8_t m2 = QUORLA_Z40_MODEL_CODE_2;
  uint16_t port = 0;
  uint8_t value = 0;
  PrinterStatus status = {0, 0};
  /* ESC @ (initialise) and a form feed. */
  const uint8_t data[] = {0x1B, 0x40, 0x0C};

  Check("LoadLibraryByPHub", LoadLibraryByPHub());
  Check("SearchActivePortByPHub", SearchActivePortByPHub(&port));
  Check("D4Negotiation", D4Negotiation());
  Check("D4ReadEeprom 0x2E", D4ReadEeprom(m1, m2, 0x2E, &value));
  printf("%-28s 0x%02X\n", "  value", value);
  Check("D4WriteEeprom 0x5F", D4WriteEeprom(m1, m2, 0x5F, 0x00));
  Check("SoftReset", SoftReset());
  Check("InquireStatus", InquireStatus(&status));
  printf("%-28s 0x%04X 0x%04X\n", "  status", status.Status, status.Error);
  Check("SendDataChannel", SendDataChannel(data, (int32_t)sizeof data));
  Check("ReadCrtag 0 35", ReadCrtag(m1, m2, 0, 35, &value));
  printf("%-28s %c\n", "  value", value);
  Check("D4Termination", D4Termination());
  Check("PortCloseByPHub", PortCloseByPHub());
  Check("FreeLibraryByPHub", FreeLibraryByPHub());
  printf("%d failures\n", failures);
  return failures == 0 ? 0 : 1;
}
