#include "Ports.h"

#include "Invocation.h"
#include "Io.h"
#include "Session.h"
#include "SerialPort.h"
#include "UserSettings.h"

#include <QDir>
#include <QFileInfo>
#include <QSerialPortInfo>

namespace vx::ctl {

namespace {

QString mappedDevice(int com)
{
    const auto settings = vx::openUserSettings();
    return settings->value(QStringLiteral("Ports/COM%1").arg(com)).toString().trimmed();
}

} // namespace

QList<PortEntry> availablePorts(const QString &byIdDir)
{
    QList<PortEntry> ports;
    const QFileInfoList links = QDir(byIdDir).entryInfoList(QDir::Files | QDir::System | QDir::NoDotAndDotDot,
                                                              QDir::Name);
    for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts()) {
        PortEntry e;
        e.location = info.systemLocation();
        e.description = info.description();
        e.manufacturer = info.manufacturer();
        e.serialNumber = info.serialNumber();
        const QString target = QFileInfo(e.location).canonicalFilePath();
        for (const QFileInfo &link : links)
            if (!target.isEmpty() && link.canonicalFilePath() == target)
                e.byId.append(link.absoluteFilePath());
        ports.append(e);
    }
    return ports;
}

QString describePorts(const QList<PortEntry> &ports)
{
    QString text;
    if (ports.isEmpty())
        text += QStringLiteral("No serial ports found.\n");
    for (const PortEntry &p : ports) {
        QStringList facts;
        if (!p.description.isEmpty())
            facts << p.description;
        if (!p.manufacturer.isEmpty())
            facts << p.manufacturer;
        if (!p.serialNumber.isEmpty())
            facts << QStringLiteral("serial number ") + p.serialNumber;
        text += p.location;
        if (!facts.isEmpty())
            text += QStringLiteral("  ") + facts.join(QStringLiteral(", "));
        text += QLatin1Char('\n');
        for (const QString &link : p.byId)
            text += QStringLiteral("    ") + link + QLatin1Char('\n');
    }

    const int selected = comNumber(Session::storedPort());
    text += QStringLiteral("\nCOM ports:\n");
    for (int n = 1; n <= 16; ++n) {
        QStringList marks;
        if (mappedDevice(n).startsWith(QLatin1Char('/')))
            marks << QStringLiteral("mapped");
        if (n == selected)
            marks << QStringLiteral("the monitor's port");
        QString line = QStringLiteral("COM%1").arg(n).leftJustified(7) + vx::resolveCommPort(n);
        if (!marks.isEmpty())
            line += QStringLiteral("  (") + marks.join(QStringLiteral(", ")) + QLatin1Char(')');
        text += line + QLatin1Char('\n');
    }
    return text;
}

Exit runPorts(const Invocation &inv, Io &io)
{
    if (!inv.mapPort.isEmpty() || !inv.unmapPort.isEmpty()) {
        const auto settings = vx::openUserSettings();
        // QSettings would rewrite a file it cannot parse and lose what it held.
        // Every section is read first: a section is parsed only when wanted.
        settings->allKeys();
        if (settings->status() == QSettings::FormatError) {
            io.error(QStringLiteral("%1 is not a readable settings file; not changed").arg(settings->fileName()));
            return Exit::System;
        }
        if (settings->status() == QSettings::AccessError) {
            io.error(QStringLiteral("cannot write the settings file %1").arg(settings->fileName()));
            return Exit::System;
        }
        const QString key = QStringLiteral("Ports/") + (inv.mapPort.isEmpty() ? inv.unmapPort : inv.mapPort);
        if (!inv.mapPort.isEmpty()) {
            settings->setValue(key, inv.mapDevice);
            if (!QFileInfo::exists(inv.mapDevice))
                io.note(QStringLiteral("note: %1 does not exist at the moment").arg(inv.mapDevice));
        } else {
            settings->remove(key);
        }
        settings->sync();
        if (settings->status() != QSettings::NoError) {
            io.error(settings->status() == QSettings::FormatError
                         ? QStringLiteral("%1 is not a readable settings file").arg(settings->fileName())
                         : QStringLiteral("cannot write the settings file %1").arg(settings->fileName()));
            return Exit::System;
        }
        const int n = comNumber(inv.mapPort.isEmpty() ? inv.unmapPort : inv.mapPort);
        io.print(QStringLiteral("COM%1 = %2").arg(n).arg(vx::resolveCommPort(n)));
        return Exit::Ok;
    }
    io.write(describePorts(availablePorts()).toUtf8());
    return Exit::Ok;
}

} // namespace vx::ctl
