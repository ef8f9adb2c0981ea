#include "modInitial.h"

#include "Dialogs.h"
#include "Globals.h"
#include "ProgramFolder.h"
#include "QtSerialPortAdapter.h"
#include "SettingsStore.h"
#include "frmMain.h"
#include "frmPassword.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QStandardPaths>

QString g_sPassword;

namespace modInitial {

namespace {

const QString kMarker = QStringLiteral("fl.txt");

// Only one copy per user: the lock is held while the program runs; a lock
// left by a copy that died is taken over.
std::unique_ptr<QLockFile> takeInstanceLock(const QString &path)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    auto lock = std::make_unique<QLockFile>(path);
    lock->setStaleLockTime(0);
    if (!lock->tryLock(0))
        return nullptr;
    return lock;
}

void handleFirstLaunchMarker(const Environment &env)
{
    const QString marker = vx::joinPath(env.programFolder, kMarker);
    if (!QFile::exists(marker))
        return;
    // The folder of an installed program is not the user's to change, so the
    // marker may stay for good: then the user's own settings remember that
    // the notice has been shown, and the start goes on.
    const bool shown = env.settings->contains(vx::key::FirstLaunchShown);
    if (g_sPassword == vx::kPresetPassword && !shown)
        env.dialogs->ask({vx::Icon::Information, vx::Buttons::Ok, QStringLiteral("First launch"),
                          QStringLiteral("The preset password is: %1").arg(vx::kPresetPassword)});
    if (!QFile::remove(marker) && QFile::exists(marker) && !shown)
        env.settings->write(vx::key::FirstLaunchShown, QStringLiteral("1"));
}

} // namespace

QString defaultLockFile()
{
    // The user's runtime folder where the session has one, else the temporary
    // folder with the user's name in the lock's.
    QString folder;
    QString name = QStringLiteral("vx500-monitor.lock");
#ifdef Q_OS_UNIX
    if (!qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR"))
        folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
#else
    folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
#endif
    if (folder.isEmpty()) {
        folder = QStandardPaths::writableLocation(QStandardPaths::TempLocation);
        const QString user = qEnvironmentVariable("USER", qEnvironmentVariable("USERNAME"));
        name = QStringLiteral("vx500-monitor-%1.lock").arg(user);
    }
    return QDir(folder).filePath(name);
}

std::unique_ptr<frmMain> StartUp(const Environment &env, std::unique_ptr<QLockFile> &lock)
{
    // The title names the program in its boxes and its settings.
    QCoreApplication::setApplicationName(vx::appTitle());

    // A second copy ends without a word.
    lock = takeInstanceLock(env.lockFile);
    if (!lock)
        return nullptr;

    // The stored password is the one the gate asks for; a first launch
    // tells the preset one.
    g_sPassword = env.settings->read(vx::key::Password, vx::kPresetPassword);
    handleFirstLaunchMarker(env);

    // Nobody reaches the main window without passing the gate.
    {
        frmPassword gate(*env.dialogs);
        gate.exec();
        if (!gate.IsOK())
            return nullptr;
    }

    auto window = std::make_unique<frmMain>(env.makePort(), *env.dialogs, *env.settings, env.programFolder);
    window->show();
    return window;
}

int Main()
{
    vx::QtDialogs dialogs;
    vx::SettingsStore settings(dialogs);
    Environment env;
    env.programFolder = vx::programFolder();
    env.lockFile = defaultLockFile();
    env.dialogs = &dialogs;
    env.settings = &settings;
    env.makePort = [] { return std::make_unique<vx::QtSerialPortAdapter>(); };

    std::unique_ptr<QLockFile> lock;
    std::unique_ptr<frmMain> window = StartUp(env, lock);
    if (!window)
        return 0;
    return QApplication::exec();
}

} // namespace modInitial
