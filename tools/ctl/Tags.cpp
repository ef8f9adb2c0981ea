#include "Tags.h"

#include "terminal/Frame.h"
#include "RecordOutput.h"
#include "Session.h"

#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vx::ctl {

namespace {

struct TagCode {
    qint16 index; // the line number, from 1
    QString code;
};

// A tag list file, one code per line (LF or CR LF), read a line at a time.
// Blank lines hold no code but keep their number.
class TagList {
public:
    explicit TagList(const QString &path) : m_path(path) {}

    // Only a regular file: it is read twice, and a FIFO or a device could
    // block or never end. Opened without waiting for a FIFO's writer.
    bool open()
    {
#ifdef _WIN32
        // No FIFOs by name on Windows; a device name (CON, NUL) is no file.
        if (!QFileInfo(m_path).isFile()) {
            m_problem = QFileInfo::exists(m_path) ? QStringLiteral("not a regular file; a tag list is a text file")
                                                  : QString::fromLocal8Bit(std::strerror(ENOENT));
            return false;
        }
        m_file.setFileName(m_path);
        if (!m_file.open(QIODevice::ReadOnly)) {
            m_problem = m_file.errorString();
            return false;
        }
        return true;
#else
        const int fd = ::open(QFile::encodeName(m_path).constData(), O_RDONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        struct stat st {};
        if (fd < 0 || ::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
            m_problem = fd < 0 ? QString::fromLocal8Bit(std::strerror(errno))
                               : QStringLiteral("not a regular file; a tag list is a text file");
            if (fd >= 0)
                ::close(fd);
            return false;
        }
        return m_file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle);
#endif
    }
    bool rewind()
    {
        m_line = 0;
        if (m_file.seek(0))
            return true;
        m_problem = m_file.errorString();
        return false;
    }

    // The next code; false at the end of the file, or with a problem().
    bool next(TagCode &tag)
    {
        for (;;) {
            QByteArray line = m_file.readLine(kMaxTagCodeBytes + 3);
            if (line.isEmpty()) {
                if (m_file.error() != QFileDevice::NoError)
                    m_problem = m_file.errorString();
                return false;
            }
            if (++m_line > kMaxTagLines)
                return refuse(QStringLiteral("more than %1 lines; a tag list holds at most %1 codes").arg(kMaxTagLines));
            if (line.endsWith('\n'))
                line.chop(1);
            if (line.endsWith('\r'))
                line.chop(1);
            if (line.size() > kMaxTagCodeBytes)
                return refuse(QStringLiteral("a code longer than %1 bytes").arg(kMaxTagCodeBytes));
            for (const char c : line)
                if (static_cast<uchar>(c) < 0x20 || c == 0x7F)
                    return refuse(QStringLiteral("the control byte 0x%1 in the code")
                                      .arg(static_cast<uchar>(c), 2, 16, QLatin1Char('0')));
            if (!line.trimmed().isEmpty()) {
                tag = {static_cast<qint16>(m_line), vx::fromLine(line)};
                return true;
            }
        }
    }

    bool failed() const { return !m_problem.isEmpty(); }
    // "FILE: problem", or "FILE: line N: problem" for a refused line.
    QString problem() const { return m_path + QStringLiteral(": ") + m_problem; }
    bool refused() const { return m_refused; }

private:
    bool refuse(const QString &why)
    {
        m_refused = true;
        m_problem = QStringLiteral("line %1: %2").arg(m_line).arg(why);
        return false;
    }

    QString m_path;
    QFile m_file;
    int m_line = 0;
    QString m_problem;
    bool m_refused = false;
};

} // namespace

Exit tagsDownload(Session &s)
{
    Io &io = s.io();
    vx::TerminalLink &vx = s.link();
    RecordOutput output(io);
    if (const Exit e = output.open(s.invocation().output, false, false); e != Exit::Ok)
        return e;
    vx.beginTagDownload(s.id());
    if (s.portFailed())
        return s.outcome();
    int count = 0;
    QString code;
    for (;;) {
        vx.nextTagCode(code);
        if (s.portFailed() || vx.status() != vx::VX_SUCCESS)
            break;
        if (!output.writeLine(code))
            return io.fail(output.failure());
        ++count;
    }
    if (!s.invocation().quiet)
        io.note(QStringLiteral("%1 tag codes").arg(count));
    if (s.portFailed())
        return s.outcome();
    if (!output.flush())
        return io.fail(output.failure());
    return vx.status() == vx::VX_END_OF_STREAM ? Exit::Ok : s.outcome(QStringLiteral("tags download"));
}

Exit tagsUpload(Session &s)
{
    Io &io = s.io();
    TagList list(s.invocation().file);
    TagCode tag;
    int codes = 0;
    if (list.open())
        while (list.next(tag))
            ++codes;
    if (list.refused()) {
        io.error(list.problem());
        return Exit::Usage;
    }
    if (list.failed())
        return io.fail({vx::FailureKind::FileAccess, list.problem()});

    vx::TerminalLink &vx = s.link();
    vx.beginTagUpload(s.id());
    if (Exit e = s.outcome(QStringLiteral("tags upload")); e != Exit::Ok)
        return e;
    int sent = 0;
    if (list.rewind())
        for (; sent < codes && list.next(tag); ++sent) {
            vx.sendTagCode(tag.index, tag.code);
            if (Exit e = s.outcome(QStringLiteral("tags upload: line %1").arg(tag.index)); e != Exit::Ok)
                return e;
        }
    if (sent != codes)
        return io.fail({vx::FailureKind::FileAccess,
                        s.invocation().file + QStringLiteral(": the file changed while it was sent; the upload was stopped")});
    vx.endTagUpload();
    if (s.portFailed())
        return s.outcome();
    if (!s.invocation().quiet)
        io.note(QStringLiteral("%1 tag codes sent").arg(sent));
    io.print(QStringLiteral("OK"));
    return Exit::Ok;
}

} // namespace vx::ctl
