#include "app/commandline.h"

#include <gtest/gtest.h>

namespace {

CommandLineOutcome Parse(QStringList arguments) {
  arguments.prepend(QStringLiteral("/opt/somewhere/bin/quorla-adjust"));
  return HandleCommandLine(arguments);
}

TEST(CommandLine, HelpAndVersionAnswerOnTheTerminalAndEnd) {
  const CommandLineOutcome help = Parse({QStringLiteral("--help")});
  ASSERT_EQ(help.exitCode, 0);
  EXPECT_TRUE(help.out.startsWith(QStringLiteral("Usage: quorla-adjust [options]\n"))) << help.out.toStdString();
  EXPECT_TRUE(help.out.contains(QStringLiteral("--version")));
  // The toolkit's options are accepted but are not ours to explain.
  EXPECT_FALSE(help.out.contains(QStringLiteral("platformtheme")));
  EXPECT_TRUE(help.err.isEmpty());
  EXPECT_EQ(Parse({QStringLiteral("-h")}).exitCode, 0);

  const CommandLineOutcome version = Parse({QStringLiteral("--version")});
  ASSERT_EQ(version.exitCode, 0);
  EXPECT_EQ(version.out, QStringLiteral("quorla-adjust " QUORLA_TEST_VERSION "\n"));
}

TEST(CommandLine, UnknownOptionsAndArgumentsEndWithCodeTwoAndSayWhy) {
  for (const QStringList& args :
       {QStringList{QStringLiteral("--frobnicate")}, QStringList{QStringLiteral("-x")},
        QStringList{QStringLiteral("some-file")}, QStringList{QStringLiteral("-style")}}) {
    const CommandLineOutcome outcome = Parse(args);
    EXPECT_EQ(outcome.exitCode, 2) << args.join(' ').toStdString();
    EXPECT_TRUE(outcome.out.isEmpty());
    EXPECT_TRUE(outcome.err.startsWith(QStringLiteral("quorla-adjust: ")))
        << outcome.err.toStdString();
    EXPECT_TRUE(outcome.err.contains(QStringLiteral("--help")));
  }
}

TEST(CommandLine, NoOptionsOrTheToolkitsOwnStartTheWindows) {
  EXPECT_FALSE(Parse({}).exitCode);
  EXPECT_FALSE(Parse({QStringLiteral("-platform"), QStringLiteral("offscreen"),
                    QStringLiteral("-style"), QStringLiteral("fusion"), QStringLiteral("-reverse")})
                   .exitCode);
}

}  // namespace
