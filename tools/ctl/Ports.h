// ports [--map COMn=DEVICE | --unmap COMn] [--json]
#pragma once

#include "ExitCode.h"
#include "Io.h"
#include "terminal/SystemPorts.h"

#include <QList>
#include <QString>
#include <QStringList>

namespace vx::ctl {

class Session;
class SettingsFile;

using PortEntry = vx::SystemPort;

// The listing: one block per port, then COM1 to COM16 with the device each
// stands for, mapped entries and the monitor's port marked (on Windows also
// the ports that are present).
QStringList describePorts(const QList<PortEntry> &ports, const SettingsFile &settings);

// The listing for --json: one object for each of COM1 to COM16, then one for
// each port none of them stands for ("port": null), all of one shape:
// {"port":"COM1","device":"/dev/ttyUSB0","present":true,"mapped":true,
//  "monitor":false,"description":"…","manufacturer":"…","serialNumber":"…",
//  "byId":["/dev/serial/by-id/…"]}. "present": a port is behind the device
// (vx::serialDevicePresent).
QList<JsonFields> portObjects(const QList<PortEntry> &ports, const SettingsFile &settings);

Exit runPorts(Session &session);

} // namespace vx::ctl
