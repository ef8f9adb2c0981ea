#include "Scan.h"

#include "Session.h"


namespace vx::ctl {

Exit runScan(Session &s)
{
    const Invocation &inv = s.invocation();
    ucVX300_500 &vx = s.link();
    int found = 0;
    for (int n = inv.scanFrom; n <= inv.scanTo; ++n) {
        const auto id = static_cast<qint16>(n);
        qint16 count = 0;
        vx.GetRecordCount(id, count);
        if (s.systemFailed())
            return Exit::System;
        if (vx.ErrCode() == vx::VX_ERR_TIMEOUT) // nobody has this number
            continue;
        const QString machine = QStringLiteral("machine %1").arg(n);
        if (s.outcome(machine) != Exit::Ok) // somebody answered, but not in a way to count on
            continue;
        ++found;
        QString version;
        vx.GetVersion(id, version);
        if (s.systemFailed())
            return Exit::System;
        const bool versioned = s.outcome(machine + QStringLiteral(": version")) == Exit::Ok;
        if (inv.json) {
            s.io().printJson({{QStringLiteral("machine"), n},
                              {QStringLiteral("records"), count},
                              {QStringLiteral("version"), versioned ? QJsonValue(version) : QJsonValue()}});
            continue;
        }
        QString line = QStringLiteral("%1: %2 record%3").arg(machine).arg(count).arg(count == 1 ? "" : "s");
        if (versioned)
            line += QStringLiteral(", version ") + version;
        s.io().printDeviceText(line);
    }
    if (found > 0)
        return Exit::Ok;
    s.io().error(QStringLiteral("no terminal answered at machine numbers %1 to %2").arg(inv.scanFrom).arg(inv.scanTo));
    return Exit::DeviceFailure;
}

} // namespace vx::ctl
