#include "terminal/WinErrors.h"

#include <QCoreApplication>

#include <windows.h>

namespace vx {

QString windowsErrorText(unsigned long code)
{
    wchar_t *text = nullptr;
    const DWORD n = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM
                                       | FORMAT_MESSAGE_IGNORE_INSERTS,
                                   nullptr, code, 0, reinterpret_cast<wchar_t *>(&text), 0, nullptr);
    QString words = n ? QString::fromWCharArray(text, int(n)).trimmed() : QString();
    LocalFree(text);
    if (words.endsWith(QLatin1Char('.')))
        words.chop(1);
    return words.isEmpty() ? QCoreApplication::translate("vx::WinErrors", "system error %1").arg(code) : words;
}

FailureKind windowsFileFailureKind(unsigned long code)
{
    switch (code) {
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
        return FailureKind::DiskFull;
    case ERROR_ACCESS_DENIED:
    case ERROR_WRITE_PROTECT:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
        return FailureKind::FileDenied;
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
        return FailureKind::PathNotFound;
    case ERROR_CRC:
    case ERROR_READ_FAULT:
    case ERROR_WRITE_FAULT:
    case ERROR_GEN_FAILURE:
        return FailureKind::FileIo;
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY:
        return FailureKind::OutOfMemory;
    default:
        return FailureKind::FileAccess;
    }
}

} // namespace vx
