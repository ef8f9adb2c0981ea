#include "Run.h"

#include "Commands.h"
#include "Download.h"
#include "Ports.h"

namespace vx::ctl {

int run(const QStringList &arguments, Io &io, const PortFactory &makePort)
{
    const Parsed parsed = parseArguments(arguments);
    switch (parsed.outcome) {
    case Parsed::Help:
        io.write(parsed.text.toUtf8());
        return static_cast<int>(Exit::Ok);
    case Parsed::Version:
        io.print(QLatin1String(kToolVersion));
        return static_cast<int>(Exit::Ok);
    case Parsed::Usage:
        io.error(parsed.text);
        io.note(QStringLiteral("Try 'vx500ctl --help' for more information."));
        return static_cast<int>(Exit::Usage);
    case Parsed::Run:
        break;
    }

    const Invocation &inv = parsed.invocation;
    if (inv.command == u"ports")
        return static_cast<int>(runPorts(inv, io));

    Session session(inv, io, makePort);
    Exit e;
    if (inv.command == u"download")
        e = runDownload(session);
    else if (inv.command == u"clear")
        e = runClear(session);
    else if (inv.command == u"tags")
        e = runTags(session);
    else if (inv.command == u"station")
        e = runStationCommand(session);
    else
        e = runTerminalCommand(session);
    session.link().Disconnect();
    return static_cast<int>(e);
}

} // namespace vx::ctl
