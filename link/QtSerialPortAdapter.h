// The serial-port contract over QSerialPort.
#pragma once

#include "SerialPort.h"

#include <QElapsedTimer>
#include <QObject>
#include <QSerialPort>

namespace vx {

// Parses "19200,n,8,1" (baud, parity n/e/o/m/s, data bits 5-8, stop bits 1/1.5/2).
struct LineSettings {
    qint32 baud = 19200;
    QSerialPort::Parity parity = QSerialPort::NoParity;
    QSerialPort::DataBits dataBits = QSerialPort::Data8;
    QSerialPort::StopBits stopBits = QSerialPort::OneStop;
    static bool parse(const QString &text, LineSettings &out);
};

class QtSerialPortAdapter : public QObject, public SerialPort
{
    Q_OBJECT
public:
    QtSerialPortAdapter();
    ~QtSerialPortAdapter() override;

    void setPortName(const QString &name) override;
    QString portName() const override;
    bool setSettings(const QString &settings) override;
    QString settings() const override;
    bool open() override;
    void close() override;
    bool isOpen() const override;
    qint64 bytesAvailable() override;
    QByteArray readAll() override;
    bool write(const QByteArray &bytes) override;
    PortFailure lastError() const override;
    bool waitForBytes(qint64 msecs) override;
    qint64 now() const override;
    void interrupt() override;

signals:
    void wake();

private:
    void onError(QSerialPort::SerialPortError error);
    void pull();
    void fail(int number, const QString &description);

    QSerialPort m_port;
    QString m_settings;
    PortFailure m_failure;
    QElapsedTimer m_clock;
    bool m_interrupted = false;
};

} // namespace vx
