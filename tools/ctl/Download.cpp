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

class Counter {
public:
    explicit Counter(Io &io) : m_io(io) {}
    void tick()
    {
        ++m_count;
        if (m_io.errIsTerminal) {
            m_io.err->write(("\r" + recordsText(m_count)).toUtf8());
            m_io.liveLine = true; // a message now starts on a line of its own
        }
    }
    int count() const { return m_count; }
    // The summary line, replacing the live counter.
    void finish()
    {
        if (m_io.errIsTerminal) {
            m_io.err->write("\r");
            m_io.liveLine = false;
        }
        m_io.note(recordsText(m_count));
    }

private:
    Io &m_io;
    int m_count = 0;
};

// The steps after a complete download, in the monitor's order. Each runs
// whatever the previous one reported; a failed step makes the whole run fail.
Exit runAutomation(Session &s)
{
    const Invocation &inv = s.invocation();
    ucVX300_500 &vx = s.link();
    Exit result = Exit::Ok;
    const auto step = [&](bool wanted, const char *name, const char *done, auto &&operation) {
        if (!wanted || s.systemFailed())
            return;
        operation();
        const Exit e = s.outcome(QLatin1String(name));
        if (e == Exit::Ok)
            s.io().note(QLatin1String(done));
        else if (result == Exit::Ok || e == Exit::System)
            result = e;
    };
    step(inv.clearAfter, "clear", "Data Cleared", [&] { vx.ClearData(s.id()); });
    step(inv.updateTimeAfter, "update-time", "Time Updated",
         [&] { vx.SetTime(s.id(), QDateTime::currentDateTime()); });
    step(inv.powerDownAfter, "power-down", "Power Down", [&] { vx.PowerDown(s.id()); });
    return result;
}

} // namespace

Exit runDownload(Session &s)
{
    Io &io = s.io();
    ucVX300_500 &vx = s.link();
    RecordOutput output(io);
    if (!output.open(s.invocation().output)) {
        io.error(output.errorString());
        return Exit::System;
    }

    vx.BeginDownload(s.id());
    if (s.systemFailed())
        return Exit::System;

    Counter counter(io);
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
            io.error(output.errorString());
            return Exit::System;
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
        io.error(output.errorString());
        return Exit::System;
    }
    return runAutomation(s);
}

} // namespace vx::ctl
