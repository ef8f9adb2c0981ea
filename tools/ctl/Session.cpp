#include "Session.h"

#include "portnames/PortNames.h"
#include "TracePort.h"

#include <QFileInfo>

namespace vx::ctl {

Session::Session(const Invocation &invocation, Io &io, PortFactory factory)
    : m_inv(invocation), m_io(io), m_factory(std::move(factory))
{
}

Session::~Session()
{
    if (m_link)
        m_link->closePort();
}

SettingsFile *Session::settings()
{
    if (m_settings.load())
        return &m_settings;
    m_settingsFailure = vx::Failure{vx::FailureKind::FileAccess, m_settings.error()};
    m_io.fail(*m_settingsFailure);
    return nullptr;
}

bool Session::connect()
{
    QString name = m_inv.port;
    const bool comPort = name.isEmpty() || vx::commNumber(name);
    if (comPort) {
        SettingsFile *settings = this->settings();
        if (!settings)
            return false;
        if (name.isEmpty())
            name = QStringLiteral("COM%1").arg(settings->monitorsPort());
    }
    std::unique_ptr<vx::SerialPort> port = m_factory();
    if (m_inv.trace)
        port = std::make_unique<TracePort>(std::move(port), [this](const QString &line) { m_io.note(line); });
    m_link = std::make_unique<vx::TerminalLink>(std::move(port));
    m_link->setErrorHandler([this](const vx::Failure &f) { onFailure(f); });
    if (comPort)
        m_link->setPortResolver([this](int number) { return m_settings.device(number); });
    m_link->setPortName(name);
    m_portGiven = name;
    m_link->setTimeout(m_inv.replyBudget());
    return true;
}

namespace {

// The monitor holds its port between commands: what to do about it.
vx::Failure withAdvice(vx::Failure failure)
{
    if (failure.kind == vx::FailureKind::PortInUse && failure.detail.contains(QLatin1String("(vx500-monitor, pid ")))
        failure.detail += QStringLiteral("; the monitor keeps the port open between commands: close its window");
    return failure;
}

} // namespace

void Session::onFailure(const vx::Failure &reported)
{
    vx::Failure failure = withAdvice(reported);
    if (!m_asked.isEmpty() && exitFor(failure.kind) == Exit::DeviceFailure)
        failure.detail = m_asked + QStringLiteral(": ") + vx::describe(failure);
    if (m_io.fail(failure) == Exit::System)
        m_portFailure = failure;
}

QString Session::noAnswer() const
{
    const QString device = m_link->portName();
    const QString real = QFileInfo(device).canonicalFilePath();
    const QString resolved = real.isEmpty() ? device : real;
    const QString where = vx::portAndDevice(m_portGiven, resolved);
    const qint32 ms = m_link->timeout();
    const QString budget = ms % 1000 == 0 ? QStringLiteral("%1 s").arg(ms / 1000) : QStringLiteral("%1 ms").arg(ms);
    const QString text = QStringLiteral("no answer on %1 within %2").arg(where, budget);
    switch (m_inv.command->target) {
    case Target::EveryTerminal: // the line names the machine number asked
    case Target::NoPort:
        return text;
    case Target::Station:
        return text + QStringLiteral("; is the reader station switched on and connected to this port?");
    case Target::Terminal:
        break;
    }
    return text + QStringLiteral("; is the terminal switched on and in its station, with machine number %1? "
                                 "(vx500ctl scan finds it)")
                      .arg(m_inv.id);
}

Exit Session::outcome(const QString &what)
{
    if (m_portFailure)
        return exitFor(m_portFailure->kind);
    const qint32 code = m_link->status();
    if (code == vx::VX_SUCCESS)
        return Exit::Ok;
    // A reply that arrived but cannot be used was reported with its words
    // (onFailure): one line for one failure.
    if (code == vx::VX_ERR_INVALID_DATA)
        return Exit::DeviceFailure;
    QString message = QStringLiteral("ErrCode: %1, %2").arg(code).arg(m_link->statusText(code));
    if (code == vx::VX_ERR_TIMEOUT)
        message += QStringLiteral(": ") + noAnswer();
    m_io.error(what.isEmpty() ? message : what + QStringLiteral(": ") + message);
    return Exit::DeviceFailure;
}

} // namespace vx::ctl
