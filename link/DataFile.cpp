#include "DataFile.h"

#include "Record.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vx {

bool DataFile::fail(int systemError, const QString &cause)
{
    m_failure = {fileFailureKind(systemError),
                 QStringLiteral("%1: %2").arg(
                     m_path, cause.isEmpty() ? QString::fromLocal8Bit(std::strerror(systemError)) : cause)};
    return false;
}

namespace {

// True when the regular file `file` (opened for writing under `name`) ends
// with a line feed. Read through a second descriptor, checked to be the same
// file; false when it cannot be read.
bool endsWithLineEnd(const QByteArray &name, const struct stat &file)
{
    const int fd = ::open(name.constData(), O_RDONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat st {};
    char last = 0;
    const bool ok = ::fstat(fd, &st) == 0 && st.st_dev == file.st_dev && st.st_ino == file.st_ino
        && st.st_size > 0 && ::pread(fd, &last, 1, st.st_size - 1) == 1 && last == '\n';
    ::close(fd);
    return ok;
}

} // namespace

bool DataFile::openAppend(const QString &path)
{
    close();
    m_path = path;
    m_failure = {};
    const QByteArray name = QFile::encodeName(path);
    // Non-blocking, so that a FIFO without a reader fails at once (ENXIO)
    // instead of waiting for one.
    const int fd = ::open(name.constData(), O_WRONLY | O_APPEND | O_CREAT | O_NOCTTY | O_NONBLOCK | O_CLOEXEC, 0666);
    if (fd < 0) {
        const int systemError = errno;
        struct stat st {};
        if (systemError == ENXIO && ::stat(name.constData(), &st) == 0 && S_ISFIFO(st.st_mode))
            return fail(systemError, QStringLiteral("no program reads from this pipe"));
        return fail(systemError);
    }
    struct stat st {};
    // Writes block as usual once the file is open.
    if (::fstat(fd, &st) != 0 || ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK) != 0) {
        const int systemError = errno;
        ::close(fd);
        return fail(systemError);
    }
    m_fd = fd;
    m_regular = S_ISREG(st.st_mode);
    // A file that cannot be read gets the line end as well: an empty line at
    // worst, never a record glued onto another.
    m_lineEndFirst = m_regular && st.st_size > 0 && !endsWithLineEnd(name, st);
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
                return fail(systemError, QStringLiteral("%1; the part of the line written could not be removed")
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
    if (m_regular && ::fsync(m_fd) != 0) {
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
