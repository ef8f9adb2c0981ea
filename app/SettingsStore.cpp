#include "SettingsStore.h"

#include "AppErrors.h"
#include "Dialogs.h"
#include "Numbers.h"
#include "UserSettings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>

namespace vx {

namespace {

constexpr QFileDevice::Permissions kOwnerOnly = QFileDevice::ReadOwner | QFileDevice::WriteOwner;

QString path(SettingKey at)
{
    return QStringLiteral("%1/%2").arg(QLatin1String(at.section), QLatin1String(at.key));
}

qint16 inRange(std::optional<qint16> value, qint16 def, qint16 lo, qint16 hi)
{
    return value && *value >= lo && *value <= hi ? *value : def;
}

} // namespace

SettingsStore::SettingsStore(Dialogs &dialogs) : m_dialogs(dialogs), m_settings(openUserSettings()) {}

SettingsStore::~SettingsStore() = default;

SettingsStore::Batch::Batch(SettingsStore &store) : m_store(store)
{
    if (m_store.m_iBatches++ == 0)
        m_store.m_bReportedInBatch = false;
}

SettingsStore::Batch::~Batch() { --m_store.m_iBatches; }

QString SettingsStore::fileName() const { return m_settings->fileName(); }

std::optional<QString> SettingsStore::stored(SettingKey at)
{
    const QVariant value = m_settings->value(path(at));
    checkStatus(QStringLiteral("read"));
    if (!value.isValid())
        return std::nullopt;
    // A hand-edited value with unquoted commas comes back as a list.
    if (value.userType() == QMetaType::QStringList)
        return value.toStringList().join(QLatin1Char(','));
    return value.toString();
}

QString SettingsStore::read(SettingKey at, const QString &def) { return stored(at).value_or(def); }

bool SettingsStore::write(SettingKey at, const QString &value)
{
    makePrivate();
    m_settings->setValue(path(at), value);
    m_settings->sync();
    if (!checkStatus(QStringLiteral("saved")))
        return false;
    QFile::setPermissions(m_settings->fileName(), kOwnerOnly);
    return true;
}

qint16 SettingsStore::readLenient(SettingKey at, qint16 def, qint16 lo, qint16 hi)
{
    const auto text = stored(at);
    if (!text)
        return def;
    return inRange(toInt16(leadingNumber(*text)), def, lo, hi);
}

qint16 SettingsStore::readStrict(SettingKey at, qint16 def, qint16 lo, qint16 hi)
{
    const auto text = stored(at);
    if (!text)
        return def;
    const auto number = wholeNumber(*text);
    return number ? inRange(toInt16(*number), def, lo, hi) : def;
}

// The file holds the password: it is created empty and private before the
// store first writes into it, so it is never readable by others.
void SettingsStore::makePrivate()
{
    const QString name = m_settings->fileName();
    if (QFileInfo::exists(name))
        return;
    QDir().mkpath(QFileInfo(name).absolutePath());
    QFile file(name);
    if (file.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
        file.setPermissions(kOwnerOnly);
        file.close();
    }
}

bool SettingsStore::checkStatus(const QString &doing)
{
    const QSettings::Status status = m_settings->status();
    if (status == QSettings::NoError)
        return true;
    const QString name = QDir::toNativeSeparators(m_settings->fileName());
    // A QSettings keeps its first failure for good: the next access starts
    // afresh (the old one gone first, with the value it could not save), so
    // that it succeeds once the store works again.
    m_settings.reset();
    m_settings = openUserSettings();
    if (m_iBatches > 0 && m_bReportedInBatch)
        return false;
    m_bReportedInBatch = m_iBatches > 0;
    const QString why = status == QSettings::AccessError ? QStringLiteral("the file cannot be accessed")
                                                         : QStringLiteral("the file is not a valid settings file");
    m_dialogs.report(status == QSettings::AccessError ? kErrPermissionDenied : kErrFileAccess,
                     QStringLiteral("The settings could not be %1: %2 (%3).").arg(doing, why, name));
    return false;
}

} // namespace vx
