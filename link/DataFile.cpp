#include "DataFile.h"

#include "Record.h"

#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace vx {

bool DataFile::fail(const QString &cause)
{
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
    if (!m_file.open(mode))
        return fail(m_file.errorString());
    return true;
}

bool DataFile::writeLine(const QString &record)
{
    const QByteArray line = dataFileLine(record);
    if (m_file.write(line) != line.size())
        return fail(m_file.errorString());
    return true;
}

bool DataFile::sync()
{
    if (!m_file.flush())
        return fail(m_file.errorString());
    if (::fsync(m_file.handle()) != 0 && errno != EINVAL && errno != EROFS)
        return fail(QString::fromLocal8Bit(std::strerror(errno)));
    return true;
}

void DataFile::close()
{
    if (m_file.isOpen())
        m_file.close();
}

} // namespace vx
