// Ctrl+C, Ctrl+Break and the console's closing as a request to stop. Windows
// ends the process as soon as the handler returns from a closing console:
// the handler waits until the program has finished (at most the 5 s that
// Windows allows).
#include "StopSignals.h"

#include <QDeadlineTimer>

#include <windows.h>

namespace vx::ctl {

namespace {

HANDLE g_stopEvent = nullptr;
HANDLE g_doneEvent = nullptr; // set once the stoppable work has ended

BOOL WINAPI onConsoleEvent(DWORD type)
{
    const bool closing = type == CTRL_CLOSE_EVENT || type == CTRL_LOGOFF_EVENT || type == CTRL_SHUTDOWN_EVENT;
    // A second Ctrl+C takes the system's way: the end.
    if (!closing && WaitForSingleObject(g_stopEvent, 0) == WAIT_OBJECT_0)
        return FALSE;
    SetEvent(g_stopEvent);
    if (closing)
        WaitForSingleObject(g_doneEvent, 4500);
    return TRUE;
}

} // namespace

StopSignals::StopSignals()
{
    g_stopEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    g_doneEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    SetConsoleCtrlHandler(onConsoleEvent, TRUE);
}

StopSignals::~StopSignals()
{
    SetEvent(g_doneEvent);
    SetConsoleCtrlHandler(onConsoleEvent, FALSE);
}

bool StopSignals::requested() const { return g_stopEvent && WaitForSingleObject(g_stopEvent, 0) == WAIT_OBJECT_0; }

bool StopSignals::sleep(qint64 msecs)
{
    QDeadlineTimer until(msecs);
    while (!requested() && !until.hasExpired()) {
        const DWORD slice = DWORD(std::min<qint64>(until.remainingTime(), 0x7fffffff));
        if (!g_stopEvent || WaitForSingleObject(g_stopEvent, slice) == WAIT_FAILED)
            Sleep(std::min<DWORD>(slice, 1000)); // no event to wait on: a plain sleep, never a spin
    }
    return !requested();
}

int StopSignals::exitStatus() const { return 130; }

} // namespace vx::ctl
