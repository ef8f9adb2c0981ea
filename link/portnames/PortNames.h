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

// A port of Windows, as a list entry may stand for it: "COM17", " com17 ",
// "\\.\COM17" -> "COM17" (1 to 256); anything else nullopt.
std::optional<QString> windowsPortName(const QString &name);

// What a user may give as the device behind COMn on this system, as it is
// stored: a path that starts with "/" (blanks around it removed) or, on
// Windows, a port from COM1 to COM256 (windowsPortName); else nullopt.
std::optional<QString> deviceName(const QString &typed);

// What COMn stands for, in the system's word: "port" on Windows (another
// COM port), "device" elsewhere (a device path).
QString deviceNoun();

// "COM1 (/dev/ttyS0)": a port and the device it stands for, or the port's
// name alone where the two are one (Windows).
QString portAndDevice(const QString &port, const QString &device);

// Whether a device path names a pseudo-terminal ("/dev/pts/N").
bool isPseudoTerminal(const QString &path);

// The device for COMn given the value a user stored for it ("Ports/COMn")
// and the simulator that stored it, if one did ("Simulator/COMn"): a
// deviceName is used, unless a simulator that no longer runs mapped it;
// anything else (nothing stored included) gives defaultCommPort(n).
QString mappedCommPort(int number, const QString &stored, const QString &simulator = {});

} // namespace vx

