#include "app/commandline.h"

#include <QCommandLineParser>

namespace {

constexpr char kProgramName[] = "quorla-adjust";
constexpr char kVersion[] = QUORLA_VERSION;

// The toolkit's own options (QGuiApplication's and QApplication's), which the application object
// reads later: they pass here unchanged and stay out of the usage text.
const char* const kToolkitValueOptions[] = {
    "platform", "platformpluginpath", "platformtheme", "plugin",     "qwindowgeometry",
    "qwindowicon", "qwindowtitle",    "display",       "geometry",   "style",
    "stylesheet", "session",          "title",         "name",       "qmljsdebugger"};
const char* const kToolkitFlagOptions[] = {"reverse", "widgetcount", "nograb", "dograb", "sync",
                                           "visual"};

}  // namespace

CommandLineOutcome HandleCommandLine(const QStringList& arguments) {
  QCommandLineParser parser;
  // "-style fusion" as the toolkit writes its options, one dash and a long name.
  parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
  parser.setApplicationDescription(QStringLiteral(
      "Adjustment program for the Quorla Z40 inkjet printer. Without options it opens the\n"
      "printer selection window. The printer is the one the port library finds\n"
      "(QUORLA_PRINTER=unix:PATH or embedded; see quorla-adjust(1))."));
  const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                QStringLiteral("Show this text and exit."));
  const QCommandLineOption version({QStringLiteral("v"), QStringLiteral("version")},
                                   QStringLiteral("Show the version and exit."));
  parser.addOption(help);
  parser.addOption(version);
  for (const char* name : kToolkitValueOptions) {
    QCommandLineOption option(QLatin1String(name), QString(), QStringLiteral("value"));
    option.setFlags(QCommandLineOption::HiddenFromHelp);
    parser.addOption(option);
  }
  for (const char* name : kToolkitFlagOptions) {
    QCommandLineOption option{QString(QLatin1String(name))};
    option.setFlags(QCommandLineOption::HiddenFromHelp);
    parser.addOption(option);
  }

  CommandLineOutcome outcome;
  const QString usageHint =
      QStringLiteral("Try '%1 --help' for more information.\n").arg(QLatin1String(kProgramName));
  if (!parser.parse(arguments)) {
    outcome.err = QStringLiteral("%1: %2\n").arg(QLatin1String(kProgramName), parser.errorText()) +
                  usageHint;
    outcome.exitCode = 2;
    return outcome;
  }
  if (!parser.positionalArguments().isEmpty()) {
    outcome.err = QStringLiteral("%1: unexpected argument '%2'\n")
                      .arg(QLatin1String(kProgramName), parser.positionalArguments().first()) +
                  usageHint;
    outcome.exitCode = 2;
    return outcome;
  }
  if (parser.isSet(help)) {
    // The usage line names the program as installed, whatever path started it.
    QString text = parser.helpText();
    const qsizetype lineEnd = text.indexOf(QLatin1Char('\n'));
    text.replace(0, lineEnd, QStringLiteral("Usage: %1 [options]").arg(QLatin1String(kProgramName)));
    outcome.out = text;
    outcome.exitCode = 0;
    return outcome;
  }
  if (parser.isSet(version)) {
    outcome.out = QStringLiteral("%1 %2\n").arg(QLatin1String(kProgramName), QLatin1String(kVersion));
    outcome.exitCode = 0;
    return outcome;
  }
  return outcome;
}
