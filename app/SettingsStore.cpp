#include "SettingsStore.h"

#include "Dialogs.h"
#include "terminal/Numbers.h"
#include "settings/UserSettings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

namespace vx {

namespace {

constexpr QFileDevice::Permissions kOwnerOnly = QFileDevice::ReadOwner | QFileDevice::WriteOwner;

qint16 inRange(std::optional<qint16> value, qint16 def, qint16 lo, qint16 hi)
{
    return value && *value >= lo && *value <= hi ? *value : def;
}

// Why the file cannot be read as settings, in the window's words; empty
// when it can (or is missing).
QString fileProblem(const QString &name)
{
    const SettingsFileCheck check = checkSettingsFile(name);
    switch (check.problem) {
    case SettingsFileCheck::None: return QString();
    case SettingsFileCheck::LinkToNothing: return SettingsStore::tr("it is a link to nothing");
    case SettingsFileCheck::NotPlainFile: return SettingsStore::tr("it is not a plain file");
    case SettingsFileCheck::LockNotPlainFile:
        return SettingsStore::tr("its lock file %1.lock is not a plain file; remove it").arg(QDir::toNativeSeparators(name));
    case SettingsFileCheck::TooLarge: return SettingsStore::tr("it is too large");
    case SettingsFileCheck::CannotOpen: return check.systemText;
    case SettingsFileCheck::Binary: return SettingsStore::tr("it holds binary data");
    case SettingsFileCheck::NotUtf8: return SettingsStore::tr("it is not UTF-8 text");
    case SettingsFileCheck::NotASetting: return SettingsStore::tr("line %1 is no setting").arg(check.line);
    }
    return QString();
}

// Only a plain file of the user's own is made private: never a link's
// target, never somebody else's file.
bool isOwnPlainFile(const QString &name)
{
    const QFileInfo info(name);
    if (settingsInRegistry())
        return false;
#ifdef Q_OS_UNIX
    return !info.isSymLink() && info.isFile() && info.ownerId() == ::getuid();
#else
    return !info.isSymLink() && info.isFile();
#endif
}

} // namespace

SettingsStore::SettingsStore(Dialogs &dialogs) : m_dialogs(dialogs), m_fileName(userSettingsLocation()) {}

SettingsStore::~SettingsStore() = default;

SettingsStore::Batch::Batch(SettingsStore &store) : m_store(store)
{
    if (m_store.m_batches++ == 0)
        m_store.m_reportedInBatch = false;
}

SettingsStore::Batch::~Batch() { --m_store.m_batches; }

// Loads the file afresh before every access (another program may have
// changed it, e.g. mapped a port); false once it cannot be read as settings.
bool SettingsStore::readable()
{
    if (m_unreadable)
        return false;
    QString why = fileProblem(m_fileName);
    if (why.isEmpty()) {
        if (m_settings)
            m_settings->sync();
        else
            m_settings = std::make_unique<QSettings>(m_fileName, userSettingsFormat());
        if (m_settings->status() != QSettings::NoError)
            why = tr("it is not a valid settings file");
    }
    if (why.isEmpty())
        return true;
    m_unreadable = true;
    m_settings.reset();
    m_dialogs.report({FailureKind::FileAccess,
                      tr("The settings file %1 cannot be read: %2. The program goes on with the "
                         "default settings; changes will not be kept.")
                          .arg(QDir::toNativeSeparators(m_fileName), why)});
    return false;
}

std::optional<QString> SettingsStore::stored(const SettingKey &at)
{
    if (!readable())
        return std::nullopt;
    const QVariant value = m_settings->value(at.path);
    if (!value.isValid())
        return std::nullopt;
    // A hand-edited value with unquoted commas comes back as a list.
    if (value.userType() == QMetaType::QStringList)
        return value.toStringList().join(QLatin1Char(','));
    return value.toString();
}

QString SettingsStore::read(const SettingKey &at, const QString &def) { return stored(at).value_or(def); }

bool SettingsStore::write(const SettingKey &at, const QString &value)
{
    if (!readable())
        return true;
    // The file holds the password: it is created private before the first
    // value goes in, so it is never readable by others.
    createPrivateSettingsFile(m_fileName);
    m_settings->setValue(at.path, value);
    m_settings->sync();
    if (m_settings->status() != QSettings::NoError) {
        reportUnsaved();
        return false;
    }
    if (isOwnPlainFile(m_fileName))
        QFile::setPermissions(m_fileName, kOwnerOnly);
    return true;
}

qint16 SettingsStore::readLenient(const SettingKey &at, qint16 def, qint16 lo, qint16 hi)
{
    const auto text = stored(at);
    if (!text)
        return def;
    return inRange(toInt16(leadingNumber(*text)), def, lo, hi);
}

qint16 SettingsStore::readStrict(const SettingKey &at, qint16 def, qint16 lo, qint16 hi)
{
    const auto text = stored(at);
    if (!text)
        return def;
    const auto number = wholeNumber(*text);
    return number ? inRange(toInt16(*number), def, lo, hi) : def;
}

void SettingsStore::reportUnsaved()
{
    // A QSettings keeps its first failure for good, with the value it could
    // not save: the next access loads the file afresh, so that it succeeds
    // once the store works again.
    m_settings.reset();
    if (m_batches > 0 && m_reportedInBatch)
        return;
    m_reportedInBatch = m_batches > 0;
    m_dialogs.report({FailureKind::FileDenied, tr("The settings could not be saved: the file cannot be "
                                                  "accessed (%1).")
                                                  .arg(QDir::toNativeSeparators(m_fileName))});
}

} // namespace vx
