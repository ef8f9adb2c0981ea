// A serial port in virtual time. Bytes written by the host go to a device
// object, which schedules its answers on the port's clock; a wait advances the
// clock straight to the next scheduled arrival (or to its deadline), so a
// 2000 ms time-out costs nothing.
#pragma once

#include "terminal/SerialPort.h"

#include <QByteArray>
#include <QList>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <utility>

namespace vx::test {

class FakePort;

// The far end of the line.
class FakeDevice {
public:
    virtual ~FakeDevice() = default;
    // The host wrote these bytes at port.now(), with port.lineSettings() in force.
    virtual void received(const QByteArray &bytes, FakePort &port) = 0;
};

struct Written {
    QByteArray bytes;
    QString settings; // the line settings the port was opened with, as text
};

class FakePort : public SerialPort {
public:
    explicit FakePort(FakeDevice *device = nullptr) { m->device = device, m->owner = this; }
    // Another handle on this port's line, clock and log, for code that owns
    // the port it is given; the devices keep talking to this one.
    std::unique_ptr<FakePort> lend() { auto p = std::make_unique<FakePort>(); p->m = m; return p; }
    void setDevice(FakeDevice *device) { m->device = device; }

    // ---- the contract
    void setPortName(const QString &name) override { m->name = name; }
    QString portName() const override { return m->name; }
    using SerialPort::setSettings;
    void setSettings(const LineSettings &settings) override { m->settings = settings; }
    LineSettings lineSettings() const override { return m->settings; }
    bool open() override;
    void close() override;
    bool isOpen() const override { return m->open; }
    qint64 bytesAvailable() override { return m->open ? m->rx.size() : 0; }
    QByteArray readAll() override { return m->open ? std::exchange(m->rx, {}) : QByteArray(); }
    bool write(const QByteArray &bytes) override;
    Failure lastError() const override { return m->failure; }
    bool waitForBytes(qint64 msecs) override;
    qint64 now() const override { return m->now; }
    void interrupt() override { m->interrupted = true; }

    // ---- the test's side
    // Bytes that reach the host's receive buffer at the given virtual time.
    void arriveAt(qint64 at, const QByteArray &bytes) { runAt(at, [s = m.get(), bytes] { if (s->open) s->rx += bytes; }); }
    void arriveAfter(qint64 delay, const QByteArray &bytes) { arriveAt(m->now + delay, bytes); }
    // An action run when the clock reaches the given time (a click, a pulled cable).
    void runAt(qint64 at, std::function<void()> action) { m->events.emplace(std::pair(std::max(at, m->now), m->seq++), action); }
    // The far end goes away: the port closes with an I/O failure.
    void pullCable();
    // The next open() or write() fails.
    void failOpen(const Failure &failure) { m->openFailure = failure; }
    void failWrite(const Failure &failure) { m->writeFailure = failure; }
    // Serve Qt events on every wait (window tests).
    void setProcessEvents(bool on) { m->processEvents = on; }
    // Keep a log of every write (on by default; long benchmarks turn it off).
    void setKeepWrites(bool on) { m->keepWrites = on; }

    const QList<Written> &writes() const { return m->writes; }
    QByteArray writtenBytes() const;
    int openCount() const { return m->openCount; }
    // Runs what is due until msecs from now.
    void advance(qint64 msecs);

private:
    // Runs the next event due by the deadline; false when there is none.
    bool runNext(qint64 deadline);

    struct State {
        FakeDevice *device = nullptr;
        FakePort *owner = nullptr; // the handle the device hears from
        QString name;
        LineSettings settings;
        QString openSettings; // in force on the line since the last open
        bool open = false, interrupted = false, processEvents = false, keepWrites = true;
        qint64 now = 0, seq = 0;
        QByteArray rx;
        std::map<std::pair<qint64, qint64>, std::function<void()>> events; // (time, sequence) -> what happens
        QList<Written> writes;
        Failure failure;
        std::optional<Failure> openFailure, writeFailure; // the next open() or write() fails
        int openCount = 0;
    };
    std::shared_ptr<State> m = std::make_shared<State>();
};

// A device that plays a script: each host write takes the next reaction from
// the queue (if any), and the reaction's pieces arrive after their delays.
class ScriptDevice : public FakeDevice {
public:
    struct Piece {
        qint64 delay; // ms after the write (or after the previous piece)
        QByteArray bytes;
    };
    // The reaction to the next write not yet answered.
    ScriptDevice &then(QList<Piece> pieces)
    {
        m_reactions.append(std::move(pieces));
        return *this;
    }
    ScriptDevice &then(const QByteArray &bytes, qint64 delay = 5) { return then({{delay, bytes}}); }
    // Let the next write go unanswered.
    ScriptDevice &silence() { return then(QList<Piece>{}); }
    void received(const QByteArray &bytes, FakePort &port) override;

private:
    QList<QList<Piece>> m_reactions;
};

} // namespace vx::test
