// The screen cursor as one value: setting it replaces whatever was set before. (The toolkit keeps
// a stack of override cursors; a stack would leave the hourglass behind after an early return.)
#pragma once

namespace platform {

enum class CursorShape { Default, HourGlass };

void SetScreenCursor(CursorShape shape);
CursorShape ScreenCursor();

}  // namespace platform
