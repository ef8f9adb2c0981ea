#include "terminal/SystemPorts.h"

#include "portnames/PortNames.h"

#include <QDir>
#include <QFileInfo>
#include <QSerialPortInfo>

namespace vx {

QList<SystemPort> systemPorts()
{
    QList<SystemPort> ports;
    const QFileInfoList links = QDir(QStringLiteral("/dev/serial/by-id"))
                                    .entryInfoList(QDir::Files | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts()) {
        SystemPort p{info.systemLocation(), info.description(), info.manufacturer(), info.serialNumber(), {}};
        const QString target = QFileInfo(p.location).canonicalFilePath();
        for (const QFileInfo &link : links)
            if (!target.isEmpty() && link.canonicalFilePath() == target)
                p.byId.append(link.absoluteFilePath());
        ports.append(p);
    }
    return ports;
}

const SystemPort *portNamed(const QList<SystemPort> &ports, const QString &device)
{
    const QString real = QFileInfo(device).canonicalFilePath();
    for (const SystemPort &p : ports)
        if (p.location == device || p.byId.contains(device)
            || (!real.isEmpty() && QFileInfo(p.location).canonicalFilePath() == real))
            return &p;
    return nullptr;
}

bool serialDevicePresent(const QString &device, const QList<SystemPort> &ports)
{
    return portNamed(ports, device) || isPseudoTerminal(QFileInfo(device).canonicalFilePath());
}

} // namespace vx
