// The serial-port contract over QSerialPort.
#pragma once

#include "terminal/SerialPort.h"

#include <QElapsedTimer>
#include <QObject>
#include <QSerialPort>

namespace vx {

class QtSerialPortAdapter : public QObject, public SerialPort
{
    Q_OBJECT
public:
    QtSerialPortAdapter();
    ~QtSerialPortAdapter() override;

    void setPortName(const QString &name) override;
    QString portName() const override;
    using SerialPort::setSettings;
    void setSettings(const LineSettings &settings) override;
    LineSettings lineSettings() const override { return m_settings; }
    bool open() override;
    void close() override;
    bool isOpen() const override;
    qint64 bytesAvailable() override;
    QByteArray readAll() override;
    bool write(const QByteArray &bytes) override;
    Failure lastError() const override;
    bool waitForBytes(qint64 msecs) override;
    qint64 now() const override;
    void interrupt() override;

signals:
    void wake();

private:
    void onError(QSerialPort::SerialPortError error);
    void pull();
    void fail(FailureKind kind, const QString &detail);

    QSerialPort m_port;
    QString m_name;
    LineSettings m_settings = kTerminalLine;
    Failure m_failure;
    QElapsedTimer m_clock;
    bool m_interrupted = false;
};

} // namespace vx
