// A data file that downloaded records are appended to: created when missing,
// one CR LF line per record, every line handed to the system as it is
// written, and a sync() that returns only once the lines are on the disk.
// A record never glues onto a partial last line, and a line that cannot be
// written whole leaves no part of itself behind.
#pragma once

#include "terminal/Failure.h"

#include <QString>

namespace vx {

class DataFile {
public:
    DataFile() = default;
    DataFile(const DataFile &) = delete;
    DataFile &operator=(const DataFile &) = delete;
    ~DataFile() { close(); }

    // Opens for appending; false and failure() when it cannot be opened.
    // Never waits: a pipe (FIFO) nobody reads from is refused at once.
    bool openAppend(const QString &path);
    // Writes dataFileLine(record), after a CR LF when the file did not end
    // with a line end (only before the first record). On failure a regular
    // file is cut back to its size before this line, then false and
    // failure().
    bool writeLine(const QString &record);
    // Flushes and syncs to the disk. A file that cannot be synced by its
    // nature (a pipe, a terminal, a device) counts as synced.
    bool sync();
    void close();
    bool isOpen() const { return m_fd >= 0; }
    // True when the open file is a regular file, the only kind whose lines
    // sync() can put on a disk.
    bool isRegularFile() const { return m_regular; }
    // The last failure; its detail reads "PATH: cause" with the system's
    // words for the cause.
    Failure failure() const { return m_failure; }

private:
    bool fail(int systemError, const QString &cause = {});

    int m_fd = -1;
    bool m_regular = false;
    bool m_lineEndFirst = false; // the file ends inside a line
    QString m_path;
    Failure m_failure;
};

} // namespace vx
