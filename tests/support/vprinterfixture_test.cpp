// The printer fixture itself: trace parsing, and a printer that survives what tests do to it.
#include "tests/support/vprinterfixture.h"

#include <gtest/gtest.h>

#include "link/modelcode.h"
#include "link/pktlink.h"
#include "link/porthub.h"
#include "makerlibs/porthub/portcontrol.h"

namespace testing_support {
namespace {

TEST(TraceLine, ParsesNumbersStringsAndEscapes) {
  TraceEntry e;
  ASSERT_TRUE(ParseTraceLine(R"({"seq":3,"op":"write_bid","drop":1,"ink":2,"value":-36})", &e));
  EXPECT_EQ(e.op, "write_bid");
  EXPECT_EQ(e.Num("seq"), 3);
  EXPECT_EQ(e.Num("value"), -36);
  EXPECT_EQ(e.Refused(), 0);
  ASSERT_TRUE(ParseTraceLine(R"({"seq":4,"op":"data","hex":"1B40","refused":144})", &e));
  EXPECT_EQ(e.Bytes(), (std::vector<uint8_t>{0x1B, 0x40}));
  EXPECT_EQ(e.Refused(), 144);
  ASSERT_TRUE(ParseTraceLine(R"({"seq":5,"op":"sheet","file":"a\"b\u000a"})", &e));
  EXPECT_EQ(e.strings.at("file"), "a\"b\n");
  for (const char* bad : {"", "{}", R"({"seq":1})", R"({"op":"x",)", R"({"op":"x","n":-})",
                          R"({"op":"x" "n":1})", R"({"op":"x","s":"open)"}) {
    EXPECT_FALSE(ParseTraceLine(bad, &e)) << bad;
  }
}

class FixtureTest : public VirtualPrinterTest {};

TEST_F(FixtureTest, StartsConnectedWithAnEmptyTraceAndTheModelCode) {
  EXPECT_TRUE(printer().Trace().empty());
  EXPECT_EQ(CurrentModelCode1(), QUORLA_Z40_MODEL_CODE_1);
  uint8_t value = 0;
  ASSERT_EQ(D4ReadEeprom(CurrentModelCode1(), CurrentModelCode2(), 0x47, &value), 1);
  EXPECT_EQ(printer().Trace("eeprom_read").size(), 1u);
  EXPECT_TRUE(printer().Trace("eeprom_write").empty());
}

TEST_F(FixtureTest, PrinterOutlivesFreeLibraryAndARestart) {
  printer().SetEeprom(0x10, {1, 2, 3});
  PortCloseByPHub();
  FreeLibraryByPHub();
  EXPECT_EQ(printer().Eeprom(0x11), 2);
  StopEmbeddedPrinter();
  EXPECT_EQ(printer().Eeprom(0x12), 3);  // started again from its saved state
  EXPECT_EQ(printer().Connect(), 1);
}

}  // namespace
}  // namespace testing_support
