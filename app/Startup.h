// The program's start: title, single instance (a second copy brings the
// running window to the front), password, first-launch marker, the gate,
// then the main window.
#pragma once

#include <QString>
#include <functional>
#include <memory>

class QLockFile;
class MainWindow;

namespace vx {
class Dialogs;
class Password;
class SerialPort;
class SettingsStore;
} // namespace vx

namespace Startup {

// What the start-up works with; the program takes the real ones, tests
// their own.
struct Environment {
    QString programFolder;  // where the marker "fl.txt" sits
    QString lockFile;       // held while the program runs
    vx::Dialogs *dialogs = nullptr;
    vx::SettingsStore *settings = nullptr;
    std::function<std::unique_ptr<vx::SerialPort>()> makePort;
    vx::Password *password = nullptr; // loaded from the settings, handed to the gate and the window
};

// The start-up procedure: returns the main window, shown, or nothing when
// the program is to end (another copy runs: it is asked to come to the
// front; the gate was cancelled). The lock that keeps a second copy out is
// handed to lock; the window listens beside it ("LOCK.raise", a socket) for
// the requests of a second copy while it lives.
std::unique_ptr<MainWindow> start(const Environment &env, std::unique_ptr<QLockFile> &lock);

// The per-user lock file of the running copy.
QString defaultLockFile();
// The same from the facts: the session's runtime folder (empty: none), the
// temporary folder, the user's state folder and the user id. Empty when no
// folder of the user's own can be had.
QString defaultLockFile(const QString &runtimeFolder, const QString &temporaryFolder, const QString &stateFolder, uint user);

// The program: runs the start-up in the running QApplication and then its
// event loop; returns the exit status.
int run();

} // namespace Startup
