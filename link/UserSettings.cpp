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

bool settingsInRegistry()
{
#ifdef Q_OS_WIN
    return qgetenv("VX500_SETTINGS") != "ini";
#else
    return false;
#endif
}

QString userSettingsLocation()
{
    if (settingsInRegistry())
        return QStringLiteral("HKEY_CURRENT_USER\\Software\\") + kAppName;
    // The file is named without reading it: a store under another name
    // lies in the same folder, whichever folder the platform (or a test)
    // has set for the user's settings.
    const QSettings neighbour(QSettings::IniFormat, QSettings::UserScope, kAppName + QStringLiteral(" (folder)"));
    return QFileInfo(neighbour.fileName()).dir().filePath(kAppName + QStringLiteral(".ini"));
}

QSettings::Format userSettingsFormat() { return settingsInRegistry() ? QSettings::NativeFormat : QSettings::IniFormat; }

std::unique_ptr<QSettings> openUserSettings()
{
    auto settings = std::make_unique<QSettings>(userSettingsLocation(), userSettingsFormat());
    if (settingsInRegistry())
        return settings;
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
