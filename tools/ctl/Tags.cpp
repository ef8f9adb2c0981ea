// tags count | download [-o FILE] | upload FILE
#include "Commands.h"

#include "Frame.h"
#include "RecordOutput.h"
#include "Session.h"

#include <QFile>

namespace vx::ctl {

namespace {

Exit tagsCount(Session &s)
{
    qint16 count = 0;
    s.link().GetTagCount(s.id(), count);
    const Exit e = s.outcome();
    if (e == Exit::Ok)
        s.io().print(QString::number(count));
    return e;
}

Exit tagsDownload(Session &s)
{
    Io &io = s.io();
    ucVX300_500 &vx = s.link();
    RecordOutput output(io);
    if (!output.open(s.invocation().output)) {
        io.error(output.errorString());
        return Exit::System;
    }
    vx.BeginTagDownload(s.id());
    if (s.systemFailed())
        return Exit::System;
    int count = 0;
    QString code;
    for (;;) {
        vx.GetTagCode(code);
        if (s.systemFailed() || vx.ErrCode() != vx::VX_SUCCESS)
            break;
        if (!output.writeLine(code)) {
            io.error(output.errorString());
            return Exit::System;
        }
        ++count;
    }
    io.note(QStringLiteral("%1 tag codes").arg(count));
    if (s.systemFailed())
        return Exit::System;
    if (!output.sync()) {
        io.error(output.errorString());
        return Exit::System;
    }
    return vx.ErrCode() == vx::VX_END_OF_STREAM ? Exit::Ok : s.outcome(QStringLiteral("tags download"));
}

// The codes of a list file: one per line, its index the line number from 1;
// blank lines hold no code but keep their number.
struct TagCode {
    qint16 index;
    QString code;
};

Exit tagsUpload(Session &s)
{
    Io &io = s.io();
    QFile file(s.invocation().file);
    if (!file.open(QIODevice::ReadOnly)) {
        io.error(QStringLiteral("%1: %2").arg(file.fileName(), file.errorString()));
        return Exit::System;
    }
    QList<QByteArray> lines = file.readAll().split('\n');
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    if (lines.size() > 32767) {
        io.error(QStringLiteral("%1: %2 lines; a tag list holds at most 32767 codes")
                     .arg(file.fileName()).arg(lines.size()));
        return Exit::System; // the file does not fit, the command line was right
    }
    QList<TagCode> codes;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        QByteArray line = lines.at(i);
        if (line.endsWith('\r'))
            line.chop(1);
        if (!line.trimmed().isEmpty())
            codes.append({static_cast<qint16>(i + 1), vx::fromLine(line)});
    }

    ucVX300_500 &vx = s.link();
    vx.BeginTagUpload(s.id());
    if (Exit e = s.outcome(QStringLiteral("tags upload")); e != Exit::Ok)
        return e;
    for (const TagCode &c : codes) {
        vx.SendTagCode(c.index, c.code);
        if (Exit e = s.outcome(QStringLiteral("tags upload: line %1").arg(c.index)); e != Exit::Ok)
            return e;
    }
    vx.EndTagUpload();
    if (s.systemFailed())
        return Exit::System;
    io.note(QStringLiteral("%1 tag codes sent").arg(codes.size()));
    io.print(QStringLiteral("OK"));
    return Exit::Ok;
}

} // namespace

Exit runTags(Session &s)
{
    const QString &sub = s.invocation().subcommand;
    if (sub == u"count")
        return tagsCount(s);
    if (sub == u"download")
        return tagsDownload(s);
    return tagsUpload(s);
}

} // namespace vx::ctl
