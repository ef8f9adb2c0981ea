#include "download/RecordFile.h"

#include <QCoreApplication>
#include <QDir>

#include <cerrno>
#include <cstring>

namespace vx {

QString RecordFile::systemWords(int systemError) { return QString::fromLocal8Bit(std::strerror(systemError)); }

bool RecordFile::report(const QString &path, int systemError, const QString &cause)
{
    return reportFailure(systemError ? fileFailureKind(systemError) : FailureKind::FileAccess, path,
                         cause.isEmpty() ? systemWords(systemError) : cause);
}

bool RecordFile::reportFailure(FailureKind kind, const QString &path, const QString &words)
{
    m_failure = {kind, QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(path), words)};
    return false;
}

RecordFile::Opened RecordFile::failed(const QString &path, int systemError, const QString &cause)
{
    close();
    report(path, systemError, cause);
    return Opened::Failed;
}

QByteArray RecordFile::read(qint64 offset, qint64 size) const
{
    if (m_readFd < 0 || offset < 0 || size < 0)
        return {};
    QByteArray there(size, '\0');
    qsizetype done = 0;
    while (done < there.size()) {
        const qint64 n = readAt(offset + done, there.data() + done, there.size() - done);
        if (n <= 0)
            break;
        done += n;
    }
    return there.left(done);
}

bool RecordFile::holds(qint64 offset, const QByteArray &bytes) const
{
    return offset >= 0 && read(offset, bytes.size()) == bytes;
}

bool RecordFile::endsInsideLine() const
{
    const qint64 length = size();
    // A file that cannot be read gets the line end as well: an empty line
    // at worst, never a record glued onto another.
    return length > 0 && read(length - 1, 1) != "\n";
}

bool RecordFile::append(const QByteArray &bytes, qint64 &offset)
{
    offset = end();
    const QString path = m_identity.path;
    for (qsizetype done = 0; done < bytes.size();) {
        const ssize_t n = m_calls.write(m_fd, bytes.constData() + done, static_cast<size_t>(bytes.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            const int systemError = n < 0 ? errno : EIO;
            // Nothing of a failed block stays (the lock keeps our programs
            // from appending meanwhile).
            if (done > 0 && m_calls.ftruncate(m_fd, offset) != 0)
                return report(path, systemError,
                              QCoreApplication::translate("vx::RecordFile", "%1; the part written could not be removed").arg(systemWords(systemError)));
            return report(path, systemError);
        }
        done += n;
    }
    if (m_calls.fsync(m_fd) != 0 && errno != EINVAL)
        return report(path, errno);
    return syncFolder();
}

} // namespace vx
