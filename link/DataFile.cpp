#include "DataFile.h"

#include "Record.h"

#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace vx {

bool DataFile::fail(const QString &cause, int systemError)
{
    m_errno = systemError;
    m_error = QStringLiteral("%1: %2").arg(m_file.fileName(), cause);
    return false;
}

bool DataFile::openAppend(const QString &path)
{
    close();
    m_file.setFileName(path);
    // A device or a pipe has no end to append at; it is simply written to.
    const QFileInfo info(path);
    const QIODevice::OpenMode mode = info.exists() && !info.isFile()
        ? QIODevice::WriteOnly | QIODevice::Unbuffered
        : QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered;
    errno = 0;
    if (!m_file.open(mode)) {
        const int systemError = errno;
        return fail(m_file.errorString(), systemError);
    }
    return true;
}

bool DataFile::writeLine(const QString &record)
{
    const QByteArray line = dataFileLine(record);
    errno = 0;
    if (m_file.write(line) != line.size()) {
        const int systemError = errno;
        return fail(m_file.errorString(), systemError);
    }
    return true;
}

bool DataFile::sync()
{
    errno = 0;
    if (!m_file.flush()) {
        const int systemError = errno;
        return fail(m_file.errorString(), systemError);
    }
    if (::fsync(m_file.handle()) != 0 && errno != EINVAL && errno != EROFS) {
        const int systemError = errno;
        return fail(QString::fromLocal8Bit(std::strerror(systemError)), systemError);
    }
    return true;
}

void DataFile::close()
{
    if (m_file.isOpen())
        m_file.close();
}

} // namespace vx
