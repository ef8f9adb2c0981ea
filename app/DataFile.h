// A downloaded data file: opened for appending (created when missing), one
// line per record as the bytes the terminal sent, each ended by CR LF. Every
// failure throws an AppError.
#pragma once

#include <QFile>
#include <QString>

namespace vx {

class DataFile {
public:
    explicit DataFile(const QString &fileName);
    ~DataFile();
    DataFile(const DataFile &) = delete;
    DataFile &operator=(const DataFile &) = delete;

    // The text's characters as single bytes (they came off the line so),
    // then CR LF; straight to the system, nothing waits in a buffer.
    void writeLine(const QString &text);
    // Everything written is on the disk when this returns.
    void sync();
    void close();

    QString fileName() const { return m_file.fileName(); }

private:
    QFile m_file;
};

} // namespace vx
