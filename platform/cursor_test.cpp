#include "platform/cursor.h"

#include <gtest/gtest.h>

#include <QCursor>
#include <QGuiApplication>

using platform::CursorShape;

// The toolkit stacks override cursors; the screen cursor is one value, so setting the hourglass
// twice and the normal cursor once must leave no hourglass behind.
TEST(ScreenCursor, IsOneValueNotAStack) {
  platform::SetScreenCursor(CursorShape::HourGlass);
  platform::SetScreenCursor(CursorShape::HourGlass);
  EXPECT_EQ(platform::ScreenCursor(), CursorShape::HourGlass);
  ASSERT_NE(QGuiApplication::overrideCursor(), nullptr);
  EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);

  platform::SetScreenCursor(CursorShape::Default);
  EXPECT_EQ(platform::ScreenCursor(), CursorShape::Default);
  EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}
