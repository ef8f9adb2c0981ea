#include "UserSettings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace vx {

int historyDays(const QString &stored)
{
    bool ok = false;
    const int days = stored.trimmed().toInt(&ok);
    return ok && days >= 1 && days <= 3650 ? days : kDefaultHistoryDays;
}

std::unique_ptr<QSettings> openUserSettings()
{
    // An INI file in the user's configuration folder on every platform.
    auto settings = std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope, kAppName);
    // It holds the program password: whichever program creates it makes it
    // readable by its owner only (later saves keep the file's permissions).
    const QString path = settings->fileName();
    if (!QFileInfo::exists(path) && QDir().mkpath(QFileInfo(path).absolutePath())) {
        QFile file(path);
        if (file.open(QIODevice::WriteOnly | QIODevice::NewOnly))
            file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    }
    return settings;
}

} // namespace vx
