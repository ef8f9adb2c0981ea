// The user's request to stop, while an object of this class lives: SIGINT
// (Ctrl+C) or SIGTERM on Linux; Ctrl+C, Ctrl+Break or the console's closing
// on Windows. The program is not ended by it: it finishes what it must (the
// records that arrived go to the disk) and ends with exitStatus(). A second
// Ctrl+C ends the program at once, as the system would have.
#pragma once

#include <QtGlobal>

namespace vx::ctl {

class StopSignals {
public:
    StopSignals();
    ~StopSignals();
    StopSignals(const StopSignals &) = delete;
    StopSignals &operator=(const StopSignals &) = delete;

    bool requested() const;
    // Waits msecs, less when a stop is asked for; false once it is.
    bool sleep(qint64 msecs);
    // The status of a program that a stop ended: 128 and the signal's
    // number on Linux (130 for SIGINT, 143 for SIGTERM); 130 on Windows.
    int exitStatus() const;
};

} // namespace vx::ctl
