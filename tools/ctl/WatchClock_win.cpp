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
HANDLE g_doneEvent = nullptr; // set once the watch has ended

BOOL WINAPI onConsoleEvent(DWORD type)
{
    SetEvent(g_stopEvent);
    // Windows ends the process as soon as the handler returns from these:
    // the download under way gets the time Windows allows (5 s) to finish.
    if (type == CTRL_CLOSE_EVENT || type == CTRL_LOGOFF_EVENT || type == CTRL_SHUTDOWN_EVENT)
        WaitForSingleObject(g_doneEvent, 4500);
    return TRUE;
}

class SystemClock : public WatchClock {
public:
    SystemClock()
    {
        g_stopEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        g_doneEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        SetConsoleCtrlHandler(onConsoleEvent, TRUE);
    }
    ~SystemClock() override
    {
        SetEvent(g_doneEvent);
        SetConsoleCtrlHandler(onConsoleEvent, FALSE);
    }
    QDateTime now() override { return QDateTime::currentDateTime(); }
    bool stopRequested() override { return g_stopEvent && WaitForSingleObject(g_stopEvent, 0) == WAIT_OBJECT_0; }
    bool sleep(qint64 msecs) override
    {
        QDeadlineTimer until(msecs);
        while (!stopRequested() && !until.hasExpired()) {
            const DWORD slice = DWORD(std::min<qint64>(until.remainingTime(), 0x7fffffff));
            if (!g_stopEvent || WaitForSingleObject(g_stopEvent, slice) == WAIT_FAILED)
                Sleep(std::min<DWORD>(slice, 1000)); // no event to wait on: a plain sleep, never a spin
        }
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
