// vx500-monitor: the monitor program. Its arguments are --help, --version and
// Qt's own options; they are read before the window system is reached, so
// that --help and --version work without a display.
#include "Startup.h"
#include "download/Translations.h"

#include <QApplication>
#include <QStringList>
#include <cstdio>
#include <optional>

namespace {

constexpr int kUsageError = 2;

// Qt's options, which QApplication takes out of the arguments ("--style" is
// read as "-style"); all but the flags take the next argument as their value.
// A session manager starts the program again with "-session ID".
const QStringList kQtOptionsWithValue{"platform", "platformpluginpath", "platformtheme", "plugin", "qwindowgeometry",
                                      "geometry", "qwindowtitle", "title", "qwindowicon", "icon", "display", "session",
                                      "style", "stylesheet"};
const QStringList kQtFlags{"reverse", "widgetcount"};

const char kHelp[] = R"(Usage: vx500-monitor [--help | --version]

The operator's window for the VX500/VX500A data-collection terminals and the
VX500R/U reader station: behind its password it downloads a terminal's records
into a text file, sets and reads its clock and machine number, and clears,
recovers or powers it down.

One copy runs per user: starting another brings the running window to the
front, and the new copy ends.

Options:
  --help     Show this text and end.
  --version  Show the program's version and end.
Qt's own options (-platform, -style, -session ...) go to Qt.
)";

int usageError(const QString &problem)
{
    std::fprintf(stderr, "vx500-monitor: %s\nTry 'vx500-monitor --help'.\n", qPrintable(problem));
    return kUsageError;
}

// The exit status when the arguments end the program here; nothing when the
// window is to start.
std::optional<int> readArguments(int argc, char *argv[])
{
    for (int i = 1; i < argc; ++i) {
        const QString arg = QString::fromLocal8Bit(argv[i]);
        if (arg == QLatin1String("--help") || arg == QLatin1String("-h")) {
            std::fputs(kHelp, stdout);
            return 0;
        }
        if (arg == QLatin1String("--version")) {
            std::printf("vx500-monitor %s\n", VX_VERSION_TEXT);
            return 0;
        }
        const QString name = arg.mid(arg.startsWith(QLatin1String("--")) ? 2 : 1);
        if (!arg.startsWith(QLatin1Char('-')))
            return usageError(QStringLiteral("unexpected argument '%1'").arg(arg));
        if (kQtOptionsWithValue.contains(name) && ++i == argc)
            return usageError(QStringLiteral("option '%1' needs a value").arg(arg));
        if (!kQtOptionsWithValue.contains(name) && !kQtFlags.contains(name))
            return usageError(QStringLiteral("unknown option '%1'").arg(arg));
    }
    return std::nullopt;
}

} // namespace

int main(int argc, char *argv[])
{
    if (const std::optional<int> status = readArguments(argc, argv))
        return *status;
    QApplication app(argc, argv);
    vx::installTranslations();
    return Startup::run();
}
