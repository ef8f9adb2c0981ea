#include "portnames/LockHolders.h"

#include <QDir>
#include <QFileInfo>

#include <windows.h>
#include <restartmanager.h>

namespace vx {

// Windows has no flock(): a data file is held by opening it without write
// sharing (see RecordFile), and who holds it is asked of the Restart
// Manager by its path.
QString fileHolder(const QString &path)
{
    DWORD session = 0;
    WCHAR key[CCH_RM_SESSION_KEY + 1] = {};
    if (RmStartSession(&session, 0, key) != ERROR_SUCCESS)
        return {};
    const std::wstring name = QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath()).toStdWString();
    LPCWSTR names[] = {name.c_str()};
    RM_PROCESS_INFO found[4];
    UINT needed = 0, count = 4;
    DWORD reasons = 0;
    QString holder;
    if (RmRegisterResources(session, 1, names, 0, nullptr, 0, nullptr) == ERROR_SUCCESS
        && RmGetList(session, &needed, &count, found, &reasons) == ERROR_SUCCESS)
        for (UINT i = 0; i < count && holder.isEmpty(); ++i)
            if (found[i].Process.dwProcessId != GetCurrentProcessId())
                holder = QStringLiteral("%1, pid %2")
                             .arg(QString::fromWCharArray(found[i].strAppName))
                             .arg(found[i].Process.dwProcessId);
    RmEndSession(session);
    return holder;
}

QString processDescription(qint64 pid)
{
    HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, DWORD(pid));
    QString name;
    if (process) {
        wchar_t path[MAX_PATH];
        DWORD size = MAX_PATH;
        if (QueryFullProcessImageNameW(process, 0, path, &size))
            name = QFileInfo(QString::fromWCharArray(path, int(size))).completeBaseName();
        CloseHandle(process);
    }
    return name.isEmpty() ? QStringLiteral("pid %1").arg(pid) : QStringLiteral("%1, pid %2").arg(name).arg(pid);
}

bool processRuns(qint64 pid)
{
    if (pid <= 0 || pid > 0xffffffffll)
        return false;
    HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, DWORD(pid));
    if (!process)
        return GetLastError() == ERROR_ACCESS_DENIED; // it exists, as another user's
    DWORD code = 0;
    const bool runs = GetExitCodeProcess(process, &code) && code == STILL_ACTIVE;
    CloseHandle(process);
    return runs;
}

} // namespace vx
