// The port search without QUORLA_PRINTER, as the program's users run it: a standalone printer at
// its default socket or the embedded one, and never a silent move from the printer found to
// another; and printers switched off.
#include "link/porthub.h"

#include <gtest/gtest.h>

#include "link/modelcode.h"
#include "link/pktlink.h"
#include "makerlibs/linkcontrol.h"
#include "tests/support/standaloneprinter.h"
#include "tests/support/vprinterfixture.h"

namespace {

using testing_support::NoPrinterNamed;
using testing_support::StandalonePrinter;
using testing_support::VirtualPrinter;

constexpr uint8_t M1 = QUORLA_Z40_MODEL_CODE_1;
constexpr uint8_t M2 = QUORLA_Z40_MODEL_CODE_2;
constexpr uint16_t kSocketPort = 1;
constexpr uint16_t kEmbeddedPort = 2;

class PortSearch : public ::testing::Test {
 protected:
  PortSearch() {
    // What the library remembers lasts one load.
    FreeLibraryByPHub();
    LoadLibraryByPHub();
  }
  ~PortSearch() override {
    PortCloseByPHub();
    FreeLibraryByPHub();
    LoadLibraryByPHub();
  }
  // The result of a search, and the port it reported.
  int16_t Search(uint16_t* port = nullptr) {
    uint16_t p = 0;
    const int16_t result = SearchActivePortByPHub(&p);
    if (port != nullptr) *port = p;
    return result;
  }
  // Negotiations the embedded printer answered (a connection it was given shows in its trace only
  // a moment later; a negotiation has been answered when D4Negotiation returns).
  int EmbeddedNegotiations() {
    int n = 0;
    for (const std::string& op : embedded.TraceOps()) n += op == "negotiate";
    return n;
  }

  VirtualPrinter embedded;  // first: it names the embedded printer, which `unnamed` then undoes
  NoPrinterNamed unnamed;
};

TEST_F(PortSearch, AStandaloneFoundOnceIsTheOnlyPrinterUntilTheLibraryIsFreed) {
  auto standalone = std::make_unique<StandalonePrinter>();
  uint16_t port = 0;
  ASSERT_EQ(Search(&port), 1);
  EXPECT_EQ(port, kSocketPort);
  ASSERT_EQ(D4Negotiation(), 1);

  // Switched off: the open connection drops, and the search finds nothing, embedded or not.
  standalone->PowerOff();
  uint8_t value = 0;
  const int16_t dropped = D4ReadEeprom(M1, M2, 0x0A, &value);
  EXPECT_TRUE(dropped == -104 || dropped == -103) << dropped;  // read or write, whichever fails
  EXPECT_EQ(Search(), -105);
  // Gone altogether, socket file and all: still not the embedded printer.
  standalone.reset();
  EXPECT_EQ(Search(), -105);
  EXPECT_EQ(D4Negotiation(), -105);
  EXPECT_EQ(EmbeddedNegotiations(), 0);

  // A new load of the library starts from nothing.
  FreeLibraryByPHub();
  LoadLibraryByPHub();
  ASSERT_EQ(Search(&port), 1);
  EXPECT_EQ(port, kEmbeddedPort);
}

TEST_F(PortSearch, AStandaloneSwitchedOnAgainIsFoundAgainWithItsMemory) {
  StandalonePrinter standalone;
  ASSERT_EQ(Search(), 1);
  ASSERT_EQ(D4Negotiation(), 1);
  standalone.PowerOff();
  EXPECT_EQ(Search(), -105);
  standalone.device().PokeEeprom(0x10, 0x5A);
  standalone.PowerOn();
  ASSERT_EQ(Search(), 1);
  ASSERT_EQ(D4Negotiation(), 1);
  uint8_t value = 0;
  ASSERT_EQ(D4ReadEeprom(M1, M2, 0x10, &value), 1);
  EXPECT_EQ(value, 0x5A);
}

// The socket is there but nobody answers: a standalone printer switched off (or hung), not a
// reason to take the embedded printer instead, not even at the first search.
TEST_F(PortSearch, ASocketThatRefusesIsAPrinterSwitchedOff) {
  StandalonePrinter standalone;
  standalone.PowerOff();
  EXPECT_EQ(Search(), -105);
  EXPECT_EQ(D4Negotiation(), -105);
  EXPECT_EQ(EmbeddedNegotiations(), 0);
}

TEST_F(PortSearch, AnEmbeddedPrinterFoundFirstStaysTheOne) {
  uint16_t port = 0;
  ASSERT_EQ(Search(&port), 1);
  EXPECT_EQ(port, kEmbeddedPort);
  StandalonePrinter standalone;
  ASSERT_EQ(Search(&port), 1);
  EXPECT_EQ(port, kEmbeddedPort);
  ASSERT_EQ(D4Negotiation(), 1);
  EXPECT_EQ(EmbeddedNegotiations(), 1);
}

TEST_F(PortSearch, TheEmbeddedPrinterSwitchedOffIsNotFoundAndDropsItsConnection) {
  ASSERT_EQ(Search(), 1);
  ASSERT_EQ(D4Negotiation(), 1);
  embedded.device().PowerOff();
  PrinterStatus status;
  const int16_t dropped = InquireStatus(&status);
  EXPECT_TRUE(dropped == -104 || dropped == -103) << dropped;  // read or write, whichever fails
  EXPECT_EQ(Search(), -105);
  embedded.device().PowerOn();
  ASSERT_EQ(Search(), 1);
  EXPECT_EQ(D4Negotiation(), 1);
  EXPECT_EQ(InquireStatus(&status), 1);
}

}  // namespace
