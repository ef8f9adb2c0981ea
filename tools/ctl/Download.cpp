#include "Download.h"

#include "Record.h"
#include "RecordOutput.h"
#include "Session.h"

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
    Counter(Io &io, bool recordsToOut) : m_io(io), m_live(io.liveCounter(recordsToOut)) {}
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
        m_io.note(recordsText(m_count));
    }

private:
    Io &m_io;
    bool m_live;
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
Exit runAutomation(Session &s, int stored)
{
    const Invocation &inv = s.invocation();
    ucVX300_500 &vx = s.link();
    Exit result = Exit::Ok;
    const auto step = [&](bool wanted, const char *done, auto &&operation) {
        if (!wanted || s.systemFailed())
            return;
        const Exit e = operation();
        if (e == Exit::Ok)
            s.io().note(QLatin1String(done));
        else if (result == Exit::Ok || e == Exit::System)
            result = e;
    };
    step(inv.clearAfter, "Data Cleared", [&] { return clearStored(s, stored); });
    step(inv.updateTimeAfter, "Time Updated", [&] {
        vx.SetTime(s.id(), QDateTime::currentDateTime());
        return s.outcome(QStringLiteral("update-time"));
    });
    step(inv.powerDownAfter, "Power Down", [&] {
        vx.PowerDown(s.id());
        return s.outcome(QStringLiteral("power-down"));
    });
    return result;
}

} // namespace

Exit runDownload(Session &s)
{
    Io &io = s.io();
    ucVX300_500 &vx = s.link();
    RecordOutput output(io);
    if (const Exit e = output.open(s.invocation().output, s.invocation().clearAfter); e != Exit::Ok)
        return e;

    vx.BeginDownload(s.id());
    if (s.systemFailed())
        return Exit::System;

    Counter counter(io, output.toStandardOutput());
    QString record;
    for (;;) {
        vx.GetRecord(record);
        if (s.systemFailed() || vx.ErrCode() != vx::VX_SUCCESS)
            break;
        if (!vx::firstFieldConvertible(record))
            io.error(QStringLiteral("record %1: first field too large for a number, written unconverted")
                         .arg(counter.count() + 1));
        if (!output.writeLine(vx::convertFirstField(record))) {
            counter.finish();
            io.error(vx::describe(output.failure()));
            return exitFor(output.failure().kind);
        }
        counter.tick();
    }
    counter.finish();

    if (s.systemFailed())
        return Exit::System;
    if (vx.ErrCode() != vx::VX_END_OF_STREAM) {
        output.sync();
        return s.outcome();
    }
    if (!output.sync()) {
        io.error(vx::describe(output.failure()));
        return exitFor(output.failure().kind);
    }
    return runAutomation(s, counter.count());
}

} // namespace vx::ctl
