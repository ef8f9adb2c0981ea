#include "Scan.h"

#include "Session.h"
#include "download/Downloader.h"

#include <QCoreApplication>

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
    // a later number: each hit is asked again with the whole budget, and a
    // hit that does not hold up was a number before it answering late (as
    // late as the whole budget: up to `reach` numbers before). Those are
    // asked again with the whole budget, nearest first, down to the last
    // terminal found; the first that answers is the one.
    const qint32 confirmBudget = std::max(vx::kTerminalTimeoutMs, vx.timeout());
    const int reach = confirmBudget / std::max<qint32>(1, vx.timeout()) + 1;
    int found = 0, garbled = 0, steppedBackFrom = -1, lastFound = inv.scanFrom - 1;
    // The late one before number `after` (-1: none); false when the port failed.
    const auto lateOne = [&](int after, qint16 &count, int &number) {
        number = -1;
        for (int m = after - 1; m >= std::max(lastFound + 1, after - reach); --m) {
            if (countAt(s, qint16(m), confirmBudget, count)) {
                number = m;
                return true;
            }
            if (s.portFailed())
                return false;
        }
        return true;
    };
    // On a terminal, the number being asked, on standard error.
    const bool live = s.io().liveCounter(true);
    const auto showAt = [&](const QString &text) {
        if (live)
            s.io().err->write(("\r\x1b[K" + text).toUtf8());
    };
    bool settled = false;
    for (int n = inv.scanFrom; n <= inv.scanTo + 1; ++n) {
        auto id = static_cast<qint16>(n);
        qint16 count = 0;
        bool confirmed = false; // asked with the whole budget already
        if (n > inv.scanTo) {
            // After the last number, a late answer may still be on its way:
            // the line is given the whole budget to settle, once.
            if (settled || lastFound == inv.scanTo || !vx.port().isOpen() || !vx.port().waitForBytes(confirmBudget))
                break;
            settled = true;
            int late = -1;
            if (!lateOne(n, count, late))
                return s.outcome();
            if (late < 0)
                break;
            n = late;
            id = static_cast<qint16>(late);
            confirmed = true;
        } else {
            showAt(QStringLiteral("asking machine %1 (%2 to %3)").arg(n).arg(inv.scanFrom).arg(inv.scanTo));
            s.setAsked(QStringLiteral("machine %1").arg(n));
            vx.readRecordCount(id, count);
            if (s.portFailed())
                return s.outcome();
            if (vx.status() == vx::VX_ERR_TIMEOUT) // nobody has this number
                continue;
        }
        // Somebody answered: this number, or an earlier one late. A reply
        // not to count on is said only once it is sure to be this number's.
        const qint32 first = vx.status();
        const auto unusable = [&] {
            if (first == vx::VX_SUCCESS)
                return;
            s.io().error(QStringLiteral("machine %1: ErrCode: %2, %3").arg(n).arg(first).arg(vx.statusText(first)));
            ++garbled;
        };
        if (first == vx::VX_ERR_INVALID_DATA) { // a whole reply, said as it came: no late one's
            ++garbled;
            continue;
        }
        if (!confirmed && !countAt(s, id, confirmBudget, count)) {
            if (s.portFailed())
                return s.outcome();
            // Once for each number: a line that keeps answering late cannot hold the scan.
            int late = -1;
            if (n == steppedBackFrom) {
                unusable();
                continue;
            }
            if (!lateOne(n, count, late))
                return s.outcome();
            if (late < 0) {
                unusable();
                continue;
            }
            steppedBackFrom = n;
            n = late; // the numbers after it are asked again
            id = static_cast<qint16>(late);
        }
        lastFound = id;
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
        QString line = machine + QStringLiteral(": ") + vx::recordsText(count);
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
        message += QStringLiteral("; ")
                   + QCoreApplication::translate("vx::ctl::Scan", "%n number(s) answered with data that could not be read", nullptr, garbled);
    s.io().error(message);
    return Exit::DeviceFailure;
}

} // namespace vx::ctl
