// The kinds of request the printer takes, named as their trace ops; faults count calls per kind.
#pragma once

#include <optional>
#include <string>

namespace vprinter {

enum class Op {
  kNegotiate,
  kTerminate,
  kEepromRead,
  kEepromWrite,
  kStatus,
  kSoftReset,
  kData,
  kHeadCleaning,
  kDriveCR,
  kDrivePF,
  kCRHomeReturn,
  kColorFlushing,
  kWaitTime,
  kPowerOnInitialize,
  kSaveAllCurrentData,
  kWriteBid,
  kReadCrtag,
};
inline constexpr int kOpCount = 17;
const char* OpName(Op op);
std::optional<Op> OpFromName(const std::string& name);

}  // namespace vprinter
