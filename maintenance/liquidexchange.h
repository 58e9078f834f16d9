// The transportation liquid exchange's fixed printer sequences: the carriage moves between its
// steps, exchange 1, exchange 2 and the rewrite of EEPROM cells 0x00..0x28. They run open loop:
// every call of a sequence is sent even when an earlier one failed (the mechanism must go through
// its whole cycle). What failed is still counted and the first failure kept, so that the workbench
// never calls an exchange complete that the printer refused.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "link/resultcode.h"

// One entry of a sequence: a mechanism call with its numbers, or a pause.
struct MechanismStep {
  enum class Call : uint8_t {
    kDriveCR,
    kDrivePF,
    kCRHomeReturn,
    kColorFlushing,
    kWaitTime,
    kPause
  };
  Call call;
  uint8_t mode = 0;       // DriveCR/DrivePF mode; ColorFlushing's first parameter
  uint8_t direction = 0;  // DriveCR/DrivePF direction (0 or 1); ColorFlushing's second parameter
  uint16_t amount = 0;    // sent as low byte, high byte; WaitTime's value; a pause's milliseconds
};

// What came of a sequence.
struct SequenceReport {
  int calls = 0;     // printer calls sent (pauses are none)
  int failures = 0;  // calls that did not return 1
  // The first failing call: its number in the sequence (from 1; 0 when none failed), its result,
  // the packet library's error code taken right after it (when the result is 8192: later
  // failures replace that code), and the call in words.
  int firstFailure = 0;
  ResultCode firstResult = rc::Success;
  int16_t firstPacketError = 0;
  std::string firstCall;

  bool ok() const { return failures == 0; }
};

namespace liquidexchange {
// Carriage out to the I/C replacement position, for installing the dummy cartridges.
std::span<const MechanismStep> ToReplacementPosition();
// Carriage back home after the dummies are in.
std::span<const MechanismStep> BackHome();
std::span<const MechanismStep> Exchange1();
// Carriage out again, for taking the dummies out.
std::span<const MechanismStep> ToReplacementPositionAgain();
std::span<const MechanismStep> Exchange2();
// "DrivePF (mode 33, direction 0, amount 2100)", "CRHomeReturn", "WaitTime (150)", ...
std::string Describe(const MechanismStep& step);
}  // namespace liquidexchange

class LiquidExchange {
 public:
  // Sends the sequence (pauses through the platform's sleep); returns the first result other than
  // 1, or 1. The report, when given, is filled.
  ResultCode Run(std::span<const MechanismStep> sequence, SequenceReport* report = nullptr) const;
  // Writes cells 0x00..0x28 in ascending order, every one even after a failure, then pauses
  // 100 ms. modelPosition is the model's row in the printer selection's list: the rows below 4
  // restart the protection counter at 2940.
  ResultCode RewriteEeprom(int modelPosition, SequenceReport* report = nullptr) const;
};
