#include "download/RecordFile.h"

#include "portnames/LockHolders.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vx {

namespace {

QString errorWords(int systemError) { return QString::fromLocal8Bit(std::strerror(systemError)); }

// The user's own links and the system's are followed; a link of another
// user's, in a shared folder say, could point the records at a file the
// user did not choose. Returns the path to open (no link at its end) or an
// empty string with the reason.
QString followOwnLinks(const QString &path, QString &why)
{
    QByteArray name = QFile::encodeName(path);
    for (int hops = 0; hops < 8; ++hops) {
        struct stat st {};
        if (::lstat(name.constData(), &st) != 0 || !S_ISLNK(st.st_mode))
            return QFile::decodeName(name);
        if (st.st_uid != ::geteuid() && st.st_uid != 0) {
            why = QCoreApplication::translate("vx::RecordFile", "a link of another user's; not followed");
            return {};
        }
        char target[PATH_MAX];
        const ssize_t n = ::readlink(name.constData(), target, sizeof target - 1);
        if (n < 0) {
            why = errorWords(errno);
            return {};
        }
        const QByteArray to(target, n);
        name = to.startsWith('/') ? to : QFile::encodeName(QFileInfo(QFile::decodeName(name)).path()) + '/' + to;
    }
    why = errorWords(ELOOP);
    return {};
}

// The kernel's protected_regular, whether or not the system turns it on: in
// a sticky folder that others may write in (/tmp, a shared drop folder), an
// existing file of another user's (not the folder's owner) is not written
// to: that user could read the records, or empty the file once the
// terminal has forgotten them.
bool othersFileInSharedFolder(const QString &realPath, const struct stat &file)
{
    struct stat folder {};
    const QByteArray dir = QFile::encodeName(QFileInfo(realPath).absolutePath());
    return ::stat(dir.constData(), &folder) == 0 && (folder.st_mode & S_ISVTX) && (folder.st_mode & (S_IWOTH | S_IWGRP))
        && file.st_uid != ::geteuid() && file.st_uid != folder.st_uid;
}

} // namespace

bool RecordFile::learnIdentity(const QString &realPath)
{
    struct stat st {};
    if (::fstat(m_fd, &st) != 0)
        return failed(realPath, errno), false;
    if (!S_ISREG(st.st_mode))
        return failed(realPath, 0, QCoreApplication::translate("vx::RecordFile", "not a regular file")), false;
    m_identity = {QFileInfo(realPath).absoluteFilePath(), static_cast<qint64>(st.st_dev), static_cast<qint64>(st.st_ino)};
    return true;
}

RecordFile::Opened RecordFile::open(const QString &path, bool create)
{
    close();
    m_failure = {};
    m_inUse = false;
    QString why;
    const QString real = followOwnLinks(path, why);
    if (real.isEmpty())
        return failed(path, 0, why);
    const QByteArray name = QFile::encodeName(real);
    struct stat st {};
    if (::stat(name.constData(), &st) == 0 && !S_ISREG(st.st_mode))
        return Opened::NotRegular;
    // No link at the end, and a pipe that takes the place of the file in
    // the meantime neither blocks nor passes (fstat below).
    m_fd = ::open(name.constData(), O_RDWR | O_APPEND | O_NOFOLLOW | O_NOCTTY | O_NONBLOCK | O_CLOEXEC | (create ? O_CREAT : 0),
                  0666);
    if (m_fd < 0) {
        const int systemError = errno;
        return systemError == ELOOP ? failed(path, 0, QCoreApplication::translate("vx::RecordFile", "a link appeared in its place"))
                                    : failed(path, systemError);
    }
    m_ownFd = true;
    m_appendMode = true;
    m_readFd = m_fd;
    if (!learnIdentity(real))
        return Opened::Failed;
    if (::fstat(m_fd, &st) == 0 && othersFileInSharedFolder(real, st))
        return failed(path, 0, QCoreApplication::translate("vx::RecordFile", "another user's file in a folder that others may write in; not written to"));
    if (!takeLock())
        return Opened::Failed;
    return Opened::Regular;
}

