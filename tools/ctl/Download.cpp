#include "Download.h"

#include "Downloader.h"
#include "Record.h"
#include "RecordOutput.h"
#include "Session.h"

#include <tuple>

namespace vx::ctl {

namespace {

QString recordsText(int n)
{
    return n == 1 ? QStringLiteral("1 record") : QStringLiteral("%1 records").arg(n);
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
    void recordArrived(int number, const QString &line) override
    {
        if (!vx::firstFieldConvertible(line))
            m_io.error(QStringLiteral("record %1: first field too large for a number, written unconverted").arg(number));
        if (m_live) {
            const QString count = m_total > 0 ? QStringLiteral("%1 of %2").arg(number).arg(recordsText(m_total))
                                              : recordsText(number);
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
        if (m_options.notes)
            m_io.note(recordsText(r.records));
        if (r.stored && r.skipped > 0 && r.end == vx::DownloadResult::End::Complete)
            m_io.note(QStringLiteral("%1 already in the file from the download before, whose clearing was not "
                                     "confirmed: not added again")
                          .arg(recordsText(r.skipped)));
    }
    void stepDone(const vx::StepResult &step) override
    {
        static const char *const names[] = {"clear", "update-time", "power-down"};
        static const char *const notes[] = {"Data Cleared", "Time Updated", "Power Down"};
        static const char *const done[] = {"cleared", "clock set", "powered down"};
        const int i = int(step.step);
        Exit e = Exit::Ok;
        if (step.outcome == vx::StepResult::Withheld && step.why == vx::StepResult::CountDiffers) {
            m_io.error(QStringLiteral("not cleared: the terminal holds %1, %2 stored by this download")
                           .arg(recordsText(step.held), QString::number(m_fetched.records)));
            e = Exit::DeviceFailure;
        } else if (step.outcome == vx::StepResult::Withheld) {
            e = m_session.outcome(QStringLiteral("not cleared: the record count failed"));
        } else {
            e = m_session.outcome(QLatin1String(names[i]));
        }
        if (e == Exit::Ok) {
            m_fetched.steps << QLatin1String(done[i]);
            if (m_options.notes)
                m_io.note(QLatin1String(notes[i]));
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
    vx::Downloader downloader(s.link(), job);
    if (vx::RecordFile *file = output.file()) {
        if (!downloader.prepare(*file)) {
            f.exit = io.fail(downloader.failure());
            f.prepared = false;
            return f;
        }
    } else {
        downloader.prepare(output);
    }
    ToolEvents events(s, output.toStandardOutput(), options, f);
    const vx::DownloadResult r = downloader.run(events);
    f.records = r.records;
    f.stopped = r.end == vx::DownloadResult::End::Stopped;
    using End = vx::DownloadResult::End;
    if (r.storeFailure) {
        f.exit = io.fail(*r.storeFailure);
        f.failure = vx::describe(*r.storeFailure);
        return f;
    }
    if (r.end == End::Complete) {
        f.stored = true;
        return f;
    }
    if (r.end == End::TooLong) {
        f.exit = io.fail({vx::FailureKind::Overflow,
                          QStringLiteral("the terminal went on sending beyond %1 records or %2 MiB, more than a "
                                         "terminal holds; nothing was cleared")
                              .arg(vx::kMaxDownloadRecords)
                              .arg(vx::kMaxDownloadBytes / (1024 * 1024))});
    } else if (r.end != End::Stopped) {
        f.exit = s.outcome();
    }
    if (output.file() && r.records > 0)
        io.error(QStringLiteral("%1 that arrived are in %2; the terminal keeps them, and the next download does "
                                "not store them again")
                     .arg(recordsText(r.records), output.file()->identity().path));
    return f;
}

Exit runDownload(Session &s)
{
    const Invocation &inv = s.invocation();
    Io &io = s.io();
    RecordOutput output(io);
    if (const Exit e = output.open(inv.output, inv.clearAfter); e != Exit::Ok)
        return e;
    const Fetched f = fetchRecords(s, output, {!inv.quiet && !inv.json, {}});
    const bool recordsToOut = inv.output.isEmpty();
    if (!inv.json || !f.stored || (inv.quiet && recordsToOut))
        return f.exit;
    // The summary as one object: on standard output, or on standard error
    // when the records take standard output.
    JsonFields summary{{QStringLiteral("command"), QStringLiteral("download")},
                       {QStringLiteral("records"), f.records},
                       {QStringLiteral("file"), recordsToOut ? QJsonValue() : QJsonValue(inv.output)}};
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
