// What the link needs of a serial port, and nothing more. The link owns one
// object of this kind; QtSerialPortAdapter drives a real port, tests drive a
// fake one in virtual time.
#pragma once

#include "LineSettings.h"

#include <QByteArray>
#include <QString>

namespace vx {

// A failure of the port layer: a number and a description that names the cause.
struct PortFailure {
    int number = 0;
    QString description;
};

// Numbers of port failures; the holders show them as the title of a report.
enum PortFailureNumber : int {
    kErrPortNotFound = 8002,     // no such device
    kErrPortInUse = 8005,        // held by another program
    kErrPortPermission = 8006,   // no right to open it
    kErrPortSettings = 8010,     // line settings rejected
    kErrPortIo = 8015,           // a write or read failed, the device went away
    kErrPortNotOpen = 8012,      // operation on a closed port
};

class SerialPort {
public:
    virtual ~SerialPort() = default;

    // Device to open ("/dev/ttyS0", "COM1"); takes effect at the next open.
    virtual void setPortName(const QString &name) = 0;
    virtual QString portName() const = 0;

    // Line parameters; take effect at the next open. A port overrides either
    // the typed pair or the text pair: each pair is written in terms of the other.
    virtual void setSettings(const LineSettings &settings);
    virtual LineSettings lineSettings() const;
    // The same as text, "19200,n,8,1"; false for a text that is no setting.
    virtual bool setSettings(const QString &settings);
    virtual QString settings() const;

    // Open with the current name and settings; on false, lastError() says why.
    virtual bool open() = 0;
    virtual void close() = 0;
    virtual bool isOpen() const = 0;

    // Bytes received and not yet read; never blocks.
    virtual qint64 bytesAvailable() = 0;
    // Every byte waiting, in order of arrival; never blocks.
    virtual QByteArray readAll() = 0;
    // Queue the whole array for sending; false (and lastError()) on failure.
    virtual bool write(const QByteArray &bytes) = 0;

    virtual PortFailure lastError() const = 0;

    // Wait without spinning until bytes wait, the port closes, interrupt() is
    // called or msecs have passed. Pending events of the program are served
    // meanwhile. Returns true when bytes are waiting.
    virtual bool waitForBytes(qint64 msecs) = 0;
    // Monotonic milliseconds; the time base of the waits.
    virtual qint64 now() const = 0;
    // Make a wait in progress, and every later one, return at once.
    virtual void interrupt() = 0;
};

} // namespace vx
