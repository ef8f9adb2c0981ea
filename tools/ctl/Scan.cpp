#include "Scan.h"

#include "Session.h"

#include <algorithm>

namespace vx::ctl {

namespace {

// The record count at machine number n, asked with the given budget: true
// when it answered with one.
bool countAt(Session &s, qint16 n, qint32 budget, qint16 &count)
{
    vx::TerminalLink &vx = s.link();
    const qint32 scanBudget = vx.timeout();
    vx.setTimeout(budget);
    s.setAsked(QStringLiteral("machine %1").arg(n));
    vx.readRecordCount(n, count);
    vx.setTimeout(scanBudget);
    return vx.status() == vx::VX_SUCCESS;
}

} // namespace

Exit runScan(Session &s)
{
    const Invocation &inv = s.invocation();
    vx::TerminalLink &vx = s.link();
    // A terminal that answers later than the scan's budget would be taken for
    // the next number: each hit is asked again with the whole budget, and a
    // hit that does not hold up was the number before it answering late.
    const qint32 confirmBudget = std::max(vx::kTerminalTimeoutMs, vx.timeout());
    int found = 0, garbled = 0, steppedBackFrom = -1;
    // On a terminal, the number being asked, on standard error.
    const bool live = s.io().liveCounter(true);
    const auto showAt = [&](const QString &text) {
        if (live)
            s.io().err->write(("\r\x1b[K" + text).toUtf8());
    };
    for (int n = inv.scanFrom; n <= inv.scanTo; ++n) {
        showAt(QStringLiteral("asking machine %1 (%2 to %3)").arg(n).arg(inv.scanFrom).arg(inv.scanTo));
        auto id = static_cast<qint16>(n);
        s.setAsked(QStringLiteral("machine %1").arg(n));
        qint16 count = 0;
        vx.readRecordCount(id, count);
        if (s.portFailed())
            return s.outcome();
        if (vx.status() == vx::VX_ERR_TIMEOUT) // nobody has this number
            continue;
        if (vx.status() != vx::VX_SUCCESS) { // somebody answered, but not in a way to count on
            s.outcome(QStringLiteral("machine %1").arg(n));
            ++garbled;
            continue;
        }
        if (!countAt(s, id, confirmBudget, count)) {
            if (s.portFailed())
                return s.outcome();
            // Once for each number: a line that keeps answering late cannot hold the scan.
            if (n == inv.scanFrom || n == steppedBackFrom || !countAt(s, --id, confirmBudget, count))
                continue;
            steppedBackFrom = n;
            n = id; // the number after it is asked again
        }
        const QString machine = QStringLiteral("machine %1").arg(id);
        s.setAsked(machine);
        showAt({});
        ++found;
        QString version;
        const qint32 scanBudget = vx.timeout();
        vx.setTimeout(confirmBudget); // a slow terminal is slow to this too
        vx.readVersion(id, version);
        vx.setTimeout(scanBudget);
        if (s.portFailed())
            return s.outcome();
        const bool versioned = s.outcome(machine + QStringLiteral(": version")) == Exit::Ok;
        if (inv.json) {
            s.io().printJson({{QStringLiteral("machine"), int(id)},
                              {QStringLiteral("records"), count},
                              {QStringLiteral("version"), versioned ? QJsonValue(version) : QJsonValue()}});
            continue;
        }
        QString line = QStringLiteral("%1: %2 record%3").arg(machine).arg(count).arg(count == 1 ? "" : "s");
        if (versioned)
            line += QStringLiteral(", version ") + version;
        s.io().printDeviceText(line);
    }
    showAt({});
    s.setAsked({});
    if (found > 0)
        return Exit::Ok;
    QString message = QStringLiteral("no terminal answered at machine numbers %1 to %2").arg(inv.scanFrom).arg(inv.scanTo);
    if (garbled > 0)
        message += QStringLiteral("; %1 answered with data that could not be read")
                       .arg(garbled == 1 ? QStringLiteral("1 number") : QStringLiteral("%1 numbers").arg(garbled));
    s.io().error(message);
    return Exit::DeviceFailure;
}

} // namespace vx::ctl
