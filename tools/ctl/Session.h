// One run of a command: the command line, the streams, the settings file
// (read only when wanted), the link on its port, and the rule that turns
// what happened into the exit status.
#pragma once

#include "ExitCode.h"
#include "Invocation.h"
#include "Io.h"
#include "SettingsFile.h"
#include "terminal/TerminalLink.h"

#include <functional>
#include <memory>
#include <optional>

namespace vx::ctl {

// Makes the port the link drives (the real serial port, or a fake in tests).
using PortFactory = std::function<std::unique_ptr<vx::SerialPort>()>;

class Session {
public:
    Session(const Invocation &invocation, Io &io, PortFactory factory);
    ~Session();

    const Invocation &invocation() const { return m_inv; }
    Io &io() { return m_io; }
    qint16 id() const { return m_inv.id; }

    // The settings file, read at the first call; nullptr once its failure
    // has been reported (settingsFailure()).
    SettingsFile *settings();
    const std::optional<vx::Failure> &settingsFailure() const { return m_settingsFailure; }

    // Builds the link on factory()'s port, wrapped for --trace, with the
    // reply budget, on the port that --port names or the monitor last used;
    // a COMn name means the device the settings file maps it to. Nothing is
    // opened yet. False (reported) when the settings file is needed and
    // cannot be read: a COMn name must never fall back to another device.
    bool connect();
    vx::TerminalLink &link() { return *m_link; }

    // The failure that ended the port (opening it, or a write to it), once
    // reported: nothing more can be done on it.
    const std::optional<vx::Failure> &portFailure() const { return m_portFailure; }
    bool portFailed() const { return m_portFailure.has_value(); }
    // The port is open again (watch reopens a device that came back).
    void portBack() { m_portFailure.reset(); }
    // The terminal a reply that cannot be used came from, named in its line
    // ("machine 5") when a command asks more than one; empty: the one asked.
    void setAsked(const QString &who) { m_asked = who; }

    // The outcome of the last operation: after a port failure, the status
    // its kind gives (nothing more is shown); the
    // status code otherwise, with "ErrCode: -1, VX_ERR_TIMEOUT" on standard
    // error for a failure (nothing more for a reply that could not be used:
    // the link's failure said what was wrong with it). `what` prefixes the message ("clear: ErrCode: ...").
    // A timeout says what to check: the port and its device, the reply
    // budget, the machine number addressed.
    Exit outcome(const QString &what = {});

private:
    void onFailure(const vx::Failure &failure);
    QString noAnswer() const;

    const Invocation &m_inv;
    Io &m_io;
    PortFactory m_factory;
    SettingsFile m_settings;
    std::unique_ptr<vx::TerminalLink> m_link;
    QString m_portGiven; // COMn or a path, as --port or the monitor's setting gave it
    std::optional<vx::Failure> m_portFailure;
    QString m_asked;
    std::optional<vx::Failure> m_settingsFailure;
};

} // namespace vx::ctl
