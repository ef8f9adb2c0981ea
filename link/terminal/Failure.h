// The one value that says why an operation failed: what kind of failure it
// is and the words that name the cause. The serial port, the terminal link
// and the data file report it; the holders decide how it is shown.
#pragma once

#include <QString>

namespace vx {

enum class FailureKind {
    // The serial port.
    PortMissing,   // no such device
    PortInUse,     // held by another program
    PortDenied,    // no right to open it
    PortSettings,  // line settings rejected
    PortClosed,    // an operation on a closed port
    PortIo,        // a write or read failed, the device went away
    // A reply that arrived intact but cannot be used.
    Overflow,      // a number out of range
    BadData,       // no value of the expected type
    // Files.
    FileIo,        // the device reported an I/O error
    DiskFull,
    FileDenied,    // no permission, a read-only file system
    PathNotFound,
    FileAccess,    // any other reason a file cannot be used
    // The program itself.
    OutOfMemory,
    Internal,
};

struct Failure {
    FailureKind kind = FailureKind::Internal;
    QString detail{}; // what was wrong, with the system's words for it; may be empty

    // The failure's error number: 8005 a port in use, 61 a full disk, ...
    int number() const;
};

// The text of a failure: its detail, or the kind's own words without one.
QString describe(const Failure &failure);

// The kind of a file failure, from the system's error number (errno).
FailureKind fileFailureKind(int systemError);

} // namespace vx
