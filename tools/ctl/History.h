// history [--since DATE] [--json]: the downloads the ledger knows.
#pragma once

#include "ExitCode.h"

namespace vx::ctl {

class Session;

// One line per download, oldest first: when, the port, the machine number,
// the records, the file and how it ended (cleared, or why not). --port
// keeps one port's, --since those from a day on. Nothing when there are none.
Exit runHistory(Session &session);

} // namespace vx::ctl
