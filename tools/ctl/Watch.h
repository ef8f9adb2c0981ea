// watch -o FILE [--clear] [--update-time] [--power-down] [--interval SEC]
#pragma once

#include "ExitCode.h"

#include <QDate>
#include <QDateTime>
#include <QString>
#include <optional>

namespace vx::ctl {

class Session;

// What the watch needs besides the port: the local time, the wait between
// two looks, and the request to stop.
class WatchClock {
public:
    virtual ~WatchClock() = default;
    virtual QDateTime now() = 0;
    // Waits msecs, less when asked to stop; false once asked to stop.
    virtual bool sleep(qint64 msecs) = 0;
    virtual bool stopRequested() = 0;
};

// FILE with %Y, %m and %d replaced by the date as date(1) writes them and %%
// by %; none for any other % sequence.
std::optional<QString> datedPath(const QString &pattern, const QDate &date);

// Asks for the record count every interval. A terminal that answers with
// records is downloaded into FILE as download does (exactly once, the
// chosen steps after it), then left alone until it stops answering; one
// that answers with none is left alone. A port that goes away is waited
// for and opened again. One line per event on standard output. Ends (Ok)
// when asked to stop, between two exchanges; a download it cuts short
// leaves the terminal its records.
Exit watch(Session &session, WatchClock &clock);

// watch() on the system's clock, stopped by SIGTERM or SIGINT (Linux), or
// Ctrl+C, Ctrl+Break or the console's closing (Windows).
Exit runWatch(Session &session);

} // namespace vx::ctl
