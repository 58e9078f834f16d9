#include "print/checkpattern.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>

#include "eeprom/addressmap.h"
#include "print/printtest_util.h"

using printtest::Decoded;
using printtest::Hex;
using testing::ElementsAre;
using vprinter::Op;

namespace {

class CheckPageTest : public printtest::PrinterPatternTest {
 protected:
  void SetCounter(int value) {
    printer().SetEeprom(eeprom::kProtectionCounterHigh, static_cast<uint8_t>(value >> 8));
    printer().SetEeprom(eeprom::kProtectionCounterLow, static_cast<uint8_t>(value & 0xFF));
  }
  // The text ops and form feeds of what was printed, in order.
  std::vector<std::string> TextsAndFeeds(const Decoded& d) {
    std::vector<std::string> out;
    for (const std::string& op : d.ops) {
      if (op == "FF" ||
          (op.rfind("text:", 0) == 0 && op.find("data =") == std::string::npos &&
           op.find("  MS ") == std::string::npos && op.find("  6pl ") == std::string::npos &&
           op.find("  4pl ") == std::string::npos)) {
        out.push_back(op);
      }
    }
    return out;
  }

  Maintenance maintenance_;
  HeadId headId_;
  UsbId usbId_;
  CheckPatterns patterns_;
  AngularPattern angular_;
  BidPattern bid_;
  CheckPage page_{maintenance_, headId_, usbId_, patterns_, angular_, bid_};
};

TEST_F(CheckPageTest, FieldsStartAsBlanksAndZeros) {
  EXPECT_EQ(std::string(page_.ProtectionCounterField(), 6), std::string("     \0", 6));
  EXPECT_EQ(std::string(page_.HeadIdField(), 12), std::string(11, '0') + '\0');
  EXPECT_EQ(std::string(page_.UsbIdField(), 19), std::string(18, '0') + '\0');
}

TEST_F(CheckPageTest, PrintsTwoSheetsInOrder) {
  SetCounter(45678);
  char headId[11];
  ASSERT_EQ(headId_.ReadHeadId(headId), rc::Success);
  const std::vector<uint8_t> bidBefore = printer().Eeprom(0x33, 0x38);
  printer().ClearTrace();

  ASSERT_EQ(page_.PrintCheckPage(job_), rc::Success);
  EXPECT_EQ(job_.Fill(), 0);

  // The three values are read before anything is sent, then the top margin and the Bi-D cells.
  std::vector<long long> reads = {eeprom::kProtectionCounterLow, eeprom::kProtectionCounterHigh};
  reads.insert(reads.end(), eeprom::kHeadIdReadOrder.begin(), eeprom::kHeadIdReadOrder.end());
  for (int a = 0x4D; a <= 0x5E; ++a) reads.push_back(a);
  reads.insert(reads.end(), {0x2E, 0x33, 0x36, 0x34, 0x37, 0x35, 0x38});
  EXPECT_EQ(Field("eeprom_read", "addr"), reads);
  const std::vector<std::string> order = CallOrder();
  ASSERT_GE(order.size(), 2u);
  EXPECT_EQ(order[order.size() - 1], "data");
  // After the Bi-D pattern's last restore: the first sheet's flush, then a wait before each of
  // the three sections of the second sheet.
  ASSERT_GE(order.size(), 11u);
  const std::vector<std::string> tail(order.end() - 11, order.end());
  EXPECT_THAT(tail, ElementsAre("write_bid", "data", "soft_reset", "status", "data", "soft_reset",
                                "status", "data", "soft_reset", "status", "data"));
  EXPECT_EQ(printer().Trace("soft_reset").size(), 6u + 3u);
  // Both form feeds eject a sheet, the second one last of all.
  EXPECT_EQ(printer().Trace("sheet").size(), 2u);
  EXPECT_EQ(printer().TraceOps().back(), "sheet");
  EXPECT_THAT(sleep_.calls(), ElementsAre(10, 2000, 2000, 2000, 2000, 2000, 2000, 1000, 1000, 1000,
                                          1000, 1000, 1000));

  const Decoded d = PrintedOnPrinter();
  ASSERT_GE(d.ops.size(), 4u);
  EXPECT_THAT(std::vector<std::string>(d.ops.begin(), d.ops.begin() + 4),
              ElementsAre("remote:REMOTE1", "remote:SN 00 00 03", "remote-end", "reset"));
  EXPECT_THAT(
      TextsAndFeeds(d),
      ElementsAre(
          "text:Top margin value = \\00\\0\\0\\0", "text:2. Protection counter value = \\045678",
          "text:3. Beta pattern(BK/C-M-Y)\\0", "text:4. Nozzle check pattern(BK/C-M-Y)\\0",
          "text:5. \\0Head Angular pattern(BK-M)\\0", "text:6. \\0Bi-D check pattern\\0", "FF",
          "text:7. Head ID = \\0" + std::string(headId, 11),
          "text:8. USB ID = \\0Q40Z123456Q6UAEM10", "text:9. Alignment pattern(BK/C-M-Y)\\0",
          "text:10. Color Gap\\0", "text:11. 6pl VARIABLE DOT\\0", "FF"));
  // The second sheet begins with two line ends before the head ID.
  const auto ff = std::find(d.ops.begin(), d.ops.end(), "FF");
  ASSERT_NE(ff, d.ops.end());
  EXPECT_THAT(std::vector<std::string>(ff + 1, ff + 4),
              ElementsAre("CRLF", "CRLF", "text:7. Head ID = \\0" + std::string(headId, 11)));
  // The Bi-D values are back as they were.
  EXPECT_EQ(printer().Eeprom(0x33, 0x38), bidBefore);
}

TEST_F(CheckPageTest, AShorterCounterNeverShowsTheTailOfALongerOne) {
  SetCounter(45678);
  ASSERT_EQ(page_.PrintCheckPage(job_), rc::Success);
  SetCounter(123);
  printer().ClearTrace();
  ASSERT_EQ(page_.PrintCheckPage(job_), rc::Success);
  const std::string heading =
      "32 2E 20 50 72 6F 74 65 63 74 69 6F 6E 20 63 6F 75 6E 74 65 72 20 "
      "76 61 6C 75 65 20 3D 20 00 ";
  const std::string wire = Hex(printer().PrintData());
  const std::size_t at = wire.find(heading);
  ASSERT_NE(at, std::string::npos);
  EXPECT_EQ(wire.substr(at + heading.size(), 14), "31 32 33 00 20");
}

TEST_F(CheckPageTest, ALowerCaseUsbIdFailsBeforeAnythingIsPrinted) {
  printer().SetEeprom(0x4D, 'q');
  EXPECT_EQ(page_.PrintCheckPage(job_), rc::UsbIdInvalid);
  EXPECT_EQ(job_.Fill(), 0);
  EXPECT_EQ(DataPackets(), 0);
}

TEST_F(CheckPageTest, AFailedCounterReadEndsThePageAtOnce) {
  printer().FailNth(Op::kEepromRead, 1, rc::LinkReceiveError);
  EXPECT_EQ(page_.PrintCheckPage(job_), rc::LinkReceiveError);
  EXPECT_EQ(printer().Trace("eeprom_read").size(), 1u);
  EXPECT_EQ(job_.Fill(), 0);
  EXPECT_EQ(DataPackets(), 0);
}

TEST_F(CheckPageTest, AFailureInTheBiDItemRestoresTheStoredValueAndEjectsNoSheet) {
  printer().FailNth(Op::kWriteBid, 2, rc::LinkReceiveError);
  BidRestore restore;
  EXPECT_EQ(page_.PrintCheckPage(job_, &restore), rc::LinkReceiveError);
  // MS Black was 3: the test block for 1 went out, the write of 3 failed, 3 is written back.
  EXPECT_THAT(Field("write_bid", "value"), ElementsAre(1, 3, 3));
  EXPECT_EQ(printer().Eeprom(0x33), 3);
  EXPECT_TRUE(restore.touched);
  EXPECT_EQ(restore.dropSize, 1);
  EXPECT_EQ(restore.inkGroup, 1);
  EXPECT_TRUE(restore.Restored());
  const Decoded d = PrintedOnPrinter();
  EXPECT_EQ(printtest::CountOp(d, "FF"), 0);
  EXPECT_EQ(printer().Trace("soft_reset").size(), 1u);  // the Bi-D row's wait only
}

TEST_F(CheckPageTest, AFailedSendEndsThePageWithItsBytesQueued) {
  printer().FailNth(Op::kData, 1, rc::PortTransmitError);
  EXPECT_EQ(page_.PrintCheckPage(job_), rc::PortTransmitError);
  EXPECT_EQ(DataPackets(), 0);
  EXPECT_EQ(job_.Fill(), 1000);
  EXPECT_EQ(Hex(job_.Waiting().subspan(0, 6)), "1B 28 52 08 00 00");
  EXPECT_TRUE(printer().Trace("write_bid").empty());
}

}  // namespace
