#include <gtest/gtest.h>

#include "link/mechcmd.h"
#include "link/modelcode.h"
#include "link/pktlink.h"
#include "tests/support/vprinterfixture.h"

namespace {
constexpr uint8_t M1 = QUORLA_Z40_MODEL_CODE_1;
constexpr uint8_t M2 = QUORLA_Z40_MODEL_CODE_2;

class LinkSmokeTest : public testing_support::VirtualPrinterTest {};

TEST_F(LinkSmokeTest, ReadsAndWritesEeprom) {
  uint8_t value = 0;
  ASSERT_EQ(D4ReadEeprom(M1, M2, 0x47, &value), 1);
  EXPECT_EQ(value, 0x32);
  ASSERT_EQ(D4WriteEeprom(M1, M2, 0x2E, 0x19), 1);
  EXPECT_EQ(printer().Eeprom(0x2E), 0x19);
  PrinterStatus status{};
  ASSERT_EQ(SoftReset(), 1);
  ASSERT_EQ(InquireStatus(&status), 1);
  EXPECT_EQ(status.Status, 0xEFFB);
  const uint8_t bytes[3] = {1, 2, 3};
  ASSERT_EQ(SendDataChannel(bytes, 3), 1);
  ASSERT_EQ(HeadCleaning(M1, M2, 2), 1);
  ASSERT_EQ(WriteBid(M1, M2, 2, 2, 0xFB), 1);
  EXPECT_EQ(printer().Eeprom(0x37), 0xFB);
  ASSERT_EQ(ReadCrtag(M1, M2, 1, 35, &value), 1);
  EXPECT_EQ(value, 'K');
  for (const auto& op : printer().TraceOps()) std::printf("%s\n", op.c_str());
}
}  // namespace
