// download [-o FILE] [--clear] [--update-time] [--power-down]
#pragma once

#include "ExitCode.h"

namespace vx::ctl {

class Session;

// Fetches every record, writes each with its first field converted, and
// runs the chosen automation only after the end of the records has arrived
// and the output is on the disk. A failure status, a port failure or an
// output that cannot be written ends the download without automation.
// --clear needs a regular file, and clears only when the terminal's record
// count equals the records stored in this download.
Exit runDownload(Session &session);

} // namespace vx::ctl
