// A data file that downloaded records are appended to: created when missing,
// one CR LF line per record, every line handed to the system as it is
// written, and a sync() that returns only once the lines are on the disk.
#pragma once

#include <QFile>
#include <QString>

namespace vx {

class DataFile {
public:
    // Opens for appending; false and errorString() when it cannot be opened.
    bool openAppend(const QString &path);
    // Writes dataFileLine(record); false and errorString() on failure.
    bool writeLine(const QString &record);
    // Flushes and syncs to the disk. A file that cannot be synced by its
    // nature (a pipe, a terminal) counts as synced.
    bool sync();
    void close();
    bool isOpen() const { return m_file.isOpen(); }
    QString path() const { return m_file.fileName(); }
    // "PATH: cause", for messages.
    QString errorString() const { return m_error; }
    // The system's error number (errno) of the last failure; 0 when unknown.
    int errorNumber() const { return m_errno; }

private:
    bool fail(const QString &cause, int systemError);

    QFile m_file;
    QString m_error;
    int m_errno = 0;
};

} // namespace vx
