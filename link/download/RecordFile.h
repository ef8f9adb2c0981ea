// A regular data file that downloads append to. It is opened without
// following a link that another user planted, held under an exclusive lock
// for as long as it is open, read only at the places asked for, and every
// append is on the disk, with the file's name in its folder, before
// append() returns.
#pragma once

#include "download/FileCalls.h"
#include "terminal/Failure.h"

#include <QByteArray>
#include <QString>

namespace vx {

// Which file on the disk: its real path, and its device and inode, which
// tell a file moved away and another put in its place.
struct FileIdentity {
    QString path;
    qint64 device = 0;
    qint64 inode = 0;
    // The same file whatever its name: moved, or reached through a link.
    bool operator==(const FileIdentity &other) const { return device == other.device && inode == other.inode; }
};

class RecordFile {
public:
    explicit RecordFile(FileCalls &calls = systemFileCalls()) : m_calls(calls) {}
    RecordFile(const RecordFile &) = delete;
    RecordFile &operator=(const RecordFile &) = delete;
    ~RecordFile() { close(); }

    enum class Opened { Regular, NotRegular, Failed };
    // Opens PATH for reading and appending (created when missing) and locks
    // it. NotRegular: PATH names a device, a pipe or a socket, left
    // unopened. A link is followed only when it is the user's own (or the
    // system's, root's); a link of another user's is refused.
    Opened open(const QString &path, bool create = true);
    // Standard output (or another descriptor) that is a regular file: the
    // bytes go through fd at its own offset; fd stays open after close().
    Opened adopt(int fd);
    // Opens an existing file for reading only, to check what it holds; the
    // same rules for links, no lock.
    bool openToRead(const QString &path);
    void close();

    bool isOpen() const { return m_fd >= 0; }
    const FileIdentity &identity() const { return m_identity; }
    qint64 size() const;
    // Where the next append lands.
    qint64 end() const;
    // True when the file holds exactly these bytes at offset.
    bool holds(qint64 offset, const QByteArray &bytes) const;
    // The bytes from offset on, at most `size` of them; empty when unreadable.
    QByteArray read(qint64 offset, qint64 size) const;
    // True when the file's last byte is not a line feed (an empty file ends no line).
    bool endsInsideLine() const;
    // Writes bytes at end(), then syncs the file and its folder. On false
    // (failure()) a write that went only part of the way is cut back.
    bool append(const QByteArray &bytes, qint64 &offset);
    const Failure &failure() const { return m_failure; }
    // The last open() failed because another program holds the file.
    bool inUse() const { return m_inUse; }

private:
    static QString systemWords(int systemError);
    bool report(const QString &path, int systemError, const QString &cause = {});
    bool reportFailure(FailureKind kind, const QString &path, const QString &words);
    qint64 readAt(qint64 offset, char *bytes, qint64 size) const; // -1 on failure
    Opened failed(const QString &path, int systemError, const QString &cause = {});
    bool takeLock();
    bool learnIdentity(const QString &realPath);
    bool syncFolder();

    FileCalls &m_calls;
    int m_fd = -1;
    int m_readFd = -1; // m_fd, or a read-only descriptor of the same file
    bool m_ownFd = true;
    bool m_appendMode = true;
    bool m_inUse = false;
    FileIdentity m_identity;
    Failure m_failure;
};

} // namespace vx
