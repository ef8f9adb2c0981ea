// The tool's standard streams, as devices so that tests can run it in-process.
#pragma once

#include <QByteArray>
#include <QIODevice>
#include <QString>

namespace vx::ctl {

struct Io {
    QIODevice *out = nullptr;   // values and records
    QIODevice *err = nullptr;   // messages, summaries, traces
    QIODevice *in = nullptr;    // answers to questions
    bool inIsTerminal = false;
    bool errIsTerminal = false;

    bool outFailed = false;     // a write to standard output failed
    bool liveLine = false;      // standard error's last line is a live counter, not ended yet

    // Bytes exactly as given (records, texts as the device sent them).
    bool write(const QByteArray &bytes)
    {
        const bool ok = out->write(bytes) == bytes.size();
        outFailed = outFailed || !ok;
        return ok;
    }
    // A line on standard output.
    bool print(const QString &line) { return write(line.toUtf8() + '\n'); }
    // A line on standard error, as it is; a live counter's line is ended first.
    void note(const QString &line)
    {
        if (liveLine)
            err->write("\n");
        liveLine = false;
        err->write(line.toUtf8() + '\n');
    }
    // "vx500ctl: message" on standard error.
    void error(const QString &message) { note(QStringLiteral("vx500ctl: ") + message); }
};

} // namespace vx::ctl
