// A data file that takes the records of a download whole or not at all, and
// never twice, whenever the program is killed.
//
// Beside FILE:
//   FILE.part       every line of the download in progress, handed to the
//                   system as it arrives; after a failed download, what
//                   arrived (the next download starts it afresh).
//   FILE.journal    present only while FILE.part is being appended to FILE:
//                   "LENGTH CRLF SKIP\n": FILE's length before the append, 1
//                   when a CR LF goes first (FILE did not end with a line end),
//                   and the bytes at the start of FILE.part already in FILE.
//   FILE.uncleared  the lines of the last download appended to FILE while the
//                   terminal's clearing of them is not confirmed (settle()
//                   removes it). A download that begins with all of them is
//                   the terminal still holding them: only the lines after
//                   them are appended.
// The append is the block (CR LF if noted, then FILE.part from SKIP on)
// written at the end of FILE and synced; then FILE.part becomes
// FILE.uncleared and the journal goes. open() finishes an append that a kill interrupted:
// FILE from LENGTH on must be a beginning of the block, and the rest of the
// block is written. A FILE that does not continue so is reported and left as
// it is.
#pragma once

#include "Failure.h"

#include <QByteArray>
#include <QString>
#include <sys/types.h>

namespace vx::ctl {

// The system calls that change files, in one place so that a test can stop
// them at any point as a kill would.
class FileCalls {
public:
    virtual ~FileCalls() = default;
    virtual int open(const char *path, int flags, mode_t mode);
    virtual ssize_t write(int fd, const void *bytes, size_t size);
    virtual int fsync(int fd);
    virtual int rename(const char *from, const char *to);
    virtual int unlink(const char *path);
};

FileCalls &systemFileCalls();

class OnceFile {
public:
    explicit OnceFile(FileCalls &calls = systemFileCalls()) : m_calls(calls) {}
    OnceFile(const OnceFile &) = delete;
    OnceFile &operator=(const OnceFile &) = delete;
    ~OnceFile() { close(); }

    // Opens FILE for appending (created when missing), finishes an
    // interrupted append to it, and starts FILE.part empty.
    bool open(const QString &path);
    bool isOpen() const { return m_partFd >= 0; }
    bool writeLine(const QString &record);
    // FILE.part on the disk: what arrived is kept whatever happens next.
    bool syncPart();
    // The records written so far appended to FILE and synced; FILE.part
    // becomes FILE.uncleared.
    bool commit();
    // The terminal no longer holds the lines appended (cleared, or kept on
    // purpose): FILE.uncleared goes.
    bool settle();
    // Lines of this download that were already in FILE.
    int repeated() const { return m_repeated; }
    QString partPath() const { return m_path + QStringLiteral(".part"); }
    vx::Failure failure() const { return m_failure; }

private:
    QString journalPath() const { return m_path + QStringLiteral(".journal"); }
    QString unclearedPath() const { return m_path + QStringLiteral(".uncleared"); }
    bool fail(const QString &path, int systemError, const QString &cause = {});
    bool writeAll(int fd, const QByteArray &bytes, const QString &path);
    bool syncFolder();
    bool finishAppend(qint64 length, bool lineEndFirst, qint64 skip);
    bool recover();
    bool remove(const QString &path);
    void close();

    FileCalls &m_calls;
    QString m_path;
    int m_fileFd = -1;
    int m_partFd = -1;
    int m_lines = 0;
    QByteArray m_uncleared;     // FILE.uncleared as open() found it
    qsizetype m_following = 0;  // bytes of it the download has matched so far; -1: it differs
    int m_followingLines = 0;
    int m_repeated = 0;
    vx::Failure m_failure;
};

} // namespace vx::ctl
