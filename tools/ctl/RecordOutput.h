// Where downloaded lines go: appended to a data file, or to standard output;
// either way one CR LF line per item, its bytes as the device sent them
// (control characters escaped when standard output is a terminal).
#pragma once

#include "DataFile.h"
#include "ExitCode.h"
#include "Io.h"

namespace vx::ctl {

class RecordOutput {
public:
    explicit RecordOutput(Io &io) : m_io(io) {}
    // path empty: standard output. With storedCopy the lines must land in a
    // regular file that can be synced: anything else (a device, a FIFO, a
    // pipe, a terminal) is refused before it is opened where possible,
    // Usage; an output that cannot be opened is System. Both are reported.
    Exit open(const QString &path, bool storedCopy);
    bool writeLine(const QString &text);
    // Everything written is on the disk (a pipe or a terminal needs no more
    // than a flush).
    bool sync();
    // Why the last writeLine() or sync() failed.
    vx::Failure failure() const { return m_failure; }
    bool toStandardOutput() const { return !m_file.isOpen(); }

private:
    bool isRegularFile() const { return m_file.isOpen() ? m_file.isRegularFile() : m_io.outIsRegularFile; }
    bool failOut(vx::FailureKind kind, const QString &cause);

    Io &m_io;
    vx::DataFile m_file;
    vx::Failure m_failure;
};

} // namespace vx::ctl
