#include "platform/dialogs.h"

#include <gtest/gtest.h>

namespace {

// Below the windows only the seam is known: a test's hook answers first, then the toolkit's box
// the program's start installs; with neither, nothing is answered "yes" by accident.
TEST(DialogSeam, AsksTheHookThenTheToolkitAndWithNeitherAnswersClosed) {
  const platform::DialogHook saved = platform::SetDialogHook({});
  std::vector<QString> toolkitAsked;
  platform::SetToolkitDialog([&](const platform::DialogRequest& r) {
    toolkitAsked.push_back(r.caption + QLatin1Char(':') + r.text);
    return platform::DlgResult::Yes;
  });
  EXPECT_EQ(platform::MessageDlg(QStringLiteral("Really?"), platform::DlgType::Warning,
                                 platform::DlgButtons::YesNo),
            platform::DlgResult::Yes);
  EXPECT_EQ(toolkitAsked, std::vector<QString>{QStringLiteral("Warning:Really?")});

  platform::SetDialogHook([](const platform::DialogRequest&) { return platform::DlgResult::No; });
  EXPECT_EQ(platform::MessageDlg(QStringLiteral("Really?"), platform::DlgType::Warning,
                                 platform::DlgButtons::YesNo),
            platform::DlgResult::No);
  EXPECT_EQ(toolkitAsked.size(), 1u);

  platform::SetDialogHook({});
  platform::SetToolkitDialog({});
  EXPECT_EQ(platform::MessageDlg(QStringLiteral("Replace?"), platform::DlgType::Confirmation,
                                 platform::DlgButtons::OkCancel),
            platform::DlgResult::Closed);
  platform::SetDialogHook(saved);
}

}  // namespace
