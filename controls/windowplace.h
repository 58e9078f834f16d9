// Placing a top-level window: centred on the screen it is on (the primary screen before it has
// been shown).
#pragma once

class QWidget;

namespace windowplace {

void CenterOnScreen(QWidget* window);

}  // namespace windowplace
