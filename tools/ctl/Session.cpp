#include "Session.h"

#include "PortNames.h"
#include "TracePort.h"

namespace vx::ctl {

Session::Session(const Invocation &invocation, Io &io, PortFactory factory)
    : m_inv(invocation), m_io(io), m_factory(std::move(factory))
{
}

Session::~Session()
{
    if (m_link)
        m_link->Disconnect();
}

SettingsFile *Session::settings()
{
    if (m_settings.load())
        return &m_settings;
    m_io.error(m_settings.error());
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
    m_link = std::make_unique<ucVX300_500>(std::move(port));
    m_link->SetErrorHandler([this](const vx::Failure &f) { onFailure(f); });
    if (comPort)
        m_link->SetPortResolver([this](int number) { return m_settings.device(number); });
    m_link->SetPortName(name);
    m_link->Timeout(m_inv.replyBudget());
    return true;
}

void Session::onFailure(const vx::Failure &failure)
{
    m_io.error(vx::describe(failure));
    if (exitFor(failure.kind) == Exit::System)
        m_systemFailed = true;
}

Exit Session::outcome(const QString &what)
{
    if (m_systemFailed)
        return Exit::System;
    const qint32 code = m_link->ErrCode();
    if (code == vx::VX_SUCCESS)
        return Exit::Ok;
    const QString message = QStringLiteral("ErrCode: %1, %2").arg(code).arg(m_link->ErrMessage(code));
    m_io.error(what.isEmpty() ? message : what + QStringLiteral(": ") + message);
    return Exit::DeviceFailure;
}

} // namespace vx::ctl
