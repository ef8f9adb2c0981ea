// Serial port numbers (COM1 to COM16) and the devices they stand for. Plain
// value functions: the mapping a user stored is read by whoever holds the
// settings and handed to the link as a PortResolver.
#pragma once

#include <QString>
#include <functional>
#include <optional>

namespace vx {

// COMn (1-16) -> the device to open.
using PortResolver = std::function<QString(int number)>;

// "COMn" on Windows, "/dev/ttyS(n-1)" elsewhere.
QString defaultCommPort(int number);

// "COM3", "com3", " COM3 " -> 3; numbers 1 to 16 only, anything else nullopt.
std::optional<int> commNumber(const QString &name);

// "COM1 (/dev/ttyS0)": a port and the device it stands for, or the port's
// name alone where the two are one (Windows).
QString portAndDevice(const QString &port, const QString &device);

// Whether a device path names a pseudo-terminal ("/dev/pts/N").
bool isPseudoTerminal(const QString &path);

// The device for COMn given the value a user stored for it ("Ports/COMn")
// and the simulator that stored it, if one did ("Simulator/COMn"): a path starting with '/' (blanks around it ignored) is
// used as it stands, unless a simulator that no longer runs mapped it;
// anything else (nothing stored included) gives defaultCommPort(n).
QString mappedCommPort(int number, const QString &stored, const QString &simulator = {});

} // namespace vx

