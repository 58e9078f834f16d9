#include "eeprom/bid.h"

#include <QString>
#include <stdexcept>

#include "eeprom/cellaccess.h"
#include "eeprom/eepromtext.h"
#include "link/mechcmd.h"
#include "link/modelselection.h"
#include "platform/convert.h"

namespace {
// What a text that is not a number counts as: far outside the range, so it is refused.
constexpr int kNotANumber = 100;
}  // namespace

const BidValueInfo& BidValueOf(int inkGroup, int dropSize) {
  for (const BidValueInfo& info : kBidValues) {
    if (info.inkGroup == inkGroup && info.dropSize == dropSize) return info;
  }
  throw std::out_of_range("no Bi-D value for ink group " + std::to_string(inkGroup) +
                          " and drop size " + std::to_string(dropSize));
}

ResultCode Bid::RangeError(int inkGroup, int dropSize) {
  return BidValueOf(inkGroup, dropSize).rangeError;
}

ResultCode Bid::ReadBidValue(int inkGroup, int dropSize, std::string* text) const {
  uint8_t cell = 0;
  const ResultCode result = eeprom::ReadCell(BidValueOf(inkGroup, dropSize).cell, &cell);
  if (result == rc::Success) *text = eeprom::SignedCellText(cell);
  return result;
}

ResultCode Bid::WriteBidValue(int inkGroup, int dropSize, std::string_view text) const {
  const BidValueInfo& info = BidValueOf(inkGroup, dropSize);
  const int value = platform::StrToIntDef(
      QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size())), kNotANumber);
  if (value < eeprom::kBidMin || value > eeprom::kBidMax) return info.rangeError;
  return WriteBid(CurrentModelCode1(), CurrentModelCode2(), static_cast<uint8_t>(info.dropSize),
                  static_cast<uint8_t>(info.inkGroup), static_cast<uint8_t>(value));
}
