// ports [--map COMn=DEVICE | --unmap COMn]
#pragma once

#include "ExitCode.h"

#include <QList>
#include <QString>
#include <QStringList>

namespace vx::ctl {

class Session;
class SettingsFile;

struct PortEntry {
    QString location;       // /dev/ttyUSB0
    QString description;    // the USB product, as the system names it
    QString manufacturer;
    QString serialNumber;
    QStringList byId;       // /dev/serial/by-id names that lead to it
};

// The serial ports the system knows, with the /dev/serial/by-id names that
// point at each.
QList<PortEntry> availablePorts();

// The listing: one block per port, then COM1 to COM16 with the device each
// stands for, mapped entries and the monitor's port marked.
QStringList describePorts(const QList<PortEntry> &ports, const SettingsFile &settings);

Exit runPorts(Session &session);

} // namespace vx::ctl
