// What the link needs of a serial port, and nothing more. The link owns one
// object of this kind; QtSerialPortAdapter drives a real port, tests drive a
// fake one in virtual time.
#pragma once

#include "terminal/Failure.h"
#include "linesettings/LineSettings.h"

#include <QByteArray>
#include <QString>

namespace vx {

class SerialPort {
public:
    virtual ~SerialPort() = default;

    // Device to open ("/dev/ttyS0", "COM1"); takes effect at the next open.
    virtual void setPortName(const QString &name) = 0;
    virtual QString portName() const = 0;

    // Line parameters; take effect at the next open.
    virtual void setSettings(const LineSettings &settings) = 0;
    virtual LineSettings lineSettings() const = 0;
    // The same as text, "19200,n,8,1"; false for a text that is no setting.
    bool setSettings(const QString &settings);
    QString settings() const;

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

    // Why the last open() or write() failed, or why the port closed.
    virtual Failure lastError() const = 0;

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
