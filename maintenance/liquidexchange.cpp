#include "maintenance/liquidexchange.h"

#include <array>
#include <cstdio>

#include "eeprom/addressmap.h"
#include "eeprom/cellaccess.h"
#include "link/mechcmd.h"
#include "link/modelselection.h"
#include "link/pktlink.h"
#include "platform/sleep.h"

namespace liquidexchange {

namespace {
using C = MechanismStep::Call;

constexpr MechanismStep CR(uint8_t mode, uint8_t direction, uint16_t amount) {
  return {C::kDriveCR, mode, direction, amount};
}
constexpr MechanismStep PF(uint8_t mode, uint8_t direction, uint16_t amount) {
  return {C::kDrivePF, mode, direction, amount};
}
constexpr MechanismStep Home() {
  return {C::kCRHomeReturn, 0, 0, 0};
}
constexpr MechanismStep Flush(uint8_t p1, uint8_t p2, uint16_t amount) {
  return {C::kColorFlushing, p1, p2, amount};
}
constexpr MechanismStep Wait(uint16_t value) {
  return {C::kWaitTime, 0, 0, value};
}
constexpr MechanismStep Pause(uint16_t ms) {
  return {C::kPause, 0, 0, ms};
}

constexpr std::array kToReplacementPosition{PF(2, 0, 77),  Pause(100),  CR(5, 0, 2),  CR(5, 1, 4),
                                            PF(2, 1, 500), CR(5, 0, 2), CR(3, 0, 700)};
constexpr std::array kBackHome{CR(3, 1, 700), Pause(100), PF(2, 1, 77)};
constexpr std::array kExchange1{
    CR(5, 0, 2),      CR(5, 1, 4),       PF(2, 1, 500),    CR(5, 0, 2),      CR(5, 0, 15),
    PF(33, 0, 2100),  PF(2, 1, 30),      CR(5, 1, 22),     PF(32, 0, 30000), PF(32, 0, 30000),
    PF(32, 0, 30000), PF(32, 0, 30000),  PF(32, 0, 30000), PF(32, 0, 14000), PF(2, 0, 30),
    Wait(150),        Flush(0, 0, 3000), PF(2, 1, 30),     CR(5, 0, 22),     PF(2, 1, 30),
    PF(33, 0, 3500),  PF(2, 1, 1140),    CR(3, 0, 38),     Wait(5),          CR(5, 0, 57),
    PF(33, 0, 4900),  PF(2, 1, 330),     Home(),           CR(5, 0, 15)};
constexpr std::array kToReplacementPositionAgain{PF(2, 0, 77), Pause(100), CR(3, 0, 700)};
constexpr std::array kExchange2{Home(),          CR(5, 1, 7),   CR(5, 0, 22), PF(2, 1, 30),
                                PF(33, 0, 3400), PF(2, 1, 30),  CR(3, 0, 38), Wait(5),
                                CR(5, 0, 57),    PF(2, 1, 330), Home(),       Home(),
                                CR(5, 1, 2),     PF(4, 0, 25),  CR(5, 0, 2)};
static_assert(kExchange1.size() == 29 && kExchange2.size() == 15);
}  // namespace

std::span<const MechanismStep> ToReplacementPosition() {
  return kToReplacementPosition;
}
std::span<const MechanismStep> BackHome() {
  return kBackHome;
}
std::span<const MechanismStep> Exchange1() {
  return kExchange1;
}
std::span<const MechanismStep> ToReplacementPositionAgain() {
  return kToReplacementPositionAgain;
}
std::span<const MechanismStep> Exchange2() {
  return kExchange2;
}

std::string Describe(const MechanismStep& step) {
  char text[96];
  switch (step.call) {
    case C::kDriveCR:
    case C::kDrivePF:
      std::snprintf(text, sizeof text, "%s (mode %d, direction %d, amount %d)",
                    step.call == C::kDriveCR ? "DriveCR" : "DrivePF", step.mode, step.direction,
                    step.amount);
      return text;
    case C::kCRHomeReturn:
      return "CRHomeReturn";
    case C::kColorFlushing:
      std::snprintf(text, sizeof text, "ColorFlushing (%d, %d, amount %d)", step.mode,
                    step.direction, step.amount);
      return text;
    case C::kWaitTime:
      std::snprintf(text, sizeof text, "WaitTime (%d)", step.amount);
      return text;
    case C::kPause:
      std::snprintf(text, sizeof text, "pause of %d ms", step.amount);
      return text;
  }
  return {};
}

}  // namespace liquidexchange

namespace {

// Counts one call's result into the report; true when it is the sequence's first failure.
bool Note(SequenceReport& report, ResultCode result) {
  ++report.calls;
  if (result == rc::Success) return false;
  ++report.failures;
  if (report.firstFailure != 0) return false;
  report.firstFailure = report.calls;
  report.firstResult = result;
  // The packet error belongs to this call only until the next one fails.
  report.firstPacketError = result == rc::PacketError ? GetD4ErrorCode() : 0;
  return true;
}

ResultCode Send(const MechanismStep& step) {
  using C = MechanismStep::Call;
  const uint8_t m1 = CurrentModelCode1();
  const uint8_t m2 = CurrentModelCode2();
  const auto low = static_cast<uint8_t>(step.amount & 0xFF);
  const auto high = static_cast<uint8_t>(step.amount >> 8);
  switch (step.call) {
    case C::kDriveCR:
      return DriveCR(m1, m2, step.mode, step.direction, low, high);
    case C::kDrivePF:
      return DrivePF(m1, m2, step.mode, step.direction, low, high);
    case C::kCRHomeReturn:
      return CRHomeReturn(m1, m2);
    case C::kColorFlushing:
      return ColorFlushing(m1, m2, step.mode, step.direction, low, high);
    case C::kWaitTime:
      return WaitTime(m1, m2, static_cast<uint8_t>(step.amount));
    case C::kPause:
      break;
  }
  return rc::Success;
}

}  // namespace

ResultCode LiquidExchange::Run(std::span<const MechanismStep> sequence,
                               SequenceReport* report) const {
  SequenceReport local;
  SequenceReport& r = report != nullptr ? *report : local;
  r = SequenceReport{};
  for (const MechanismStep& step : sequence) {
    if (step.call == MechanismStep::Call::kPause) {
      platform::SleepMs(step.amount);
      continue;
    }
    if (Note(r, Send(step))) r.firstCall = liquidexchange::Describe(step);
  }
  return r.firstResult;
}

ResultCode LiquidExchange::RewriteEeprom(int modelPosition, SequenceReport* report) const {
  SequenceReport local;
  SequenceReport& r = report != nullptr ? *report : local;
  r = SequenceReport{};
  for (const eeprom::CellValue& cell : eeprom::LiquidExchangeRewrite(modelPosition)) {
    if (Note(r, eeprom::WriteCell(cell.address, cell.value))) {
      char text[64];
      std::snprintf(text, sizeof text, "D4WriteEeprom (address %02X, value %02X)", cell.address,
                    cell.value);
      r.firstCall = text;
    }
  }
  platform::SleepMs(100);
  return r.firstResult;
}
