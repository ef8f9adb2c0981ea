#include "FakePort.h"

#include <QCoreApplication>
#include <QtSerialPortAdapter.h>

namespace vx::test {

FakePort::FakePort(FakeDevice *device) : m_device(device) {}

bool FakePort::setSettings(const QString &settings)
{
    LineSettings parsed;
    if (!LineSettings::parse(settings, parsed))
        return false;
    m_settings = settings;
    return true;
}

bool FakePort::open()
{
    if (m_openFailure) {
        m_failure = *m_openFailure;
        if (!m_openFailsAlways)
            m_openFailure.reset();
        return false;
    }
    m_open = true;
    m_interrupted = false;
    m_failure = {};
    m_openSettings = m_settings;
    ++m_openCount;
    return true;
}

void FakePort::close()
{
    if (m_open) {
        ++m_closeCount;
        m_failure = {kErrPortNotOpen, QStringLiteral("%1: the port was closed").arg(m_name)};
    }
    m_open = false;
    m_rx.clear();
}

qint64 FakePort::bytesAvailable() { return m_open ? m_rx.size() : 0; }

QByteArray FakePort::readAll()
{
    QByteArray out;
    if (m_open)
        out.swap(m_rx);
    return out;
}

bool FakePort::write(const QByteArray &bytes)
{
    if (!m_open) {
        m_failure = {kErrPortNotOpen, QStringLiteral("the port is not open")};
        return false;
    }
    if (m_writeFailure) {
        m_failure = *m_writeFailure;
        m_writeFailure.reset();
        return false;
    }
    if (m_keepWrites)
        m_writes.append({m_now, bytes, m_openSettings});
    if (m_device)
        m_device->received(bytes, *this);
    return true;
}

void FakePort::arriveAt(qint64 at, const QByteArray &bytes)
{
    runAt(at, [this, bytes] {
        if (m_open)
            m_rx.append(bytes);
    });
}

void FakePort::runAt(qint64 at, std::function<void()> action)
{
    m_events.emplace(std::make_pair(std::max(at, m_now), m_seq++), std::move(action));
}

void FakePort::pullCable()
{
    m_failure = {kErrPortIo, QStringLiteral("%1: the device went away").arg(m_name)};
    m_open = false;
    m_rx.clear();
}

void FakePort::failOpen(const PortFailure &failure, bool always)
{
    m_openFailure = failure;
    m_openFailsAlways = always;
}

void FakePort::failWrite(const PortFailure &failure) { m_writeFailure = failure; }

QByteArray FakePort::writtenBytes() const
{
    QByteArray all;
    for (const auto &w : m_writes)
        all += w.bytes;
    return all;
}

void FakePort::runDue(qint64 until)
{
    while (!m_events.empty() && m_events.begin()->first.first <= until) {
        auto node = m_events.extract(m_events.begin());
        m_now = std::max(m_now, node.key().first);
        node.mapped()();
    }
}

void FakePort::advance(qint64 msecs)
{
    runDue(m_now + msecs);
    m_now += msecs;
}

bool FakePort::waitForBytes(qint64 msecs)
{
    if (m_processEvents)
        QCoreApplication::processEvents();
    const qint64 deadline = m_now + msecs;
    while (m_open && m_rx.isEmpty() && !m_interrupted) {
        if (m_events.empty() || m_events.begin()->first.first > deadline) {
            m_now = deadline;
            break;
        }
        auto node = m_events.extract(m_events.begin());
        m_now = std::max(m_now, node.key().first);
        node.mapped()();
        if (m_processEvents)
            QCoreApplication::processEvents();
    }
    return m_open && !m_rx.isEmpty();
}

ScriptDevice &ScriptDevice::then(QList<Piece> pieces)
{
    m_reactions.append(std::move(pieces));
    return *this;
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
