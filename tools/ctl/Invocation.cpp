#include "Invocation.h"

#include "portnames/PortNames.h"
#include "Watch.h"
#include "terminal/TerminalLink.h"

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
    return text + QStringLiteral("\nExit status: 0 success, 1 the terminal or station failed the request (an error\n"
                                 "status or no answer), 2 a usage error or an output that cannot hold the records\n"
                                 "safely, 3 the port or a file could not be used.");
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

// The option as the parser knows it; a command's option says which commands take it.
QCommandLineOption parserOption(const Option &option)
{
    QString help = QString::fromUtf8(option.help);
    if (option.group == kGlobal && help.contains(QLatin1String("%1")))
        help = help.arg(vx::kTerminalTimeoutMs).arg(vx::kStationTimeoutMs);
    else if (option.group != kGlobal)
        help = ownersOf(option.group) + QStringLiteral(": ") + help;
    return QCommandLineOption(QString::fromLatin1(option.names).split(QLatin1Char(',')), help,
                              option.valueName ? QString::fromLatin1(option.valueName) : QString());
}

// "vx500ctl COMMAND --help": that command alone, its own options, an example.
QString commandHelp(const Command &command)
{
    QString globals;
    for (const Option &option : options())
        if (option.group == kGlobal)
            globals += QLatin1Char('[') + optionUsage(option) + QStringLiteral("] ");
    QString text = QStringLiteral("Usage: vx500ctl %1%2\n\n  %3\n")
                       .arg(globals, synopsis(command),
                            QString::fromLatin1(command.help).replace(QStringLiteral("\n"), QStringLiteral("\n  ")));
    QStringList lines;
    for (const Option &option : options()) {
        if (option.group == kGlobal || !(command.options & option.group))
            continue;
        const QString value = option.valueName ? QLatin1Char(' ') + QLatin1String(option.valueName) : QString();
        lines << QStringLiteral("  %1  %2").arg((optionNames(option) + value).leftJustified(22), QLatin1String(option.help));
    }
    if (!lines.isEmpty())
        text += QStringLiteral("\nOptions:\n") + lines.join(QLatin1Char('\n')) + QLatin1Char('\n');
    return text + QStringLiteral("\nExample:\n  %1\n").arg(QLatin1String(command.example));
}

} // namespace

std::optional<qint16> machineNumber(const QString &text)
{
    bool ok = false;
    const int n = text.trimmed().toInt(&ok, 10);
    if (!ok || n < 0 || n > 255)
        return std::nullopt;
    return static_cast<qint16>(n);
}

Parsed parseArguments(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(description());
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    QList<QCommandLineOption> parserOptions;
    for (const Option &option : options()) {
        parserOptions << parserOption(option);
        parser.addOption(parserOptions.constLast());
    }
    parser.addPositionalArgument(QStringLiteral("command"), QStringLiteral("One of the commands above, with its arguments."),
                                 QStringLiteral("COMMAND [ARGS]"));

    if (!parser.parse(arguments))
        return usage(parser.errorText());
    if (parser.isSet(help) && !parser.positionalArguments().isEmpty()) {
        QStringList words = parser.positionalArguments();
        Parsed p;
        p.outcome = Parsed::Help;
        // "tags --help": every command of the group.
        if (words.size() == 1) {
            for (const Command &c : commands())
                if (QLatin1String(c.name).startsWith(words.first() + QLatin1Char(' ')))
                    p.text += (p.text.isEmpty() ? QString() : QStringLiteral("\n")) + commandHelp(c);
            if (!p.text.isEmpty())
                return p;
        }
        QString problem;
        const Command *command = findCommand(words, problem);
        if (!command)
            return usage(problem);
        p.text = commandHelp(*command);
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

    // The global options, the command's argument, then the command's own
    // options, each only where it means something, each value once.
    const auto readAll = [&](bool global) {
        for (qsizetype i = 0; i < parserOptions.size(); ++i) {
            const Option &option = options()[i];
            if ((option.group == kGlobal) != global || !parser.isSet(parserOptions[i]))
                continue;
            if (const QString problem = option.read(parser.value(parserOptions[i]), inv); !problem.isEmpty())
                return problem;
        }
        return QString();
    };
    if (const QString problem = readAll(true); !problem.isEmpty())
        return usage(problem);

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

    for (qsizetype i = 0; i < parserOptions.size(); ++i) {
        const Option &option = options()[i];
        if (option.group != kGlobal && parser.isSet(parserOptions[i]) && !(command.options & option.group))
            return usage(QStringLiteral("%1 belongs to %2, not to %3").arg(optionName(option), ownersOf(option.group), name));
    }
    for (qsizetype i = 0; i < parserOptions.size(); ++i) {
        const Option &option = options()[i];
        if (option.group != kGlobal && option.valueName && parser.values(parserOptions[i]).size() > 1)
            return usage(QStringLiteral("%1 given more than once").arg(optionName(option)));
        if (option.excludesPrevious && parser.isSet(parserOptions[i]) && parser.isSet(parserOptions[i - 1]))
            return usage(QStringLiteral("%1: %2 and %3 exclude each other")
                             .arg(ownersOf(option.group), optionName(options()[i - 1]), optionName(option)));
    }
    if (const QString problem = readAll(false); !problem.isEmpty())
        return usage(problem);

    if (inv.scanFrom > inv.scanTo)
        return usage(QStringLiteral("%1: --from %2 is above --to %3").arg(ownersOf(kRangeOptions)).arg(inv.scanFrom).arg(inv.scanTo));
    // Standard output carries the events: the records need a file, whose
    // name may hold the date.
    if (command.recordsNeedFile) {
        if (inv.output.isEmpty())
            return usage(QStringLiteral("%1: -o FILE missing (standard output carries the events)").arg(name));
        if (!datedPath(inv.output, QDate(2000, 1, 1)))
            return usage(QStringLiteral("-o: '%1' holds a % sequence other than %Y, %m, %d and %%").arg(inv.output));
    }

    Parsed p;
    p.outcome = Parsed::Run;
    p.invocation = inv;
    return p;
}

} // namespace vx::ctl
