// The printer's status words: the Status and Error of the status record.
#pragma once

#include <cstdint>

namespace vprinter::status {

inline constexpr uint16_t kBeforeInitialFillUp = 0xEFF9;
inline constexpr uint16_t kCleaning = 0xEFFA;
inline constexpr uint16_t kIdle = 0xEFFB;
inline constexpr uint16_t kPrinting = 0xEFFC;
inline constexpr uint16_t kBusy = 0xEFFD;
inline constexpr uint16_t kSelfTest = 0xEFFE;
inline constexpr uint16_t kError = 0xEFFF;

inline constexpr uint16_t kHeadHot = 0xEF03;
inline constexpr uint16_t kMaintenance = 0xEF06;
inline constexpr uint16_t kPaperSize = 0xEF08;
inline constexpr uint16_t kPaperOut = 0xEF09;
inline constexpr uint16_t kInkOut = 0xEF0A;
inline constexpr uint16_t kPaperJam = 0xEF0B;
inline constexpr uint16_t kCoverOpen = 0xEF0C;
inline constexpr uint16_t kInterfaceNotSelected = 0xEF0E;
inline constexpr uint16_t kFatal = 0xEF0F;

// The error words the operator names (the command "error NAME"), in the order they are listed.
struct NamedError {
  const char* name;
  uint16_t code;
};
inline constexpr NamedError kNamedErrors[] = {{"paper-out", kPaperOut},
                                              {"cover-open", kCoverOpen},
                                              {"ink-out", kInkOut},
                                              {"paper-jam", kPaperJam},
                                              {"paper-size", kPaperSize},
                                              {"head-hot", kHeadHot},
                                              {"maintenance", kMaintenance},
                                              {"if-not-selected", kInterfaceNotSelected},
                                              {"fatal", kFatal}};

}  // namespace vprinter::status
