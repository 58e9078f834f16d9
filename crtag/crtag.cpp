#include "crtag/crtag.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "link/mechcmd.h"
#include "link/modelselection.h"
#include "platform/clock.h"
#include "platform/convert.h"

namespace {

constexpr char kOurCompany[] = "KORVA";
constexpr char kLineEnd[] = "\r\n";

// One chip byte through the mechanism library, with the model code taken afresh for every call.
// *value is written only on success.
ResultCode ReadChipByte(uint8_t cartridge, uint8_t address, uint8_t* value) {
  uint8_t read = 0;
  const ResultCode result =
      ReadCrtag(CurrentModelCode1(), CurrentModelCode2(), cartridge, address, &read);
  if (result == rc::Success) *value = read;
  return result;
}

ResultCode ReadDecimal(uint8_t cartridge, uint8_t address, Crtag::DecimalText* text) {
  uint8_t value = 0;
  RETURN_IF_FAILED(ReadChipByte(cartridge, address, &value));
  *text = Crtag::Decimal(value);
  return rc::Success;
}

// Year, month and day, in this order.
ResultCode ReadDateBytes(uint8_t cartridge, Crtag::DateBytes* bytes) {
  Crtag::DateBytes read;
  RETURN_IF_FAILED(ReadChipByte(cartridge, crtagfield::kYear, &read.year));
  RETURN_IF_FAILED(ReadChipByte(cartridge, crtagfield::kMonth, &read.month));
  RETURN_IF_FAILED(ReadChipByte(cartridge, crtagfield::kDay, &read.day));
  *bytes = read;
  return rc::Success;
}

// The effect period, then the production date it counts from.
ResultCode ReadEffectBytes(uint8_t cartridge, uint8_t* period, Crtag::DateBytes* bytes) {
  uint8_t months = 0;
  RETURN_IF_FAILED(ReadChipByte(cartridge, crtagfield::kEffectPeriod, &months));
  RETURN_IF_FAILED(ReadDateBytes(cartridge, bytes));
  *period = months;
  return rc::Success;
}

[[noreturn]] void RaiseNoDate(uint8_t cartridge, Crtag::DateBytes bytes) {
  char text[160];
  std::snprintf(text, sizeof text,
                "%s I/C: the production date on its chip is not a date (year byte %u, month %u, "
                "day %u).",
                Crtag::CartridgeName(cartridge), static_cast<unsigned>(bytes.year),
                static_cast<unsigned>(bytes.month), static_cast<unsigned>(bytes.day));
  throw platform::ConvertError(text);
}

// The year of the bytes, after checking that month and day can belong to a date at all.
int CheckedYear(uint8_t cartridge, Crtag::DateBytes bytes) {
  const int year = Crtag::YearOf(bytes.year);
  if (year == 0 || bytes.month < 1 || bytes.month > 12 || bytes.day < 1 || bytes.day > 31) {
    RaiseNoDate(cartridge, bytes);
  }
  return year;
}

void AppendLine(std::string& text, const std::string& line) {
  if (!text.empty()) text += kLineEnd;
  text += line;
}

std::string Field(const char* label, const char* value, const char* unit = "") {
  return std::string(label) + value + unit;
}

}  // namespace

// --- Decoding -----------------------------------------------------------------------------------

int Crtag::YearOf(uint8_t yearByte) {
  if (yearByte == 99) return 1999;
  if (yearByte <= 98) return 2000 + yearByte;
  return 0;
}

QDate Crtag::ProductDate(uint8_t cartridge, DateBytes bytes) {
  const QDate date(CheckedYear(cartridge, bytes), bytes.month, bytes.day);
  if (!date.isValid()) RaiseNoDate(cartridge, bytes);
  return date;
}

QDate Crtag::EffectDate(uint8_t cartridge, DateBytes bytes, uint8_t period) {
  // Counted on the four-digit year: the two-digit year byte would wrap a cartridge of 2098 into
  // 1999 and has no year at all beyond 99.
  int year = CheckedYear(cartridge, bytes) + period / 12;
  int month = bytes.month + period % 12;
  int day = bytes.day;
  if (month > 12) {
    month -= 12;
    ++year;
  }
  if (month == 2) {
    day = std::min(day, QDate::isLeapYear(year) ? 29 : 28);
  } else if ((month == 4 || month == 6 || month == 9 || month == 11) && day == 31) {
    day = 30;
  }
  // Month 1..12 and day 1..31 with the two pull-backs always form a date.
  return QDate(year, month, day);
}

Crtag::DecimalText Crtag::Decimal(uint8_t value) {
  DecimalText text{};
  std::snprintf(text.data(), text.size(), "%u", static_cast<unsigned>(value));
  return text;
}

const char* Crtag::CountUnit(const DecimalText& count) {
  const bool oneDigit = count[1] == '\0';
  return oneDigit && (count[0] == '0' || count[0] == '1') ? " time" : " times";
}

std::string Crtag::FormatDate(const QDate& date, const QString& separator) {
  char year[8];
  std::snprintf(year, sizeof year, "%04d", date.year());
  const std::string sep = separator.toStdString();
  return std::string(year) + sep + std::to_string(date.month()) + sep + std::to_string(date.day());
}

const char* Crtag::CartridgeName(uint8_t cartridge) {
  return cartridge == kBlack ? "Black" : "Color";
}

ResultCode Crtag::RefusalFor(uint8_t cartridge, ResultCode result) {
  const bool black = cartridge == kBlack;
  if (result == rc::CartridgeForeign) {
    return black ? rc::BlackCartridgeForeign : rc::ColorCartridgeForeign;
  }
  if (result == rc::CartridgeExpired) {
    return black ? rc::BlackCartridgeExpired : rc::ColorCartridgeExpired;
  }
  return result;
}

