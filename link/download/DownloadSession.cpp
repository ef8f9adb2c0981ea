#include "download/DownloadSession.h"

namespace vx {

bool DownloadSession::open(const QString &path, FileCalls &calls)
{
    m_target = path;
    m_file = std::make_unique<RecordFile>(calls);
    switch (m_file->open(path)) {
    case RecordFile::Opened::Regular:
        return prepared(*m_file);
    case RecordFile::Opened::NotRegular:
        if (!m_device.openAppend(path))
            return m_failure = m_device.failure(), false;
        m_downloader.prepare(m_stream);
        return true;
    case RecordFile::Opened::Failed:
        break;
    }
    m_failure = m_file->failure();
    return false;
}

bool DownloadSession::use(RecordFile *file, LineStream &stream)
{
    if (file)
        return prepared(*file);
    m_downloader.prepare(stream);
    return true;
}

bool DownloadSession::prepared(RecordFile &file)
{
    m_target = file.identity().path;
    if (m_downloader.prepare(file))
        return true;
    m_failure = m_downloader.failure();
    return false;
}

} // namespace vx
