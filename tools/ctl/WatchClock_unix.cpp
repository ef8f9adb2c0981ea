// The watch's clock on Linux: the wall clock for the schedule, a monotonic
// one for the sleeps, and SIGTERM or SIGINT to end the watch between two
// looks (a download under way is finished first).
#include "Watch.h"

#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <time.h>
#include <unistd.h>

namespace vx::ctl {

namespace {

volatile sig_atomic_t g_stop = 0;
int g_wakeFd = -1; // write end of a pipe that the signal handler writes to

void onStopSignal(int)
{
    g_stop = 1;
    const char byte = 0;
    [[maybe_unused]] const ssize_t n = ::write(g_wakeFd, &byte, 1);
}

class SystemClock : public WatchClock {
public:
    SystemClock()
    {
        if (::pipe2(m_pipe, O_CLOEXEC | O_NONBLOCK) == 0)
            g_wakeFd = m_pipe[1];
        struct sigaction action {};
        action.sa_handler = onStopSignal;
        action.sa_flags = SA_RESTART;
        sigemptyset(&action.sa_mask);
        for (int number : {SIGTERM, SIGINT})
            ::sigaction(number, &action, nullptr);
    }
    QDateTime now() override { return QDateTime::currentDateTime(); }
    bool stopRequested() override { return g_stop != 0; }
    bool sleep(qint64 msecs) override
    {
        const qint64 end = monotonicMs() + msecs;
        for (qint64 left = msecs; !g_stop && left > 0; left = end - monotonicMs()) {
            pollfd wake{m_pipe[0], POLLIN, 0};
            ::poll(&wake, 1, static_cast<int>(left));
        }
        return !g_stop;
    }

private:
    static qint64 monotonicMs()
    {
        timespec t {};
        ::clock_gettime(CLOCK_MONOTONIC, &t);
        return t.tv_sec * 1000LL + t.tv_nsec / 1000000;
    }
    int m_pipe[2] = {-1, -1};
};

} // namespace

Exit runWatch(Session &session)
{
    SystemClock clock;
    return watch(session, clock);
}

} // namespace vx::ctl
