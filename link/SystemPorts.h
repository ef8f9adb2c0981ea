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

// "/dev/ttyUSB0  FT232R USB UART, FTDI, serial number A12345": the location,
// then what the system says about it, when it says anything.
QString describeSystemPort(const SystemPort &port);

} // namespace vx
