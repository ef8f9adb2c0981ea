// The names under which the simulated line is found: a stable symbolic link
// to the device, and the monitor's "Ports"/"COMn" setting. Both are undone
// when the simulator ends.
#pragma once

#include <QString>
#include <QVariant>
#include <optional>

namespace vx::sim {

// A symbolic link to the device; an existing symbolic link at the path is
// replaced, any other file is left alone.
class DeviceLink {
public:
    DeviceLink() = default;
    DeviceLink(const DeviceLink &) = delete;
    DeviceLink &operator=(const DeviceLink &) = delete;
    ~DeviceLink() { remove(); }

    // Why the link could not be made; nothing when it was.
    std::optional<QString> create(const QString &linkPath, const QString &devicePath);
    // Removes the link if it still points at the device.
    void remove();

private:
    QString m_link;
    QString m_target;
};

// The device path written under "Ports/COMn" in the user's
// settings, so that the monitor's COMn reaches the simulator.
class PortRegistration {
public:
    PortRegistration() = default;
    PortRegistration(const PortRegistration &) = delete;
    PortRegistration &operator=(const PortRegistration &) = delete;
    ~PortRegistration() { restore(); }

    // Refuses a settings file that cannot be read (nothing is written then)
    // and a COMn that another running simulator holds (an existing /dev/pts/N).
    // Why nothing was registered; nothing when the port was.
    std::optional<QString> registerPort(int number, const QString &devicePath);
    // Puts the previous value back (or removes the key) if the key still
    // holds the device path; a value someone changed meanwhile stays. A
    // previous value that is a pseudo-terminal gone since is not put back.
    void restore();

private:
    QString m_key;
    QString m_owner; // the key that names this simulator as the mapping's owner
    QString m_device;
    std::optional<QVariant> m_previous;
    bool m_active = false;
};

} // namespace vx::sim
