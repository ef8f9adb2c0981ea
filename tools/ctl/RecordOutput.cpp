#include "RecordOutput.h"

#include "Record.h"

#include <QFileDevice>
#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace vx::ctl {

bool RecordOutput::open(const QString &path)
{
    if (path.isEmpty())
        return true;
    if (!m_file.openAppend(path)) {
        m_error = m_file.errorString();
        return false;
    }
    return true;
}

bool RecordOutput::writeLine(const QString &text)
{
    if (m_file.isOpen()) {
        if (m_file.writeLine(text))
            return true;
        m_error = m_file.errorString();
        return false;
    }
    const QByteArray line = vx::dataFileLine(text);
    if (m_io.out->write(line) != line.size()) {
        m_error = QStringLiteral("standard output: ") + m_io.out->errorString();
        return false;
    }
    if (auto *f = qobject_cast<QFileDevice *>(m_io.out); f && !f->flush()) {
        m_error = QStringLiteral("standard output: ") + f->errorString();
        return false;
    }
    return true;
}

bool RecordOutput::sync()
{
    if (m_file.isOpen()) {
        if (m_file.sync())
            return true;
        m_error = m_file.errorString();
        return false;
    }
    auto *f = qobject_cast<QFileDevice *>(m_io.out);
    if (!f)
        return true;
    if (!f->flush()) {
        m_error = QStringLiteral("standard output: ") + f->errorString();
        return false;
    }
    if (::fsync(f->handle()) != 0 && errno != EINVAL && errno != EROFS) {
        m_error = QStringLiteral("standard output: ") + QString::fromLocal8Bit(std::strerror(errno));
        return false;
    }
    return true;
}

} // namespace vx::ctl
