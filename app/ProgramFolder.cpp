#include "ProgramFolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryFile>

#ifndef Q_OS_WIN
#include <unistd.h>
#endif

namespace vx {

namespace {

// Windows' owners are security ids, not numbers: there a folder is the
// user's when it lies in the user's home (as root's folders are on Linux).
uint currentUser()
{
#ifdef Q_OS_WIN
    return 0;
#else
    return ::geteuid();
#endif
}

uint ownerOf(const QString &folder)
{
#ifdef Q_OS_WIN
    Q_UNUSED(folder);
    return 0;
#else
    return QFileInfo(folder).ownerId();
#endif
}

} // namespace

QString programFolder()
{
    return QDir::toNativeSeparators(QCoreApplication::applicationDirPath());
}

namespace {

// Whether the program may create files in this folder.
bool isWritableFolder(const QString &folder)
{
    const QFileInfo info(folder);
    if (!info.isDir())
        return false;
    // Permission bits do not tell about read-only mounts: try it.
    QTemporaryFile probe(QDir(folder).filePath(QStringLiteral(".vx-write-test-XXXXXX")));
    return probe.open();
}

} // namespace

bool isUsersFolder(const QString &folder)
{
    return isUsersFolder(folder, ownerOf(folder), currentUser(), QDir::homePath());
}

bool isUsersFolder(const QString &folder, uint folderOwner, uint user, const QString &home)
{
    const QString canonicalHome = QFileInfo(home).canonicalFilePath();
    const QString canonical = QFileInfo(folder).canonicalFilePath();
    const bool insideHome = !canonicalHome.isEmpty()
        && (canonical == canonicalHome || canonical.startsWith(canonicalHome + QLatin1Char('/')));
    return folderOwner == user && (user != 0 || insideHome) && isWritableFolder(folder);
}

QString defaultDataFolder([[maybe_unused]] const QString &programFolder)
{
#ifdef Q_OS_WIN
    // Windows users keep their files in Documents, whatever folder the
    // program was unpacked into.
    return defaultDataFolder(QString(), 0, 0, QDir::homePath(),
                             QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation));
#else
    return defaultDataFolder(programFolder, ownerOf(programFolder), currentUser(), QDir::homePath(),
                             QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation));
#endif
}

QString defaultDataFolder(const QString &programFolder, uint folderOwner, uint user, const QString &home,
                          const QString &documents)
{
    if (isUsersFolder(programFolder, folderOwner, user, home))
        return programFolder;
    // A proposed file in a folder that does not exist could not be saved.
    if (!documents.isEmpty() && QDir().mkpath(documents) && isWritableFolder(documents))
        return QDir::toNativeSeparators(documents);
    return QDir::toNativeSeparators(home);
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
