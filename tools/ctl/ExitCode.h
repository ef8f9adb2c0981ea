// What the tool's exit status tells a script.
#pragma once

namespace vx::ctl {

enum class Exit : int {
    Ok = 0,             // done
    DeviceFailure = 1,  // the device answered with a failure status
    Usage = 2,          // the command line is wrong
    System = 3,         // the port or a file could not be used
};

} // namespace vx::ctl
