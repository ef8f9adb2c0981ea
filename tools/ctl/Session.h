// One run of a device command: the link on its port, the streams, and the
// rule that turns what happened into the exit status.
#pragma once

#include "ExitCode.h"
#include "Invocation.h"
#include "Io.h"
#include "ucVX300_500.h"

#include <functional>
#include <memory>

namespace vx::ctl {

// Makes the port the link drives (the real serial port, or a fake in tests).
using PortFactory = std::function<std::unique_ptr<vx::SerialPort>()>;

class Session {
public:
    // Builds the link on factory()'s port, wrapped for --trace, on the port
    // named by --port or the one the monitor last used, with the time budget.
    Session(const Invocation &invocation, Io &io, const PortFactory &factory);

    ucVX300_500 &link() { return *m_link; }
    const Invocation &invocation() const { return m_inv; }
    Io &io() { return m_io; }
    qint16 id() const { return m_inv.id; }

    // True once the port (or a write to it) has failed: nothing more can be done.
    bool systemFailed() const { return m_systemFailed; }

    // The outcome of the last operation: System after a port failure; the
    // status code otherwise, with "ErrCode: -1, VX_ERR_TIMEOUT" on standard
    // error for a failure. `what` prefixes the message ("clear: ErrCode: ...").
    Exit outcome(const QString &what = {});

    // The port in use when none is named: "Connect"/"Comport" as the monitor
    // stores it (list position 0-15, read leniently, anything else COM1).
    static QString storedPort();

private:
    void onRuntimeError(const vx::RuntimeError &error);

    const Invocation &m_inv;
    Io &m_io;
    std::unique_ptr<ucVX300_500> m_link;
    bool m_systemFailed = false;
};

} // namespace vx::ctl
