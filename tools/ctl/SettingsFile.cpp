#include "SettingsFile.h"

#include "Numbers.h"
#include "PortNames.h"
#include "UserSettings.h"

#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

namespace vx::ctl {

namespace {

// Where the user's settings live, known without opening them: QSettings
// parses the whole file as soon as it is constructed.
QString settingsPath() { return vx::userSettingsLocation(); }

} // namespace

bool SettingsFile::load()
{
    if (m_loaded)
        return m_error.isEmpty();
    m_loaded = true;
    const QString path = settingsPath();
    const QFileInfo info(path);
    QString cause;
    if (info.exists() && !vx::settingsInRegistry()) {
        QFile file(path);
        if (!info.isFile())
            cause = QStringLiteral("not a regular file");
        else if (info.size() > kMaxBytes)
            cause = QStringLiteral("%1 bytes, more than the 1 MiB a settings file may have").arg(info.size());
        else if (!file.open(QIODevice::ReadOnly))
            cause = file.errorString();
    }
    if (cause.isEmpty()) {
        m_settings = vx::openUserSettings();
        // Every section is parsed now: QSettings parses a section only when
        // a key of it is wanted, and would rewrite a file it cannot parse.
        m_settings->allKeys();
        if (m_settings->status() != QSettings::NoError)
            cause = QStringLiteral("not in the settings format");
    }
    if (!cause.isEmpty())
        m_error = QStringLiteral("%1: the settings file cannot be read: %2").arg(path, cause);
    return m_error.isEmpty();
}

int SettingsFile::monitorsPort() const
{
    const QString stored = m_settings->value(vx::kStoredPortKey, QStringLiteral("0")).toString();
    const auto position = vx::toInt16(vx::leadingNumber(stored));
    return position && *position >= 0 && *position <= 15 ? *position + 1 : 1;
}

int SettingsFile::historyDays() const { return vx::historyDays(m_settings->value(vx::kHistoryDaysKey).toString()); }

bool SettingsFile::keepRecords() const { return m_settings->value(vx::kKeepRecordsKey).toString() == u"1"; }

QString SettingsFile::device(int number) const
{
    return vx::mappedCommPort(number, m_settings->value(vx::portMapKey(number)).toString(),
                              m_settings->value(vx::simulatorKey(number)).toString());
}

bool SettingsFile::isMapped(int number) const
{
    return device(number) != vx::defaultCommPort(number);
}

bool SettingsFile::setMapping(int number, const QString &device)
{
    if (device.isEmpty())
        m_settings->remove(vx::portMapKey(number));
    else
        m_settings->setValue(vx::portMapKey(number), device);
    m_settings->sync();
    if (m_settings->status() == QSettings::NoError)
        return true;
    m_error = QStringLiteral("%1: the settings file cannot be written").arg(m_settings->fileName());
    return false;
}

} // namespace vx::ctl
