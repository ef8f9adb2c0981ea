#include "PortNames.h"

#include "LockHolders.h"

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

QString portAndDevice(const QString &port, const QString &device)
{
    return device.compare(port, Qt::CaseInsensitive) == 0 ? port : QStringLiteral("%1 (%2)").arg(port, device);
}

bool isPseudoTerminal(const QString &path) { return path.startsWith(QLatin1String("/dev/pts/")); }

QString mappedCommPort(int number, const QString &stored, const QString &simulator)
{
#ifndef Q_OS_WIN
    const QString path = stored.trimmed();
    // A simulator's pseudo-terminal outlives it only as a number the system
    // gives the next one that asks.
    const qint64 pid = simulator.trimmed().toLongLong();
    if (path.startsWith(QLatin1Char('/')) && (simulator.isEmpty() || processRuns(pid)))
        return path;
#else
    Q_UNUSED(stored);
    Q_UNUSED(simulator);
#endif
    return defaultCommPort(number);
}

} // namespace vx
