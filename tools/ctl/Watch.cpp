#include "Watch.h"

#include "Download.h"
#include "RecordOutput.h"
#include "Session.h"
#include "StopSignals.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileDevice>

namespace vx::ctl {

std::optional<QString> datedPath(const QString &pattern, const QDate &date)
{
    QString path;
    for (qsizetype i = 0; i < pattern.size(); ++i) {
        if (pattern.at(i) != u'%') {
            path += pattern.at(i);
            continue;
        }
        const QChar c = ++i < pattern.size() ? pattern.at(i) : QChar();
        if (c == u'Y')
            path += QStringLiteral("%1").arg(date.year(), 4, 10, QLatin1Char('0'));
        else if (c == u'm' || c == u'd')
            path += QStringLiteral("%1").arg(c == u'm' ? date.month() : date.day(), 2, 10, QLatin1Char('0'));
        else if (c == u'%')
            path += c;
        else
            return std::nullopt;
    }
    return path;
}

namespace {

class Watcher {
public:
    Watcher(Session &s, WatchClock &clock) : m_session(s), m_clock(clock), m_inv(s.invocation()) {}
    Exit run();

private:
    void event(const QString &text);
    // Downloads the terminal in the station; false when its port went away.
    bool download(qint16 records);
    // Waits for the port to come back; false when asked to stop first.
    bool waitForPort();
    qint64 interval() const { return m_inv.intervalSeconds * 1000LL; }

    Session &m_session;
    WatchClock &m_clock;
    const Invocation &m_inv;
    QString m_port;
};

void Watcher::event(const QString &text)
{
    Io &io = m_session.io();
    // A text that starts with the port's name (Windows, where the device is
    // COMn itself) does not get it twice.
    const bool named = text.startsWith(m_port + QLatin1Char(' ')) || text.startsWith(m_port + QLatin1Char(':'));
    io.print(m_clock.now().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss ")) + (named ? text : m_port + QLatin1Char(' ') + text));
    if (auto *f = qobject_cast<QFileDevice *>(io.out))
        f->flush(); // a log reader sees each event as it happens
}

bool Watcher::download(qint16 records)
{
    const QString machine = QStringLiteral("machine %1: ").arg(m_inv.id);
    const QString file = *datedPath(m_inv.output, m_clock.now().date());
    RecordOutput output(m_session.io());
    if (output.open(file, m_inv.clearAfter) != Exit::Ok) {
        // Held by another program it is tried again at the next look.
        event(machine + QCoreApplication::translate("vx::ctl::Watch", "%n record(s) not downloaded: %1 cannot take them%2", nullptr, records)
                            .arg(QDir::toNativeSeparators(file), output.inUse() ? QStringLiteral(" now") : QString()));
        return !output.inUse();
    }
    const Fetched f = fetchRecords(m_session, output, {false, [this] { return m_clock.stopRequested(); },
                                                 QStringLiteral("vx500ctl watch")});
    if (!f.prepared) {
        event(machine + QCoreApplication::translate("vx::ctl::Watch", "%n record(s) not downloaded: %1 cannot take them", nullptr, records)
                            .arg(QDir::toNativeSeparators(file)));
        return true;
    }
    const vx::DownloadResult &r = f.result;
    const QString where = vx::whereRecordsAre(r.records, r.added, r.file, r.earlier);
    const QString unconverted = r.unconverted > 0 ? QStringLiteral("; ") + unconvertedNote(r.unconverted) : QString();
    if (r.end == vx::DownloadResult::End::NotStarted) {
        event(machine + QStringLiteral("download not started: ") + f.failure);
        return !m_session.portFailed();
    }
    if (f.stopped) {
        event(machine + QStringLiteral("stopped: ") + where + QStringLiteral("; the terminal keeps its records"));
        return true;
    }
    if (!f.failure.isEmpty()) {
        event(machine + QStringLiteral("%1 not stored: %2; the terminal keeps its records")
                            .arg(vx::recordsText(f.records), f.failure));
        return !m_session.portFailed();
    }
    if (!f.stored) {
        event(machine + QStringLiteral("download failed: ") + where + QStringLiteral("; the terminal keeps its records"));
        return !m_session.portFailed();
    }
    const struct {
        bool wanted;
        const char *done;
        const char *failed;
    } chosen[] = {{m_inv.clearAfter, "cleared", "not cleared"},
                  {m_inv.updateTimeAfter, "clock set", "clock not set"},
                  {m_inv.powerDownAfter, "powered down", "not powered down"}};
    QStringList steps;
    for (const auto &step : chosen)
        if (step.wanted)
            steps << QLatin1String(f.steps.contains(QLatin1String(step.done)) ? step.done : step.failed);
    QString line = machine + where;
    if (!steps.isEmpty())
        line += QStringLiteral("; ") + steps.join(QStringLiteral(", "));
    event(line + unconverted);
    return !m_session.portFailed();
}

bool Watcher::waitForPort()
{
    vx::TerminalLink &vx = m_session.link();
    // Busy is not gone: the holder is named.
    const vx::Failure why = m_session.portFailure().value_or(vx::Failure{});
    event(why.kind == vx::FailureKind::PortInUse ? vx::describe(why) + QStringLiteral("; waiting for it")
                                                 : vx.portName() + QStringLiteral(" went away; waiting for it"));
    vx.closePort();
    while (m_clock.sleep(interval())) {
        if (vx.port().open()) {
            m_session.portBack();
            event(vx.portName() + QStringLiteral(" is back"));
            return true;
        }
    }
    return false;
}

Exit Watcher::run()
{
    vx::TerminalLink &vx = m_session.link();
    m_port = m_inv.port.isEmpty() ? vx.portName() : m_inv.port;
    if (m_inv.port.isEmpty())
        if (SettingsFile *settings = m_session.settings())
            m_port = QStringLiteral("COM%1").arg(settings->monitorsPort());
    bool seen = false; // the terminal in the station has had its turn
    while (!m_clock.stopRequested()) {
        qint16 records = 0;
        vx.readRecordCount(m_inv.id, records);
        const bool answered = !m_session.portFailed() && vx.status() == vx::VX_SUCCESS;
        if (vx.status() == vx::VX_ERR_TIMEOUT)
            seen = false; // out of the station, or switched off
        if (answered && !seen)
            seen = records <= 0 || download(records);
        if (m_session.portFailed()) {
            if (!waitForPort())
                break;
            seen = false; // whoever is in the station now has not had a turn
        } else if (!m_clock.sleep(interval())) {
            break;
        }
    }
    return Exit::Ok;
}

} // namespace

Exit watch(Session &session, WatchClock &clock) { return Watcher(session, clock).run(); }

namespace {

// The wall clock for the schedule; the stop signals end the sleeps.
class SystemClock : public WatchClock {
public:
    QDateTime now() override { return QDateTime::currentDateTime(); }
    bool stopRequested() override { return m_stop.requested(); }
    bool sleep(qint64 msecs) override { return m_stop.sleep(msecs); }

private:
    StopSignals m_stop;
};

} // namespace

Exit runWatch(Session &session)
{
    SystemClock clock;
    return watch(session, clock);
}

} // namespace vx::ctl
