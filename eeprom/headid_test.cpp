#include "eeprom/headid.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "eeprom/eepromtrace_testutil.h"

namespace {

constexpr const char* kAlphabet = "ABCDEFGHJKLMNOPQRSTUVWXYZ123456789%*+-$:";

TEST(HeadIdAlphabet, CodesRunOverTheFortyCharactersInOrder) {
  for (int code = 1; code <= 40; ++code) {
    const char c = kAlphabet[code - 1];
    EXPECT_EQ(HeadId::IdCharToValue(c), code) << c;
    EXPECT_EQ(HeadId::ValueToIdChar(static_cast<uint8_t>(code)), c) << code;
  }
  EXPECT_EQ(HeadId::IdCharToValue('H'), 8);
  EXPECT_EQ(HeadId::IdCharToValue('J'), 9);
  EXPECT_EQ(HeadId::IdCharToValue('1'), 26);
  EXPECT_EQ(HeadId::IdCharToValue('9'), 34);
  EXPECT_EQ(HeadId::IdCharToValue(':'), 40);
}

TEST(HeadIdAlphabet, EverythingElseIsCodeZeroAndOtherBytesComeBackUnchanged) {
  for (const char c : {'I', '0', 'a', 'z', ' ', '#', '/', '.', '\0', '\xFF'}) {
    EXPECT_EQ(HeadId::IdCharToValue(c), 0) << int{c};
  }
  EXPECT_EQ(HeadId::ValueToIdChar(0), '\0');
  EXPECT_EQ(HeadId::ValueToIdChar(41), static_cast<char>(41));
  EXPECT_EQ(HeadId::ValueToIdChar(0x32), static_cast<char>(0x32));
  EXPECT_EQ(HeadId::ValueToIdChar(0xFF), static_cast<char>(0xFF));
}

ResultCode Encode(const std::string& text, HeadId::StoredForm* form = nullptr) {
  HeadId::StoredForm local{};
  return HeadId::EncodeHeadId(text, form != nullptr ? form : &local);
}

TEST(HeadIdValidation, ValidTextsAndTheirStoredForm) {
  HeadId::StoredForm form{};
  ASSERT_EQ(Encode("A1AAAAATTTC", &form), rc::Success);
  EXPECT_EQ(form, (HeadId::StoredForm{1, 1, 1, 1, 1, 1, 1, 0x32, 0x32, 0x32}));
  EXPECT_EQ(HeadId::CheckCode(form), 3);

  ASSERT_EQ(Encode("AZAAAAATTTG", &form), rc::Success);
  EXPECT_EQ(form[1], 0);
  EXPECT_EQ(HeadId::CheckCode(form), 7);

  // Digits 1..4 in position 2 are stored as their numbers, not as alphabet codes.
  ASSERT_EQ(Encode("A4AAAAATTTW", &form), rc::Success);
  EXPECT_EQ(form[1], 4);
}

TEST(HeadIdValidation, CheckCharacterIsAlwaysCodeOneToThirtyOne) {
  // Sweep position 4 over the whole alphabet and position 2 over its five choices: every check
  // character the rule produces is accepted and every other one is refused.
  for (const char second : std::string("Z1234")) {
    for (int code = 1; code <= 40; ++code) {
      std::string text = std::string("B") + second + "C" + kAlphabet[code - 1] + "DEFTTT?";
      int sum = 0;
      const int w[] = {2, second == 'Z' ? 0 : second - '0', 3, code, 4, 5, 6, 50, 50, 50};
      for (int i = 0; i < 10; ++i) sum += 2 * (i + 1) * w[i];
      const int expected = 31 - sum % 31;
      for (int check = 1; check <= 40; ++check) {
        text[10] = kAlphabet[check - 1];
        EXPECT_EQ(Encode(text), check == expected ? rc::Success : rc::HeadIdCheckInvalid) << text;
      }
    }
  }
}

TEST(HeadIdValidation, FirstBadPositionDecides) {
  struct Case {
    const char* text;
    ResultCode code;
  };
  const Case cases[] = {
      {"A1AAAAATTTD", rc::HeadIdCheckInvalid},
      {"A1AAAAATTT0", rc::HeadIdCheckInvalid},  // check character outside the alphabet
      {"AIAAAAATTTC", 0x1003},                  // letter I in position 2
      {"0IAAAAATTTC", 0x1002},                  // digit zero first, even with a bad position 2
      {"91AAAAATTTC", 0x1002},                  // 9 is code 34, above 33
      {"A5AAAAATTTC", 0x1003},
      {"AAAAAAATTTC", 0x1003},
      {"A1%AAAATTTC", 0x1004},  // code 35 in position 3
      {"A1AIAAATTTC", 0x1005},
      {"A1AA$AATTTC", 0x1006},  // $ (39) not allowed in 5..7
      {"A1AAA:ATTTC", 0x1007},
      {"A1AAAA$TTTC", 0x1008},
      {"A1AAAAAATTC", 0x1009},
      {"A1AAAAATATC", 0x100A},
      {"A1AAAAATTSC", 0x100B},
      {"a1AAAAATTTC", 0x1002},  // lower case is not in the alphabet
      {"A1AAAAATTT", rc::HeadIdDigitCount},
      {"A1AAAAATTTCC", rc::HeadIdDigitCount},
      {"", rc::HeadIdDigitCount},
      {"0IIIIIIIII0I", rc::HeadIdDigitCount},  // length is checked before any character
  };
  for (const Case& c : cases) EXPECT_EQ(Encode(c.text), c.code) << c.text;
}

TEST(HeadIdValidation, NineIsAllowedInPositionThreeAndColonInPositionFour) {
  HeadId::StoredForm form{};
  // Compute the right check character for these stored values and confirm acceptance.
  const HeadId::StoredForm expected = {1, 1, 34, 40, 38, 38, 38, 0x32, 0x32, 0x32};
  const char check = HeadId::ValueToIdChar(HeadId::CheckCode(expected));
  ASSERT_EQ(Encode(std::string("A19:---TTT") + check, &form), rc::Success);
  EXPECT_EQ(form, expected);
}

}  // namespace

