#include "SerialPort.h"
#include "UserSettings.h"

#include <QRegularExpression>

namespace vx {

QString resolveCommPort(int number)
{
#ifdef Q_OS_WIN
    return QStringLiteral("COM%1").arg(number);
#else
    const auto settings = openUserSettings();
    const QString mapped =
        settings->value(QStringLiteral("Ports/COM%1").arg(number)).toString().trimmed();
    if (mapped.startsWith(QLatin1Char('/')))
        return mapped;
    return QStringLiteral("/dev/ttyS%1").arg(number - 1);
#endif
}

QString resolvePortName(const QString &name)
{
    static const QRegularExpression com(QStringLiteral("^COM([0-9]{1,2})$"),
                                        QRegularExpression::CaseInsensitiveOption);
    const auto m = com.match(name.trimmed());
    if (m.hasMatch()) {
        const int n = m.captured(1).toInt();
        if (n >= 1 && n <= 16)
            return resolveCommPort(n);
    }
    return name;
}

} // namespace vx
