#include "OnceFile.h"

#include "Record.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace vx::ctl {

int FileCalls::open(const char *path, int flags, mode_t mode) { return ::open(path, flags, mode); }
ssize_t FileCalls::write(int fd, const void *bytes, size_t size) { return ::write(fd, bytes, size); }
int FileCalls::fsync(int fd) { return ::fsync(fd); }
int FileCalls::rename(const char *from, const char *to) { return ::rename(from, to); }
int FileCalls::unlink(const char *path) { return ::unlink(path); }

FileCalls &systemFileCalls()
{
    static FileCalls calls;
    return calls;
}

namespace {

QByteArray encoded(const QString &path) { return QFile::encodeName(path); }

// The end of a file that is no regular file is not ours to cut or extend.
bool isRegular(int fd)
{
    struct stat st {};
    return ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
}

qint64 sizeOf(int fd)
{
    struct stat st {};
    return ::fstat(fd, &st) == 0 ? static_cast<qint64>(st.st_size) : -1;
}

} // namespace

bool OnceFile::fail(const QString &path, int systemError, const QString &cause)
{
    m_failure = {systemError ? vx::fileFailureKind(systemError) : vx::FailureKind::FileAccess,
                 QStringLiteral("%1: %2").arg(
                     path, cause.isEmpty() ? QString::fromLocal8Bit(std::strerror(systemError)) : cause)};
    return false;
}

