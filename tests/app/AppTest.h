// Shared pieces of the window tests: a private settings store per test, a
// fresh program folder, and finding controls by their names.
#pragma once

#include "ScriptedDialogs.h"
#include "SettingsStore.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QButtonGroup>
#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

namespace vx::test {

// One test's world: settings in a folder of its own, an empty program folder.
struct AppWorld {
    QTemporaryDir config;
    QTemporaryDir program;
    ScriptedDialogs dialogs;
    std::unique_ptr<SettingsStore> store;

    AppWorld()
    {
        // Both ways to the user's configuration folder lead here: the
        // environment (read by the standard paths and by child programs) and
        // the settings' own path (fixed once a process has read it).
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(config.path()));
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, config.path());
        store = std::make_unique<SettingsStore>(dialogs);
    }
    // From now on the store's folder cannot be created (a plain file stands
    // in its way), so every write fails; a new store is made.
    void breakStore()
    {
        QFile plain(config.filePath(QStringLiteral("plain")));
        QVERIFY(plain.open(QIODevice::WriteOnly));
        plain.close();
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, plain.fileName());
        store = std::make_unique<SettingsStore>(dialogs);
    }
    // The broken store's folder can be created again.
    void repairStore() const
    {
        QVERIFY(QFile::remove(config.filePath(QStringLiteral("plain"))));
        QVERIFY(QDir(config.path()).mkdir(QStringLiteral("plain")));
    }
    // A value as the store's file holds it (null when missing).
    QString stored(const char *section, const char *key) const
    {
        QSettings raw(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("VX500-500A Monitor"));
        const QVariant v = raw.value(QStringLiteral("%1/%2").arg(QLatin1String(section), QLatin1String(key)));
        return v.isValid() ? v.toString() : QString();
    }
    void preset(const char *section, const char *key, const QString &value) const
    {
        QSettings raw(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("VX500-500A Monitor"));
        raw.setValue(QStringLiteral("%1/%2").arg(QLatin1String(section), QLatin1String(key)), value);
        raw.sync();
    }
};

template <typename T>
T *child(QObject *parent, const QString &name)
{
    T *found = parent->findChild<T *>(name);
    if (!found)
        qFatal("no control named %s", qPrintable(name));
    return found;
}

// The name a screen reader announces for a control.
inline QString spokenName(QWidget *w)
{
    QAccessibleInterface *a = QAccessible::queryAccessibleInterface(w);
    return a ? a->text(QAccessible::Name) : QStringLiteral("<not accessible>");
}

inline QAbstractButton *arrayButton(QObject *parent, const char *group, int index)
{
    return child<QButtonGroup>(parent, QLatin1String(group))->button(index);
}

} // namespace vx::test

#include <QApplication>
#include <QTimer>
#include <functional>

namespace vx::test {

// Acts on the modal dialog of type D as soon as it is shown; a dialog of
// another type, or none, makes the test fail and closes what is open.
template <typename D>
void whenModal(std::function<void(D *)> action)
{
    QTimer::singleShot(0, qApp, [action] {
        QWidget *modal = QApplication::activeModalWidget();
        auto *dialog = qobject_cast<D *>(modal);
        if (!dialog) {
            qWarning("expected a modal %s, found %s", D::staticMetaObject.className(),
                     modal ? modal->metaObject()->className() : "none");
            if (modal)
                modal->close();
            return;
        }
        action(dialog);
    });
}

} // namespace vx::test
