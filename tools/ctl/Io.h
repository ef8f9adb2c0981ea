// The tool's standard streams, as devices so that tests can run it in-process.
#pragma once

#include "ExitCode.h"

#include <QByteArray>
#include <QIODevice>
#include <QJsonValue>
#include <QList>
#include <QString>
#include <utility>

namespace vx::ctl {

// A text as a terminal may show it: every control character but the tab
// (C0, DEL, C1) written as \xHH, so that bytes from the device or the
// system cannot move the cursor, rewrite the screen or answer back.
QString shownOnTerminal(const QString &text);

// The members of a JSON object, in the order they are written.
using JsonFields = QList<std::pair<QString, QJsonValue>>;

// One JSON object on a line of its own, compact, ending with LF. DEL and the
// C1 controls, which JSON allows raw, are written as \u escapes too, so that
// the line is as safe on a terminal as the tool's text.
QByteArray jsonLine(const JsonFields &fields);

struct Io {
    QIODevice *out = nullptr;   // values and records
    QIODevice *err = nullptr;   // messages, summaries, traces
    QIODevice *in = nullptr;    // answers to questions
    bool inIsTerminal = false;
    bool outIsTerminal = false;
    bool errIsTerminal = false;
    bool outIsRegularFile = false; // standard output can be synced to a disk

    bool outFailed = false;     // a write to standard output failed
    bool liveLine = false;      // standard error's last line is a live counter, not ended yet

    // Bytes exactly as given (help text, records for a file or a pipe).
    bool write(const QByteArray &bytes);
    // A line of the tool's own on standard output, in UTF-8.
    bool print(const QString &line);
    // A line the device sent, its bytes as received (Latin-1).
    bool printDeviceText(const QString &text);
    // A result for --json on standard output.
    bool printJson(const JsonFields &fields) { return write(jsonLine(fields)); }
    // A line on standard error; a live counter's line is ended first.
    void note(const QString &line);
    // "vx500ctl: message" on standard error.
    void error(const QString &message) { note(QStringLiteral("vx500ctl: ") + message); }
    // The one way a failure is shown: its words as error() writes them; the
    // exit status its kind gives (exitFor).
    Exit fail(const vx::Failure &failure)
    {
        error(vx::describe(failure));
        return exitFor(failure.kind);
    }
    // The counter of records may share standard error only when the records
    // do not go to the same screen.
    bool liveCounter(bool recordsToOut) const { return errIsTerminal && !(recordsToOut && outIsTerminal); }
};

} // namespace vx::ctl
