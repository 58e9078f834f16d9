// The application object's catch: an exception that escapes an event handler or a slot reaches
// the exception box, and the program stays usable. This executable runs under ProgramApplication
// itself, so it has its own entry.
#include "app/programapplication.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QPushButton>
#include <QTest>
#include <cstdlib>

#include "platform/convert.h"
#include "platform/cursor.h"
#include "tests/support/fakes.h"

#if defined(__SANITIZE_ADDRESS__) && __has_include(<sanitizer/lsan_interface.h>)
#include <sanitizer/lsan_interface.h>
#define QUORLA_LSAN_DISABLE() __lsan_disable()
#define QUORLA_LSAN_ENABLE() __lsan_enable()
#else
#define QUORLA_LSAN_DISABLE()
#define QUORLA_LSAN_ENABLE()
#endif

namespace {

using platform::CursorShape;

// An exception unwinding through the toolkit's own frames skips their clean-up and leaves what
// they held behind (the event's points, the reference count of a guard on the receiver, taken
// when the window was shown): the reason every handler of the program is guarded at its own edge.
// The net must still keep the program alive; what it cannot give back is not these tests'
// subject, so the leak check looks away for their duration.
class LeakCheckAside {
 public:
  LeakCheckAside() { QUORLA_LSAN_DISABLE(); }
  ~LeakCheckAside() { QUORLA_LSAN_ENABLE(); }
};

// A window whose own mouse handler fails with a conversion error after making itself busy.
class FailingWindow : public QWidget {
 protected:
  void mousePressEvent(QMouseEvent*) override {
    setEnabled(false);
    platform::SetScreenCursor(CursorShape::HourGlass);
    platform::StrToInt(QStringLiteral("1O"));
  }
};

TEST(ProgramApplication, AnExceptionFromAnEventHandlerIsShownAndTheWindowStaysUsable) {
  LeakCheckAside aside;
  testing_support::FakeExceptionBox box;
  FailingWindow window;
  window.resize(100, 100);
  window.show();
  QTest::mousePress(&window, Qt::LeftButton, {}, QPoint(10, 10));
  ASSERT_EQ(box.messages().size(), 1u);
  EXPECT_EQ(box.messages()[0], "'1O' is not a valid integer value");
  EXPECT_TRUE(window.isEnabled());
  EXPECT_EQ(platform::ScreenCursor(), CursorShape::Default);
}

TEST(ProgramApplication, AnExceptionFromAnUnguardedSlotIsShownAndTheProgramGoesOn) {
  LeakCheckAside aside;
  testing_support::FakeExceptionBox box;
  QWidget window;
  auto* button = new QPushButton(QStringLiteral("OK"), &window);
  button->resize(80, 30);
  int clicks = 0;
  QObject::connect(button, &QPushButton::clicked, [&] {
    ++clicks;
    window.setEnabled(false);
    throw std::runtime_error("broken handler");
  });
  window.show();
  QTest::mouseClick(button, Qt::LeftButton);
  ASSERT_EQ(box.messages().size(), 1u);
  EXPECT_EQ(box.messages()[0], "broken handler");
  EXPECT_TRUE(window.isEnabled());
  QTest::mouseClick(button, Qt::LeftButton);  // still answers
  EXPECT_EQ(clicks, 2);
}

}  // namespace

int main(int argc, char** argv) {
  if (std::getenv("QT_QPA_PLATFORM") == nullptr) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  ProgramApplication app(argc, argv);
  ::testing::InitGoogleMock(&argc, argv);
  return RUN_ALL_TESTS();
}
