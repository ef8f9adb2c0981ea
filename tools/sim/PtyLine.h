// The simulator's end of a pseudo-terminal pair. The host opens the slave
// device (its path is devicePath()); the simulator reads and writes the
// master. The simulator keeps a descriptor of the slave open as well, so the
// line stays up while the host closes and reopens its port, and so it can
// read the line settings the host put on the pair.
#pragma once

#include "linesettings/LineSettings.h"

#include <QByteArray>
#include <QString>
#include <optional>

namespace vx::sim {

class PtyLine {
public:
    PtyLine() = default;
    PtyLine(const PtyLine &) = delete;
    PtyLine &operator=(const PtyLine &) = delete;
    ~PtyLine();

    // Opens a new pair in raw mode; what went wrong, or nothing.
    std::optional<QString> open();
    bool isOpen() const { return m_master >= 0; }
    QString devicePath() const { return m_path; }
    int masterFd() const { return m_master; }

    // The settings the host put on the line; a speed of 0 when it cannot be
    // read or is none of the usual ones.
    LineSettings settings() const;

    // Appends everything waiting on the master, never blocking; false when the
    // line failed (what was read before the failure is in out).
    bool readAvailable(QByteArray &out);
    // Writes as much as the line takes now; the number of bytes taken, -1 on failure.
    qsizetype writeSome(const char *data, qsizetype size);

    // The far end goes away: both descriptors close, the host's port fails.
    void hangUp();

private:
    int m_master = -1;
    int m_slave = -1;
    QString m_path;
};

// Baud of a termios speed constant (B19200 -> 19200); 0 when unknown.
qint32 baudOfSpeed(unsigned speed);

} // namespace vx::sim
