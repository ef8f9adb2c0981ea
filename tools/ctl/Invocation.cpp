#include "Invocation.h"

#include <QCommandLineParser>
#include <QRegularExpression>

namespace vx::ctl {

namespace {

const char *const kDescription = R"(Talks to a VX500/VX500A terminal or a VX500R/U reader station on a serial port.

Commands:
  time                    print the terminal's clock (YYYY-MM-DD hh:mm:ss)
  set-time [WHEN]         set the clock: now (default) or YYYY-MM-DDThh:mm:ss
  id                      print the machine number
  set-id N                give the terminal the machine number N (0-255)
  count                   print the number of stored records
  version                 print the firmware version
  voltage                 print the battery voltage text
  recover                 recover the cleared data
  self-test               start the terminal's self-test
  power-down              switch the terminal off
  clear [--yes]           clear the stored records (asks first)
  download [-o FILE] [--clear] [--update-time] [--power-down]
                          fetch every record, first field in decimal; the
                          options run once the last record has arrived
                          (and FILE is on the disk)
  tags count              print the number of tag codes
  tags download [-o FILE] fetch the tag code list
  tags upload FILE        send a tag code list, one code per line
  station version         print the reader station's version
  station info            print the reader station's information text
  ports [--map COMn=DEVICE | --unmap COMn]
                          list the serial ports and the COMn mapping in
                          force, or change the mapping

Exit status: 0 success, 1 the device reported a failure, 2 usage error,
3 the port or a file could not be used.)";

struct CommandRule {
    const char *name;
    int minArgs;
    int maxArgs;
};

// Positional arguments after the command word (sub-commands included).
const CommandRule kRules[] = {
    {"time", 0, 0},     {"set-time", 0, 1}, {"id", 0, 0},       {"set-id", 1, 1},
    {"count", 0, 0},    {"version", 0, 0},  {"voltage", 0, 0},  {"recover", 0, 0},
    {"self-test", 0, 0}, {"power-down", 0, 0}, {"clear", 0, 0}, {"download", 0, 0},
    {"tags", 1, 2},     {"station", 1, 1},  {"ports", 0, 0},
};

const CommandRule *ruleFor(const QString &name)
{
    for (const CommandRule &r : kRules)
        if (name == QLatin1String(r.name))
            return &r;
    return nullptr;
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

std::optional<QDateTime> dateTime(const QString &text)
{
    for (const char *format : {"yyyy-MM-ddTHH:mm:ss", "yyyy-MM-dd HH:mm:ss"}) {
        const QDateTime dt = QDateTime::fromString(text.trimmed(), QLatin1String(format));
        if (dt.isValid())
            return dt;
    }
    return std::nullopt;
}

} // namespace

int comNumber(const QString &name)
{
    static const QRegularExpression com(QStringLiteral("^COM([0-9]{1,2})$"),
                                        QRegularExpression::CaseInsensitiveOption);
    const auto m = com.match(name.trimmed());
    if (!m.hasMatch())
        return 0;
    const int n = m.captured(1).toInt();
    return n >= 1 && n <= 16 ? n : 0;
}

Parsed parseArguments(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QString::fromUtf8(kDescription));
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    const QCommandLineOption port(QStringLiteral("port"),
        QStringLiteral("COM1 to COM16 or a device path; default: the port the monitor last used."),
        QStringLiteral("PORT"));
    const QCommandLineOption id(QStringLiteral("id"), QStringLiteral("Machine number of the terminal (0-255, default 0)."),
                                QStringLiteral("N"));
    const QCommandLineOption timeout(QStringLiteral("timeout"),
        QStringLiteral("Reply time budget in ms (default 2000, 3000 for station commands)."), QStringLiteral("MS"));
    const QCommandLineOption trace(QStringLiteral("trace"),
                                   QStringLiteral("Show every transmission on standard error."));
    const QCommandLineOption output({QStringLiteral("o"), QStringLiteral("output")},
        QStringLiteral("download, tags download: append to FILE instead of standard output."), QStringLiteral("FILE"));
    const QCommandLineOption yes(QStringLiteral("yes"), QStringLiteral("clear: do not ask."));
    const QCommandLineOption clear(QStringLiteral("clear"),
                                   QStringLiteral("download: clear the terminal's data after the last record."));
    const QCommandLineOption updateTime(QStringLiteral("update-time"),
                                        QStringLiteral("download: then set the terminal's clock from the PC."));
    const QCommandLineOption powerDown(QStringLiteral("power-down"),
                                       QStringLiteral("download: then switch the terminal off."));
    const QCommandLineOption map(QStringLiteral("map"), QStringLiteral("ports: use DEVICE for COMn."),
                                 QStringLiteral("COMn=DEVICE"));
    const QCommandLineOption unmap(QStringLiteral("unmap"),
                                   QStringLiteral("ports: COMn back to its default device."), QStringLiteral("COMn"));
    for (const auto *o : {&port, &id, &timeout, &trace, &output, &yes, &clear, &updateTime, &powerDown, &map, &unmap})
        parser.addOption(*o);
    parser.addPositionalArgument(QStringLiteral("command"), QStringLiteral("One of the commands above, with its arguments."),
                                 QStringLiteral("COMMAND [ARGS]"));

