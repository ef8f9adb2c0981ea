#include "DeviceNames.h"

#include "portnames/LockHolders.h"
#include "portnames/PortNames.h"
#include "settings/SettingKeys.h"
#include "settings/UserSettings.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace vx::sim {

std::optional<QString> DeviceLink::create(const QString &linkPath, const QString &devicePath)
{
    const QFileInfo info(linkPath);
    if (info.isSymLink()) {
        QFile::remove(linkPath);
    } else if (info.exists()) {
        return QStringLiteral("%1 exists and is not a symbolic link; not replaced").arg(linkPath);
    }
    if (::symlink(QFile::encodeName(devicePath).constData(), QFile::encodeName(linkPath).constData()) != 0) {
        return QStringLiteral("cannot create the link %1: %2").arg(linkPath, QString::fromLocal8Bit(std::strerror(errno)));
    }
    m_link = linkPath;
    m_target = devicePath;
    return std::nullopt;
}

void DeviceLink::remove()
{
    if (m_link.isEmpty())
        return;
    if (QFileInfo(m_link).isSymLink() && QFile::symLinkTarget(m_link) == m_target)
        QFile::remove(m_link);
    m_link.clear();
}

namespace {

QString unusableSettings(QSettings &settings)
{
    settings.allKeys();
    switch (settings.status()) {
    case QSettings::NoError:
        return QString();
    case QSettings::FormatError:
        return QStringLiteral("%1 is not a readable settings file; not changed").arg(settings.fileName());
    case QSettings::AccessError:
        break;
    }
    return QStringLiteral("cannot write the settings file %1").arg(settings.fileName());
}

// A settings file that is none, or that QSettings cannot parse, would be
// rewritten, and what it held lost, by the first write: such a file is left
// alone. It is checked before QSettings reads it whole, then every section is
// read, since QSettings reads a section only when one of its keys is wanted.
std::unique_ptr<QSettings> openUsable(QString &error)
{
    const QString path = userSettingsLocation();
    if (!checkSettingsFile(path).ok()) {
        error = QStringLiteral("%1 is not a readable settings file; not changed").arg(path);
        return nullptr;
    }
    auto settings = openUserSettings();
    error = unusableSettings(*settings);
    return error.isEmpty() ? std::move(settings) : nullptr;
}


} // namespace

std::optional<QString> PortRegistration::registerPort(int number, const QString &devicePath)
{
    m_key = key::portMap(number).path;
    m_device = devicePath;
    QString error;
    const auto settings = openUsable(error);
    if (!settings)
        return error;
    // Another simulator that is still running keeps its port.
    const QString current = settings->value(m_key).toString().trimmed();
    const QString owner = settings->value(key::simulator(number).path).toString();
    if (isPseudoTerminal(current) && current != devicePath && QFileInfo::exists(current)
        && (owner.isEmpty() || processRuns(owner.toLongLong()))) {
        return QStringLiteral("COM%1 is already registered to %2").arg(number).arg(current);
    }
    if (settings->contains(m_key))
        m_previous = settings->value(m_key);
    settings->setValue(m_key, devicePath);
    settings->setValue(key::simulator(number).path, QCoreApplication::applicationPid());
    m_owner = key::simulator(number).path;
    settings->sync();
    if (settings->status() != QSettings::NoError) {
        return QStringLiteral("cannot write the settings file %1").arg(settings->fileName());
    }
    m_active = true;
    return std::nullopt;
}

void PortRegistration::restore()
{
    if (!m_active)
        return;
    m_active = false;
    QString error;
    const auto settings = openUsable(error);
    if (!settings || settings->value(m_key).toString() != m_device)
        return;
    settings->remove(m_owner);
    // The pseudo-terminal of a simulator that has gone is no mapping to return to.
    const QString previous = m_previous ? m_previous->toString().trimmed() : QString();
    if (m_previous && !(isPseudoTerminal(previous) && !QFileInfo::exists(previous)))
        settings->setValue(m_key, *m_previous);
    else
        settings->remove(m_key);
    settings->sync();
}

} // namespace vx::sim
