#include "Download.h"

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

// The number of records stored: live on standard error when that is a
// terminal the records do not go to, then as a summary line.
class Counter {
public:
    Counter(Io &io, bool recordsToOut, bool notes)
        : m_io(io), m_live(notes && io.liveCounter(recordsToOut)), m_notes(notes)
    {
    }
    void tick()
    {
        ++m_count;
        if (m_live) {
            m_io.err->write(("\r" + recordsText(m_count)).toUtf8());
            m_io.liveLine = true; // a message now starts on a line of its own
        }
    }
    int count() const { return m_count; }
    void finish()
    {
        if (m_live) {
            m_io.err->write("\r");
            m_io.liveLine = false;
        }
        if (m_notes)
            m_io.note(recordsText(m_count));
    }

private:
    Io &m_io;
    bool m_live;
    bool m_notes;
    int m_count = 0;
};

// Clears only when the terminal holds exactly the records stored: an end
// of the records that came too early must not cost the ones not fetched.
Exit clearStored(Session &s, int stored)
{
    qint16 held = 0;
    s.link().GetRecordCount(s.id(), held);
    if (Exit e = s.outcome(QStringLiteral("not cleared: the record count failed")); e != Exit::Ok)
        return e;
    if (held != stored) {
        s.io().error(QStringLiteral("not cleared: the terminal holds %1, %2 stored by this download")
                         .arg(recordsText(held), QString::number(stored)));
        return Exit::DeviceFailure;
    }
    s.link().ClearData(s.id());
    return s.outcome(QStringLiteral("clear"));
}

// The steps after a complete download, in the monitor's order. Each runs
// whatever the previous one reported; a failed step makes the whole run fail.
void runAutomation(Session &s, Fetched &f, bool notes)
{
    const Invocation &inv = s.invocation();
    ucVX300_500 &vx = s.link();
    const auto step = [&](bool wanted, const char *note, const char *done, auto &&operation) {
        if (!wanted || s.systemFailed())
            return;
        const Exit e = operation();
        if (e == Exit::Ok) {
            f.steps << QLatin1String(done);
            if (notes)
                s.io().note(QLatin1String(note));
        } else if (f.exit == Exit::Ok || e == Exit::System) {
            f.exit = e;
        }
    };
    step(inv.clearAfter, "Data Cleared", "cleared", [&] { return clearStored(s, f.records); });
    step(inv.updateTimeAfter, "Time Updated", "clock set", [&] {
        vx.SetTime(s.id(), QDateTime::currentDateTime());
        return s.outcome(QStringLiteral("update-time"));
    });
    step(inv.powerDownAfter, "Power Down", "powered down", [&] {
        vx.PowerDown(s.id());
        return s.outcome(QStringLiteral("power-down"));
    });
}

} // namespace

Fetched fetchRecords(Session &s, RecordOutput &output, const FetchOptions &options)
{
    Io &io = s.io();
    ucVX300_500 &vx = s.link();
    Fetched f;
    const auto failed = [&](Exit e) {
        f.exit = e;
        return f;
    };
    vx.BeginDownload(s.id());
    if (s.systemFailed())
        return failed(Exit::System);

    Counter counter(io, output.toStandardOutput(), options.notes);
    QString record;
    for (;;) {
        if (options.stop && options.stop()) {
            f.stopped = true;
            break;
        }
        vx.GetRecord(record);
        if (s.systemFailed() || vx.ErrCode() != vx::VX_SUCCESS)
            break;
        if (!vx::firstFieldConvertible(record))
            io.error(QStringLiteral("record %1: first field too large for a number, written unconverted")
                         .arg(counter.count() + 1));
        if (!output.writeLine(vx::convertFirstField(record))) {
            counter.finish();
            io.error(vx::describe(output.failure()));
            return failed(exitFor(output.failure().kind));
        }
        counter.tick();
        f.records = counter.count();
    }
    counter.finish();

    if (f.stopped || s.systemFailed() || vx.ErrCode() != vx::VX_END_OF_STREAM) {
        const bool kept = output.sync();
        const Exit e = f.stopped ? Exit::Ok : s.systemFailed() ? Exit::System : s.outcome();
        if (!kept)
            io.error(vx::describe(output.failure()));
        else if (!output.sideFile().isEmpty())
            io.error(QStringLiteral("%1 that arrived kept in %2").arg(recordsText(f.records), output.sideFile()));
        return failed(kept ? e : exitFor(output.failure().kind));
    }
    if (!output.commit()) {
        io.error(vx::describe(output.failure()));
        return failed(exitFor(output.failure().kind));
    }
    f.stored = true;
    if (output.repeated() > 0)
        io.note(QStringLiteral("%1 already in the file from the download before, whose clearing was not "
                               "confirmed: not added again")
                    .arg(recordsText(output.repeated())));
    runAutomation(s, f, options.notes);
    // Records still on the terminal by choice are no repeats to look out for.
    if ((!s.invocation().clearAfter || f.steps.contains(QLatin1String("cleared"))) && !output.settle()) {
        io.error(vx::describe(output.failure()));
        f.exit = exitFor(output.failure().kind);
    }
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
