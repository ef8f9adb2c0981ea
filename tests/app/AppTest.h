// Shared pieces of the window tests: a private settings folder and program
// folder per test, controls found by their names, and the main window on the
// simulated terminal (or a scripted far end) in virtual time, with the PC
// clock on the port's clock.
#pragma once

#include "FakePort.h"
#include "Password.h"
#include "ModelDevice.h"
#include "ScriptedDialogs.h"
#include "SettingsStore.h"
#include "TestFiles.h"
#include "MainWindow.h"
#include "ChangePasswordDialog.h"
#include "download/Translations.h"

#include <QtTest>
#include <QtWidgets>

namespace vx::test {

// One test's world: settings in a folder of its own, a home folder of its
// own (the data folder's default may be created there) holding an empty
// program folder, the user's own copy.
struct AppWorld {
    const QByteArray userHome = qgetenv("HOME"), userState = qgetenv("XDG_STATE_HOME");
    QTemporaryDir home;
    QTemporaryDir config;
    QTemporaryDir program{home.filePath("program-XXXXXX")};
    ScriptedDialogs dialogs;
    std::unique_ptr<SettingsStore> store;

    ~AppWorld() { qputenv("HOME", userHome), qputenv("XDG_STATE_HOME", userState); }
    AppWorld()
    {
        qputenv("HOME", QFile::encodeName(home.path()));
        qputenv("XDG_STATE_HOME", QFile::encodeName(home.filePath("state")));
        // Both ways to the user's configuration folder lead here: the
        // environment (read by the standard paths and by child programs) and
        // the settings' own path (fixed once a process has read it).
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(config.path()));
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, config.path());
        store = std::make_unique<SettingsStore>(dialogs);
        if (kOnWindows) // the data files' default there is Documents, which a test cannot move
            preset(QStringLiteral("Misc/FilePath"), program.path());
    }
    QString settingsFile() const { return config.filePath("VX500-500A Monitor.ini"); }
    // A value as the user's settings file holds it ("Misc/ClearData"; null when missing).
    QString stored(const QString &key) const { return QSettings(settingsFile(), QSettings::IniFormat).value(key).toString(); }
    void preset(const QString &key, const QString &value) const { QSettings(settingsFile(), QSettings::IniFormat).setValue(key, value); }
};

template <typename T>
T *child(QObject *parent, const QString &name)
{
    if (T *found = parent->findChild<T *>(name))
        return found;
    qFatal("no control named %s", qPrintable(name));
}

// Acts on the modal dialog of type D as soon as it is shown; a dialog of
// another type, or none, makes the test fail and closes what is open.
template <typename D>
void whenModal(std::function<void(D *)> action)
{
    QTimer::singleShot(0, qApp, [action] {
        if (auto *dialog = qobject_cast<D *>(QApplication::activeModalWidget()))
            return action(dialog);
        qWarning("expected a modal %s", D::staticMetaObject.className());
        if (QApplication::activeModalWidget())
            QApplication::activeModalWidget()->close();
    });
}

struct TerminalWindow {
    AppWorld world;
    sim::TerminalModel model;
    ModelDevice device{model};
    ScriptDevice script;
    FakePort *port = nullptr;
    Password password; // the program's start-up owns it; here the test
    std::unique_ptr<MainWindow> w;
    int endCalls = 0;
    bool clockFails = false; // the PC clock throws

    explicit TerminalWindow(const QString &text = kPresetPassword) : password(text) { model.setSelfTestMs(0); open(); }
    // The window of the program's next run, on a fresh port at virtual time 0.
    void open(const QString &programFolder = QString())
    {
        auto owned = std::make_unique<FakePort>(&device);
        port = owned.get();
        port->setProcessEvents(true);
        w = std::make_unique<MainWindow>(std::move(owned), world.dialogs, *world.store, password,
                                      programFolder.isNull() ? world.program.path() : programFolder,
                                      [this] { return clockFails ? throw std::runtime_error("no clock") : pcNow(); });
        w->setEndProgram([this] { ++endCalls; });
        w->setDevicePresent([](const QString &) { return true; }); // the fake port stands for any device
    }
    QDateTime pcNow() const { return device.pcNow(*port); }
    // Lets the last bytes the host sent reach the far end.
    void settle() { port->advance(50); }
    // Presses a terminal action's or a station query's button.
    void press(const char *button) { get<QAbstractButton>(button)->click(); }
    template <typename T = QWidget>
    T *get(const QString &name) const { return child<T>(w.get(), name); }
    template <typename... Names>
    void click(const Names &...names) { (get<QAbstractButton>(names)->click(), ...); }
    // What a control shows: a list's position, a check state as stored ("2"
    // greyed), the option chosen, a text.
    QString state(const QString &name) const
    {
        QObject *o = get<QObject>(name);
        if (auto *box = qobject_cast<QCheckBox *>(o))
            return QString::number(box->checkState() == Qt::Checked ? 1 : box->checkState() == Qt::PartiallyChecked ? 2 : 0);
        if (auto *list = qobject_cast<QComboBox *>(o))
            return QString::number(list->currentIndex());
        if (auto *options = qobject_cast<QButtonGroup *>(o))
            return QString::number(options->checkedId());
        return o->property("text").toString();
    }
    QString fileIn(const QString &name) const { return QDir(world.program.path()).filePath(name); }
    // The lines of a message box.
    QStringList lines(const QString &box = "log") const
    { return get<QPlainTextEdit>(box)->toPlainText().split(QLatin1Char('\n'), Qt::SkipEmptyParts); }
    // Not busy, and without the busy pointer on the main window.
    bool idle() const { return !w->isBusy() && !(w->testAttribute(Qt::WA_SetCursor) && w->cursor().shape() == Qt::WaitCursor); }
    // Command letters the host sent (the fourth byte of each ENQ frame).
    QByteArray commandsSent() const
    {
        QByteArray letters;
        for (const auto &write : port->writes())
            letters += write.bytes.startsWith('\x05') ? write.bytes.mid(3, 1) : QByteArray();
        return letters;
    }
};

} // namespace vx::test

// QTEST_MAIN's application installs the programs' translations as it starts.
using vx::installTranslations;
Q_COREAPP_STARTUP_FUNCTION(installTranslations)
