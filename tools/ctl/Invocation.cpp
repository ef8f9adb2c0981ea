#include "Invocation.h"

#include "PortNames.h"
#include "Watch.h"
#include "TerminalLink.h"

#include <QCommandLineParser>

namespace vx::ctl {

namespace {

QString description()
{
    QString text = QStringLiteral(
        "Talks to a VX500/VX500A terminal or a VX500R/U reader station on a serial port.\n\nCommands:\n");
    for (const Command &c : commands()) {
        const QString line = QStringLiteral("  ") + synopsis(c);
        const QString indent(26, QLatin1Char(' '));
        const QStringList help = QString::fromUtf8(c.help).split(QLatin1Char('\n'));
        text += line.size() < 26 ? line.leftJustified(26) : line + QLatin1Char('\n') + indent;
        text += help.join(QLatin1Char('\n') + indent) + QLatin1Char('\n');
    }
    return text + QStringLiteral("\nExit status: 0 success, 1 the device reported a failure, 2 a usage error or an\n"
                                 "output that cannot hold the records safely, 3 the port or a file could not be used.");
}

// The command that the first words name, with the words after it.
const Command *findCommand(QStringList &words, QString &problem)
{
    const QString first = words.takeFirst();
    QStringList subcommands;
    for (const Command &c : commands()) {
        const QString name = QLatin1String(c.name);
        if (name == first)
            return &c;
        if (name.startsWith(first + QLatin1Char(' ')))
            subcommands << name.mid(first.size() + 1);
    }
    if (subcommands.isEmpty()) {
        problem = QStringLiteral("unknown command '%1'").arg(first);
        return nullptr;
    }
    const QString list = subcommands.join(QStringLiteral(", "));
    if (words.isEmpty()) {
        problem = QStringLiteral("%1: sub-command missing (%2)").arg(first, list);
        return nullptr;
    }
    const QString second = words.takeFirst();
    for (const Command &c : commands())
        if (QLatin1String(c.name) == first + QLatin1Char(' ') + second)
            return &c;
    problem = QStringLiteral("%1: unknown sub-command '%2' (%3)").arg(first, second, list);
    return nullptr;
}

// The commands an option belongs to, for the message that it does not belong here.
QString ownersOf(unsigned option)
{
    QStringList names;
    for (const Command &c : commands())
        if (c.options & option)
            names << QLatin1String(c.name);
    const QString last = names.takeLast();
    return names.isEmpty() ? last : names.join(QStringLiteral(", ")) + QStringLiteral(" and ") + last;
}

Parsed usage(const QString &message)
{
    Parsed p;
    p.outcome = Parsed::Usage;
    p.text = message;
    return p;
}

std::optional<qint16> machineNumber(const QString &text)
{
    bool ok = false;
    const int n = text.trimmed().toInt(&ok, 10);
    if (!ok || n < 0 || n > 255)
        return std::nullopt;
    return static_cast<qint16>(n);
}

// The moment with the fields as written. The terminal has no time zone: in
// UTC every written moment exists (none falls into a daylight-saving gap)
// and its fields reach the terminal unchanged.
std::optional<QDateTime> dateTime(const QString &text)
{
    const QString t = text.trimmed();
    if (t.size() != 19 || (t.at(10) != u'T' && t.at(10) != u' '))
        return std::nullopt;
    const QDate date = QDate::fromString(t.left(10), QStringLiteral("yyyy-MM-dd"));
    const QTime time = QTime::fromString(t.mid(11), QStringLiteral("HH:mm:ss"));
    if (!date.isValid() || !time.isValid())
        return std::nullopt;
    return QDateTime(date, time, Qt::UTC);
}

} // namespace

Parsed parseArguments(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(description());
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    const QCommandLineOption port(QStringLiteral("port"),
        QStringLiteral("COM1 to COM16 or a device path; default: the port the monitor last used."),
        QStringLiteral("PORT"));
    const QCommandLineOption id(QStringLiteral("id"), QStringLiteral("Machine number of the terminal (0-255, default 0)."),
                                QStringLiteral("N"));
    const QCommandLineOption timeout(QStringLiteral("timeout"),
        QStringLiteral("Reply time budget in ms (default %1, %2 for station commands).")
            .arg(vx::kTerminalTimeoutMs)
            .arg(vx::kStationTimeoutMs),
        QStringLiteral("MS"));
    const QCommandLineOption trace(QStringLiteral("trace"),
                                   QStringLiteral("Show every transmission on standard error."));
    const QCommandLineOption output({QStringLiteral("o"), QStringLiteral("output")},
        ownersOf(kOutputOption) + QStringLiteral(": append to FILE instead of standard output."),
        QStringLiteral("FILE"));
    const QCommandLineOption yes(QStringLiteral("yes"), ownersOf(kYesOption) + QStringLiteral(": do not ask."));
    const QCommandLineOption clear(QStringLiteral("clear"),
                                   ownersOf(kAutomationOptions) + QStringLiteral(": clear the terminal's data after the last record."));
    const QCommandLineOption updateTime(QStringLiteral("update-time"),
                                        ownersOf(kAutomationOptions) + QStringLiteral(": then set the terminal's clock from the PC."));
    const QCommandLineOption powerDown(QStringLiteral("power-down"),
                                       ownersOf(kAutomationOptions) + QStringLiteral(": then switch the terminal off."));
    const QCommandLineOption map(QStringLiteral("map"), ownersOf(kMappingOptions) + QStringLiteral(": use DEVICE for COMn."),
                                 QStringLiteral("COMn=DEVICE"));
    const QCommandLineOption unmap(QStringLiteral("unmap"),
                                   ownersOf(kMappingOptions) + QStringLiteral(": COMn back to its default device."), QStringLiteral("COMn"));
    const QCommandLineOption from(QStringLiteral("from"), ownersOf(kRangeOptions) + QStringLiteral(": first machine number (default 0)."),
                                  QStringLiteral("N"));
    const QCommandLineOption to(QStringLiteral("to"), ownersOf(kRangeOptions) + QStringLiteral(": last machine number (default 255)."),
                                QStringLiteral("M"));
    const QCommandLineOption interval(QStringLiteral("interval"),
                                      ownersOf(kIntervalOption) + QStringLiteral(": seconds between two looks (default 2)."),
                                      QStringLiteral("SEC"));
    const QCommandLineOption quiet({QStringLiteral("q"), QStringLiteral("quiet")},
        ownersOf(kQuietOption) + QStringLiteral(": no record counter and no summary; errors still on standard error."));
    const QCommandLineOption since(QStringLiteral("since"),
        ownersOf(kSinceOption) + QStringLiteral(": the downloads from this day on (YYYY-MM-DD)."), QStringLiteral("DAY"));
    const QCommandLineOption json(QStringLiteral("json"),
        ownersOf(kJsonOption) + QStringLiteral(": the result as JSON objects on standard output, one a line."));
    for (const auto *o : {&port, &id, &timeout, &trace, &output, &yes, &clear, &updateTime, &powerDown, &map, &unmap,
                          &from, &to, &interval, &quiet, &since, &json})
        parser.addOption(*o);
    parser.addPositionalArgument(QStringLiteral("command"), QStringLiteral("One of the commands above, with its arguments."),
                                 QStringLiteral("COMMAND [ARGS]"));

    if (!parser.parse(arguments))
        return usage(parser.errorText());
    const std::pair<const QCommandLineOption *, unsigned> owned[] = {
        {&output, kOutputOption},        {&yes, kYesOption},           {&clear, kAutomationOptions},
        {&updateTime, kAutomationOptions}, {&powerDown, kAutomationOptions}, {&map, kMappingOptions},
        {&unmap, kMappingOptions},       {&from, kRangeOptions},       {&to, kRangeOptions},
        {&interval, kIntervalOption},      {&quiet, kQuietOption},       {&json, kJsonOption},
        {&since, kSinceOption},
    };
    if (parser.isSet(help) && !parser.positionalArguments().isEmpty()) {
        // "vx500ctl COMMAND --help": that command alone.
        QStringList words = parser.positionalArguments();
        QString problem;
        const Command *command = findCommand(words, problem);
        if (!command)
            return usage(problem);
        Parsed p;
        p.outcome = Parsed::Help;
        p.text = QStringLiteral("Usage: vx500ctl [--port PORT] [--id N] [--timeout MS] [--trace] %1\n\n  %2\n")
                     .arg(synopsis(*command), QString::fromLatin1(command->help).replace(QStringLiteral("\n"), QStringLiteral("\n  ")));
        QStringList lines;
        for (const auto &[option, bit] : owned)
            if (command->options & bit) {
                QStringList names;
                for (const QString &n : option->names())
                    names << (n.size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) + n;
                const QString value = option->valueName().isEmpty() ? QString() : QLatin1Char(' ') + option->valueName();
                const QString words = option->description().mid(option->description().indexOf(QLatin1String(": ")) + 2);
                lines << QStringLiteral("  %1  %2").arg((names.join(QStringLiteral(", ")) + value).leftJustified(22), words);
            }
        if (!lines.isEmpty())
            p.text += QStringLiteral("\nOptions:\n") + lines.join(QLatin1Char('\n')) + QLatin1Char('\n');
        p.text += QStringLiteral("\nExample:\n  %1\n").arg(QLatin1String(command->example));
        return p;
    }
    if (parser.isSet(help) || parser.isSet(QStringLiteral("help-all"))) {
        Parsed p;
        p.outcome = Parsed::Help;
        p.text = parser.helpText();
        // The usage line names the program as it is called, not by its path.
        const qsizetype end = p.text.indexOf(QLatin1String(" [options]"));
        if (p.text.startsWith(QLatin1String("Usage: ")) && end > 0)
            p.text.replace(7, end - 7, QStringLiteral("vx500ctl"));
        return p;
    }
    if (parser.isSet(version)) {
        Parsed p;
        p.outcome = Parsed::Version;
        return p;
    }

    Invocation inv;
    QStringList words = parser.positionalArguments();
    if (words.isEmpty())
        return usage(QStringLiteral("no command given"));
    QString problem;
    inv.command = findCommand(words, problem);
    if (!inv.command)
        return usage(problem);
    const Command &command = *inv.command;
    const QString name = QLatin1String(command.name);
    if (command.arg == Arg::None && !words.isEmpty())
        return usage(QStringLiteral("%1: unexpected argument '%2'").arg(name, words.first()));
    if (words.size() > 1)
        return usage(QStringLiteral("%1: unexpected argument '%2'").arg(name, words.at(1)));
    if (command.arg != Arg::None && command.arg != Arg::When && words.isEmpty())
        return usage(QStringLiteral("%1: %2 missing").arg(name, QLatin1String(command.argName)));
    const QString argument = words.value(0);

    // Global options.
    if (parser.isSet(port)) {
        inv.port = parser.value(port).trimmed();
        if (inv.port.isEmpty())
            return usage(QStringLiteral("--port: empty port name"));
        if (inv.port.startsWith(QLatin1String("COM"), Qt::CaseInsensitive) && !inv.port.contains(QLatin1Char('/'))
            && !vx::commNumber(inv.port))
            return usage(QStringLiteral("--port: '%1' is not one of COM1 to COM16").arg(inv.port));
    }
    if (parser.isSet(id)) {
        const auto n = machineNumber(parser.value(id));
        if (!n)
            return usage(QStringLiteral("--id: '%1' is not a machine number (0-255)").arg(parser.value(id)));
        inv.id = *n;
    }
    if (parser.isSet(timeout)) {
        bool ok = false;
        const int ms = parser.value(timeout).toInt(&ok);
        if (!ok || ms < 1 || ms > 600000)
            return usage(QStringLiteral("--timeout: '%1' is not a time in ms (1-600000)").arg(parser.value(timeout)));
        inv.timeout = ms;
    }
    inv.trace = parser.isSet(trace);

    // The command's argument.
    switch (command.arg) {
    case Arg::None:
        break;
    case Arg::When:
        if (!argument.isEmpty() && argument != u"now") {
            inv.when = dateTime(argument);
            if (!inv.when)
                return usage(QStringLiteral("%1: '%2' is neither now nor YYYY-MM-DDThh:mm:ss").arg(name, argument));
        }
        break;
    case Arg::MachineNumber: {
        const auto n = machineNumber(argument);
        if (!n)
            return usage(QStringLiteral("%1: '%2' is not a machine number (0-255)").arg(name, argument));
        inv.newId = *n;
        break;
    }
    case Arg::File:
        inv.file = argument;
        break;
    }

    // Command options, each only where it means something.
    for (const auto &[option, bit] : owned)
        if (parser.isSet(*option) && !(command.options & bit))
            return usage(QStringLiteral("--%1 belongs to %2, not to %3")
                             .arg(option->names().constLast(), ownersOf(bit), name));
    for (const auto *o : {&output, &map, &unmap, &from, &to, &interval, &since})
        if (parser.values(*o).size() > 1)
            return usage(QStringLiteral("--%1 given more than once").arg(o->names().constLast()));

    if (parser.isSet(output)) {
        inv.output = parser.value(output);
        if (inv.output.isEmpty())
            return usage(QStringLiteral("-o: empty file name"));
    }
    inv.yes = parser.isSet(yes);
    inv.clearAfter = parser.isSet(clear);
    inv.updateTimeAfter = parser.isSet(updateTime);
    inv.powerDownAfter = parser.isSet(powerDown);
    inv.quiet = parser.isSet(quiet);
    inv.json = parser.isSet(json);
    if (parser.isSet(since)) {
        inv.since = QDate::fromString(parser.value(since), Qt::ISODate);
        if (!inv.since.isValid())
            return usage(QStringLiteral("--since: '%1' is not a day (YYYY-MM-DD)").arg(parser.value(since)));
    }
    if (parser.isSet(map) && parser.isSet(unmap))
        return usage(QStringLiteral("ports: --map and --unmap exclude each other"));
    if (parser.isSet(map)) {
        const QString mapping = parser.value(map);
        const qsizetype eq = mapping.indexOf(QLatin1Char('='));
        const auto n = vx::commNumber(eq < 0 ? mapping : mapping.left(eq));
        inv.mapDevice = eq < 0 ? QString() : mapping.mid(eq + 1).trimmed();
        if (!n || !inv.mapDevice.startsWith(QLatin1Char('/')))
            return usage(QStringLiteral("--map: '%1' is not COMn=DEVICE with n from 1 to 16 and DEVICE a path "
                                        "such as /dev/ttyUSB0")
                             .arg(mapping));
        inv.mapPort = *n;
    }
    if (parser.isSet(unmap)) {
        const auto n = vx::commNumber(parser.value(unmap));
        if (!n)
            return usage(QStringLiteral("--unmap: '%1' is not one of COM1 to COM16").arg(parser.value(unmap)));
        inv.unmapPort = *n;
    }

    for (auto [option, bound] : {std::pair{&from, &inv.scanFrom}, std::pair{&to, &inv.scanTo}}) {
        if (!parser.isSet(*option))
            continue;
        const auto n = machineNumber(parser.value(*option));
        if (!n)
            return usage(QStringLiteral("--%1: '%2' is not a machine number (0-255)")
                             .arg(option->names().constFirst(), parser.value(*option)));
        *bound = *n;
    }
    if (inv.scanFrom > inv.scanTo)
        return usage(QStringLiteral("scan: --from %1 is above --to %2").arg(inv.scanFrom).arg(inv.scanTo));
    if (parser.isSet(interval)) {
        bool ok = false;
        inv.intervalSeconds = parser.value(interval).toInt(&ok);
        if (!ok || inv.intervalSeconds < 1 || inv.intervalSeconds > 86400)
            return usage(QStringLiteral("--interval: '%1' is not a number of seconds (1-86400)").arg(parser.value(interval)));
    }
    // watch prints its events on standard output, so its records need a file,
    // whose name may hold the date.
    if (name == u"watch") {
        if (inv.output.isEmpty())
            return usage(QStringLiteral("watch: -o FILE missing (standard output carries the events)"));
        if (!datedPath(inv.output, QDate(2000, 1, 1)))
            return usage(QStringLiteral("-o: '%1' holds a % sequence other than %Y, %m, %d and %%").arg(inv.output));
    }

    Parsed p;
    p.outcome = Parsed::Run;
    p.invocation = inv;
    return p;
}

} // namespace vx::ctl
