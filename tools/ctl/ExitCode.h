// What the tool's exit status tells a script.
#pragma once

#include "terminal/Failure.h"

namespace vx::ctl {

enum class Exit : int {
    Ok = 0,             // done
    DeviceFailure = 1,  // the device answered with a failure status
    Usage = 2,          // the command line is wrong
    System = 3,         // the port or a file could not be used
    Interrupted = 130,  // Ctrl+C (SIGINT) ended it; SIGTERM gives 143 (StopSignals.h)
};

// The exit status a failure ends the run with: a reply that cannot be used
// is the device's failure, anything else the system's. Every kind is listed
// and there is no default: a new kind does not build (-Werror=switch) until
// it has its status here.
inline Exit exitFor(vx::FailureKind kind)
{
    switch (kind) {
    case vx::FailureKind::Overflow:
    case vx::FailureKind::BadData:
        return Exit::DeviceFailure;
    case vx::FailureKind::PortMissing:
    case vx::FailureKind::PortInUse:
    case vx::FailureKind::PortDenied:
    case vx::FailureKind::PortSettings:
    case vx::FailureKind::PortClosed:
    case vx::FailureKind::PortIo:
    case vx::FailureKind::FileIo:
    case vx::FailureKind::DiskFull:
    case vx::FailureKind::FileDenied:
    case vx::FailureKind::PathNotFound:
    case vx::FailureKind::FileAccess:
    case vx::FailureKind::OutOfMemory:
    case vx::FailureKind::Internal:
        return Exit::System;
    }
    return Exit::System; // a value outside the enumeration
}

} // namespace vx::ctl
