#include "FakePort.h"

#include <QCoreApplication>

namespace vx::test {

bool FakePort::open()
{
    if (m_openFailure) {
        m_failure = *std::exchange(m_openFailure, std::nullopt);
        return false;
    }
    m_open = true;
    m_interrupted = false;
    m_failure = {};
    m_openSettings = m_settings.toString();
    ++m_openCount;
    return true;
}

void FakePort::close()
{
    if (m_open)
        m_failure = {FailureKind::PortClosed, QStringLiteral("%1: the port was closed").arg(m_name)};
    m_open = false;
    m_rx.clear();
}

bool FakePort::write(const QByteArray &bytes)
{
    if (!m_open || m_writeFailure) {
        m_failure = m_open ? *std::exchange(m_writeFailure, std::nullopt)
                           : Failure{FailureKind::PortClosed, QStringLiteral("the port is not open")};
        return false;
    }
    if (m_keepWrites)
        m_writes.append({m_now, bytes, m_openSettings});
    if (m_device)
        m_device->received(bytes, *this);
    return true;
}

void FakePort::pullCable()
{
    m_failure = {FailureKind::PortIo, QStringLiteral("%1: the device went away").arg(m_name)};
    m_open = false;
    m_rx.clear();
}

QByteArray FakePort::writtenBytes() const
{
    QByteArray all;
    for (const auto &w : m_writes)
        all += w.bytes;
    return all;
}

bool FakePort::runNext(qint64 deadline)
{
    if (m_events.empty() || m_events.begin()->first.first > deadline)
        return false;
    auto node = m_events.extract(m_events.begin());
    m_now = std::max(m_now, node.key().first);
    node.mapped()();
    return true;
}

void FakePort::advance(qint64 msecs)
{
    const qint64 deadline = m_now + msecs;
    while (runNext(deadline)) {
    }
    m_now = deadline;
}

bool FakePort::waitForBytes(qint64 msecs)
{
    const qint64 deadline = m_now + msecs;
    do {
        if (m_processEvents)
            QCoreApplication::processEvents();
    } while (m_open && m_rx.isEmpty() && !m_interrupted && runNext(deadline));
    if (m_open && m_rx.isEmpty() && !m_interrupted)
        m_now = deadline;
    return m_open && !m_rx.isEmpty();
}

void ScriptDevice::received(const QByteArray &, FakePort &port)
{
    if (m_reactions.isEmpty())
        return;
    qint64 at = port.now();
    for (const auto &piece : m_reactions.takeFirst()) {
        at += piece.delay;
        port.arriveAt(at, piece.bytes);
    }
}

} // namespace vx::test
