#include "TracePort.h"

#include "terminal/Frame.h"

namespace vx::ctl {

TracePort::TracePort(std::unique_ptr<vx::SerialPort> inner, LineSink sink)
    : m_inner(std::move(inner)), m_sink(std::move(sink))
{
}

QByteArray TracePort::readAll()
{
    QByteArray bytes = m_inner->readAll();
    if (!bytes.isEmpty())
        m_sink(QStringLiteral("< ") + vx::hexDump(bytes));
    return bytes;
}

bool TracePort::write(const QByteArray &bytes)
{
    m_sink(QStringLiteral("> ") + vx::hexDump(bytes));
    return m_inner->write(bytes);
}

} // namespace vx::ctl
