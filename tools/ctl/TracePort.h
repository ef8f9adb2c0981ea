// A serial port that reports every transmission: "> 05 30 30 41" for the
// bytes written and "< 06" for the bytes read, one line each.
#pragma once

#include "terminal/SerialPort.h"

#include <functional>
#include <memory>

namespace vx::ctl {

class TracePort : public vx::SerialPort {
public:
    using LineSink = std::function<void(const QString &)>;
    TracePort(std::unique_ptr<vx::SerialPort> inner, LineSink sink);

    void setPortName(const QString &name) override { m_inner->setPortName(name); }
    QString portName() const override { return m_inner->portName(); }
    using SerialPort::setSettings;
    void setSettings(const vx::LineSettings &settings) override { m_inner->setSettings(settings); }
    vx::LineSettings lineSettings() const override { return m_inner->lineSettings(); }
    bool open() override { return m_inner->open(); }
    void close() override { m_inner->close(); }
    bool isOpen() const override { return m_inner->isOpen(); }
    qint64 bytesAvailable() override { return m_inner->bytesAvailable(); }
    QByteArray readAll() override;
    bool write(const QByteArray &bytes) override;
    vx::Failure lastError() const override { return m_inner->lastError(); }
    bool waitForBytes(qint64 msecs) override { return m_inner->waitForBytes(msecs); }
    qint64 now() const override { return m_inner->now(); }
    void interrupt() override { m_inner->interrupt(); }

private:
    std::unique_ptr<vx::SerialPort> m_inner;
    LineSink m_sink;
};

} // namespace vx::ctl
