#include "Download.h"

#include "download/DownloadSession.h"
#include "terminal/Record.h"
#include "RecordOutput.h"
#include "Session.h"
#include "StopSignals.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <algorithm>
#include <QJsonObject>

#include <tuple>

namespace vx::ctl {

namespace {

// The words of a step done, of one not done, its name in history and JSON.
struct StepWords {
    const char *done;     // "Data Cleared": the note once the terminal confirmed
    const char *notDone;  // "not cleared": the start of the error line otherwise
    const char *summary;  // "cleared": in Fetched::steps once done
};

StepWords wordsFor(vx::Step step)
{
    switch (step) {
    case vx::Step::Clear: return {"Data Cleared", "not cleared", "cleared"};
    case vx::Step::SetTime: return {"Time Updated", "clock not set", "clock set"};
    case vx::Step::PowerDown: return {"Power Down", "not powered down", "powered down"};
    }
    return {"", "", ""};
}

// What the tool shows of a download: a live counter on standard error when
// that is a terminal the records do not go to, a summary line, the steps.
class ToolEvents : public vx::DownloadEvents {
public:
    ToolEvents(Session &s, bool recordsToOut, const FetchOptions &options, Fetched &f)
        : m_session(s), m_io(s.io()), m_live(options.notes && s.io().liveCounter(recordsToOut)), m_options(options), m_fetched(f)
    {
    }
    void totalKnown(int records) override { m_total = records; }
    void recordArrived(int number, const QString &) override
    {
        if (m_live) {
            const QString count = m_total > 0 ? QStringLiteral("%1 of %2").arg(number).arg(vx::recordsText(m_total))
                                              : vx::recordsText(number);
            m_io.err->write(("\r" + count).toUtf8());
            m_io.liveLine = true; // a message now starts on a line of its own
        }
    }
    void streamEnded(const vx::DownloadResult &r) override
    {
        if (m_live) {
            m_io.err->write("\r\x1b[K"); // the counter goes, the summary takes its place
            m_io.liveLine = false;
        }
        if (!m_options.notes || r.end == vx::DownloadResult::End::NotStarted)
            return;
        if (r.end == vx::DownloadResult::End::Complete && r.stored)
            m_io.note(r.file.isEmpty() ? vx::recordsText(r.records) : vx::whereRecordsAre(r.records, r.added, r.file, r.earlier));
        if (r.unconverted > 0)
            m_io.note(unconvertedNote(r.unconverted));
    }
    void stepDone(const vx::StepResult &step) override
    {
        const StepWords words = wordsFor(step.step);
        Exit e = Exit::Ok;
        if (step.outcome == vx::StepResult::Refused) {
            e = m_session.outcome(QLatin1String(words.notDone)); // "not cleared: ErrCode: ..."
        } else if (step.outcome == vx::StepResult::Withheld && step.why == vx::StepResult::CountFailed) {
            e = m_session.outcome(QStringLiteral("not cleared: the record count failed"));
        } else if (step.outcome == vx::StepResult::Withheld && step.why == vx::StepResult::PortLost) {
            e = m_session.outcome(); // the port's failure was reported as it happened
        } else if (step.outcome == vx::StepResult::Withheld) {
            m_io.error(QLatin1String(words.notDone) + QStringLiteral(": ") + vx::whyNotDone(step, m_fetched.records));
            e = step.why == vx::StepResult::Stopped ? Exit::Ok : Exit::DeviceFailure; // a stop has its own status
        }
        if (step.outcome == vx::StepResult::Done) {
            m_fetched.steps << QLatin1String(words.summary);
            if (m_options.notes)
                m_io.note(QLatin1String(words.done));
        } else if (m_fetched.exit == Exit::Ok || e == Exit::System) {
            m_fetched.exit = e;
        }
    }
    bool stopRequested() override { return m_options.stop && m_options.stop(); }
    bool portFailed() override { return m_session.portFailed(); }

private:
    Session &m_session;
    Io &m_io;
    bool m_live;
    int m_total = -1;
    const FetchOptions &m_options;
    Fetched &m_fetched;
};

} // namespace

QString unconvertedNote(int records)
{
    return QCoreApplication::translate("vx::ctl::Download",
                                       "%n record(s) with a first field too large for a number (more than eight "
                                       "hexadecimal digits), written as they came",
                                       nullptr, records);
}

Fetched fetchRecords(Session &s, RecordOutput &output, const FetchOptions &options)
{
    const Invocation &inv = s.invocation();
    Io &io = s.io();
    Fetched f;
    vx::DownloadJob job;
    job.machine = s.id();
    job.program = options.program;
    job.port = inv.port.isEmpty() ? s.link().portName() : inv.port;
    job.clear = inv.clearAfter;
    job.updateTime = inv.updateTimeAfter;
    job.powerDown = inv.powerDownAfter;
    // On a terminal the counter counts out of the terminal's own count.
    job.askCount = options.notes && io.liveCounter(output.toStandardOutput());
    SettingsFile *settings = s.settings();
    if (!settings) {
        f.exit = exitFor(s.settingsFailure()->kind);
        f.prepared = false;
        return f;
    }
    job.retentionDays = settings->historyDays();
    job.keepRecords = settings->keepRecords();
    vx::DownloadSession session(s.link(), job);
    if (!session.use(output.file(), output)) {
        f.exit = io.fail(session.failure());
        f.prepared = false;
        return f;
    }
    ToolEvents events(s, output.toStandardOutput(), options, f);
    const vx::DownloadResult r = session.run(events);
    f.result = r;
    f.records = r.records;
    // The records are in their place, but the ledger could not note the end.
    if (r.ledgerFailure && io.fail(*r.ledgerFailure) == Exit::System)
        f.exit = Exit::System;
    f.stopped = r.end == vx::DownloadResult::End::Stopped;
    using End = vx::DownloadResult::End;
    if (r.end == End::NotStarted) { // the port's failure was reported as it happened
        f.exit = r.portFailure ? exitFor(r.portFailure->kind) : Exit::System;
        f.failure = vx::describe(r.portFailure.value_or(vx::Failure{}));
        return f;
    }
    if (r.storeFailure) {
        f.exit = io.fail(*r.storeFailure);
        f.failure = vx::describe(*r.storeFailure);
        return f;
    }
    if (r.end == End::Complete) {
        f.stored = true;
        return f;
    }
    if (f.exit == Exit::System)
        return f;
    if (r.end == End::TooLong) {
        f.exit = io.fail({vx::FailureKind::Overflow,
                          QStringLiteral("the terminal went on sending beyond %1 records or %2 MiB, more than a "
                                         "terminal holds; nothing was cleared")
                              .arg(vx::kMaxDownloadRecords)
                              .arg(vx::kMaxDownloadBytes / (1024 * 1024))});
    } else if (r.end != End::Stopped) {
        f.exit = s.outcome();
    }
    const QString stopped = r.end == End::Stopped ? QStringLiteral("interrupted before the end of the records: ") : QString();
    if (output.file() && r.records > 0)
        io.error(stopped + vx::whereRecordsAre(r.records, r.added, r.file, r.earlier)
                 + QStringLiteral("; the terminal keeps them, and the next download does not store them again"));
    else if (r.end == End::Stopped)
        io.error(QStringLiteral("interrupted before the end of the records; the terminal keeps them"));
    return f;
}

Exit runDownload(Session &s)
{
    const Invocation &inv = s.invocation();
    Io &io = s.io();
    RecordOutput output(io);
    if (const Exit e = output.open(inv.output, inv.clearAfter); e != Exit::Ok)
        return e;
    // Ctrl+C (or SIGTERM) ends the download at the next record: what arrived
    // is stored, nothing is cleared.
    StopSignals stop;
    const Fetched f = fetchRecords(s, output, {!inv.quiet && !inv.json, [&stop] { return stop.requested(); }});
    const auto &steps = f.result.steps;
    if (f.stopped || std::any_of(steps.begin(), steps.end(), [](const vx::StepResult &step) {
            return step.outcome == vx::StepResult::Withheld && step.why == vx::StepResult::Stopped;
        })) {
        if (!f.stopped) // the steps not sent said so
            io.error(QStringLiteral("interrupted"));
        return Exit(stop.exitStatus());
    }
    const bool recordsToOut = inv.output.isEmpty();
    if (!inv.json || !f.stored || (inv.quiet && recordsToOut))
        return f.exit;
    // The summary as one object: on standard output, or on standard error
    // when the records take standard output.
    const vx::DownloadResult &r = f.result;
    QJsonArray earlier;
    for (const vx::EarlierFile &e : r.earlier)
        earlier.append(QJsonObject{{QStringLiteral("file"), e.path}, {QStringLiteral("records"), e.records}});
    JsonFields summary{{QStringLiteral("command"), QStringLiteral("download")},
                       {QStringLiteral("records"), f.records},
                       {QStringLiteral("added"), r.added},
                       {QStringLiteral("file"), r.file.isEmpty() ? QJsonValue() : QJsonValue(r.file)},
                       {QStringLiteral("earlier"), earlier},
                       {QStringLiteral("unconverted"), r.unconverted}};
    for (const auto &[wanted, key, step] : {std::tuple{inv.clearAfter, "cleared", "cleared"},
                                            std::tuple{inv.updateTimeAfter, "clockSet", "clock set"},
                                            std::tuple{inv.powerDownAfter, "poweredDown", "powered down"}})
        if (wanted)
            summary.append({QLatin1String(key), f.steps.contains(QLatin1String(step))});
    if (recordsToOut)
        io.err->write(jsonLine(summary));
    else
        io.printJson(summary);
    return f.exit;
}

} // namespace vx::ctl