// --- Against the virtual printer.

namespace {

using eeprom_testing::Reads;
using eeprom_testing::Writes;
using Cells = std::vector<std::pair<int, int>>;

class HeadIdPrinterTest : public testing_support::VirtualPrinterTest {
 protected:
  // A stored ID "B2CDEFGTTT" (check computed), written straight into the cells.
  void StoreOldId() {
    printer().SetEeprom(0x3F, {2, 3, 4, 0x77, 5, 6, 7, 2, 0x32, 0x32, 0x32, 0x32});
  }
  const HeadId headId_{};
};

TEST_F(HeadIdPrinterTest, WritesPositionsInOrderAndTheMarkerLast) {
  for (int a = 0x3F; a <= 0x4A; ++a) printer().SetEeprom(static_cast<uint8_t>(a), 0xFF);
  ASSERT_EQ(headId_.WriteHeadId("A1AAAAATTTC"), rc::Success);
  EXPECT_EQ(Writes(printer()), (Cells{{0x3F, 1},
                                      {0x46, 1},
                                      {0x40, 1},
                                      {0x41, 1},
                                      {0x43, 1},
                                      {0x44, 1},
                                      {0x45, 1},
                                      {0x48, 0x32},
                                      {0x49, 0x32},
                                      {0x4A, 0x32},
                                      {0x47, 0x32}}));
  EXPECT_EQ(printer().Eeprom(0x42), 0xFF);  // inside the block, not part of the ID
  EXPECT_TRUE(Reads(printer()).empty());    // no read-back
}

TEST_F(HeadIdPrinterTest, RefusedTextSendsNothing) {
  for (const char* text : {"A1AAAAATTTD", "AIAAAAATTTC", "A1AAAAATTT", "A1AAAAATTSC"}) {
    EXPECT_NE(headId_.WriteHeadId(text), rc::Success) << text;
  }
  EXPECT_TRUE(printer().Trace().empty());
}

TEST_F(HeadIdPrinterTest, FailureAtTheFifthWriteLeavesFourCellsRewritten) {
  StoreOldId();
  const std::vector<uint8_t> before = printer().Eeprom(0x3F, 0x4A);
  printer().FailNth(testing_support::Op::kEepromWrite, 5, rc::PortTransmitError);
  EXPECT_EQ(headId_.WriteHeadId("A1AAAAATTTC"), rc::PortTransmitError);
  EXPECT_EQ(Writes(printer()).size(), 5u);  // nothing after the failure
  for (int a = 0x3F; a <= 0x4A; ++a) {
    const bool rewritten = a == 0x3F || a == 0x46 || a == 0x40 || a == 0x41;
    EXPECT_EQ(printer().Eeprom(static_cast<uint8_t>(a)), rewritten ? 1 : before[a - 0x3F]) << a;
  }
  // The old markers still stand, so a check shows the mixture with a check ID over it.
  char place[11];
  ASSERT_EQ(headId_.ReadHeadId(place), rc::Success);
  const HeadId::StoredForm mixture = {1, 1, 1, 1, 5, 6, 7, 0x32, 0x32, 0x32};
  EXPECT_EQ(std::string(place, 11),
            std::string("A1AAEFGTTT") + HeadId::ValueToIdChar(HeadId::CheckCode(mixture)));
}

TEST_F(HeadIdPrinterTest, ReadsAscendingAndShowsAFreshCheckCharacter) {
  ASSERT_EQ(headId_.WriteHeadId("AZAAAAATTTG"), rc::Success);
  printer().ClearTrace();
  char place[12] = "xxxxxxxxxxx";
  ASSERT_EQ(headId_.ReadHeadId(place), rc::Success);
  EXPECT_EQ(std::string(place, 11), "AZAAAAATTTG");
  EXPECT_EQ(place[11], '\0');  // eleven characters, nothing beyond
  EXPECT_EQ(Reads(printer()),
            (std::vector<int>{0x3F, 0x40, 0x41, 0x43, 0x44, 0x45, 0x46, 0x47, 0x48, 0x49, 0x4A}));
  EXPECT_TRUE(Writes(printer()).empty());

  ASSERT_EQ(headId_.WriteHeadId("A4AAAAATTTW"), rc::Success);
  ASSERT_EQ(headId_.ReadHeadId(place), rc::Success);
  EXPECT_EQ(std::string(place, 11), "A4AAAAATTTW");
}

TEST_F(HeadIdPrinterTest, AnyWrongMarkerCellGivesHeadIdInvalidAndLeavesThePlace) {
  for (const uint8_t marker : {0x47, 0x48, 0x49, 0x4A}) {
    StoreOldId();
    printer().SetEeprom(marker, 0x33);
    char place[11];
    std::fill(std::begin(place), std::end(place), '-');
    EXPECT_EQ(headId_.ReadHeadId(place), rc::HeadIdInvalid) << int{marker};
    EXPECT_EQ(std::string(place, 11), std::string(11, '-'));
  }
}

TEST_F(HeadIdPrinterTest, ForeignStoredBytesShowRaw) {
  StoreOldId();
  char place[11];
  ASSERT_EQ(headId_.ReadHeadId(place), rc::Success);
  // 0x3F..0x45 = 2, 3, 4, 0x77(0x42, unused), 5, 6, 7; 0x46 = 2.
  const HeadId::StoredForm stored = {2, 2, 3, 4, 5, 6, 7, 0x32, 0x32, 0x32};
  EXPECT_EQ(std::string(place, 11),
            std::string("B2CDEFGTTT") + HeadId::ValueToIdChar(HeadId::CheckCode(stored)));

  printer().SetEeprom(0x3F, 0x5A);  // 'Z' as a raw byte, not a code
  printer().SetEeprom(0x46, 7);     // position 2 beyond "4"
  ASSERT_EQ(headId_.ReadHeadId(place), rc::Success);
  EXPECT_EQ(place[0], 'Z');
  EXPECT_EQ(place[1], '7');
}

TEST_F(HeadIdPrinterTest, ReadFailureStopsAtOnceAndLeavesThePlace) {
  StoreOldId();
  printer().FailNth(testing_support::Op::kEepromRead, 7, rc::ReceiveTimeout);
  char place[11];
  std::fill(std::begin(place), std::end(place), '-');
  EXPECT_EQ(headId_.ReadHeadId(place), rc::ReceiveTimeout);
  EXPECT_EQ(Reads(printer()).size(), 7u);
  EXPECT_EQ(std::string(place, 11), std::string(11, '-'));
}

}  // namespace
