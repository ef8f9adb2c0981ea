// What the tool's exit status tells a script.
#pragma once

#include "Failure.h"

namespace vx::ctl {

enum class Exit : int {
    Ok = 0,             // done
    DeviceFailure = 1,  // the device answered with a failure status
    Usage = 2,          // the command line is wrong
    System = 3,         // the port or a file could not be used
};

// The exit status a failure ends the run with: a reply that cannot be used
// is the device's failure, anything else the system's.
inline Exit exitFor(vx::FailureKind kind)
{
    switch (kind) {
    case vx::FailureKind::Overflow:
    case vx::FailureKind::BadData:
        return Exit::DeviceFailure;
    default:
        return Exit::System;
    }
}

} // namespace vx::ctl
