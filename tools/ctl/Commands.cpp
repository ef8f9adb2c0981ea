#include "Commands.h"

#include "Frame.h"
#include "Session.h"

namespace vx::ctl {

namespace {

// A text as the device sent it: its bytes, then a line end.
Exit printText(Session &s, const QString &text)
{
    s.io().write(vx::toLine(text) + '\n');
    return Exit::Ok;
}

Exit printValue(Session &s, const QString &value)
{
    s.io().print(value);
    return Exit::Ok;
}

Exit done(Session &s)
{
    const Exit e = s.outcome();
    if (e == Exit::Ok)
        s.io().print(QStringLiteral("OK"));
    return e;
}

} // namespace

Exit runTerminalCommand(Session &s)
{
    ucVX300_500 &vx = s.link();
    const Invocation &inv = s.invocation();
    const QString &cmd = inv.command;
    const qint16 id = s.id();

    if (cmd == u"time") {
        QDateTime dt;
        vx.GetTime(id, dt);
        const Exit e = s.outcome();
        return e != Exit::Ok ? e : printValue(s, dt.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")));
    }
    if (cmd == u"set-time") {
        vx.SetTime(id, inv.when.value_or(QDateTime::currentDateTime()));
        return done(s);
    }
    if (cmd == u"id") {
        qint16 value = 0;
        vx.GetID(id, value);
        const Exit e = s.outcome();
        return e != Exit::Ok ? e : printValue(s, QString::number(value));
    }
    if (cmd == u"set-id") {
        vx.SetID(id, inv.newId);
        return done(s);
    }
    if (cmd == u"count") {
        qint16 value = 0;
        vx.GetRecordCount(id, value);
        const Exit e = s.outcome();
        return e != Exit::Ok ? e : printValue(s, QString::number(value));
    }
    if (cmd == u"version" || cmd == u"voltage") {
        QString text;
        if (cmd == u"version")
            vx.GetVersion(id, text);
        else
            vx.GetVoltage(id, text);
        const Exit e = s.outcome();
        return e != Exit::Ok ? e : printText(s, text);
    }
    if (cmd == u"recover") {
        vx.RecoverData(id);
        return done(s);
    }
    if (cmd == u"self-test") {
        vx.InvokeTest(id);
        return done(s);
    }
    if (cmd == u"power-down") {
        vx.PowerDown(id);
        return done(s);
    }
    return Exit::Usage;
}

Exit runStationCommand(Session &s)
{
    QString text;
    if (s.invocation().subcommand == u"version")
        s.link().DS90_GetVersion(text);
    else
        s.link().DS90_GetInformation(text);
    const Exit e = s.outcome();
    return e != Exit::Ok ? e : printText(s, text);
}

Exit runClear(Session &s)
{
    Io &io = s.io();
    if (!s.invocation().yes) {
        if (!io.inIsTerminal) {
            io.error(QStringLiteral("clear: standard input is not a terminal, so there is nobody to ask; "
                                    "give --yes to clear the terminal's data without asking"));
            return Exit::Usage;
        }
        io.err->write("Clear the data of terminal? [y/N] ");
        const QString answer = QString::fromLocal8Bit(io.in->readLine()).trimmed().toLower();
        if (answer != u"y" && answer != u"yes") {
            io.note(QStringLiteral("Not cleared."));
            return Exit::Ok;
        }
    }
    s.link().ClearData(s.id());
    return done(s);
}

} // namespace vx::ctl
