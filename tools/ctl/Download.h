// download [-o FILE] [--clear] [--update-time] [--power-down]
#pragma once

#include "ExitCode.h"

namespace vx::ctl {

class Session;

// Fetches every record, writes each with its first field converted, and
// runs the chosen automation only after the end of the records has arrived
// and the output is on the disk. A failure status, a port failure or an
// output that cannot be written ends the download without automation.
Exit runDownload(Session &session);

} // namespace vx::ctl
