#include "History.h"

#include "download/Downloader.h"
#include "download/Ledger.h"
#include "Session.h"

#include <QJsonArray>
#include <QJsonObject>
#include <algorithm>

namespace vx::ctl {

Exit runHistory(Session &s)
{
    const Invocation &inv = s.invocation();
    Io &io = s.io();
    vx::Ledger ledger;
    if (!ledger.open())
        return io.fail(ledger.failure());
    const QDateTime since = inv.since.isValid() ? inv.since.startOfDay() : QDateTime();
    auto entries = ledger.history(since, inv.port);
    if (!entries)
        return io.fail(ledger.failure());
    std::reverse(entries->begin(), entries->end());
    for (const vx::HistoryEntry &e : *entries) {
        const QDateTime local = e.facts.started.toLocalTime();
        if (inv.json) {
            QJsonArray earlier;
            for (const vx::EarlierFile &f : e.earlier)
                earlier.append(QJsonObject{{QStringLiteral("file"), f.path}, {QStringLiteral("records"), f.records}});
            io.printJson({{QStringLiteral("time"), local.toString(Qt::ISODate)},
                          {QStringLiteral("program"), e.facts.program},
                          {QStringLiteral("port"), e.facts.port},
                          {QStringLiteral("device"), e.facts.device},
                          {QStringLiteral("machine"), e.facts.machine},
                          {QStringLiteral("result"), QLatin1String(vx::endingText(e.ending))},
                          {QStringLiteral("records"), e.records},
                          {QStringLiteral("added"), e.added},
                          {QStringLiteral("file"), e.file},
                          {QStringLiteral("earlier"), earlier},
                          {QStringLiteral("cleared"), e.cleared},
                          {QStringLiteral("failed"), e.ending == vx::Ending::Failed},
                          {QStringLiteral("outcome"), e.outcome}});
            continue;
        }
        io.print(QStringLiteral("%1 %2 machine %3: %4")
                     .arg(local.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")), e.facts.port)
                     .arg(e.facts.machine)
                     .arg(vx::historyLine(e)));
    }
    return Exit::Ok;
}

} // namespace vx::ctl