RecordFile::Opened RecordFile::adopt(int fd)
{
    close();
    m_failure = {};
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode))
        return Opened::NotRegular;
    // The name the system knows the file by; a file without one (deleted)
    // cannot be found again by a later run.
    char target[PATH_MAX];
    const QByteArray link = "/proc/self/fd/" + QByteArray::number(fd);
    const ssize_t n = ::readlink(link.constData(), target, sizeof target - 1);
    const QString real = n > 0 ? QFile::decodeName(QByteArray(target, n)) : QString();
    m_fd = fd;
    m_ownFd = false;
    m_appendMode = (::fcntl(fd, F_GETFL) & O_APPEND) != 0;
    if (real.isEmpty() || !real.startsWith(QLatin1Char('/')) || real.endsWith(QLatin1String(" (deleted)")))
        return failed(QCoreApplication::translate("vx::RecordFile", "standard output"), 0, QCoreApplication::translate("vx::RecordFile", "a file without a name in any folder"));
    if (!learnIdentity(real) || !takeLock())
        return Opened::Failed;
    // Reads go through a descriptor of their own: standard output is
    // usually open for writing only.
    m_readFd = ::open(QFile::encodeName(real).constData(), O_RDONLY | O_NOFOLLOW | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    struct stat mine {}, theirs {};
    if (m_readFd < 0 || ::fstat(m_readFd, &theirs) != 0 || ::fstat(m_fd, &mine) != 0 || mine.st_dev != theirs.st_dev
        || mine.st_ino != theirs.st_ino)
        return failed(real, m_readFd < 0 ? errno : 0, m_readFd < 0 ? QString() : QCoreApplication::translate("vx::RecordFile", "changed while opened"));
    return Opened::Regular;
}

bool RecordFile::openToRead(const QString &path)
{
    close();
    m_failure = {};
    QString why;
    const QString real = followOwnLinks(path, why);
    if (real.isEmpty())
        return failed(path, 0, why), false;
    m_fd = ::open(QFile::encodeName(real).constData(), O_RDONLY | O_NOFOLLOW | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (m_fd < 0)
        return failed(path, errno), false;
    m_ownFd = true;
    m_readFd = m_fd;
    return learnIdentity(real);
}

bool RecordFile::takeLock()
{
    if (::flock(m_fd, LOCK_EX | LOCK_NB) == 0)
        return true;
    const int systemError = errno;
    const QString holder = flockHolder(m_fd);
    m_inUse = systemError == EWOULDBLOCK;
    if (m_inUse)
        failed(m_identity.path, 0,
               QCoreApplication::translate("vx::RecordFile", "in use by another program%1; try again when it has finished")
                   .arg(holder.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(holder)));
    else
        failed(m_identity.path, systemError);
    return false;
}

void RecordFile::close()
{
    if (m_readFd >= 0 && m_readFd != m_fd)
        ::close(m_readFd);
    if (m_fd >= 0 && m_ownFd)
        ::close(m_fd); // the lock goes with it
    else if (m_fd >= 0)
        ::flock(m_fd, LOCK_UN);
    m_fd = m_readFd = -1;
}

qint64 RecordFile::size() const
{
    struct stat st {};
    return m_fd >= 0 && ::fstat(m_fd, &st) == 0 ? static_cast<qint64>(st.st_size) : -1;
}

qint64 RecordFile::end() const
{
    return m_appendMode ? size() : static_cast<qint64>(::lseek(m_fd, 0, SEEK_CUR));
}

qint64 RecordFile::readAt(qint64 offset, char *bytes, qint64 size) const
{
    for (;;) {
        const ssize_t n = ::pread(m_readFd, bytes, static_cast<size_t>(size), offset);
        if (n >= 0 || errno != EINTR)
            return n;
    }
}

bool RecordFile::syncFolder()
{
    const QString folder = QFileInfo(m_identity.path).path();
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return report(folder, errno);
    const bool ok = m_calls.fsync(fd) == 0 || errno == EINVAL;
    const int systemError = errno;
    ::close(fd);
    return ok || report(folder, systemError);
}

} // namespace vx
