#include "Run.h"

#include "Commands.h"

#include <QFileDevice>

namespace vx::ctl {

namespace {

int runCommand(const QStringList &arguments, Io &io, const PortFactory &makePort)
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
    Session session(inv, io, makePort);
    if (inv.command->target != Target::NoPort && !session.connect())
        return static_cast<int>(exitFor(session.settingsFailure()->kind));
    return static_cast<int>(inv.command->run(session));
}

// What was printed must have reached standard output: a script that reads a
// value must not take a lost one for success.
bool outputDelivered(Io &io)
{
    auto *file = qobject_cast<QFileDevice *>(io.out);
    const bool flushed = !file || file->flush();
    return flushed && !io.outFailed;
}

} // namespace

int run(const QStringList &arguments, Io &io, const PortFactory &makePort)
{
    const int status = runCommand(arguments, io, makePort);
    if (!outputDelivered(io) && status == static_cast<int>(Exit::Ok))
        return static_cast<int>(io.fail({vx::FailureKind::FileAccess, QStringLiteral("standard output: ") + io.out->errorString()}));
    return status;
}

} // namespace vx::ctl
