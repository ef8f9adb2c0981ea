// download [-o FILE] [--clear] [--update-time] [--power-down] [-q] [--json]
#pragma once

#include "download/Downloader.h"
#include "ExitCode.h"

#include <QString>
#include <QStringList>
#include <functional>

namespace vx::ctl {

class RecordOutput;
class Session;

struct FetchOptions {
    bool notes = true;           // the record count and the steps done on standard error
    std::function<bool()> stop;  // asked between two records: end the download there
    QString program = QStringLiteral("vx500ctl");
};

struct Fetched {
    Exit exit = Exit::Ok;
    int records = 0;
    bool stored = false;         // the end of the records arrived and they are in their place
    bool stopped = false;        // stop() ended it: the terminal keeps its records
    bool prepared = true;        // false: the ledger or the file's old side files stopped it first (reported)
    QStringList steps;           // the steps done after it: "cleared", "clock set", "powered down"
    QString failure;             // why the output (or the port) could not take the records (reported)
    vx::DownloadResult result;   // what the engine reported
};

// The one warning for records whose first field no number holds.
QString unconvertedNote(int records);

// The download into an output already open, through the download engine,
// then the automation the invocation asks for, with the rules of runDownload().
Fetched fetchRecords(Session &session, RecordOutput &output, const FetchOptions &options = {});

// Fetches every record and stores each exactly once with its first field
// converted; runs the chosen automation only after the end of the records
// has arrived and they are on the disk. A failure status, a port failure
// or an output that cannot be written ends the download without
// automation; the records that arrived are in FILE and the terminal keeps
// them, and the next download does not store them again.
// --clear needs a regular file, and clears only when the terminal's record
// count equals the records of this download. -q leaves out the counter and
// the summary; --json gives the summary as one object once the records are
// stored.
Exit runDownload(Session &session);

} // namespace vx::ctl
