#include "DataFile.h"

#include "AppErrors.h"

#include <QDir>
#include <cerrno>
#include <cstring>

#ifdef Q_OS_WIN
#include <io.h>
#else
#include <unistd.h>
#endif

namespace vx {

AppError fileError(int errnoValue, const QString &doing, const QString &fileName)
{
    int number = kErrFileAccess;
    switch (errnoValue) {
    case ENOSPC:
#ifdef EDQUOT
    case EDQUOT:
#endif
        number = kErrDiskFull;
        break;
    case ENOENT:
    case ENOTDIR:
        number = kErrPathNotFound;
        break;
    case EACCES:
    case EPERM:
        number = kErrPermissionDenied;
        break;
    case EIO:
        number = kErrDeviceIo;
        break;
    default:
        break;
    }
    const QString why = errnoValue ? QString::fromLocal8Bit(std::strerror(errnoValue)) : QStringLiteral("unknown error");
    return {number, QStringLiteral("Cannot %1 %2: %3").arg(doing, QDir::toNativeSeparators(fileName), why)};
}

DataFile::DataFile(const QString &fileName) : m_file(fileName)
{
    errno = 0;
    if (!m_file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered))
        throw fileError(errno, QStringLiteral("open"), fileName);
}

DataFile::~DataFile() { m_file.close(); }

void DataFile::writeLine(const QString &text)
{
    const QByteArray bytes = text.toLatin1() + QByteArrayLiteral("\r\n");
    errno = 0;
    if (m_file.write(bytes) != bytes.size())
        throw fileError(errno, QStringLiteral("write to"), m_file.fileName());
}

void DataFile::sync()
{
    errno = 0;
    if (!m_file.flush())
        throw fileError(errno, QStringLiteral("write to"), m_file.fileName());
#ifdef Q_OS_WIN
    const int rc = ::_commit(m_file.handle());
#else
    const int rc = ::fsync(m_file.handle());
#endif
    if (rc != 0)
        throw fileError(errno, QStringLiteral("save"), m_file.fileName());
}

void DataFile::close() { m_file.close(); }

} // namespace vx
