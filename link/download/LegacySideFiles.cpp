#include "download/LegacySideFiles.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <cerrno>
#include <algorithm>
#include <cstring>
#ifndef Q_OS_WIN
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace vx {

#ifdef Q_OS_WIN

// The side files were never made on Windows: no earlier version ran there.
std::optional<UnclearedLines> takeOverSideFiles(RecordFile &, Failure &) { return UnclearedLines{}; }
bool removeSideFiles(const RecordFile &, Failure &) { return true; }

#else

namespace {

constexpr qint64 kMaxSideFileBytes = 64 * 1024 * 1024;

struct SideFile {
    QString path;
    bool exists = false;
    QByteArray bytes{};
};

// Reads a side file if there is one; false with the reason when it is not
// one that this program could have left.
bool readSideFile(SideFile &side, QString &why)
{
    const QByteArray name = QFile::encodeName(side.path);
    struct stat st {};
    if (::lstat(name.constData(), &st) != 0)
        return errno == ENOENT || (why = QString::fromLocal8Bit(std::strerror(errno)), false);
    side.exists = true;
    if (!S_ISREG(st.st_mode))
        return why = QCoreApplication::translate("vx::LegacySideFiles", "not a regular file"), false;
    if (st.st_uid != ::geteuid())
        return why = QCoreApplication::translate("vx::LegacySideFiles", "belongs to another user"), false;
    if (st.st_size > kMaxSideFileBytes)
        return why = QCoreApplication::translate("vx::LegacySideFiles", "larger than any download"), false;
    const int fd = ::open(name.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return why = QString::fromLocal8Bit(std::strerror(errno)), false;
    side.bytes.resize(st.st_size);
    qsizetype done = 0;
    while (done < side.bytes.size()) {
        const ssize_t n = ::read(fd, side.bytes.data() + done, size_t(side.bytes.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        done += n;
    }
    ::close(fd);
    side.bytes.truncate(done);
    return true;
}

} // namespace

std::optional<UnclearedLines> takeOverSideFiles(RecordFile &file, Failure &failure)
{
    const QString path = file.identity().path;
    SideFile journal{.path = path + QStringLiteral(".journal")}, part{.path = path + QStringLiteral(".part")},
        uncleared{.path = path + QStringLiteral(".uncleared")};
    const auto leave = [&](const QString &which, const QString &why) {
        failure = {FailureKind::FileAccess,
                   QCoreApplication::translate("vx::LegacySideFiles", "%1: %2; it and %3 are left as they are").arg(which, why, path)};
        return std::nullopt;
    };
    for (SideFile *side : {&journal, &part, &uncleared}) {
        QString why;
        if (!readSideFile(*side, why))
            return leave(side->path, why);
    }
    if (!journal.exists && !part.exists && !uncleared.exists)
        return UnclearedLines{};

    if (journal.exists) {
        static const QRegularExpression shape(QStringLiteral("^(\\d{1,18}) ([01]) (\\d{1,18})\\n$"));
        const QRegularExpressionMatch m = shape.match(QString::fromLatin1(journal.bytes));
        if (!m.hasMatch())
            return leave(journal.path, QCoreApplication::translate("vx::LegacySideFiles", "not a journal of this program"));
        const qint64 length = m.captured(1).toLongLong(), skip = m.captured(3).toLongLong();
        // FILE.part is FILE.uncleared once the block was whole in FILE.
        const SideFile &lines = part.exists ? part : uncleared;
        QByteArray block = (m.captured(2) == u"1" ? QByteArray("\r\n") : QByteArray()) + lines.bytes.mid(skip);
        const qint64 there = file.size() - length;
        if (skip > lines.bytes.size() || there < 0 || there > block.size() || !file.holds(length, block.left(there)))
            return leave(journal.path, QCoreApplication::translate("vx::LegacySideFiles", "%1 does not continue as this journal notes").arg(path));
        qint64 at = 0;
        if (there < block.size() && !file.append(block.mid(there), at)) {
            failure = file.failure();
            return std::nullopt;
        }
        uncleared.bytes = lines.bytes;
    }
    // The uncleared lines were the last block appended to FILE: FILE's end
    // holds them from where they begin, whole even when the side file was
    // cut short (a beginning of them is enough to find them).
    UnclearedLines found;
    found.found = true;
    const qint64 size = file.size(), tailAt = std::max<qint64>(0, size - kMaxSideFileBytes);
    const QByteArray tail = uncleared.bytes.isEmpty() ? QByteArray() : file.read(tailAt, size - tailAt);
    // (Qt 6.4's lastIndexOf() reads before the start for a needle longer than its haystack.)
    for (qsizetype at = uncleared.bytes.size() <= tail.size() ? tail.lastIndexOf(uncleared.bytes) : -1;
         at >= 0 && !uncleared.bytes.isEmpty();
         at = at > 0 ? tail.lastIndexOf(uncleared.bytes, at - 1) : -1) {
        if ((at == 0 ? tailAt == 0 || file.holds(tailAt - 1, "\n") : tail.at(at - 1) == '\n') && tail.endsWith("\r\n")) {
            found = {tail.mid(at), tailAt + at, true};
            break;
        }
    }
    return found;
}

// The records of a failed download in FILE.part alone were never appended:
// the terminal still holds them.
bool removeSideFiles(const RecordFile &file, Failure &failure)
{
    for (const char *side : {".journal", ".part", ".uncleared"}) {
        const QString path = file.identity().path + QLatin1String(side);
        if (::unlink(QFile::encodeName(path).constData()) != 0 && errno != ENOENT) {
            failure = {fileFailureKind(errno), QStringLiteral("%1: %2").arg(path, QString::fromLocal8Bit(std::strerror(errno)))};
            return false;
        }
    }
    return true;
}

#endif

} // namespace vx
