#include "Options.h"

#include "Invocation.h"
#include "portnames/PortNames.h"

namespace vx::ctl {

namespace {

QString readPort(const QString &value, Invocation &inv)
{
    inv.port = value.trimmed();
    if (inv.port.isEmpty())
        return QStringLiteral("--port: empty port name");
#ifdef Q_OS_WIN
    // COM1 to COM16 are the monitor's list, mapped as it maps them; any
    // other port, and \\.\COMn, is the system's port itself.
    if (vx::commNumber(inv.port))
        return {};
    if (const auto port = vx::windowsPortName(inv.port)) {
        inv.port = inv.port.startsWith(QLatin1Char('\\')) ? QStringLiteral("\\\\.\\") + *port : *port;
        return {};
    }
    // Other ports of the system's device space (\\.\NAME, a virtual port's
    // name) pass as they are; a path or any other name is no port.
    if (!inv.port.startsWith(QLatin1String("\\\\.\\")))
        return QStringLiteral("--port: '%1' is not a port from COM1 to COM256 (or \\\\.\\NAME)").arg(inv.port);
#else
    if (inv.port.startsWith(QLatin1String("COM"), Qt::CaseInsensitive) && !inv.port.contains(QLatin1Char('/'))
        && !vx::commNumber(inv.port))
        return QStringLiteral("--port: '%1' is not one of COM1 to COM16").arg(inv.port);
#endif
    return {};
}

QString readId(const QString &value, Invocation &inv)
{
    const auto n = machineNumber(value);
    if (!n)
        return QStringLiteral("--id: '%1' is not a machine number (0-255)").arg(value);
    inv.id = *n;
    return {};
}

QString readTimeout(const QString &value, Invocation &inv)
{
    bool ok = false;
    const int ms = value.toInt(&ok);
    if (!ok || ms < 1 || ms > 600000)
        return QStringLiteral("--timeout: '%1' is not a time in ms (1-600000)").arg(value);
    inv.timeout = ms;
    return {};
}

QString readOutput(const QString &value, Invocation &inv)
{
    inv.output = value;
    return value.isEmpty() ? QStringLiteral("-o: empty file name") : QString();
}

QString readMap(const QString &mapping, Invocation &inv)
{
    const qsizetype eq = mapping.indexOf(QLatin1Char('='));
    const auto n = vx::commNumber(eq < 0 ? mapping : mapping.left(eq));
    const auto device = vx::deviceName(eq < 0 ? QString() : mapping.mid(eq + 1));
    if (!n || !device)
#ifdef Q_OS_WIN
        return QStringLiteral("--map: '%1' is not COMn=PORT with n from 1 to 16 and PORT one of COM1 to COM256")
#else
        return QStringLiteral("--map: '%1' is not COMn=DEVICE with n from 1 to 16 and DEVICE a path such as "
                              "/dev/ttyUSB0")
#endif
            .arg(mapping);
    inv.mapDevice = *device;
    inv.mapPort = *n;
    return {};
}

QString readUnmap(const QString &value, Invocation &inv)
{
    const auto n = vx::commNumber(value);
    if (!n)
        return QStringLiteral("--unmap: '%1' is not one of COM1 to COM16").arg(value);
    inv.unmapPort = *n;
    return {};
}

QString readScanBound(const char *flag, const QString &value, int &bound)
{
    const auto n = machineNumber(value);
    if (!n)
        return QStringLiteral("%1: '%2' is not a machine number (0-255)").arg(QLatin1String(flag), value);
    bound = *n;
    return {};
}

QString readFrom(const QString &value, Invocation &inv) { return readScanBound("--from", value, inv.scanFrom); }
QString readTo(const QString &value, Invocation &inv) { return readScanBound("--to", value, inv.scanTo); }

QString readInterval(const QString &value, Invocation &inv)
{
    bool ok = false;
    inv.intervalSeconds = value.toInt(&ok);
    if (!ok || inv.intervalSeconds < 1 || inv.intervalSeconds > 86400)
        return QStringLiteral("--interval: '%1' is not a number of seconds (1-86400)").arg(value);
    return {};
}

QString readSince(const QString &value, Invocation &inv)
{
    inv.since = QDate::fromString(value, Qt::ISODate);
    return inv.since.isValid() ? QString() : QStringLiteral("--since: '%1' is not a day (YYYY-MM-DD)").arg(value);
}

// A switch: present means true.
template <bool Invocation::*Flag>
QString readSwitch(const QString &, Invocation &inv)
{
    inv.*Flag = true;
    return {};
}

constexpr Option kOptions[] = {
#ifdef Q_OS_WIN
    {"port", "PORT", kGlobal,
     "COM1 to COM16 as the monitor maps them, COM17 to COM256, or \\\\.\\COMn (that port itself); default: the port "
     "the monitor last used.",
     false, readPort},
#else
    {"port", "PORT", kGlobal, "COM1 to COM16 or a device path; default: the port the monitor last used.", false,
     readPort},
#endif
    {"id", "N", kGlobal, "Machine number of the terminal (0-255, default 0).", false, readId},
    {"timeout", "MS", kGlobal, "Reply time budget in ms (default %1, %2 for station commands).", false, readTimeout},
    {"trace", nullptr, kGlobal, "Show every transmission on standard error.", false, readSwitch<&Invocation::trace>},
    {"o,output", "FILE", kOutputOption, "append to FILE instead of standard output.", false, readOutput},
    {"yes", nullptr, kYesOption, "do not ask.", false, readSwitch<&Invocation::yes>},
    {"clear", nullptr, kAutomationOptions, "clear the terminal's data after the last record.", false,
     readSwitch<&Invocation::clearAfter>},
    {"update-time", nullptr, kAutomationOptions, "then set the terminal's clock from the PC.", false,
     readSwitch<&Invocation::updateTimeAfter>},
    {"power-down", nullptr, kAutomationOptions, "then switch the terminal off.", false,
     readSwitch<&Invocation::powerDownAfter>},
#ifdef Q_OS_WIN
    {"map", "COMn=PORT", kMappingOptions, "let COMn of the monitor's list stand for PORT (COM1 to COM256).", false,
     readMap},
    {"unmap", "COMn", kMappingOptions, "COMn back to the port of its own name.", true, readUnmap},
#else
    {"map", "COMn=DEVICE", kMappingOptions, "use DEVICE for COMn.", false, readMap},
    {"unmap", "COMn", kMappingOptions, "COMn back to its default device.", true, readUnmap},
#endif
    {"from", "N", kRangeOptions, "first machine number (default 0).", false, readFrom},
    {"to", "M", kRangeOptions, "last machine number (default 255).", false, readTo},
    {"interval", "SEC", kIntervalOption, "seconds between two looks (default 2).", false, readInterval},
    {"q,quiet", nullptr, kQuietOption, "no record counter and no summary; errors still on standard error.", false,
     readSwitch<&Invocation::quiet>},
    {"since", "DAY", kSinceOption, "the downloads from this day on (YYYY-MM-DD).", false, readSince},
    {"json", nullptr, kJsonOption, "the result as JSON objects on standard output, one a line.", false,
     readSwitch<&Invocation::json>},
};

static_assert(!kOptions[0].excludesPrevious, "the first option has no row before it");

QStringList namesOf(const Option &option) { return QString::fromLatin1(option.names).split(QLatin1Char(',')); }

QString dashed(const QString &name) { return (name.size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) + name; }

} // namespace

std::span<const Option> options() { return kOptions; }

QString optionFlag(const Option &option) { return dashed(namesOf(option).constFirst()); }

QString optionUsage(const Option &option)
{
    return option.valueName ? optionFlag(option) + QLatin1Char(' ') + QLatin1String(option.valueName)
                            : optionFlag(option);
}

QString optionName(const Option &option) { return dashed(namesOf(option).constLast()); }

QString optionNames(const Option &option)
{
    QStringList names;
    for (const QString &name : namesOf(option))
        names << dashed(name);
    return names.join(QStringLiteral(", "));
}

} // namespace vx::ctl
