// Where downloaded lines go: appended to a data file, or to standard output;
// either way one CR LF line per item, its bytes as the device sent them.
#pragma once

#include "DataFile.h"
#include "Io.h"

namespace vx::ctl {

class RecordOutput {
public:
    explicit RecordOutput(Io &io) : m_io(io) {}
    // path empty: standard output. False and errorString() when it cannot be opened.
    bool open(const QString &path);
    bool writeLine(const QString &text);
    // Everything written is on the disk (a pipe or a terminal needs no more
    // than a flush).
    bool sync();
    QString errorString() const { return m_error; }
    bool toFile() const { return m_file.isOpen(); }

private:
    Io &m_io;
    vx::DataFile m_file;
    QString m_error;
};

} // namespace vx::ctl
