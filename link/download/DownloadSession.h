// A download as both programs start it: the output (a regular file, which
// the engine's ledger keeps exactly once, or anything else as a stream of
// lines), the engine prepared for it, and the run. The programs choose the
// job and present the result; this is the one place between.
#pragma once

#include "download/Downloader.h"

#include <memory>

namespace vx {

class DownloadSession {
public:
    DownloadSession(TerminalLink &link, const DownloadJob &job) : m_downloader(link, job) {}

    // Opens `path` to append: a regular file as the engine's record file,
    // anything else (a device, a FIFO) as a stream. False with failure()
    // when it cannot be opened, or the file's ledger or side files refuse.
    bool open(const QString &path, FileCalls &calls);
    // An output the caller opened: its regular file when it has one, else
    // the stream. False with failure() as for open().
    bool use(RecordFile *file, LineStream &stream);

    DownloadResult run(DownloadEvents &events) { return m_downloader.run(events); }
    const Failure &failure() const { return m_failure; }
    // Where the records go: the regular file's own path (after links), or
    // the name opened.
    const QString &target() const { return m_target; }

private:
    bool prepared(RecordFile &file);

    Downloader m_downloader;
    std::unique_ptr<RecordFile> m_file;
    DataFile m_device;
    DataFileStream m_stream{m_device};
    Failure m_failure;
    QString m_target;
};

} // namespace vx
