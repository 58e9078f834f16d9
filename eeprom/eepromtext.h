// The small text and display rules that the EEPROM handlers share: how a byte, a signed cell and
// a counter look on screen, how a first dot value turns into gauges and millimetres, and which top
// margin item a stored byte preselects. Pure functions, no printer and no widgets.
#pragma once

#include <cstdint>
#include <string>

namespace eeprom {

// Two upper-case hexadecimal digits with a leading zero: 0x0A -> "0A".
std::string ByteToHexText(uint8_t value);

// Decimal with a leading "-" when negative, no "+" and no leading zeros: -36, 0, 12.
std::string DecimalText(int value);

// A signed cell (two's complement byte) as decimal text: 0xDC -> "-36".
std::string SignedCellText(uint8_t cell);

// The unsigned 16-bit counter value as plain decimal (at most five characters).
std::string CounterText(uint16_t value);

// --- Top margin.
// The item of the three-step choice ("-", "0", "+") that a stored byte preselects: 2 when the
// signed value is above 20, 0 when it is below -20, otherwise 1.
int TopMarginPreselection(uint8_t cell);
// The byte written for item 0..2 and the label the log and summary show for it ("\"-\"" etc.).
uint8_t TopMarginValue(int item);
const char* TopMarginLabel(int item);

// --- First dot position.
// The value the opening read takes from the stored byte: bytes up to 0x80 count as positive (so
// 0x80 reads as +128), the rest as byte - 256.
int FirstDotFromCell(uint8_t cell);
// Clamped to -72..72, as the step buttons and the display keep it.
int ClampFirstDot(int value);

struct FirstDotDisplay {
  int leftProgress;    // "Remaining left margin" gauge, 0..100
  int rightProgress;   // "Remaining right margin" gauge, 100 - left
  std::string mmText;  // v x 0.0088194 in single precision, 4 decimals, then " mm"
};

// Gauges and millimetre text for a first dot value v. The gauge offset is v x 100 / 145 truncated
// toward zero, exactly +-50 for v = +-72; the progress is offset + 50, held inside the gauges'
// 0..100 (an unclamped value beyond the edges fills one gauge completely).
FirstDotDisplay ComputeFirstDotDisplay(double v);

}  // namespace eeprom
