#include "SettingsFile.h"

#include "terminal/Numbers.h"
#include "portnames/PortNames.h"
#include "settings/SettingKeys.h"
#include "settings/UserSettings.h"

#include <QDir>


namespace vx::ctl {

namespace {

// Why the file cannot be read as settings, in the tool's words; empty when it can.
QString fileProblem(const QString &path)
{
    const vx::SettingsFileCheck check = vx::checkSettingsFile(path);
    switch (check.problem) {
    case vx::SettingsFileCheck::None: return QString();
    case vx::SettingsFileCheck::LinkToNothing:
    case vx::SettingsFileCheck::NotPlainFile: return QStringLiteral("not a regular file");
    case vx::SettingsFileCheck::LockNotPlainFile:
        return QStringLiteral("its lock file %1.lock is not a regular file; remove it").arg(QDir::toNativeSeparators(path));
    case vx::SettingsFileCheck::TooLarge:
        return QStringLiteral("%1 bytes, more than the 1 MiB a settings file may have").arg(check.size);
    case vx::SettingsFileCheck::CannotOpen: return check.systemText;
    case vx::SettingsFileCheck::Binary:
    case vx::SettingsFileCheck::NotUtf8:
    case vx::SettingsFileCheck::NotASetting: return QStringLiteral("not in the settings format");
    }
    return QString();
}

} // namespace

bool SettingsFile::load()
{
    if (m_loaded)
        return m_error.isEmpty();
    m_loaded = true;
    // Checked before QSettings, which parses the whole file as soon as it is
    // constructed.
    const QString path = vx::userSettingsLocation();
    QString cause = fileProblem(path);
    if (cause.isEmpty()) {
        m_settings = vx::openUserSettings();
        // Every section is parsed now: QSettings parses a section only when
        // a key of it is wanted, and would rewrite a file it cannot parse.
        m_settings->allKeys();
        if (m_settings->status() != QSettings::NoError)
            cause = QStringLiteral("not in the settings format");
    }
    if (!cause.isEmpty())
        m_error = QStringLiteral("%1: the settings file cannot be read: %2").arg(QDir::toNativeSeparators(path), cause);
    return m_error.isEmpty();
}

int SettingsFile::monitorsPort() const
{
    const QString stored = m_settings->value(vx::key::Comport.path, QStringLiteral("0")).toString();
    const auto position = vx::toInt16(vx::leadingNumber(stored));
    return position && *position >= 0 && *position <= 15 ? *position + 1 : 1;
}

int SettingsFile::historyDays() const { return vx::historyDays(m_settings->value(vx::key::HistoryDays.path).toString()); }

bool SettingsFile::keepRecords() const { return m_settings->value(vx::key::KeepRecords.path).toString() == u"1"; }

QString SettingsFile::device(int number) const
{
    return vx::mappedCommPort(number, m_settings->value(vx::key::portMap(number).path).toString(),
                              m_settings->value(vx::key::simulator(number).path).toString());
}

bool SettingsFile::isMapped(int number) const
{
    return device(number) != vx::defaultCommPort(number);
}

bool SettingsFile::setMapping(int number, const QString &device)
{
    if (device.isEmpty())
        m_settings->remove(vx::key::portMap(number).path);
    else
        m_settings->setValue(vx::key::portMap(number).path, device);
    m_settings->sync();
    if (m_settings->status() == QSettings::NoError)
        return true;
    m_error = QStringLiteral("%1: the settings file cannot be written").arg(m_settings->fileName());
    return false;
}

} // namespace vx::ctl
