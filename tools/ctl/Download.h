// download [-o FILE] [--clear] [--update-time] [--power-down] [-q] [--json]
#pragma once

#include "ExitCode.h"

#include <QStringList>
#include <functional>

namespace vx::ctl {

class RecordOutput;
class Session;

struct FetchOptions {
    bool notes = true;           // the record count and the steps done on standard error
    std::function<bool()> stop;  // asked between two records: end the download there
};

struct Fetched {
    Exit exit = Exit::Ok;
    int records = 0;
    bool stored = false;         // the end of the records arrived and they are in their place
    bool stopped = false;        // stop() ended it: the terminal keeps its records
    QStringList steps;           // the steps done after it: "cleared", "clock set", "powered down"
};

// The download into an output already open, then the automation the
// invocation asks for, with the rules of runDownload().
Fetched fetchRecords(Session &session, RecordOutput &output, const FetchOptions &options = {});

// Fetches every record, writes each with its first field converted, and
// runs the chosen automation only after the end of the records has arrived
// and the output is on the disk; with -o FILE the records reach FILE only
// then, and those of a failed download stay in its side file (RecordOutput).
// A failure status, a port failure or an output that cannot be written ends
// the download without automation.
// --clear needs a regular file, and clears only when the terminal's record
// count equals the records stored in this download. -q leaves out the
// counter and the summary; --json gives the summary as one object once the
// records are stored.
Exit runDownload(Session &session);

} // namespace vx::ctl
