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

int complain(const QString &message)
{
    std::fprintf(stderr, "vx500-sim: %s\n", qPrintable(message));
    return 1;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("vx500-sim"));
    QCoreApplication::setApplicationVersion(QStringLiteral(VX_VERSION_TEXT));
    const SimOptions options = parseOptions(QCoreApplication::arguments());

    TerminalModel model;
    applyOptions(options, model);
    if (!installSignals())
        return complain(QStringLiteral("cannot set up signal handling"));

    PtyLine line;
    QString error;
    if (!line.open(error))
        return complain(error);
    DeviceLink link;
    if (!options.linkPath.isEmpty() && !link.create(options.linkPath, line.devicePath(), error))
        return complain(error);
    PortRegistration registration;
    if (options.registerPort > 0 && !registration.registerPort(options.registerPort, line.devicePath(), error))
        return complain(error);

    std::printf("%s\n", qPrintable(line.devicePath()));
    std::fflush(stdout);
    std::fprintf(stderr, "vx500-sim: terminal %d with %lld records on %s%s%s\n", options.id,
                 static_cast<long long>(model.records().size()), qPrintable(line.devicePath()),
                 options.linkPath.isEmpty() ? "" : qPrintable(QStringLiteral(" (%1)").arg(options.linkPath)),
                 options.registerPort > 0 ? qPrintable(QStringLiteral(", registered as COM%1").arg(options.registerPort)) : "");

    SimServer server(line, model);
    server.setPace(options.pace);
    server.setLog(options.log);
    switch (server.run(g_control[0])) {
    case SimServer::End::Stopped:
        return 0;
    case SimServer::End::HungUp:
        std::fprintf(stderr, "vx500-sim: the line was closed (pulled cable)\n");
        return 0;
    case SimServer::End::LineFailed:
        return complain(QStringLiteral("the line failed"));
    }
    return 0;
}
