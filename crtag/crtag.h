// The cartridges' CRTAG chips: the fields the program knows, read one byte per library call,
// decoded and composed into the two texts per cartridge that the workbench shows and prints, the
// "unique information" (maker and dates) and the "usage information" (ink and event counters).
//
// Every routine returns 1 or the first result other than 1, unchanged; outputs are written only on
// success. A production date that cannot be a date raises platform::ConvertError with a message
// that names the cartridge and the bytes read (docs/crtag.md).
#pragma once

#include <QDate>
#include <QString>
#include <array>
#include <cstdint>
#include <string>

#include "link/resultcode.h"

class RasterJob;

// Chip addresses of the fields.
namespace crtagfield {
inline constexpr uint8_t kInk = 0;  // black, or cyan, magenta and yellow at 0, 1, 2
inline constexpr uint8_t kCleaning = 6;
inline constexpr uint8_t kInstall = 7;
inline constexpr uint8_t kYear = 12;
inline constexpr uint8_t kMonth = 13;
inline constexpr uint8_t kDay = 14;
inline constexpr uint8_t kRecycle = 21;
inline constexpr uint8_t kEffectPeriod = 28;
inline constexpr uint8_t kOpenEffectPeriod = 29;
inline constexpr uint8_t kCompany = 35;  // five characters, 35..39
}  // namespace crtagfield

class Crtag {
 public:
  // Cartridge selectors.
  static constexpr uint8_t kBlack = 0;
  static constexpr uint8_t kColor = 1;

  // A byte as decimal text: up to three digits and a terminating zero.
  using DecimalText = std::array<char, 4>;
  // The product company: five characters and a terminating zero.
  using CompanyText = std::array<char, 6>;
  // Ink left: black in [0]; cyan, magenta and yellow in [0], [1], [2] of the colour cartridge.
  using InkTexts = std::array<DecimalText, 3>;

  // The production date as the chip holds it: two-digit year, month, day.
  struct DateBytes {
    uint8_t year = 0;
    uint8_t month = 0;
    uint8_t day = 0;
  };

  // --- Field readers ---------------------------------------------------------------------------

  ResultCode ReadCompanyCode(uint8_t cartridge, CompanyText* company) const;
  ResultCode ReadInkCounters(uint8_t cartridge, InkTexts* inks) const;
  ResultCode ReadCleaningCounter(uint8_t cartridge, DecimalText* text) const;
  ResultCode ReadInstallCounter(uint8_t cartridge, DecimalText* text) const;
  ResultCode ReadProductDate(uint8_t cartridge, QDate* date) const;
  ResultCode ReadRecycleCounter(uint8_t cartridge, DecimalText* text) const;
  // Reads the effect period first, then the production date.
  ResultCode ReadEffectDate(uint8_t cartridge, QDate* date) const;
  ResultCode ReadOpenEffectPeriod(uint8_t cartridge, DecimalText* text) const;

  // --- Composers -------------------------------------------------------------------------------

  // " ", "Product company = ", "Product date = ", "Effect date = ", "Open effect period = ",
  // lines ended by CR LF but the last. 0x4000 for a chip of another maker, 0x4001 for a cartridge
  // past its effect date (today later than it).
  ResultCode CrtagUniqueText(uint8_t cartridge, std::string* text) const;
  // " ", "Ink counter consumption quantity", the ink lines, an empty line, the three counters.
  ResultCode CrtagUsageText(uint8_t cartridge, std::string* text) const;

  // The chip information page: the four texts composed first (black unique, black usage, colour
  // unique, colour usage; the first failure ends it before anything is sent), then sent as plain
  // text, headings and texts straight to the data channel with the job's waiting bytes flushed
  // ahead of each, line ends and the form feed through the job. A send that fails after the page
  // has begun drops what the page left waiting in the job.
  ResultCode PrintCrtagInformation(RasterJob& job) const;

  // The code the chip item reports for a composer's result: the chip refusals 0x4000 and 0x4001
  // become the cartridge's own refusal code, whose text names the cartridge; others are kept.
  static ResultCode RefusalFor(uint8_t cartridge, ResultCode result);

  // --- Decoding --------------------------------------------------------------------------------

  // Two-digit year byte: 99 is 1999, 0..98 are 2000..2098; 0 for a byte above 99.
  static int YearOf(uint8_t yearByte);
  // The production date; raises platform::ConvertError when the bytes form no date.
  static QDate ProductDate(uint8_t cartridge, DateBytes bytes);
  // The effect date: the production date moved on by `period` months, a day beyond the end of
  // February or of a 30-day month pulled back to its last day. Raises as ProductDate for a year
  // byte above 99, a month outside 1..12 or a day outside 1..31.
  static QDate EffectDate(uint8_t cartridge, DateBytes bytes, uint8_t period);
  static DecimalText Decimal(uint8_t value);
  // " time" for 0 and 1, " times" otherwise.
  static const char* CountUnit(const DecimalText& count);
  // Four-digit year, month and day without leading zeros, separated by `separator`.
  static std::string FormatDate(const QDate& date, const QString& separator);
  // "Black" or "Color", as the item captions name the cartridges.
  static const char* CartridgeName(uint8_t cartridge);
};
