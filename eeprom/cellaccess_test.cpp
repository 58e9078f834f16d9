#include "eeprom/cellaccess.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "eeprom/eepromtrace_testutil.h"
#include "link/modelcode.h"

namespace {

using Cells = std::vector<std::pair<int, int>>;

class CellAccessTest : public testing_support::VirtualPrinterTest {};

TEST_F(CellAccessTest, InitialSettingWritesItsFourBytesInOrder) {
  ASSERT_EQ(eeprom::WriteCells(eeprom::kInitialSetting), rc::Success);
  EXPECT_EQ(eeprom_testing::Writes(printer()),
            (Cells{{0x5F, 0x00}, {0x09, 0x04}, {0x3A, 0x03}, {0x3C, 0x9E}}));
  // Twice writes the same bytes again.
  ASSERT_EQ(eeprom::WriteCells(eeprom::kInitialSetting), rc::Success);
  EXPECT_EQ(eeprom_testing::Writes(printer()).size(), 8u);
}

TEST_F(CellAccessTest, SequenceStopsAtTheFailingWriteWithoutRollback) {
  printer().SetEeprom(0x5F, 0x77);
  printer().SetEeprom(0x09, 0x77);
  printer().SetEeprom(0x3A, 0x77);
  printer().SetEeprom(0x3C, 0x77);
  printer().FailNth(testing_support::Op::kEepromWrite, 3, rc::ReceiveTimeout);
  EXPECT_EQ(eeprom::WriteCells(eeprom::kInitialSetting), rc::ReceiveTimeout);
  EXPECT_EQ(printer().Eeprom(0x5F), 0x00);
  EXPECT_EQ(printer().Eeprom(0x09), 0x04);
  EXPECT_EQ(printer().Eeprom(0x3A), 0x77);
  EXPECT_EQ(printer().Eeprom(0x3C), 0x77);
  EXPECT_EQ(eeprom_testing::Writes(printer()).size(), 3u);
}

TEST_F(CellAccessTest, ReadFailureLeavesTheByteAndLaterCellsUnread) {
  printer().SetEeprom(0x10, {0x11, 0x22, 0x33});
  printer().FailNth(testing_support::Op::kEepromRead, 2, rc::LinkReceiveError);
  const uint8_t addresses[] = {0x10, 0x11, 0x12};
  uint8_t values[] = {0, 0, 0};
  EXPECT_EQ(eeprom::ReadCells(addresses, values), rc::LinkReceiveError);
  EXPECT_EQ(values[0], 0x11);
  EXPECT_EQ(values[1], 0);
  EXPECT_EQ(values[2], 0);
  EXPECT_EQ(eeprom_testing::Reads(printer()), (std::vector<int>{0x10, 0x11}));
}

TEST_F(CellAccessTest, EveryCallCarriesTheCurrentModelCode) {
  // A different model selected: the printer refuses, and nothing is written.
  const FixedModelCode other(0, QUORLA_Z40_MODEL_CODE_1, QUORLA_Z40_MODEL_CODE_2 + 1);
  SetModelCodeSource(&other);
  const uint8_t before = printer().Eeprom(0x20);
  EXPECT_NE(eeprom::WriteCell(0x20, static_cast<uint8_t>(before + 1)), rc::Success);
  uint8_t value = 0x5A;
  EXPECT_NE(eeprom::ReadCell(0x20, &value), rc::Success);
  EXPECT_EQ(value, 0x5A);
  EXPECT_EQ(printer().Eeprom(0x20), before);

  const FixedModelCode z40;
  SetModelCodeSource(&z40);
  EXPECT_EQ(eeprom::WriteCell(0x20, static_cast<uint8_t>(before + 1)), rc::Success);
  EXPECT_EQ(printer().Eeprom(0x20), static_cast<uint8_t>(before + 1));
  SetModelCodeSource(nullptr);
}

}  // namespace
