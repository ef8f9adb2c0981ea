// SIGINT and SIGTERM as a request to stop; a pipe wakes a sleep at once.
#include "StopSignals.h"

#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <time.h>
#include <unistd.h>

namespace vx::ctl {

namespace {

volatile sig_atomic_t g_signal = 0;
int g_pipe[2] = {-1, -1}; // the handler writes to the second
struct sigaction g_before[2];
constexpr int kSignals[2] = {SIGINT, SIGTERM};

void onStopSignal(int number)
{
    g_signal = number;
    const char byte = 0;
    [[maybe_unused]] const ssize_t n = ::write(g_pipe[1], &byte, 1);
}

qint64 monotonicMs()
{
    timespec t {};
    ::clock_gettime(CLOCK_MONOTONIC, &t);
    return t.tv_sec * 1000LL + t.tv_nsec / 1000000;
}

} // namespace

StopSignals::StopSignals()
{
    g_signal = 0;
    if (g_pipe[0] < 0 && ::pipe2(g_pipe, O_CLOEXEC | O_NONBLOCK) != 0)
        g_pipe[0] = g_pipe[1] = -1;
    struct sigaction action {};
    action.sa_handler = onStopSignal;
    // A second signal of the same kind takes the system's way: the end.
    action.sa_flags = SA_RESTART | SA_RESETHAND;
    sigemptyset(&action.sa_mask);
    for (int i = 0; i < 2; ++i)
        ::sigaction(kSignals[i], &action, &g_before[i]);
}

StopSignals::~StopSignals()
{
    for (int i = 0; i < 2; ++i)
        ::sigaction(kSignals[i], &g_before[i], nullptr);
}

bool StopSignals::requested() const { return g_signal != 0; }

bool StopSignals::sleep(qint64 msecs)
{
    const qint64 end = monotonicMs() + msecs;
    for (qint64 left = msecs; !g_signal && left > 0; left = end - monotonicMs()) {
        pollfd wake{g_pipe[0], POLLIN, 0};
        if (::poll(&wake, 1, static_cast<int>(std::min<qint64>(left, 0x7fffffff))) > 0) {
            char drain[16];
            while (::read(g_pipe[0], drain, sizeof drain) > 0) {
            }
        }
    }
    return !g_signal;
}

int StopSignals::exitStatus() const { return 128 + (g_signal ? int(g_signal) : SIGINT); }

} // namespace vx::ctl
