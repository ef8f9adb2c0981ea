// The serial ports the system has, as the port listing of the tool and the
// window's port chooser show them.
#pragma once

#include <QList>
#include <QString>
#include <QStringList>

namespace vx {

struct SystemPort {
    QString location;     // /dev/ttyUSB0
    QString description;  // the USB product, as the system names it
    QString manufacturer;
    QString serialNumber;
    QStringList byId;     // /dev/serial/by-id names that lead to it
};

// The serial ports the system knows, with the /dev/serial/by-id names that
// point at each.
QList<SystemPort> systemPorts();

// The port of the list that this device path names: its location, one of its
// by-id names, or a link that leads to it; nullptr when none does.
const SystemPort *portNamed(const QList<SystemPort> &ports, const QString &device);

// Whether a serial port is there behind this device path: one of the ports,
// or an existing pseudo-terminal (a simulator's). A device node alone is not
// enough: most PCs have /dev/ttyS0 to /dev/ttyS3 whether or not a port is
// behind them, and the system lists only those that are real.
bool serialDevicePresent(const QString &device, const QList<SystemPort> &ports);

// "/dev/ttyUSB0  FT232R USB UART, FTDI, serial number A12345": the location,
// then what the system says about it, when it says anything.
QString describeSystemPort(const SystemPort &port);

} // namespace vx
