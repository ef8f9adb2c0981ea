#include "Session.h"

#include "Numbers.h"
#include "TracePort.h"
#include "UserSettings.h"

namespace vx::ctl {

namespace {
bool isPortFailure(int number)
{
    return number >= vx::kErrPortNotFound && number <= vx::kErrPortIo;
}
} // namespace

Session::Session(const Invocation &invocation, Io &io, const PortFactory &factory)
    : m_inv(invocation), m_io(io)
{
    std::unique_ptr<vx::SerialPort> port = factory();
    if (m_inv.trace)
        port = std::make_unique<TracePort>(std::move(port), [this](const QString &line) { m_io.note(line); });
    m_link = std::make_unique<ucVX300_500>(std::move(port));
    m_link->SetErrorHandler([this](const vx::RuntimeError &e) { onRuntimeError(e); });
    m_link->SetPortName(m_inv.port.isEmpty() ? storedPort() : m_inv.port);
    m_link->Timeout(m_inv.effectiveTimeout());
}

void Session::onRuntimeError(const vx::RuntimeError &error)
{
    m_io.error(error.description);
    if (isPortFailure(error.number))
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

QString Session::storedPort()
{
    const auto settings = vx::openUserSettings();
    const QString stored = settings->value(QStringLiteral("Connect/Comport"), QStringLiteral("0")).toString();
    const auto position = vx::toInt16(vx::leadingNumber(stored));
    const int index = position && *position >= 0 && *position <= 15 ? *position : 0;
    return QStringLiteral("COM%1").arg(index + 1);
}

} // namespace vx::ctl
