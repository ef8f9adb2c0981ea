#include "portnames/LockHolders.h"

#include <QFile>

#include <cerrno>
#include <csignal>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace vx {

QString processDescription(qint64 pid)
{
    QFile comm(QStringLiteral("/proc/%1/comm").arg(pid));
    const QString name = comm.open(QIODevice::ReadOnly) ? QString::fromUtf8(comm.read(64)).trimmed() : QString();
    return name.isEmpty() ? QStringLiteral("pid %1").arg(pid) : QStringLiteral("%1, pid %2").arg(name).arg(pid);
}

bool processRuns(qint64 pid)
{
    return pid > 0 && pid <= 0x3fffffff && (::kill(pid_t(pid), 0) == 0 || errno != ESRCH);
}

QString flockHolder(int fd)
{
    struct stat st {};
    QFile locks(QStringLiteral("/proc/locks"));
    if (::fstat(fd, &st) != 0 || !locks.open(QIODevice::ReadOnly))
        return {};
    // "1: FLOCK  ADVISORY  WRITE 1234 08:01:5678 0 EOF"
    const QByteArray file = QByteArray::number(major(st.st_dev), 16).rightJustified(2, '0') + ':'
        + QByteArray::number(minor(st.st_dev), 16).rightJustified(2, '0') + ':' + QByteArray::number(quint64(st.st_ino));
    // A file of the proc file system tells no size: read up to a bound.
    for (const QByteArray &line : locks.read(4 * 1024 * 1024).split('\n')) {
        const QList<QByteArray> fields = line.simplified().split(' ');
        if (fields.size() < 6 || fields.at(1) != "FLOCK" || fields.at(5) != file)
            continue;
        return processDescription(fields.at(4).toLongLong());
    }
    return {};
}

} // namespace vx
