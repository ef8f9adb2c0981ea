#include "Ports.h"

#include "Session.h"

#include <QFileInfo>
#include <QJsonArray>

namespace vx::ctl {

QStringList describePorts(const QList<PortEntry> &ports, const SettingsFile &settings)
{
    QStringList lines;
    if (ports.isEmpty())
        lines << QStringLiteral("No serial ports found.");
    for (const PortEntry &p : ports) {
        lines << vx::describeSystemPort(p);
        for (const QString &link : p.byId)
            lines << QStringLiteral("    ") + link;
    }

    lines << QString() << QStringLiteral("COM ports:");
    for (int n = 1; n <= 16; ++n) {
        QStringList marks;
        if (settings.isMapped(n))
            marks << QStringLiteral("mapped");
        if (n == settings.monitorsPort())
            marks << QStringLiteral("the monitor's port");
#ifdef Q_OS_WIN
        // Each COMn is the system's port of that name unless mapped: which
        // of them are there is what a Windows user looks for.
        if (vx::serialDevicePresent(settings.device(n), ports))
            marks << QStringLiteral("present");
#endif
        QString line = QStringLiteral("COM%1").arg(n).leftJustified(7) + settings.device(n);
        if (!marks.isEmpty())
            line += QStringLiteral("  (") + marks.join(QStringLiteral(", ")) + QLatin1Char(')');
        lines << line;
    }
    return lines;
}

namespace {

JsonFields portObject(const QJsonValue &name, const QString &device, const PortEntry *entry, bool present, bool mapped,
                      bool monitor)
{
    const PortEntry none;
    const PortEntry &e = entry ? *entry : none;
    return {{QStringLiteral("port"), name},
            {QStringLiteral("device"), device},
            {QStringLiteral("present"), present},
            {QStringLiteral("mapped"), mapped},
            {QStringLiteral("monitor"), monitor},
            {QStringLiteral("description"), e.description},
            {QStringLiteral("manufacturer"), e.manufacturer},
            {QStringLiteral("serialNumber"), e.serialNumber},
            {QStringLiteral("byId"), QJsonArray::fromStringList(e.byId)}};
}

} // namespace

QList<JsonFields> portObjects(const QList<PortEntry> &ports, const SettingsFile &settings)
{
    QList<JsonFields> objects;
    QList<const PortEntry *> named;
    for (int n = 1; n <= 16; ++n) {
        const QString device = settings.device(n);
        const PortEntry *entry = vx::portNamed(ports, device);
        named << entry;
        objects << portObject(QStringLiteral("COM%1").arg(n), device, entry, vx::serialDevicePresent(device, ports),
                              settings.isMapped(n), n == settings.monitorsPort());
    }
    for (const PortEntry &p : ports)
        if (!named.contains(&p))
            objects << portObject(QJsonValue(), p.location, &p, true, false, false);
    return objects;
}

Exit runPorts(Session &s)
{
    const Invocation &inv = s.invocation();
    Io &io = s.io();
    SettingsFile *settings = s.settings();
    if (!settings)
        return exitFor(s.settingsFailure()->kind);
    const int n = inv.mapPort ? inv.mapPort : inv.unmapPort;
    if (n == 0 && inv.json) {
        for (const JsonFields &object : portObjects(vx::systemPorts(), *settings))
            io.printJson(object);
        return Exit::Ok;
    }
    if (n == 0) {
        for (const QString &line : describePorts(vx::systemPorts(), *settings))
            io.print(line);
        return Exit::Ok;
    }
    if (!settings->setMapping(n, inv.mapDevice))
        return io.fail({vx::FailureKind::FileAccess, settings->error()});
    if (inv.mapPort && !vx::serialDevicePresent(inv.mapDevice, vx::systemPorts()) && !QFileInfo::exists(inv.mapDevice))
        io.note(QStringLiteral("note: %1 does not exist at the moment").arg(inv.mapDevice));
    if (inv.json)
        io.printJson(portObjects(vx::systemPorts(), *settings).at(n - 1));
    else
        io.print(QStringLiteral("COM%1 = %2").arg(n).arg(settings->device(n)));
    return Exit::Ok;
}

} // namespace vx::ctl
