#include "portnames/PortNames.h"

#include "portnames/LockHolders.h"

#include <QCoreApplication>
#include <QRegularExpression>

namespace vx {

QString defaultCommPort(int number)
{
#ifdef Q_OS_WIN
    return QStringLiteral("COM%1").arg(number);
#else
    return QStringLiteral("/dev/ttyS%1").arg(number - 1);
#endif
}

std::optional<int> commNumber(const QString &name)
{
    static const QRegularExpression com(QStringLiteral("^COM([0-9]{1,2})$"),
                                        QRegularExpression::CaseInsensitiveOption);
    const auto m = com.match(name.trimmed());
    if (!m.hasMatch())
        return std::nullopt;
    const int n = m.captured(1).toInt();
    if (n < 1 || n > 16)
        return std::nullopt;
    return n;
}

std::optional<QString> windowsPortName(const QString &name)
{
    static const QRegularExpression com(QStringLiteral(R"(^(?:\\\\\.\\)?COM([1-9][0-9]{0,2})$)"),
                                        QRegularExpression::CaseInsensitiveOption);
    const auto m = com.match(name.trimmed());
    if (!m.hasMatch() || m.captured(1).toInt() > 256)
        return std::nullopt;
    return QStringLiteral("COM") + m.captured(1);
}

std::optional<QString> deviceName(const QString &typed)
{
#ifdef Q_OS_WIN
    return windowsPortName(typed);
#else
    const QString path = typed.trimmed();
    return path.startsWith(QLatin1Char('/')) ? std::optional(path) : std::nullopt;
#endif
}

QString deviceNoun()
{
#ifdef Q_OS_WIN
    return QCoreApplication::translate("vx::PortNames", "port");
#else
    return QCoreApplication::translate("vx::PortNames", "device");
#endif
}

QString portAndDevice(const QString &port, const QString &device)
{
    return device.compare(port, Qt::CaseInsensitive) == 0 ? port : QStringLiteral("%1 (%2)").arg(port, device);
}

bool isPseudoTerminal(const QString &path) { return path.startsWith(QLatin1String("/dev/pts/")); }

QString mappedCommPort(int number, const QString &stored, const QString &simulator)
{
    const auto device = deviceName(stored);
#ifndef Q_OS_WIN
    // A simulator's pseudo-terminal outlives it only as a number the system
    // gives the next one that asks.
    if (device && !simulator.isEmpty() && !processRuns(simulator.trimmed().toLongLong()))
        return defaultCommPort(number);
#else
    Q_UNUSED(simulator);
#endif
    return device ? *device : defaultCommPort(number);
}

} // namespace vx
