#include "RecordOutput.h"

#include "Record.h"

#include <QFileDevice>
#include <QFileInfo>
#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace vx::ctl {

Exit RecordOutput::open(const QString &path, bool storedCopy)
{
    const auto refuse = [&] {
        m_io.error(QStringLiteral("--clear needs the records in a regular file (-o FILE, or standard output "
                                  "redirected to one); %1 is not one, so nothing was done")
                       .arg(path.isEmpty() ? QStringLiteral("standard output") : path));
        return Exit::Usage;
    };
    if (!path.isEmpty()) {
        // Not even opened: the serial port itself, say, must not be touched.
        const QFileInfo info(path);
        if (storedCopy && info.exists() && !info.isFile())
            return refuse();
        // A device or a pipe takes the lines as they come: it has no end to
        // keep whole, and no folder for a side file.
        const bool direct = info.exists() && !info.isFile();
        m_throughSideFile = !direct;
        if (!(direct ? m_file.openAppend(path) : m_once.open(path))) {
            const vx::Failure failure = direct ? m_file.failure() : m_once.failure();
            m_io.error(vx::describe(failure));
            return exitFor(failure.kind);
        }
    }
    return storedCopy && !isRegularFile() ? refuse() : Exit::Ok;
}

bool RecordOutput::failOut(vx::FailureKind kind, const QString &cause)
{
    m_failure = {kind, QStringLiteral("standard output: ") + cause};
    return false;
}

bool RecordOutput::writeLine(const QString &text)
{
    if (m_once.isOpen())
        return m_once.writeLine(text) || failOnce();
    if (m_file.isOpen()) {
        if (m_file.writeLine(text))
            return true;
        m_failure = m_file.failure();
        return false;
    }
    const QByteArray line = vx::dataFileLine(m_io.outIsTerminal ? shownOnTerminal(text) : text);
    if (m_io.out->write(line) != line.size())
        return failOut(vx::FailureKind::FileAccess, m_io.out->errorString());
    if (auto *f = qobject_cast<QFileDevice *>(m_io.out); f && !f->flush())
        return failOut(vx::FailureKind::FileAccess, f->errorString());
    return true;
}

bool RecordOutput::failOnce()
{
    m_failure = m_once.failure();
    return false;
}

bool RecordOutput::commit()
{
    if (m_once.isOpen())
        return m_once.commit() || failOnce();
    return sync();
}

bool RecordOutput::settle()
{
    return !m_throughSideFile || m_once.settle() || failOnce();
}

bool RecordOutput::sync()
{
    if (m_once.isOpen())
        return m_once.syncPart() || failOnce();
    if (m_file.isOpen()) {
        if (m_file.sync())
            return true;
        m_failure = m_file.failure();
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
