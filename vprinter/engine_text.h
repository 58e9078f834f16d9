// Text mode: the printer's own font laid on the page, 10 characters per inch on lines a sixth of
// an inch apart, and the tab stops.
#pragma once

#include <cstdint>

#include "vprinter/engine_page.h"

namespace vprinter::text {

// Prints the character at the print position and moves on by one cell. False when the line was
// full: the line has been ended (which may eject the sheet) and nothing was printed; the
// character goes at the start of the next line.
bool Print(Page& page, uint8_t code);
// On to the next multiple of 8 columns.
void Tab(Page& page);
// Down one text line.
void LineFeed(Page& page);

}  // namespace vprinter::text
