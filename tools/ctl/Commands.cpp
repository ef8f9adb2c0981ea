#include "Commands.h"

#include "Download.h"
#include "History.h"
#include "Ports.h"
#include "Scan.h"
#include "Session.h"
#include "Tags.h"
#include "Watch.h"

#include <QRegularExpression>

#include <algorithm>

namespace vx::ctl {

namespace {

using NumberQuery = void (vx::TerminalLink::*)(qint16, qint16 &);
using TextQuery = void (vx::TerminalLink::*)(qint16, QString &);
using StationQuery = void (vx::TerminalLink::*)(QString &);
using Order = void (vx::TerminalLink::*)(qint16);

// The outcome of the exchange just made; on success print() shows its result.
template <typename Print>
Exit outcome(Session &s, Print print)
{
    const Exit e = s.outcome();
    if (e == Exit::Ok)
        print();
    return e;
}

// A value on a line of its own; with --json the object
// {"command": NAME, "machine": N, key: value}, without the machine for a
// reader-station query.
void printValue(Session &s, const char *key, const QJsonValue &value, const QString &text, bool fromDevice)
{
    Io &io = s.io();
    const Invocation &inv = s.invocation();
    if (!inv.json) {
        fromDevice ? io.printDeviceText(text) : io.print(text);
        return;
    }
    JsonFields fields{{QStringLiteral("command"), QLatin1String(inv.command->name)}};
    if (inv.command->target != Target::Station)
        fields.append({QStringLiteral("machine"), s.id()});
    fields.append({QLatin1String(key), value});
    io.printJson(fields);
}

Exit printNumber(Session &s, NumberQuery query, const char *key)
{
    qint16 value = 0;
    (s.link().*query)(s.id(), value);
    return outcome(s, [&] { printValue(s, key, value, QString::number(value), false); });
}

Exit printText(Session &s, TextQuery query, const char *key)
{
    QString text;
    (s.link().*query)(s.id(), text);
    return outcome(s, [&] { printValue(s, key, text, text, true); });
}

Exit printStationText(Session &s, StationQuery query, const char *key)
{
    QString text;
    (s.link().*query)(text);
    return outcome(s, [&] { printValue(s, key, text, text, true); });
}

// "OK" once the terminal has confirmed.
Exit done(Session &s)
{
    return outcome(s, [&] { s.io().print(QStringLiteral("OK")); });
}

template <Order Operation>
Exit order(Session &s)
{
    (s.link().*Operation)(s.id());
    return done(s);
}

Exit printTime(Session &s)
{
    QDateTime dt;
    s.link().readTime(s.id(), dt);
    return outcome(s, [&] {
        // the terminal's fields, no time zone
        printValue(s, "time", dt.toString(QStringLiteral("yyyy-MM-dd'T'HH:mm:ss")),
                   dt.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")), false);
    });
}

// The terminal answers the tag count and the battery voltage to one letter,
// "B", with whichever it holds: the count must be a whole number, and a
// voltage without a unit may be a count.
bool bareNumber(const QString &text, bool whole)
{
    static const QRegularExpression number(QStringLiteral("^\\d+$")), decimal(QStringLiteral("^\\d+(\\.\\d+)?$"));
    return (whole ? number : decimal).match(text.trimmed()).hasMatch();
}

Exit printTagCount(Session &s)
{
    QString text;
    s.link().readVoltage(s.id(), text);
    if (const Exit e = s.outcome(); e != Exit::Ok)
        return e;
    bool whole = false;
    const qint64 codes = text.trimmed().toLongLong(&whole);
    if (!bareNumber(text, true) || !whole || codes > 32767)
        return s.io().fail({vx::FailureKind::BadData,
                            QStringLiteral("tags count: the terminal answered '%1', not a number of tag codes").arg(text)});
    printValue(s, "codes", codes, QString::number(codes), false);
    return Exit::Ok;
}

Exit printVoltage(Session &s)
{
    QString text;
    s.link().readVoltage(s.id(), text);
    return outcome(s, [&] {
        printValue(s, "voltage", text, text, true);
        if (bareNumber(text, false))
            s.io().error(QStringLiteral("voltage: '%1' has no unit: it may be the tag count, which the terminal "
                                        "answers to the same request")
                             .arg(text.trimmed()));
    });
}

// Asks on a terminal; without one only --yes clears.
Exit clear(Session &s)
{
    Io &io = s.io();
    if (!s.invocation().yes) {
        if (!io.inIsTerminal) {
            io.error(QStringLiteral("clear: standard input is not a terminal, so there is nobody to ask; "
                                    "give --yes to clear the terminal's data without asking"));
            return Exit::Usage;
        }
        io.err->write("Clear the data of terminal? [y/N] ");
        const QString answer = QString::fromLocal8Bit(io.in->readLine(16)).trimmed().toLower();
        if (answer != u"y" && answer != u"yes") {
            io.note(QStringLiteral("Not cleared."));
            return Exit::Ok;
        }
    }
    return order<&vx::TerminalLink::clearData>(s);
}

// An example in the system's own terms: Windows paths there, POSIX ones elsewhere.
constexpr const char *kExample([[maybe_unused]] const char *windows, [[maybe_unused]] const char *elsewhere)
{
#ifdef Q_OS_WIN
    return windows;
#else
    return elsewhere;
#endif
}

constexpr Command kCommands[] = {
    {"time", Target::Terminal, Arg::None, nullptr, kJsonOption, false,
     "print the terminal's clock (YYYY-MM-DD hh:mm:ss)", printTime, "vx500ctl --port COM1 time"},
    {"set-time", Target::Terminal, Arg::When, "[WHEN]", 0, false,
     "set the clock: now (default) or YYYY-MM-DDThh:mm:ss,\nsent as written (the terminal has no time zone)",
     [](Session &s) {
         s.link().setTime(s.id(), s.invocation().when.value_or(QDateTime::currentDateTime()));
         return done(s);
     },
     "vx500ctl --port COM1 set-time 2026-12-07T08:00:00"},
    {"id", Target::Terminal, Arg::None, nullptr, kJsonOption, false, "print the machine number",
     [](Session &s) { return printNumber(s, &vx::TerminalLink::readMachineNumber, "id"); },
     "vx500ctl --port COM1 id"},
    {"set-id", Target::Terminal, Arg::MachineNumber, "N", 0, false, "give the terminal the machine number N (0-255)",
     [](Session &s) {
         s.link().setMachineNumber(s.id(), s.invocation().newId);
         return done(s);
     },
     "vx500ctl --port COM1 --id 200 set-id 0"},
    {"count", Target::Terminal, Arg::None, nullptr, kJsonOption, false, "print the number of stored records",
     [](Session &s) { return printNumber(s, &vx::TerminalLink::readRecordCount, "records"); },
     "vx500ctl --port COM1 --json count"},
    {"version", Target::Terminal, Arg::None, nullptr, kJsonOption, false, "print the firmware version",
     [](Session &s) { return printText(s, &vx::TerminalLink::readVersion, "version"); },
     "vx500ctl --port COM1 version"},
    {"voltage", Target::Terminal, Arg::None, nullptr, kJsonOption, false, "print the battery voltage text",
     printVoltage, "vx500ctl --port COM1 voltage"},
    {"recover", Target::Terminal, Arg::None, nullptr, 0, false, "recover the cleared data",
     order<&vx::TerminalLink::recoverData>, "vx500ctl --port COM1 recover"},
    {"self-test", Target::Terminal, Arg::None, nullptr, 0, false, "start the terminal's self-test",
     order<&vx::TerminalLink::runSelfTest>, "vx500ctl --port COM1 self-test"},
    {"power-down", Target::Terminal, Arg::None, nullptr, 0, false, "switch the terminal off",
     order<&vx::TerminalLink::powerDown>, "vx500ctl --port COM1 power-down"},
    {"clear", Target::Terminal, Arg::None, nullptr, kYesOption, false, "clear the stored records (asks first)", clear,
     "vx500ctl --port COM1 clear --yes"},
    {"download", Target::Terminal, Arg::None, nullptr, kOutputOption | kAutomationOptions | kQuietOption | kJsonOption,
     false,
     "fetch every record, first field in decimal; the\n"
     "options run once the last record has arrived (and\n"
     "FILE is on the disk); --clear needs FILE or\n"
     "standard output to a file, and clears only when\n"
     "the terminal holds as many records as were stored",
     runDownload, kExample("vx500ctl --port COM1 download -o C:\\vx500\\VX.txt --clear --update-time",
                           "vx500ctl --port COM1 download -o ~/vx500/VX.txt --clear --update-time")},
    {"watch", Target::Terminal, Arg::None, nullptr, kOutputOption | kAutomationOptions | kIntervalOption, true,
     "wait for terminals in the station and download each\n"
     "one once, as download does; -o FILE is needed and\n"
     "may hold %Y %m %d; one line per event; ends at\n"
#ifdef Q_OS_WIN
     "Ctrl+C or Ctrl+Break",
#else
     "SIGTERM or SIGINT",
#endif
     runWatch, kExample("vx500ctl --port COM1 watch -o C:\\vx500\\%Y%m%d.txt --clear",
                        "vx500ctl --port COM1 watch -o ~/vx500/%Y%m%d.txt --clear")},
    {"scan", Target::EveryTerminal, Arg::None, nullptr, kRangeOptions | kJsonOption, false,
     "list the terminals that answer at the machine\nnumbers from N to M (default 0 to 255)", runScan,
     "vx500ctl --port COM1 scan --from 0 --to 20"},
    {"tags count", Target::Terminal, Arg::None, nullptr, kJsonOption, false, "print the number of tag codes",
     printTagCount, "vx500ctl --port COM1 tags count"},
    {"tags download", Target::Terminal, Arg::None, nullptr, kOutputOption | kQuietOption, false,
     "fetch the tag code list", tagsDownload, "vx500ctl --port COM1 tags download -o tags.txt"},
    {"tags upload", Target::Terminal, Arg::File, "FILE", kQuietOption, false, "send a tag code list, one code per line",
     tagsUpload, "vx500ctl --port COM1 tags upload tags.txt"},
    {"station version", Target::Station, Arg::None, nullptr, kJsonOption, false, "print the reader station's version",
     [](Session &s) { return printStationText(s, &vx::TerminalLink::readStationVersion, "version"); },
     "vx500ctl --port COM1 station version"},
    {"station info", Target::Station, Arg::None, nullptr, kJsonOption, false,
     "print the reader station's information text",
     [](Session &s) { return printStationText(s, &vx::TerminalLink::readStationInformation, "info"); },
     "vx500ctl --port COM1 station info"},
    {"history", Target::NoPort, Arg::None, nullptr, kSinceOption | kJsonOption, false,
     "list the downloads: when, the port (--port P keeps\n"
     "one port's), the machine number, the records, the\n"
     "file, and whether the terminal was cleared (or why\n"
     "not); --since DAY (YYYY-MM-DD) from that day on",
     runHistory, "vx500ctl history --since 2026-12-01 --port COM1"},
    {"ports", Target::NoPort, Arg::None, nullptr, kMappingOptions | kJsonOption, false,
     "list the serial ports and the COMn mapping in\nforce, or change the mapping", runPorts,
     kExample("vx500ctl ports --map COM5=COM17",
              "vx500ctl ports --map COM3=/dev/serial/by-id/usb-FTDI_FT232R_A1234-if00-port0")},
};

static_assert(std::ranges::all_of(kCommands, [](const Command &c) { return c.help && c.name && c.example; }),
              "every command has a name, a help text and an example");
static_assert(std::ranges::all_of(kCommands, [](const Command &c) { return (c.arg == Arg::None) == !c.argName; }),
              "a command with an argument names it for the help, and only such a command");
static_assert(std::ranges::all_of(kCommands,
                                  [](const Command &c) { return !c.recordsNeedFile || (c.options & kOutputOption); }),
              "a command whose records need a file takes -o");
static_assert(!std::is_constructible_v<Handler, std::nullptr_t> && !std::is_constructible_v<Handler, Handler::Function>,
              "a handler is made from a function, never from a pointer that may be null");

} // namespace

std::span<const Command> commands() { return kCommands; }

qint32 replyBudget(const Command &command)
{
    switch (command.target) {
    case Target::Terminal: return vx::kTerminalTimeoutMs;
    case Target::Station: return vx::kStationTimeoutMs;
    case Target::EveryTerminal: return kScanReplyMs;
    case Target::NoPort: return 0;
    }
    return 0;
}

QString synopsis(const Command &c)
{
    QString text = QLatin1String(c.name);
    if (c.argName)
        text += QLatin1Char(' ') + QLatin1String(c.argName);
    for (const Option &option : options()) {
        if (!(c.options & option.group))
            continue;
        if (option.excludesPrevious)
            text.insert(text.size() - 1, QStringLiteral(" | ") + optionUsage(option));
        else if (c.recordsNeedFile && option.group == kOutputOption) // required: no brackets
            text += QLatin1Char(' ') + optionUsage(option);
        else
            text += QStringLiteral(" [") + optionUsage(option) + QLatin1Char(']');
    }
    return text;
}

} // namespace vx::ctl
