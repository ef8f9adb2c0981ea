// RecordFile on Windows. The file is opened without write sharing, which is
// Windows' own lock: no other program can open it for writing while a
// download holds it, and ours cannot open it while another program writes.
// A link (a reparse point) is never followed: creating one takes rights that
// a planted one would not be checked against here.
#include "download/RecordFile.h"

#include "portnames/LockHolders.h"
#include "terminal/WinErrors.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <windows.h>
#include <fcntl.h>
#include <io.h>

namespace vx {

namespace {

HANDLE osHandle(int fd) { return reinterpret_cast<HANDLE>(_get_osfhandle(fd)); }

// A descriptor of the C library for a Win32 handle, in binary mode: the
// records' CR LF must not grow another CR on the way.
int descriptorOf(HANDLE handle, int flags)
{
    const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(handle), flags);
    if (fd >= 0)
        _setmode(fd, _O_BINARY);
    return fd;
}

// The name Windows knows an open file by, without the \\?\ prefix.
QString finalPath(HANDLE file)
{
    wchar_t path[32768];
    const DWORD n = GetFinalPathNameByHandleW(file, path, 32767, FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    if (n == 0 || n >= 32767)
        return {};
    QString name = QString::fromWCharArray(path, int(n));
    if (name.startsWith(QLatin1String("\\\\?\\UNC\\")))
        name = QStringLiteral("\\\\") + name.mid(8);
    else if (name.startsWith(QLatin1String("\\\\?\\")))
        name = name.mid(4);
    return QDir::fromNativeSeparators(name);
}

} // namespace

bool RecordFile::learnIdentity(const QString &realPath)
{
    BY_HANDLE_FILE_INFORMATION info{};
    if (!GetFileInformationByHandle(osHandle(m_fd), &info)) {
        const DWORD error = GetLastError();
        reportFailure(windowsFileFailureKind(error), realPath, windowsErrorText(error));
        close();
        return false;
    }
    FILE_ATTRIBUTE_TAG_INFO tag{};
    const bool link = (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)
        && GetFileInformationByHandleEx(osHandle(m_fd), FileAttributeTagInfo, &tag, sizeof tag)
        && IsReparseTagNameSurrogate(tag.ReparseTag);
    if ((info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || link)
        return failed(realPath, 0, link ? QCoreApplication::translate("vx::RecordFile", "a link appeared in its place") : QCoreApplication::translate("vx::RecordFile", "not a regular file")),
               false;
    m_identity = {QFileInfo(realPath).absoluteFilePath(), static_cast<qint64>(info.dwVolumeSerialNumber),
                  static_cast<qint64>((quint64(info.nFileIndexHigh) << 32) | info.nFileIndexLow)};
    return true;
}

namespace {

enum class PathKind { Plain, Link, Device };

// What a path names before anything is opened: a device (COM1, NUL,
// \\.\pipe\x; opening one could raise a port's lines or take a pipe's
// listener), a link (a reparse point that stands for another name:
// symbolic links, junctions), or a plain path. Other reparse points
// (cloud placeholders, deduplicated or compressed files) are files.
PathKind pathKind(const QString &path)
{
    const std::wstring name = QDir::toNativeSeparators(path).toStdWString();
    wchar_t full[32768];
    const DWORD n = GetFullPathNameW(name.c_str(), 32768, full, nullptr);
    if (n > 0 && n < 32768 && QString::fromWCharArray(full, int(n)).startsWith(QLatin1String("\\\\.\\")))
        return PathKind::Device;
    WIN32_FIND_DATAW found{};
    HANDLE search = FindFirstFileW(name.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return PathKind::Plain;
    FindClose(search);
    return (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) && IsReparseTagNameSurrogate(found.dwReserved0)
        ? PathKind::Link
        : PathKind::Plain;
}

// Opens path, without following a link that appears at its end meanwhile
// (a file that is another kind of reparse point is opened as a file).
HANDLE openRegular(const QString &path, DWORD access, DWORD sharing, DWORD disposition, DWORD &error)
{
    const std::wstring name = QDir::toNativeSeparators(path).toStdWString();
    const DWORD attributes = GetFileAttributesW(name.c_str());
    const bool reparse = attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
    HANDLE file = CreateFileW(name.c_str(), access, sharing, nullptr, disposition,
                              FILE_ATTRIBUTE_NORMAL | (reparse ? 0 : FILE_FLAG_OPEN_REPARSE_POINT), nullptr);
    error = file == INVALID_HANDLE_VALUE ? GetLastError() : 0;
    return file;
}

} // namespace

RecordFile::Opened RecordFile::open(const QString &path, bool create)
{
    close();
    m_failure = {};
    m_inUse = false;
    switch (pathKind(path)) {
    case PathKind::Device:
        return Opened::NotRegular;
    case PathKind::Link:
        return failed(path, 0, QCoreApplication::translate("vx::RecordFile", "a link; not followed"));
    case PathKind::Plain:
        break;
    }
    DWORD error = 0;
    HANDLE file = openRegular(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, create ? OPEN_ALWAYS : OPEN_EXISTING,
                              error);
    if (file == INVALID_HANDLE_VALUE) {
        m_inUse = error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION;
        if (m_inUse) {
            const QString holder = fileHolder(path);
            return failed(path, 0,
                          QCoreApplication::translate("vx::RecordFile", "in use by another program%1; try again when it has finished")
                              .arg(holder.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(holder)));
        }
        reportFailure(windowsFileFailureKind(error), path, windowsErrorText(error));
        return Opened::Failed;
    }
    if (GetFileType(file) != FILE_TYPE_DISK) {
        CloseHandle(file);
        return Opened::NotRegular;
    }
    m_fd = descriptorOf(file, _O_APPEND);
    if (m_fd < 0) {
        CloseHandle(file);
        return failed(path, errno);
    }
    m_ownFd = true;
    m_appendMode = true;
    m_readFd = m_fd;
    const QString real = finalPath(file);
    return learnIdentity(real.isEmpty() ? path : real) ? Opened::Regular : Opened::Failed;
}

RecordFile::Opened RecordFile::adopt(int fd)
{
    close();
    m_failure = {};
    HANDLE out = osHandle(fd);
    if (out == INVALID_HANDLE_VALUE || GetFileType(out) != FILE_TYPE_DISK)
        return Opened::NotRegular;
    const QString real = finalPath(out);
    _setmode(fd, _O_BINARY); // records are bytes, CR LF included
    m_fd = fd;
    m_ownFd = false;
    // Whether the descriptor appends or not (Windows does not tell), the
    // records go at the file's end, found again before every append (end()):
    // never over what the file holds, whoever else wrote to it meanwhile.
    m_appendMode = true;
    if (real.isEmpty())
        return failed(QCoreApplication::translate("vx::RecordFile", "standard output"), 0, QCoreApplication::translate("vx::RecordFile", "a file without a name in any folder"));
    if (!learnIdentity(real) || !takeLock())
        return Opened::Failed;
    // Reads go through a handle of their own: standard output is usually
    // open for writing only.
    DWORD error = 0;
    HANDLE reader = openRegular(real, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING, error);
    if (reader == INVALID_HANDLE_VALUE)
        return reportFailure(windowsFileFailureKind(error), real, windowsErrorText(error)), close(), Opened::Failed;
    BY_HANDLE_FILE_INFORMATION theirs{};
    if (!GetFileInformationByHandle(reader, &theirs) || qint64(theirs.dwVolumeSerialNumber) != m_identity.device
        || qint64((quint64(theirs.nFileIndexHigh) << 32) | theirs.nFileIndexLow) != m_identity.inode) {
        CloseHandle(reader);
        return failed(real, 0, QCoreApplication::translate("vx::RecordFile", "changed while opened"));
    }
    m_readFd = descriptorOf(reader, _O_RDONLY);
    if (m_readFd < 0) {
        CloseHandle(reader);
        return failed(real, errno);
    }
    return Opened::Regular;
}

bool RecordFile::openToRead(const QString &path)
{
    close();
    m_failure = {};
    DWORD error = 0;
    HANDLE file = openRegular(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING, error);
    if (file == INVALID_HANDLE_VALUE)
        return reportFailure(windowsFileFailureKind(error), path, windowsErrorText(error));
    m_fd = descriptorOf(file, _O_RDONLY);
    if (m_fd < 0) {
        CloseHandle(file);
        return failed(path, errno), false;
    }
    m_ownFd = true;
    m_readFd = m_fd;
    const QString real = finalPath(file);
    return learnIdentity(real.isEmpty() ? path : real);
}

namespace {
// Two programs that both write to the same file through a shared handle
// (">> FILE" twice) lock this byte, far beyond any data file's end.
constexpr DWORD kLockOffsetHigh = 0x7fffffff;
} // namespace

bool RecordFile::takeLock()
{
    OVERLAPPED at{};
    at.OffsetHigh = kLockOffsetHigh;
    if (LockFileEx(osHandle(m_fd), LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &at))
        return true;
    const DWORD error = GetLastError();
    m_inUse = error == ERROR_LOCK_VIOLATION || error == ERROR_IO_PENDING;
    if (m_inUse)
        failed(m_identity.path, 0, QCoreApplication::translate("vx::RecordFile", "in use by another program; try again when it has finished"));
    else
        reportFailure(windowsFileFailureKind(error), m_identity.path, windowsErrorText(error)), close();
    return false;
}

void RecordFile::close()
{
    if (m_readFd >= 0 && m_readFd != m_fd)
        _close(m_readFd);
    if (m_fd >= 0 && m_ownFd) {
        _close(m_fd); // the sharing lock goes with it
    } else if (m_fd >= 0) {
        OVERLAPPED at{};
        at.OffsetHigh = kLockOffsetHigh;
        UnlockFileEx(osHandle(m_fd), 0, 1, 0, &at);
    }
    m_fd = m_readFd = -1;
}

qint64 RecordFile::size() const
{
    LARGE_INTEGER length{};
    return m_fd >= 0 && GetFileSizeEx(osHandle(m_fd), &length) ? qint64(length.QuadPart) : -1;
}

qint64 RecordFile::end() const
{
    // A descriptor of our own appends by itself; an adopted one is moved to
    // the end, where its next write lands.
    return m_ownFd ? size() : qint64(_lseeki64(m_fd, 0, SEEK_END));
}

qint64 RecordFile::readAt(qint64 offset, char *bytes, qint64 size) const
{
    OVERLAPPED at{};
    at.Offset = DWORD(quint64(offset) & 0xffffffffu);
    at.OffsetHigh = DWORD(quint64(offset) >> 32);
    DWORD got = 0;
    if (!ReadFile(osHandle(m_readFd), bytes, DWORD(std::min<qint64>(size, 1 << 30)), &got, &at))
        return GetLastError() == ERROR_HANDLE_EOF ? 0 : -1;
    return got;
}

// The folder's entry for a new file is flushed as the file is: a folder
// opened for writing can be (NTFS); where the system refuses, its own
// journal of names is all there is.
bool RecordFile::syncFolder()
{
    const QString folder = QFileInfo(m_identity.path).path();
    HANDLE handle = CreateFileW(QDir::toNativeSeparators(folder).toStdWString().c_str(), GENERIC_READ | GENERIC_WRITE,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return true;
    const int fd = descriptorOf(handle, _O_RDONLY);
    if (fd < 0) {
        CloseHandle(handle);
        return true;
    }
    m_calls.fsync(fd);
    _close(fd);
    return true;
}

} // namespace vx
