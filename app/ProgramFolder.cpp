#include "ProgramFolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryFile>

namespace vx {

QString programFolder()
{
    return QDir::toNativeSeparators(QCoreApplication::applicationDirPath());
}

bool isWritableFolder(const QString &folder)
{
    const QFileInfo info(folder);
    if (!info.isDir())
        return false;
    // Permission bits do not tell about read-only mounts: try it.
    QTemporaryFile probe(QDir(folder).filePath(QStringLiteral(".vx-write-test-XXXXXX")));
    return probe.open();
}

QString defaultDataFolder(const QString &programFolder)
{
    if (isWritableFolder(programFolder))
        return programFolder;
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return QDir::toNativeSeparators(documents.isEmpty() ? QDir::homePath() : documents);
}

QString joinPath(const QString &folder, const QString &name)
{
    if (folder.isEmpty() || folder.endsWith(QDir::separator()) || folder.endsWith(QLatin1Char('/')))
        return folder + name;
    return folder + QDir::separator() + name;
}

QString formatDatePattern(const QDate &date, const QString &pattern)
{
    QString out;
    for (qsizetype i = 0; i < pattern.size();) {
        const QStringView rest = QStringView(pattern).mid(i);
        if (rest.startsWith(u"yyyy", Qt::CaseInsensitive)) {
            out += QStringLiteral("%1").arg(date.year(), 4, 10, QLatin1Char('0'));
            i += 4;
        } else if (rest.startsWith(u"mm", Qt::CaseInsensitive)) {
            out += QStringLiteral("%1").arg(date.month(), 2, 10, QLatin1Char('0'));
            i += 2;
        } else if (rest.startsWith(u"dd", Qt::CaseInsensitive)) {
            out += QStringLiteral("%1").arg(date.day(), 2, 10, QLatin1Char('0'));
            i += 2;
        } else {
            out += pattern[i++];
        }
    }
    return out;
}

} // namespace vx
