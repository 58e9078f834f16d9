// The port search without QUORLA_PRINTER, as the program's users run it: a standalone printer at
// its default socket or the embedded one, and never a silent move from the printer found to
// another.
#include "link/porthub.h"

#include <gtest/gtest.h>

#include "link/modelcode.h"
#include "link/pktlink.h"
#include "tests/support/standaloneprinter.h"
#include "tests/support/vprinterfixture.h"

namespace {

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
    FreeLibraryByPHub();
    LoadLibraryByPHub();
  }
  int16_t Search(uint16_t* port = nullptr) {
    uint16_t p = 0;
    const int16_t result = SearchActivePortByPHub(&p);
    if (port != nullptr) *port = p;
    return result;
  }
  // Negotiations the embedded printer answered (its trace shows a connection only a moment
  // later; a negotiation has been answered when D4Negotiation returns).
  std::size_t EmbeddedNegotiations() { return embedded.Trace("negotiate").size(); }

  testing_support::VirtualPrinter embedded;  // first: it names the embedded printer
  testing_support::NoPrinterNamed unnamed;
};

TEST_F(PortSearch, AStandaloneFoundOnceIsTheOnlyPrinterUntilTheLibraryIsFreed) {
  auto standalone = std::make_unique<testing_support::StandalonePrinter>();
  uint16_t port = 0;
  ASSERT_EQ(Search(&port), 1);
  EXPECT_EQ(port, kSocketPort);
  ASSERT_EQ(D4Negotiation(), 1);

  // Switched off: the open connection drops, and the search finds nothing, embedded or not.
  standalone->PowerOff();
  uint8_t value = 0;
  const int16_t dropped =
      D4ReadEeprom(QUORLA_Z40_MODEL_CODE_1, QUORLA_Z40_MODEL_CODE_2, 0x0A, &value);
  EXPECT_TRUE(dropped == -104 || dropped == -103) << dropped;  // read or write, whichever fails
  EXPECT_EQ(Search(), -105);
  // Gone altogether, socket file and all: still not the embedded printer.
  standalone.reset();
  EXPECT_EQ(Search(), -105);
  EXPECT_EQ(EmbeddedNegotiations(), 0u);

  // A new load of the library starts from nothing.
  FreeLibraryByPHub();
  LoadLibraryByPHub();
  ASSERT_EQ(Search(&port), 1);
  EXPECT_EQ(port, kEmbeddedPort);
}

// The socket is there but refuses: a standalone printer switched off (or hung), not a reason to
// take the embedded printer instead, not even at the first search.
TEST_F(PortSearch, ASocketThatRefusesIsAPrinterSwitchedOff) {
  testing_support::StandalonePrinter standalone;
  standalone.PowerOff();
  EXPECT_EQ(Search(), -105);
  EXPECT_EQ(D4Negotiation(), -105);
  EXPECT_EQ(EmbeddedNegotiations(), 0u);
}

TEST_F(PortSearch, AnEmbeddedPrinterFoundFirstStaysTheOne) {
  uint16_t port = 0;
  ASSERT_EQ(Search(&port), 1);
  EXPECT_EQ(port, kEmbeddedPort);
  testing_support::StandalonePrinter standalone;
  ASSERT_EQ(Search(&port), 1);
  EXPECT_EQ(port, kEmbeddedPort);
  ASSERT_EQ(D4Negotiation(), 1);
  EXPECT_EQ(EmbeddedNegotiations(), 1u);
}

}  // namespace
