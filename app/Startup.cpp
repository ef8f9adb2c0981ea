#include "Startup.h"

#include "download/Ledger.h"

#include "Dialogs.h"
#include "Password.h"
#include "ProgramFolder.h"
#include "RaiseRequests.h"
#include "terminal/SystemSerialPort.h"
#include "SettingsStore.h"
#include "MainWindow.h"
#include "PasswordDialog.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QStandardPaths>

#ifndef Q_OS_WIN
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace Startup {

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

// The socket beside the instance lock through which a second copy asks the
// running one to come to the front.
QString raiseSocket(const QString &lockFile) { return lockFile + QStringLiteral(".raise"); }

void handleFirstLaunchMarker(const Environment &env)
{
    const QString marker = QDir(env.programFolder).filePath(kMarker);
    if (!QFile::exists(marker))
        return;
    // The folder of an installed program is not the user's to change (not
    // even root's, who could), so the marker stays for good: then the user's
    // own settings remember that the notice has been shown.
    const bool shown = env.settings->contains(vx::key::FirstLaunchShown);
    if (env.password->text() == vx::kPresetPassword && !shown)
        env.dialogs->ask({.icon = vx::Icon::Information, .title = QCoreApplication::translate("Startup", "First launch"),
                          .text = QCoreApplication::translate("Startup", "The preset password is: %1").arg(vx::kPresetPassword)});
    if (!(vx::isUsersFolder(env.programFolder) && QFile::remove(marker)) && !shown)
        env.settings->write(vx::key::FirstLaunchShown, QStringLiteral("1"));
}

} // namespace

namespace {
// A folder only the user may enter: made so when missing; one found must be
// the user's own, no link, and closed to others.
bool privateFolder(const QString &folder)
{
#ifdef Q_OS_UNIX
    const QByteArray name = QFile::encodeName(folder);
    ::mkdir(name.constData(), 0700);
    struct stat st {};
    return ::lstat(name.constData(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::geteuid()
        && (st.st_mode & 077) == 0;
#else
    return QDir().mkpath(folder);
#endif
}
} // namespace

QString defaultLockFile(const QString &runtimeFolder, const QString &temporaryFolder, const QString &stateFolder, uint user)
{
    // The session's runtime folder is the user's alone. Without one, a
    // folder of the user's own, keyed by the user id, in the temporary
    // folder; if another user took that name first, the user's state folder.
    const QString name = QStringLiteral("vx500-monitor.lock");
    if (!runtimeFolder.isEmpty())
        return QDir(runtimeFolder).filePath(name);
    const QString own = QDir(temporaryFolder).filePath(QStringLiteral("vx500-monitor-%1").arg(user));
    if (privateFolder(own))
        return QDir(own).filePath(name);
    QDir().mkpath(QFileInfo(stateFolder).path());
    return privateFolder(stateFolder) ? QDir(stateFolder).filePath(name) : QString();
}

QString defaultLockFile()
{
#ifdef Q_OS_UNIX
    const QString runtime = qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")
        ? QString()
        : QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    const uint user = ::geteuid();
#else
    // Windows has no runtime folder of the session: the program's own
    // folder in the user's local application data, beside the ledger.
    const QString runtime = QFileInfo(vx::Ledger::defaultPath()).path();
    const uint user = 0;
#endif
    return defaultLockFile(runtime, QDir::tempPath(), QFileInfo(vx::Ledger::defaultPath()).path(), user);
}

std::unique_ptr<MainWindow> start(const Environment &env, std::unique_ptr<QLockFile> &lock)
{
    // The title names the program in its boxes and its settings.
    QCoreApplication::setApplicationName(vx::appTitle());

    // A second copy ends without a word, once it has asked the running copy
    // to come to the front.
    // Without a private folder for the lock there is no telling another
    // copy from another user's trap: this copy runs.
    lock = env.lockFile.isEmpty() ? std::make_unique<QLockFile>(QString()) : takeInstanceLock(env.lockFile);
    if (!lock) {
        askToComeToFront(raiseSocket(env.lockFile));
        return nullptr;
    }
    std::unique_ptr<QObject> raiseRequests =
        env.lockFile.isEmpty() ? nullptr : listenForRaiseRequests(raiseSocket(env.lockFile));

    // The stored password is the one the gate asks for; a first launch
    // tells the preset one.
    env.password->replace(env.settings->read(vx::key::Password, vx::kPresetPassword));
    handleFirstLaunchMarker(env);

    // Nobody reaches the main window without passing the gate.
    {
        PasswordDialog gate(*env.dialogs, *env.password);
        if (gate.exec() != QDialog::Accepted)
            return nullptr;
    }

    auto window = std::make_unique<MainWindow>(env.makePort(), *env.dialogs, *env.settings, *env.password,
                                               env.programFolder);
    if (raiseRequests)
        raiseRequests.release()->setParent(window.get()); // it goes with the window
    window->show();
    return window;
}

int run()
{
    vx::QtDialogs dialogs;
    vx::SettingsStore settings(dialogs);
    vx::Password password; // for the whole run: it outlives the window
    Environment env;
    env.programFolder = vx::programFolder();
    env.lockFile = defaultLockFile();
    env.dialogs = &dialogs;
    env.settings = &settings;
    env.password = &password;
    env.makePort = [] { return vx::makeSystemSerialPort(); };

    std::unique_ptr<QLockFile> lock;
    std::unique_ptr<MainWindow> window = start(env, lock);
    if (!window)
        return 0;
    return QApplication::exec();
}

} // namespace Startup