// --- Field readers ------------------------------------------------------------------------------

ResultCode Crtag::ReadCompanyCode(uint8_t cartridge, CompanyText* company) const {
  CompanyText read{};
  for (int i = 0; i < 5; ++i) {
    uint8_t value = 0;
    RETURN_IF_FAILED(
        ReadChipByte(cartridge, static_cast<uint8_t>(crtagfield::kCompany + i), &value));
    read[i] = static_cast<char>(value);
  }
  read[5] = '\0';
  *company = read;
  return rc::Success;
}

ResultCode Crtag::ReadInkCounters(uint8_t cartridge, InkTexts* inks) const {
  InkTexts read{};
  const int count = cartridge == kBlack ? 1 : 3;
  for (int i = 0; i < count; ++i) {
    RETURN_IF_FAILED(ReadDecimal(cartridge, static_cast<uint8_t>(crtagfield::kInk + i), &read[i]));
  }
  *inks = read;
  return rc::Success;
}

ResultCode Crtag::ReadCleaningCounter(uint8_t cartridge, DecimalText* text) const {
  return ReadDecimal(cartridge, crtagfield::kCleaning, text);
}

ResultCode Crtag::ReadInstallCounter(uint8_t cartridge, DecimalText* text) const {
  return ReadDecimal(cartridge, crtagfield::kInstall, text);
}

ResultCode Crtag::ReadRecycleCounter(uint8_t cartridge, DecimalText* text) const {
  return ReadDecimal(cartridge, crtagfield::kRecycle, text);
}

ResultCode Crtag::ReadOpenEffectPeriod(uint8_t cartridge, DecimalText* text) const {
  return ReadDecimal(cartridge, crtagfield::kOpenEffectPeriod, text);
}

ResultCode Crtag::ReadProductDate(uint8_t cartridge, QDate* date) const {
  DateBytes bytes;
  RETURN_IF_FAILED(ReadDateBytes(cartridge, &bytes));
  *date = ProductDate(cartridge, bytes);
  return rc::Success;
}

ResultCode Crtag::ReadEffectDate(uint8_t cartridge, QDate* date) const {
  uint8_t period = 0;
  DateBytes bytes;
  RETURN_IF_FAILED(ReadEffectBytes(cartridge, &period, &bytes));
  *date = EffectDate(cartridge, bytes, period);
  return rc::Success;
}

// --- Composers ----------------------------------------------------------------------------------

ResultCode Crtag::CrtagUniqueText(uint8_t cartridge, std::string* text) const {
  // The fields are read in their usual order (company, production date, effect date, open
  // period), but no date is formed before the maker is known: a chip of another maker need not
  // hold a date at all, and it must be refused as foreign, not fail on its date bytes.
  CompanyText company;
  DateBytes production;
  DateBytes effectBase;
  uint8_t period = 0;
  DecimalText openPeriod;
  RETURN_IF_FAILED(ReadCompanyCode(cartridge, &company));
  RETURN_IF_FAILED(ReadDateBytes(cartridge, &production));
  RETURN_IF_FAILED(ReadEffectBytes(cartridge, &period, &effectBase));
  RETURN_IF_FAILED(ReadOpenEffectPeriod(cartridge, &openPeriod));

  if (std::strcmp(company.data(), kOurCompany) != 0) return rc::CartridgeForeign;
  const QDate productDate = ProductDate(cartridge, production);
  const QDate effectDate = EffectDate(cartridge, effectBase, period);
  // Still accepted on the effect date itself.
  if (platform::Today() > effectDate) return rc::CartridgeExpired;

  const QString separator = platform::DateSeparator();
  std::string composed;
  AppendLine(composed, " ");
  AppendLine(composed, Field("Product company = ", company.data()));
  AppendLine(composed, "Product date = " + FormatDate(productDate, separator));
  AppendLine(composed, "Effect date = " + FormatDate(effectDate, separator));
  AppendLine(composed, Field("Open effect period = ", openPeriod.data(), " month"));
  *text = std::move(composed);
  return rc::Success;
}

ResultCode Crtag::CrtagUsageText(uint8_t cartridge, std::string* text) const {
  InkTexts inks;
  DecimalText cleaning;
  DecimalText install;
  DecimalText recycle;
  RETURN_IF_FAILED(ReadInkCounters(cartridge, &inks));
  RETURN_IF_FAILED(ReadCleaningCounter(cartridge, &cleaning));
  RETURN_IF_FAILED(ReadInstallCounter(cartridge, &install));
  RETURN_IF_FAILED(ReadRecycleCounter(cartridge, &recycle));

  std::string composed;
  AppendLine(composed, " ");
  AppendLine(composed, "Ink counter consumption quantity");
  if (cartridge == kBlack) {
    AppendLine(composed, Field("Black = ", inks[0].data(), "%"));
  } else {
    AppendLine(composed, Field("Cyan = ", inks[0].data(), "%"));
    AppendLine(composed, Field("Magenta = ", inks[1].data(), "%"));
    AppendLine(composed, Field("Yellow = ", inks[2].data(), "%"));
  }
  AppendLine(composed, "");
  AppendLine(composed, Field("Cleaning counter = ", cleaning.data(), CountUnit(cleaning)));
  AppendLine(composed, Field("Install counter = ", install.data(), CountUnit(install)));
  AppendLine(composed, Field("Recycle counter = ", recycle.data(), CountUnit(recycle)));
  *text = std::move(composed);
  return rc::Success;
}
