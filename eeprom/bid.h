// The six Bi-D alignment values: one signed cell per drop size and ink group, written through the
// mechanism library's WriteBid and read back from the EEPROM.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "eeprom/addressmap.h"
#include "link/resultcode.h"

struct BidValueInfo {
  int dropSize;      // 1 = MS, 2 = 6pl, 3 = 4pl
  int inkGroup;      // 1 = Black, 2 = Color
  uint8_t cell;      // where WriteBid stores it
  const char* name;  // "MS Black" ... as the panels and reports name it
  ResultCode rangeError;
};

constexpr BidValueInfo MakeBidValueInfo(int dropSize, int inkGroup, const char* name) {
  return {dropSize, inkGroup, eeprom::BidCell(dropSize, inkGroup), name,
          static_cast<ResultCode>(rc::BidMsBlackWrong + 2 * (dropSize - 1) + (inkGroup - 1))};
}

// The six values in the order the program processes them.
inline constexpr std::array<BidValueInfo, 6> kBidValues = {
    MakeBidValueInfo(1, 1, "MS Black"),  MakeBidValueInfo(1, 2, "MS Color"),
    MakeBidValueInfo(2, 1, "6pl Black"), MakeBidValueInfo(2, 2, "6pl Color"),
    MakeBidValueInfo(3, 1, "4pl Black"), MakeBidValueInfo(3, 2, "4pl Color"),
};

// The entry of a pair; a pair outside drop size 1..3 and ink group 1..2 is a programming error
// and raises std::out_of_range before anything reaches the printer.
const BidValueInfo& BidValueOf(int inkGroup, int dropSize);

class Bid {
 public:
  // On 1 *text holds the stored value as signed decimal (-5, 0, 12); otherwise it is unchanged.
  ResultCode ReadBidValue(int inkGroup, int dropSize, std::string* text) const;
  // Text that is not an integer counts as 100; a value outside -36..36 gives the range error of
  // the pair and sends nothing; otherwise WriteBid's result.
  ResultCode WriteBidValue(int inkGroup, int dropSize, std::string_view text) const;
  // 8193 + 2 x (drop size - 1) + (ink group - 1).
  static ResultCode RangeError(int inkGroup, int dropSize);
};
