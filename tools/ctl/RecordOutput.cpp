#include "RecordOutput.h"

#include "terminal/Record.h"

#include <QDir>
#include <QFileDevice>
#include <cerrno>
#include <cstring>
#ifdef _WIN32
#include <io.h>
#define fsync _commit
#else
#include <unistd.h>
#endif

namespace vx::ctl {

Exit RecordOutput::open(const QString &path, bool storedCopy, bool records)
{
    const auto refuse = [&] {
        m_io.error(QStringLiteral("--clear needs the records in a regular file (-o FILE, or standard output "
                                  "redirected to one); %1 is not one, so nothing was done")
                       .arg(path.isEmpty() ? QStringLiteral("standard output") : QDir::toNativeSeparators(path)));
        return Exit::Usage;
    };
    auto *out = qobject_cast<QFileDevice *>(m_io.out);
    using Opened = vx::RecordFile::Opened;
    if (path.isEmpty()) {
        if (!records || !m_io.outIsRegularFile || !out)
            return storedCopy ? refuse() : Exit::Ok;
        out->flush();
        const Opened opened = m_record.adopt(out->handle());
        if (opened == Opened::Failed)
            return m_io.fail(m_record.failure());
        return opened == Opened::Regular || !storedCopy ? Exit::Ok : refuse();
    }
    const Opened opened = records ? m_record.open(path) : Opened::NotRegular;
    if (opened == Opened::Failed)
        return m_io.fail(m_record.failure());
    if (opened == Opened::Regular)
        return Exit::Ok;
    // Not even opened: the serial port itself, say, must not be touched.
    if (storedCopy)
        return refuse();
    return m_stream.openAppend(path) ? Exit::Ok : m_io.fail(m_stream.failure());
}

bool RecordOutput::failOut(vx::FailureKind kind, const QString &cause)
{
    m_failure = {kind, QStringLiteral("standard output: ") + cause};
    return false;
}

bool RecordOutput::writeLine(const QString &text)
{
    if (m_stream.isOpen()) {
        if (m_stream.writeLine(text))
            return true;
        m_failure = m_stream.failure();
        return false;
    }
    const QByteArray line = vx::dataFileLine(m_io.outIsTerminal ? shownOnTerminal(text) : text);
    if (m_io.out->write(line) != line.size())
        return failOut(vx::FailureKind::FileAccess, m_io.out->errorString());
    if (auto *f = qobject_cast<QFileDevice *>(m_io.out); f && !f->flush())
        return failOut(vx::FailureKind::FileAccess, f->errorString());
    return true;
}

bool RecordOutput::flush()
{
    if (m_stream.isOpen()) {
        if (m_stream.sync())
            return true;
        m_failure = m_stream.failure();
        return false;
    }
    auto *f = qobject_cast<QFileDevice *>(m_io.out);
    if (f && !f->flush())
        return failOut(vx::FailureKind::FileAccess, f->errorString());
    if (f && m_io.outIsRegularFile && ::fsync(f->handle()) != 0) {
        const int systemError = errno;
        return failOut(vx::fileFailureKind(systemError), QString::fromLocal8Bit(std::strerror(systemError)));
    }
    return true;
}

} // namespace vx::ctl
