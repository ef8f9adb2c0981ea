#include "terminal/DataFile.h"

#include "terminal/Record.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#ifdef _WIN32
#include <io.h>
#endif

namespace vx {

namespace {

#ifdef _WIN32
// Windows: files by their UTF-16 names, in binary mode; no pipes by name,
// no controlling terminals, nothing that would block an open.
constexpr int kNoWaitFlags = O_BINARY | O_NOINHERIT;
int openFile(const QString &path, int flags) { return ::_wopen(path.toStdWString().c_str(), flags, 0666); }
bool readByteAt(int fd, char &byte, qint64 at) { return ::_lseeki64(fd, at, SEEK_SET) == at && ::_read(fd, &byte, 1) == 1; }
int syncFile(int fd) { return ::_commit(fd); }
bool setBlocking(int) { return true; }
bool sameFile(const struct stat &, const struct stat &) { return true; } // no inode numbers in a stat
#else
constexpr int kNoWaitFlags = O_NOCTTY | O_NONBLOCK | O_CLOEXEC;
int openFile(const QString &path, int flags) { return ::open(QFile::encodeName(path).constData(), flags, 0666); }
bool readByteAt(int fd, char &byte, qint64 at) { return ::pread(fd, &byte, 1, at) == 1; }
int syncFile(int fd) { return ::fsync(fd); }
bool setBlocking(int fd) { return ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK) == 0; }
bool sameFile(const struct stat &a, const struct stat &b) { return a.st_dev == b.st_dev && a.st_ino == b.st_ino; }
#endif

} // namespace

bool DataFile::fail(int systemError, const QString &cause)
{
    m_failure = {fileFailureKind(systemError),
                 QStringLiteral("%1: %2").arg(
                     QDir::toNativeSeparators(m_path), cause.isEmpty() ? QString::fromLocal8Bit(std::strerror(systemError)) : cause)};
    return false;
}

namespace {

// True when the regular file `file` (opened for writing under `name`) ends
// with a line feed. Read through a second descriptor, checked to be the same
// file; false when it cannot be read.
bool endsWithLineEnd(const QString &name, const struct stat &file)
{
    const int fd = openFile(name, O_RDONLY | kNoWaitFlags);
    if (fd < 0)
        return false;
    struct stat st {};
    char last = 0;
    const bool ok = ::fstat(fd, &st) == 0 && sameFile(st, file) && st.st_size > 0
        && readByteAt(fd, last, st.st_size - 1) && last == '\n';
    ::close(fd);
    return ok;
}

} // namespace

bool DataFile::openAppend(const QString &path)
{
    close();
    m_path = path;
    m_failure = {};
    // Non-blocking, so that a FIFO without a reader fails at once (ENXIO)
    // instead of waiting for one.
    const int fd = openFile(path, O_WRONLY | O_APPEND | O_CREAT | kNoWaitFlags);
    if (fd < 0) {
        const int systemError = errno;
        struct stat st {};
        if (systemError == ENXIO && ::stat(QFile::encodeName(path).constData(), &st) == 0 && S_ISFIFO(st.st_mode))
            return fail(systemError, QCoreApplication::translate("vx::DataFile", "no program reads from this pipe"));
        return fail(systemError);
    }
    struct stat st {};
    // Writes block as usual once the file is open.
    if (::fstat(fd, &st) != 0 || !setBlocking(fd)) {
        const int systemError = errno;
        ::close(fd);
        return fail(systemError);
    }
    m_fd = fd;
    m_regular = S_ISREG(st.st_mode);
    // A file that cannot be read gets the line end as well: an empty line at
    // worst, never a record glued onto another.
    m_lineEndFirst = m_regular && st.st_size > 0 && !endsWithLineEnd(path, st);
    return true;
}

bool DataFile::writeLine(const QString &record)
{
    if (m_fd < 0)
        return fail(EBADF);
    QByteArray line = dataFileLine(record);
    if (m_lineEndFirst)
        line.prepend("\r\n", 2);
    struct stat st {};
    const off_t before = m_regular && ::fstat(m_fd, &st) == 0 ? st.st_size : -1;
    for (qsizetype done = 0; done < line.size();) {
        const ssize_t n = ::write(m_fd, line.constData() + done, static_cast<size_t>(line.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            const int systemError = n < 0 ? errno : EIO;
            // Nothing of a failed line stays.
            if (before >= 0 && done > 0 && ::ftruncate(m_fd, before) != 0)
                return fail(systemError, QCoreApplication::translate("vx::DataFile", "%1; the part of the line written could not be removed")
                                             .arg(QString::fromLocal8Bit(std::strerror(systemError))));
            return fail(systemError);
        }
        done += n;
    }
    m_lineEndFirst = false;
    return true;
}

bool DataFile::sync()
{
    if (m_fd < 0)
        return fail(EBADF);
    if (m_regular && syncFile(m_fd) != 0) {
        const int systemError = errno;
        if (systemError != EINVAL && systemError != EROFS)
            return fail(systemError);
    }
    return true;
}

void DataFile::close()
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
    m_regular = false;
}

} // namespace vx
