// Where downloaded lines go: a regular data file through its side file
// (OnceFile: the lines reach it only with commit()), straight to a device or
// a pipe, or to standard output; either way one CR LF line per item, its
// bytes as the device sent them (control characters escaped when standard
// output is a terminal).
#pragma once

#include "DataFile.h"
#include "ExitCode.h"
#include "Io.h"
#include "OnceFile.h"

namespace vx::ctl {

class RecordOutput {
public:
    explicit RecordOutput(Io &io, FileCalls &calls = systemFileCalls()) : m_io(io), m_once(calls) {}
    // path empty: standard output. With storedCopy the lines must land in a
    // regular file that can be synced: anything else (a device, a FIFO, a
    // pipe, a terminal) is refused before it is opened where possible,
    // Usage; an output that cannot be opened is System. Both are reported.
    Exit open(const QString &path, bool storedCopy);
    bool writeLine(const QString &text);
    // Everything written is on the disk (a pipe or a terminal needs no more
    // than a flush).
    bool sync();
    // After the last line: the lines in the data file, on the disk.
    bool commit();
    // The terminal no longer holds the lines committed (OnceFile::settle()).
    bool settle();
    // Lines committed that FILE already held (OnceFile::repeated()).
    int repeated() const { return m_once.repeated(); }
    // Where the lines of a download that did not end well are kept; empty
    // when they went straight to their place.
    QString sideFile() const { return m_once.isOpen() ? m_once.partPath() : QString(); }
    // Why the last writeLine(), sync(), commit() or settle() failed.
    vx::Failure failure() const { return m_failure; }
    bool toStandardOutput() const { return !m_file.isOpen() && !m_once.isOpen(); }

private:
    bool isRegularFile() const
    {
        return m_once.isOpen() || (m_file.isOpen() ? m_file.isRegularFile() : m_io.outIsRegularFile);
    }
    bool failOut(vx::FailureKind kind, const QString &cause);
    bool failOnce();

    Io &m_io;
    vx::DataFile m_file;
    OnceFile m_once;
    bool m_throughSideFile = false;
    vx::Failure m_failure;
};

} // namespace vx::ctl
