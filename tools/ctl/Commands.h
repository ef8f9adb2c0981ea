// The device commands, each one operation of the link and its printed result.
#pragma once

#include "ExitCode.h"

namespace vx::ctl {

class Session;

// time, set-time, id, set-id, count, version, voltage, recover, self-test,
// power-down, clear, station version|info; Usage for any other command.
Exit runTerminalCommand(Session &session);
Exit runStationCommand(Session &session);

// clear: asks on a terminal, refuses without one unless --yes.
Exit runClear(Session &session);

// tags count | download [-o FILE] | upload FILE
Exit runTags(Session &session);

} // namespace vx::ctl