bool OnceFile::writeAll(int fd, const QByteArray &bytes, const QString &path)
{
    for (qsizetype done = 0; done < bytes.size();) {
        const ssize_t n = m_calls.write(fd, bytes.constData() + done, static_cast<size_t>(bytes.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return fail(path, n < 0 ? errno : EIO);
        done += n;
    }
    return true;
}

// A new or removed name in the folder is on the disk too.
bool OnceFile::syncFolder()
{
    const QString folder = QFileInfo(m_path).absolutePath();
    const int fd = ::open(encoded(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return fail(folder, errno);
    const bool ok = m_calls.fsync(fd) == 0;
    const int systemError = errno;
    ::close(fd);
    return ok || fail(folder, systemError);
}

bool OnceFile::remove(const QString &path)
{
    return m_calls.unlink(encoded(path).constData()) == 0 || errno == ENOENT || fail(path, errno);
}

bool OnceFile::open(const QString &path)
{
    close();
    m_path = path;
    m_lines = 0;
    m_repeated = 0;
    m_following = 0;
    m_followingLines = 0;
    m_failure = {};
    m_fileFd = m_calls.open(encoded(path).constData(), O_RDWR | O_APPEND | O_CREAT | O_NOCTTY | O_CLOEXEC, 0666);
    if (m_fileFd < 0)
        return fail(path, errno);
    if (!isRegular(m_fileFd)) {
        close();
        return fail(path, 0, QStringLiteral("not a regular file"));
    }
    if (!recover()) {
        close();
        return false;
    }
    QFile uncleared(unclearedPath());
    m_uncleared.clear();
    if (uncleared.exists()) {
        if (uncleared.open(QIODevice::ReadOnly))
            m_uncleared = uncleared.readAll();
        if (uncleared.error() != QFileDevice::NoError) {
            close();
            return fail(unclearedPath(), 0, uncleared.errorString());
        }
    }
    // A link in place of the side file could make the records land elsewhere.
    m_partFd = m_calls.open(encoded(partPath()).constData(),
                            O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC, 0666);
    if (m_partFd < 0 || !isRegular(m_partFd)) {
        const int systemError = m_partFd < 0 ? errno : 0;
        close();
        return fail(partPath(), systemError, systemError ? QString() : QStringLiteral("not a regular file"));
    }
    return true;
}

bool OnceFile::recover()
{
    QFile journal(journalPath());
    if (!journal.exists())
        return true;
    if (!journal.open(QIODevice::ReadOnly))
        return fail(journalPath(), 0, journal.errorString());
    static const QRegularExpression shape(QStringLiteral("^(\\d{1,18}) ([01]) (\\d{1,18})\\n$"));
    const QRegularExpressionMatch m = shape.match(QString::fromLatin1(journal.read(64)));
    if (!m.hasMatch())
        return fail(journalPath(), 0,
                    QStringLiteral("not a journal of this program; %1 and its .part file are left as they are")
                        .arg(m_path));
    return finishAppend(m.captured(1).toLongLong(), m.captured(2) == u"1", m.captured(3).toLongLong());
}

bool OnceFile::finishAppend(qint64 length, bool lineEndFirst, qint64 skip)
{
    QByteArray block = lineEndFirst ? QByteArray("\r\n") : QByteArray();
    // FILE.part is FILE.uncleared once the block is whole in FILE.
    const bool renamed = !QFileInfo::exists(partPath());
    QFile part(renamed ? unclearedPath() : partPath());
    if (!part.open(QIODevice::ReadOnly) || !part.seek(skip))
        return fail(part.fileName(), 0, part.errorString());
    block += part.readAll();
    if (part.error() != QFileDevice::NoError)
        return fail(part.fileName(), 0, part.errorString());
    // What the interrupted append left must be a beginning of the block.
    const qint64 size = sizeOf(m_fileFd);
    const qint64 there = size - length;
    QByteArray written(there > 0 && there <= block.size() ? there : 0, '\0');
    if (there < 0 || there > block.size()
        || ::pread(m_fileFd, written.data(), static_cast<size_t>(written.size()), length) != there
        || !block.startsWith(written))
        return fail(journalPath(), 0,
                    QStringLiteral("%1 does not continue as this journal notes; %1, %2 and the journal are left "
                                   "as they are")
                        .arg(m_path, partPath()));
    if (!writeAll(m_fileFd, block.mid(there), m_path))
        return false;
    if (m_calls.fsync(m_fileFd) != 0)
        return fail(m_path, errno);
    if (!renamed && m_calls.rename(encoded(partPath()).constData(), encoded(unclearedPath()).constData()) != 0)
        return fail(unclearedPath(), errno);
    return syncFolder() && remove(journalPath()) && syncFolder();
}

bool OnceFile::settle()
{
    return remove(unclearedPath()) && syncFolder();
}

bool OnceFile::writeLine(const QString &record)
{
    if (m_partFd < 0)
        return fail(partPath(), EBADF);
    const QByteArray line = vx::dataFileLine(record);
    if (!writeAll(m_partFd, line, partPath()))
        return false;
    ++m_lines;
    if (m_following >= 0 && m_following < m_uncleared.size()) {
        const bool follows = m_uncleared.mid(m_following, line.size()) == line;
        m_following = follows ? m_following + line.size() : -1;
        m_followingLines += follows ? 1 : 0;
    }
    return true;
}

bool OnceFile::syncPart()
{
    if (m_partFd < 0)
        return fail(partPath(), EBADF);
    return m_calls.fsync(m_partFd) == 0 || fail(partPath(), errno);
}

bool OnceFile::commit()
{
    if (!syncPart())
        return false;
    ::close(std::exchange(m_partFd, -1));
    if (m_lines == 0)
        return remove(partPath());
    // The terminal still holds the lines of the last download: they are in FILE.
    const qint64 skip = m_following > 0 && m_following == m_uncleared.size() ? m_following : 0;
    m_repeated = skip > 0 ? m_followingLines : 0;
    // A record never glues onto a partial last line; a file that cannot be
    // read gets the line end as well (an empty line at worst).
    const qint64 length = sizeOf(m_fileFd);
    char last = 0;
    const bool lineEndFirst = m_repeated < m_lines && length != 0
        && (::pread(m_fileFd, &last, 1, length - 1) != 1 || last != '\n');
    const QString journal = journalPath();
    const QString fresh = journal + QStringLiteral(".new");
    const int fd = m_calls.open(encoded(fresh).constData(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd < 0)
        return fail(fresh, errno);
    const QByteArray note = QByteArray::number(length) + (lineEndFirst ? " 1 " : " 0 ") + QByteArray::number(skip) + '\n';
    const bool written = writeAll(fd, note, fresh)
        && (m_calls.fsync(fd) == 0 || fail(fresh, errno));
    ::close(fd);
    if (!written)
        return false;
    if (m_calls.rename(encoded(fresh).constData(), encoded(journal).constData()) != 0)
        return fail(journal, errno);
    return syncFolder() && finishAppend(length, lineEndFirst, skip);
}

void OnceFile::close()
{
    for (int *fd : {&m_fileFd, &m_partFd})
        if (*fd >= 0)
            ::close(std::exchange(*fd, -1));
}

} // namespace vx::ctl
