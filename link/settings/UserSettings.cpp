#include "settings/UserSettings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>
#include <QStringTokenizer>

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

namespace {

SettingsFileCheck textCheck(const QByteArray &bytes)
{
    if (bytes.contains('\0'))
        return {.problem = SettingsFileCheck::Binary};
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString text = utf8(bytes);
    if (utf8.hasError())
        return {.problem = SettingsFileCheck::NotUtf8};
    int number = 0;
    for (QStringView line : QStringTokenizer(text, u'\n')) {
        ++number;
        line = line.trimmed();
        if (line.isEmpty() || line.startsWith(u';') || line.startsWith(u'#')
            || (line.startsWith(u'[') && line.endsWith(u']')) || line.indexOf(u'=') > 0)
            continue;
        return {.problem = SettingsFileCheck::NotASetting, .line = number};
    }
    return {};
}

} // namespace

SettingsFileCheck checkSettingsFile(const QString &path)
{
    if (settingsInRegistry())
        return {};
    const QFileInfo lock(path + QStringLiteral(".lock"));
    if ((lock.exists() || lock.isSymLink()) && (!lock.isFile() || lock.isSymLink()))
        return {.problem = SettingsFileCheck::LockNotPlainFile};
    const QFileInfo info(path);
    if (info.isSymLink() && !info.exists())
        return {.problem = SettingsFileCheck::LinkToNothing};
    if (!info.exists())
        return {};
    if (!info.isFile())
        return {.problem = SettingsFileCheck::NotPlainFile};
    if (info.size() > kMaxSettingsBytes)
        return {.problem = SettingsFileCheck::TooLarge, .size = info.size()};
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {SettingsFileCheck::CannotOpen, 0, 0, file.errorString()};
    const QByteArray bytes = file.read(kMaxSettingsBytes + 1);
    if (bytes.size() > kMaxSettingsBytes) // it grew meanwhile
        return {.problem = SettingsFileCheck::TooLarge, .size = bytes.size()};
    return textCheck(bytes);
}

void createPrivateSettingsFile(const QString &path)
{
    if (settingsInRegistry() || QFileInfo::exists(path) || QFileInfo(path).isSymLink())
        return;
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::NewOnly))
        file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
}

std::unique_ptr<QSettings> openUserSettings()
{
    const QString path = userSettingsLocation();
    createPrivateSettingsFile(path);
    return std::make_unique<QSettings>(path, userSettingsFormat());
}

} // namespace vx
