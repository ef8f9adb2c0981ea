// Where the tool's downloaded lines go: records into a regular file through
// the download engine (RecordFile, exactly once), anything else as the
// lines come: a device, a pipe, standard output, or tag codes into a file.
// One CR LF line per item, its bytes as the device sent them (control
// characters escaped when standard output is a terminal).
#pragma once

#include "terminal/DataFile.h"
#include "download/Downloader.h"
#include "ExitCode.h"
#include "Io.h"
#include "download/RecordFile.h"

namespace vx::ctl {

class RecordOutput : public vx::LineStream {
public:
    explicit RecordOutput(Io &io) : m_io(io) {}
    // path empty: standard output. With `records`, a regular file (or
    // standard output redirected to one) is opened for the engine: file().
    // With storedCopy (--clear) nothing else will do: a device, a FIFO, a
    // pipe or a terminal is refused before it is opened where possible,
    // Usage. An output that cannot be opened is System. Both are reported.
    Exit open(const QString &path, bool storedCopy, bool records = true);
    // The regular file the engine stores records in; nullptr for a stream.
    vx::RecordFile *file() { return m_record.isOpen() ? &m_record : nullptr; }
    // open() failed because another program holds the file.
    bool inUse() const { return m_record.inUse(); }
    bool toStandardOutput() const { return !m_record.isOpen() && !m_stream.isOpen(); }

    bool writeLine(const QString &text) override;
    // Everything written is on its way (a regular file: on the disk).
    bool flush() override;
    vx::Failure failure() const override { return m_failure; }

private:
    bool failOut(vx::FailureKind kind, const QString &cause);

    Io &m_io;
    vx::RecordFile m_record;
    vx::DataFile m_stream;
    vx::Failure m_failure;
};

} // namespace vx::ctl
