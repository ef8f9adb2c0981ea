// Who holds a lock, in words the user can act on: "picocom, pid 1234".
#pragma once

#include <QString>

namespace vx {

#ifdef Q_OS_WIN
// The program that has this file open, as the Restart Manager names it;
// empty when it does not tell.
QString fileHolder(const QString &path);
#else
// The process that holds an flock() on the file open at fd, from the
// system's list of locks; empty when the system does not tell.
QString flockHolder(int fd);
#endif

// "NAME, pid PID" with the program's name as the system knows it, or
// "pid PID" when it does not.
QString processDescription(qint64 pid);

// True when a process of that id runs (or may run: it exists, as another
// user's).
bool processRuns(qint64 pid);

} // namespace vx
