// The watch's clock on Windows: the wall clock for the schedule, a
// monotonic one for the sleeps, and Ctrl+C, Ctrl+Break or the console's
// closing to end the watch between two looks (a download under way is
// finished first).
#include "Watch.h"

#include <QDeadlineTimer>

#include <windows.h>

namespace vx::ctl {

namespace {

HANDLE g_stopEvent = nullptr;

BOOL WINAPI onConsoleEvent(DWORD)
{
    SetEvent(g_stopEvent);
    return TRUE;
}

class SystemClock : public WatchClock {
public:
    SystemClock()
    {
        g_stopEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        SetConsoleCtrlHandler(onConsoleEvent, TRUE);
    }
    ~SystemClock() override { SetConsoleCtrlHandler(onConsoleEvent, FALSE); }
    QDateTime now() override { return QDateTime::currentDateTime(); }
    bool stopRequested() override { return WaitForSingleObject(g_stopEvent, 0) == WAIT_OBJECT_0; }
    bool sleep(qint64 msecs) override
    {
        QDeadlineTimer until(msecs);
        while (!stopRequested() && !until.hasExpired())
            WaitForSingleObject(g_stopEvent, DWORD(std::min<qint64>(until.remainingTime(), 0x7fffffff)));
        return !stopRequested();
    }
};

} // namespace

Exit runWatch(Session &session)
{
    SystemClock clock;
    return watch(session, clock);
}

} // namespace vx::ctl
