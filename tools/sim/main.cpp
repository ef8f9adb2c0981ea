// vx500-sim: a simulated VX500 terminal and reader station on a pseudo-terminal.
#include "DeviceNames.h"
#include "PtyLine.h"
#include "SimOptions.h"
#include "SimServer.h"
#include "TerminalModel.h"

#include <QCoreApplication>

#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

using namespace vx::sim;

namespace {

int g_control[2] = {-1, -1};

void onSignal(int signal)
{
    const char c = signal == SIGUSR1 ? 'w' : 'q';
    [[maybe_unused]] const ssize_t n = ::write(g_control[1], &c, 1);
}

bool installSignals()
{
    if (::pipe(g_control) != 0)
        return false;
    for (int fd : g_control) {
        fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
        fcntl(fd, F_SETFD, FD_CLOEXEC);
    }
    struct sigaction sa {};
    sa.sa_handler = onSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGTERM, &sa, nullptr);
    sigaction(SIGHUP, &sa, nullptr);
    sigaction(SIGUSR1, &sa, nullptr);
    std::signal(SIGPIPE, SIG_IGN);
    return true;
}

// "vx500-sim: text" on standard error.
void say(const QString &text) { std::fprintf(stderr, "vx500-sim: %s\n", qPrintable(text)); }

// The one place a run ends from: what the ending has for standard output
// and standard error, then its status for main() to return.
int end(const Ending &ending)
{
    if (!ending.output.isEmpty())
        std::fputs(qPrintable(ending.output), stdout);
    if (!ending.message.isEmpty())
        say(ending.message);
    return ending.status;
}

// A failure to set up or serve the line: status 1.
Ending failed(const QString &message) { return {1, {}, message}; }

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("vx500-sim"));
    QCoreApplication::setApplicationVersion(QStringLiteral(VX_VERSION_TEXT));
    const ParsedOptions parsed = parseOptions(QCoreApplication::arguments());
    for (const QString &note : parsed.notes)
        say(note);
    if (parsed.ending)
        return end(*parsed.ending);
    const SimOptions &options = parsed.options;

    TerminalModel model;
    applyOptions(options, model);
    if (!installSignals())
        return end(failed(QStringLiteral("cannot set up signal handling")));

    PtyLine line;
    if (const auto problem = line.open())
        return end(failed(*problem));
    DeviceLink link;
    if (!options.linkPath.isEmpty())
        if (const auto problem = link.create(options.linkPath, line.devicePath()))
            return end(failed(*problem));
    PortRegistration registration;
    if (options.registerPort > 0)
        if (const auto problem = registration.registerPort(options.registerPort, line.devicePath()))
            return end(failed(*problem));

    std::printf("%s\n", qPrintable(line.devicePath()));
    std::fflush(stdout);
    say(QStringLiteral("terminal %1 with %2 records on %3%4%5")
            .arg(options.id)
            .arg(model.records().size())
            .arg(line.devicePath(),
                 options.linkPath.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(options.linkPath),
                 options.registerPort > 0 ? QStringLiteral(", registered as COM%1").arg(options.registerPort) : QString()));

    SimServer server(line, model);
    server.setPace(options.pace);
    server.setLog(options.log);
    server.setLate(options.lateMs);
    switch (server.run(g_control[0])) {
    case SimServer::End::Stopped:
        return end({});
    case SimServer::End::HungUp:
        return end({0, {}, QStringLiteral("the line was closed (pulled cable)")});
    case SimServer::End::LineFailed:
        return end(failed(QStringLiteral("the line failed")));
    }
    return end(failed(QStringLiteral("the line failed")));
}
