// The serial-port contract on Win32: CreateFile on \\.\COMn (overlapped),
// the line set with SetCommState, reads that never block (SetCommTimeouts),
// and waits for the driver's word that a byte arrived (WaitCommEvent), in
// slices that serve the program's events in between.
#pragma once

#include "terminal/SerialPort.h"

#include <QElapsedTimer>

namespace vx {

class WinSerialPort : public SerialPort {
public:
    WinSerialPort();
    ~WinSerialPort() override;

    void setPortName(const QString &name) override { m_name = name; }
    QString portName() const override { return m_name; }
    using SerialPort::setSettings;
    void setSettings(const LineSettings &settings) override { m_settings = settings; }
    LineSettings lineSettings() const override { return m_settings; }
    bool open() override;
    void close() override;
    bool isOpen() const override { return m_handle != nullptr; }
    qint64 bytesAvailable() override;
    QByteArray readAll() override;
    bool write(const QByteArray &bytes) override;
    Failure lastError() const override { return m_failure; }
    bool waitForBytes(qint64 msecs) override;
    qint64 now() const override { return m_clock.elapsed(); }
    void interrupt() override { m_interrupted = true; }

    // "\\.\COM10" for "COM10": the name CreateFile takes for every port
    // number (COM1 to COM9 also have the short form, COM10 up only this one).
    static QString devicePath(const QString &name);

private:
    // Moves what the driver holds into m_received; false once the port has
    // failed.
    bool pull();
    bool awaitArrival(unsigned long waitMs);
    bool transfer(bool reading, void *buffer, unsigned long size, unsigned long &done);
    void release();
    void fail(FailureKind kind, const QString &detail);
    void lost(const QString &what);

    void *m_handle = nullptr;      // HANDLE
    void *m_arrival = nullptr;     // the event of the wait for arrivals
    void *m_transfer = nullptr;    // the event of a read or a write
    void *m_arrivalWait = nullptr; // its OVERLAPPED, pending while m_waiting
    unsigned long m_events = 0;    // what the pending wait reports
    bool m_waiting = false;
    QString m_name;
    LineSettings m_settings = kTerminalLine;
    QByteArray m_received;
    Failure m_failure;
    QElapsedTimer m_clock;
    bool m_interrupted = false;
};

} // namespace vx