    if (!parser.parse(arguments))
        return usage(parser.errorText());
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
    inv.command = words.takeFirst();
    const CommandRule *rule = ruleFor(inv.command);
    if (!rule)
        return usage(QStringLiteral("unknown command '%1'").arg(inv.command));
    if (words.size() < rule->minArgs)
        return usage(QStringLiteral("%1: argument missing").arg(inv.command));
    if (words.size() > rule->maxArgs)
        return usage(QStringLiteral("%1: unexpected argument '%2'").arg(inv.command, words.at(rule->maxArgs)));

    // Global options.
    if (parser.isSet(port)) {
        inv.port = parser.value(port).trimmed();
        if (inv.port.isEmpty())
            return usage(QStringLiteral("--port: empty port name"));
        if (inv.port.startsWith(QLatin1String("COM"), Qt::CaseInsensitive) && !inv.port.contains(QLatin1Char('/'))
            && comNumber(inv.port) == 0)
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

    // Command arguments.
    const QString &cmd = inv.command;
    if (cmd == u"set-time" && !words.isEmpty() && words.first() != u"now") {
        inv.when = dateTime(words.first());
        if (!inv.when)
            return usage(QStringLiteral("set-time: '%1' is neither now nor YYYY-MM-DDThh:mm:ss").arg(words.first()));
    }
    if (cmd == u"set-id") {
        const auto n = machineNumber(words.first());
        if (!n)
            return usage(QStringLiteral("set-id: '%1' is not a machine number (0-255)").arg(words.first()));
        inv.newId = *n;
    }
    if (cmd == u"tags") {
        inv.subcommand = words.first();
        const int wanted = inv.subcommand == u"upload" ? 2 : 1;
        if (inv.subcommand != u"count" && inv.subcommand != u"download" && inv.subcommand != u"upload")
            return usage(QStringLiteral("tags: unknown sub-command '%1' (count, download, upload)").arg(inv.subcommand));
        if (words.size() < wanted)
            return usage(QStringLiteral("tags upload: FILE missing"));
        if (words.size() > wanted)
            return usage(QStringLiteral("tags %1: unexpected argument '%2'").arg(inv.subcommand, words.at(wanted)));
        if (wanted == 2)
            inv.file = words.at(1);
    }
    if (cmd == u"station") {
        inv.subcommand = words.first();
        if (inv.subcommand != u"version" && inv.subcommand != u"info")
            return usage(QStringLiteral("station: unknown sub-command '%1' (version, info)").arg(inv.subcommand));
    }

    // Command options, each only where it means something.
    const bool tagsDownload = cmd == u"tags" && inv.subcommand == u"download";
    struct Allowed {
        const QCommandLineOption *option;
        bool allowed;
        const char *where;
    };
    const Allowed allowed[] = {
        {&output, cmd == u"download" || tagsDownload, "download and tags download"},
        {&yes, cmd == u"clear", "clear"},
        {&clear, cmd == u"download", "download"},
        {&updateTime, cmd == u"download", "download"},
        {&powerDown, cmd == u"download", "download"},
        {&map, cmd == u"ports", "ports"},
        {&unmap, cmd == u"ports", "ports"},
    };
    for (const Allowed &a : allowed)
        if (parser.isSet(*a.option) && !a.allowed)
            return usage(QStringLiteral("--%1 belongs to %2, not to %3")
                             .arg(a.option->names().constLast(), QLatin1String(a.where), cmd));
    for (const auto *o : {&output, &map, &unmap})
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
    if (parser.isSet(map) && parser.isSet(unmap))
        return usage(QStringLiteral("ports: --map and --unmap exclude each other"));
    if (parser.isSet(map)) {
        const QString mapping = parser.value(map);
        const qsizetype eq = mapping.indexOf(QLatin1Char('='));
        const QString com = eq < 0 ? mapping : mapping.left(eq).trimmed();
        const QString device = eq < 0 ? QString() : mapping.mid(eq + 1).trimmed();
        if (comNumber(com) == 0 || !device.startsWith(QLatin1Char('/')))
            return usage(QStringLiteral("--map: '%1' is not COMn=DEVICE with n from 1 to 16 and DEVICE a path "
                                        "such as /dev/ttyUSB0")
                             .arg(mapping));
        inv.mapPort = QStringLiteral("COM%1").arg(comNumber(com));
        inv.mapDevice = device;
    }
    if (parser.isSet(unmap)) {
        const int n = comNumber(parser.value(unmap));
        if (n == 0)
            return usage(QStringLiteral("--unmap: '%1' is not one of COM1 to COM16").arg(parser.value(unmap)));
        inv.unmapPort = QStringLiteral("COM%1").arg(n);
    }

    Parsed p;
    p.outcome = Parsed::Run;
    p.invocation = inv;
    return p;
}

} // namespace vx::ctl
