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
    const QString name = QLatin1String(inv.command->name);
    JsonFields fields{{QStringLiteral("command"), name}};
    if (!name.startsWith(QLatin1String("station ")))
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

template <Order Command>
Exit order(Session &s)
{
    (s.link().*Command)(s.id());
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
    const qint64 codes = text.trimmed().toLongLong();
    if (!bareNumber(text, true) || codes > 32767) {
        s.io().error(QStringLiteral("tags count: the terminal answered '%1', not a number of tag codes").arg(text));
        return Exit::DeviceFailure;
    }
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

constexpr qint32 kTerminal = vx::kTerminalTimeoutMs;
constexpr qint32 kStation = vx::kStationTimeoutMs;

constexpr Command kCommands[] = {
    {"time", Arg::None, nullptr, kJsonOption, kTerminal, "print the terminal's clock (YYYY-MM-DD hh:mm:ss)", printTime,
     "vx500ctl --port COM1 time"},
    {"set-time", Arg::When, "[WHEN]", 0, kTerminal,
     "set the clock: now (default) or YYYY-MM-DDThh:mm:ss,\nsent as written (the terminal has no time zone)",
     [](Session &s) {
         s.link().setTime(s.id(), s.invocation().when.value_or(QDateTime::currentDateTime()));
         return done(s);
     },
     "vx500ctl --port COM1 set-time 2026-12-07T08:00:00"},
    {"id", Arg::None, nullptr, kJsonOption, kTerminal, "print the machine number",
     [](Session &s) { return printNumber(s, &vx::TerminalLink::readMachineNumber, "id"); },
     "vx500ctl --port COM1 id"},
    {"set-id", Arg::MachineNumber, "N", 0, kTerminal, "give the terminal the machine number N (0-255)",
     [](Session &s) {
         s.link().setMachineNumber(s.id(), s.invocation().newId);
         return done(s);
     },
     "vx500ctl --port COM1 --id 200 set-id 0"},
    {"count", Arg::None, nullptr, kJsonOption, kTerminal, "print the number of stored records",
     [](Session &s) { return printNumber(s, &vx::TerminalLink::readRecordCount, "records"); },
     "vx500ctl --port COM1 --json count"},
    {"version", Arg::None, nullptr, kJsonOption, kTerminal, "print the firmware version",
     [](Session &s) { return printText(s, &vx::TerminalLink::readVersion, "version"); },
     "vx500ctl --port COM1 version"},
    {"voltage", Arg::None, nullptr, kJsonOption, kTerminal, "print the battery voltage text", printVoltage,
     "vx500ctl --port COM1 voltage"},
    {"recover", Arg::None, nullptr, 0, kTerminal, "recover the cleared data", order<&vx::TerminalLink::recoverData>,
     "vx500ctl --port COM1 recover"},
    {"self-test", Arg::None, nullptr, 0, kTerminal, "start the terminal's self-test", order<&vx::TerminalLink::runSelfTest>,
     "vx500ctl --port COM1 self-test"},
    {"power-down", Arg::None, nullptr, 0, kTerminal, "switch the terminal off", order<&vx::TerminalLink::powerDown>,
     "vx500ctl --port COM1 power-down"},
    {"clear", Arg::None, nullptr, kYesOption, kTerminal, "clear the stored records (asks first)", clear,
     "vx500ctl --port COM1 clear --yes"},
    {"download", Arg::None, nullptr, kOutputOption | kAutomationOptions | kQuietOption | kJsonOption, kTerminal,
     "fetch every record, first field in decimal; the\n"
     "options run once the last record has arrived (and\n"
     "FILE is on the disk); --clear needs FILE or\n"
     "standard output to a file, and clears only when\n"
     "the terminal holds as many records as were stored",
     runDownload,
     "vx500ctl --port COM1 download -o ~/vx500/VX.txt --clear --update-time"},
    {"watch", Arg::None, nullptr, kOutputOption | kAutomationOptions | kIntervalOption, kTerminal,
     "wait for terminals in the station and download each\n"
     "one once, as download does; -o FILE is needed and\n"
     "may hold %Y %m %d; one line per event; ends at\n"
#ifdef Q_OS_WIN
     "Ctrl+C or Ctrl+Break",
#else
     "SIGTERM or SIGINT",
#endif
     runWatch,
     "vx500ctl --port COM1 watch -o ~/vx500/%Y%m%d.txt --clear"},
    {"scan", Arg::None, nullptr, kRangeOptions | kJsonOption, kScanReplyMs,
     "list the terminals that answer at the machine\nnumbers from N to M (default 0 to 255)", runScan,
     "vx500ctl --port COM1 scan --from 0 --to 20"},
    {"tags count", Arg::None, nullptr, kJsonOption, kTerminal, "print the number of tag codes", printTagCount,
     "vx500ctl --port COM1 tags count"},
    {"tags download", Arg::None, nullptr, kOutputOption | kQuietOption, kTerminal, "fetch the tag code list",
     tagsDownload,
     "vx500ctl --port COM1 tags download -o tags.txt"},
    {"tags upload", Arg::File, "FILE", kQuietOption, kTerminal, "send a tag code list, one code per line",
     tagsUpload,
     "vx500ctl --port COM1 tags upload tags.txt"},
    {"station version", Arg::None, nullptr, kJsonOption, kStation, "print the reader station's version",
     [](Session &s) { return printStationText(s, &vx::TerminalLink::readStationVersion, "version"); },
     "vx500ctl --port COM1 station version"},
    {"station info", Arg::None, nullptr, kJsonOption, kStation, "print the reader station's information text",
     [](Session &s) { return printStationText(s, &vx::TerminalLink::readStationInformation, "info"); },
     "vx500ctl --port COM1 station info"},
    {"history", Arg::None, nullptr, kSinceOption | kJsonOption, 0,
     "list the downloads: when, the port (--port P keeps\n"
     "one port's), the machine number, the records, the\n"
     "file, and whether the terminal was cleared (or why\n"
     "not); --since DAY (YYYY-MM-DD) from that day on",
     runHistory,
     "vx500ctl history --since 2026-12-01 --port COM1"},
    {"ports", Arg::None, nullptr, kMappingOptions | kJsonOption, 0,
     "list the serial ports and the COMn mapping in\nforce, or change the mapping", runPorts,
     "vx500ctl ports --map COM3=/dev/serial/by-id/usb-FTDI_FT232R_A1234-if00-port0"},
};

static_assert(std::ranges::all_of(kCommands, [](const Command &c) { return c.help && c.name && c.example; }),
              "every command has a name, a help text and an example");

} // namespace

std::span<const Command> commands() { return kCommands; }

QString synopsis(const Command &c)
{
    QString text = QLatin1String(c.name);
    if (c.argName)
        text += QLatin1Char(' ') + QLatin1String(c.argName);
    if (c.options & kOutputOption)
        text += QStringLiteral(" [-o FILE]");
    if (c.options & kYesOption)
        text += QStringLiteral(" [--yes]");
    if (c.options & kAutomationOptions)
        text += QStringLiteral(" [--clear] [--update-time] [--power-down]");
    if (c.options & kRangeOptions)
        text += QStringLiteral(" [--from N] [--to M]");
    if (c.options & kIntervalOption)
        text += QStringLiteral(" [--interval SEC]");
    if (c.options & kMappingOptions)
        text += QStringLiteral(" [--map COMn=DEVICE | --unmap COMn]");
    if (c.options & kSinceOption)
        text += QStringLiteral(" [--since DAY]");
    if (c.options & kQuietOption)
        text += QStringLiteral(" [-q]");
    if (c.options & kJsonOption)
        text += QStringLiteral(" [--json]");
    return text;
}

} // namespace vx::ctl
