#include "terminal/SystemPorts.h"

#include <QCoreApplication>
#include <QStringList>

namespace vx {

QString describeSystemPort(const SystemPort &port)
{
    QStringList facts;
    for (const QString &fact : {port.description, port.manufacturer})
        if (!fact.isEmpty())
            facts << fact;
    if (!port.serialNumber.isEmpty())
        facts << QCoreApplication::translate("vx::SystemPorts", "serial number ") + port.serialNumber;
    return port.location + (facts.isEmpty() ? QString() : QStringLiteral("  ") + facts.join(QStringLiteral(", ")));
}

} // namespace vx
