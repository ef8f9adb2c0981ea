#include "FakePort.h"

#include <QCoreApplication>

namespace vx::test {

bool FakePort::open()
{
    if (m->openFailure) {
        m->failure = *std::exchange(m->openFailure, std::nullopt);
        return false;
    }
    m->open = true;
    m->interrupted = false;
    m->failure = {};
    m->openSettings = m->settings.toString();
    ++m->openCount;
    return true;
}

void FakePort::close()
{
    if (m->open)
        m->failure = {FailureKind::PortClosed, QStringLiteral("%1: the port was closed").arg(m->name)};
    m->open = false;
    m->rx.clear();
}

bool FakePort::write(const QByteArray &bytes)
{
    if (!m->open || m->writeFailure) {
        m->failure = m->open ? *std::exchange(m->writeFailure, std::nullopt)
                           : Failure{FailureKind::PortClosed, QStringLiteral("the port is not open")};
        return false;
    }
    if (m->keepWrites)
        m->writes.append({bytes, m->openSettings});
    if (m->device)
        m->device->received(bytes, *m->owner);
    return true;
}

void FakePort::pullCable()
{
    m->failure = {FailureKind::PortIo, QStringLiteral("%1: the device went away").arg(m->name)};
    m->open = false;
    m->rx.clear();
}

QByteArray FakePort::writtenBytes() const
{
    QByteArray all;
    for (const auto &w : m->writes)
        all += w.bytes;
    return all;
}

bool FakePort::runNext(qint64 deadline)
{
    if (m->events.empty() || m->events.begin()->first.first > deadline)
        return false;
    auto node = m->events.extract(m->events.begin());
    m->now = std::max(m->now, node.key().first);
    node.mapped()();
    return true;
}

void FakePort::advance(qint64 msecs)
{
    const qint64 deadline = m->now + msecs;
    while (runNext(deadline)) {
    }
    m->now = deadline;
}

bool FakePort::waitForBytes(qint64 msecs)
{
    const qint64 deadline = m->now + msecs;
    do {
        if (m->processEvents)
            QCoreApplication::processEvents();
    } while (m->open && m->rx.isEmpty() && !m->interrupted && runNext(deadline));
    if (m->open && m->rx.isEmpty() && !m->interrupted)
        m->now = deadline;
    return m->open && !m->rx.isEmpty();
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
