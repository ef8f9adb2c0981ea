#include "Commands.h"

#include "Download.h"
#include "Ports.h"
#include "Scan.h"
#include "Session.h"
#include "Tags.h"
#include "Watch.h"

#include <algorithm>

namespace vx::ctl {

namespace {

using NumberQuery = void (ucVX300_500::*)(qint16, qint16 &);
using TextQuery = void (ucVX300_500::*)(qint16, QString &);
using StationQuery = void (ucVX300_500::*)(QString &);
using Order = void (ucVX300_500::*)(qint16);

// The outcome of the exchange just made; on success print() shows its result.
template <typename Print>
Exit outcome(Session &s, Print print)
{
    const Exit e = s.outcome();
    if (e == Exit::Ok)
        print();
    return e;
}

template <NumberQuery Query>
Exit printNumber(Session &s)
{
    qint16 value = 0;
    (s.link().*Query)(s.id(), value);
    return outcome(s, [&] { s.io().print(QString::number(value)); });
}

template <TextQuery Query>
Exit printText(Session &s)
{
    QString text;
    (s.link().*Query)(s.id(), text);
    return outcome(s, [&] { s.io().printDeviceText(text); });
}

template <StationQuery Query>
Exit printStationText(Session &s)
{
    QString text;
    (s.link().*Query)(text);
    return outcome(s, [&] { s.io().printDeviceText(text); });
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
    s.link().GetTime(s.id(), dt);
    return outcome(s, [&] { s.io().print(dt.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"))); });
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
    return order<&ucVX300_500::ClearData>(s);
}

constexpr qint32 kTerminal = vx::kTerminalTimeoutMs;
constexpr qint32 kStation = vx::kStationTimeoutMs;

constexpr Command kCommands[] = {
    {"time", Arg::None, nullptr, 0, kTerminal, "print the terminal's clock (YYYY-MM-DD hh:mm:ss)", printTime},
    {"set-time", Arg::When, "[WHEN]", 0, kTerminal,
     "set the clock: now (default) or YYYY-MM-DDThh:mm:ss,\nsent as written (the terminal has no time zone)",
     [](Session &s) {
         s.link().SetTime(s.id(), s.invocation().when.value_or(QDateTime::currentDateTime()));
         return done(s);
     }},
    {"id", Arg::None, nullptr, 0, kTerminal, "print the machine number", printNumber<&ucVX300_500::GetID>},
    {"set-id", Arg::MachineNumber, "N", 0, kTerminal, "give the terminal the machine number N (0-255)",
     [](Session &s) {
         s.link().SetID(s.id(), s.invocation().newId);
         return done(s);
     }},
    {"count", Arg::None, nullptr, 0, kTerminal, "print the number of stored records",
     printNumber<&ucVX300_500::GetRecordCount>},
    {"version", Arg::None, nullptr, 0, kTerminal, "print the firmware version", printText<&ucVX300_500::GetVersion>},
    {"voltage", Arg::None, nullptr, 0, kTerminal, "print the battery voltage text",
     printText<&ucVX300_500::GetVoltage>},
    {"recover", Arg::None, nullptr, 0, kTerminal, "recover the cleared data", order<&ucVX300_500::RecoverData>},
    {"self-test", Arg::None, nullptr, 0, kTerminal, "start the terminal's self-test", order<&ucVX300_500::InvokeTest>},
    {"power-down", Arg::None, nullptr, 0, kTerminal, "switch the terminal off", order<&ucVX300_500::PowerDown>},
    {"clear", Arg::None, nullptr, kYesOption, kTerminal, "clear the stored records (asks first)", clear},
    {"download", Arg::None, nullptr, kOutputOption | kAutomationOptions, kTerminal,
     "fetch every record, first field in decimal; the\n"
     "options run once the last record has arrived (and\n"
     "FILE is on the disk); --clear needs FILE or\n"
     "standard output to a file, and clears only when\n"
     "the terminal holds as many records as were stored",
     runDownload},
    {"watch", Arg::None, nullptr, kOutputOption | kAutomationOptions | kIntervalOption, kTerminal,
     "wait for terminals in the station and download each\n"
     "one once, as download does; -o FILE is needed and\n"
     "may hold %Y %m %d; one line per event; ends at\n"
     "SIGTERM or SIGINT",
     runWatch},
    {"scan", Arg::None, nullptr, kRangeOptions, kScanReplyMs,
     "list the terminals that answer at the machine\nnumbers from N to M (default 0 to 255)", runScan},
    {"tags count", Arg::None, nullptr, 0, kTerminal, "print the number of tag codes", tagsCount},
    {"tags download", Arg::None, nullptr, kOutputOption, kTerminal, "fetch the tag code list", tagsDownload},
    {"tags upload", Arg::File, "FILE", 0, kTerminal, "send a tag code list, one code per line", tagsUpload},
    {"station version", Arg::None, nullptr, 0, kStation, "print the reader station's version",
     printStationText<&ucVX300_500::DS90_GetVersion>},
    {"station info", Arg::None, nullptr, 0, kStation, "print the reader station's information text",
     printStationText<&ucVX300_500::DS90_GetInformation>},
    {"ports", Arg::None, nullptr, kMappingOptions, 0,
     "list the serial ports and the COMn mapping in\nforce, or change the mapping", runPorts},
};

static_assert(std::ranges::all_of(kCommands, [](const Command &c) { return c.help && c.name; }),
              "every command has a name and a help text");

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
    return text;
}

} // namespace vx::ctl
