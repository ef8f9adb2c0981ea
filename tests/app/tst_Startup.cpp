// Start-up: the program's arguments, the first-launch marker, the password
// gate and its rules, and a single running copy. (The change of password:
// tst_Window.)
#include "AppTest.h"

#include "Processes.h"
#include "PasswordDialog.h"
#include "Startup.h"
#include "settings/UserSettings.h"

#include <QLockFile>

#include <sys/stat.h>
#include <unistd.h>

using namespace vx;
using namespace vx::test;

namespace {

struct Start {
    AppWorld world;
    QTemporaryDir runtime;
    std::unique_ptr<QLockFile> lock;
    Password password{QStringLiteral("not loaded")}; // the start-up loads the stored one
    std::unique_ptr<MainWindow> window;
    QTemporaryDir installed; // outside the home: not root's own either
    QString program = world.program.path();

    // The lock in a folder of its own, made for it.
    Startup::Environment env()
    { return {program, runtime.filePath("session/vx500-monitor.lock"), &world.dialogs, world.store.get(), [] { return std::make_unique<FakePort>(); }, &password}; }
    // Starts the program and answers the gate with the entries in turn;
    // after the last one the gate is cancelled, or closed, if still open.
    bool run(const QStringList &entries, bool closeBox = false)
    {
        whenModal<PasswordDialog>([entries, closeBox](PasswordDialog *gate) {
            auto *box = child<QLineEdit>(gate, "passwordEdit");
            for (const QString &entry : entries) {
                box->setText(entry);
                child<QAbstractButton>(gate, "okButton")->click();
                if (!gate->isVisible())
                    return;
                QCOMPARE(box->selectedText(), entry); // rejected: selected for the next try
            }
            closeBox ? void(gate->close()) : child<QAbstractButton>(gate, "cancelButton")->click();
        });
        window.reset();
        lock.reset();
        window = Startup::start(env(), lock);
        return bool(window);
    }
    QString marker() const { return QDir(program).filePath("fl.txt"); }
};

} // namespace

class StartupTest : public QObject
{
    Q_OBJECT
private slots:
    // The notice comes once per user, and only with the preset password; a
    // marker that cannot be deleted (an installed program's) is remembered in
    // the user's settings, and another user is told once as well.
    void theFirstLaunchMarker()
    {
        for (const auto &[password, deletable] : {std::pair{"5813", true}, {"guard", true}, {"5813", false}, {"guard", false}}) {
            Start s;
            if (!deletable && ::geteuid() == 0)
                s.program = s.installed.path();
            QVERIFY(deletable || ::geteuid() == 0 ? writeFileBytes(s.marker(), "") : QDir().mkpath(s.marker() + "/keep"));
            const bool preset = password == kPresetPassword;
            // The next start says nothing, even on the preset password; then another user.
            for (int start = 0; start < (preset && !deletable ? 3 : 2); ++start) {
                if (start == 2) {
                    s.window.reset();
                    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, s.runtime.path());
                    s.world.store = std::make_unique<SettingsStore>(s.world.dialogs);
                }
                s.world.preset("Security/Password", start ? kPresetPassword : QString(password));
                s.world.dialogs.asked.clear();
                QVERIFY(s.run({start ? kPresetPassword : QString(password)}));
                const bool told = preset && start != 1;
                QCOMPARE(s.world.dialogs.texts(), told ? QStringList{"First launch The preset password is: 5813"} : QStringList());
                QVERIFY(!told || s.world.dialogs.asked[0].icon == Icon::Information);
            }
            QVERIFY(QFile::exists(s.marker()) != deletable);
            QCOMPARE(s.world.stored("Misc/FirstLaunchShown"), deletable ? QString() : QStringLiteral("1"));
        }
    }

    void passwordRules()
    {
        // the stored password (null: none), the entries, how many are rejected before one is accepted (-1: none is)
        const QList<std::tuple<QString, QStringList, int>> rules{
            {QString(), {" 5813", "5813 ", "1", "5813"}, 3}, {"Guard", {"", "guard", "5813", "Guard"}, 3},
            {"Guard", {"QORN"}, 0}, {"", {""}, 0}, {"Guard", {"qorn"}, -1}};
        for (const auto &[stored, entries, rejected] : rules) {
            Start s;
            if (!stored.isNull())
                s.world.preset("Security/Password", stored);
            QCOMPARE(s.run(entries), rejected >= 0);
            QCOMPARE(s.world.dialogs.asked.size(), rejected >= 0 ? rejected : entries.size());
            for (const Message &m : s.world.dialogs.asked)
                QVERIFY(m.text == "Invalid password." && m.icon == Icon::Exclamation && m.title == kAppName);
            QVERIFY(rejected < 0 || s.password.text() == entries.constLast());
            // The start stores nothing, not even the master password.
            QCOMPARE(s.world.stored("Security/Password"), stored);
        }
        QVERIFY(!Start().run({}, true)); // the gate's close box
    }

    // A second copy ends before any window or message (one would wait
    // for an answer that never comes, offscreen, and the first-launch
    // marker beside the program would be met); the running window comes to
    // the front.
    void aSecondCopyEndsSilently()
    {
        Start s;
        QVERIFY(s.run({kPresetPassword}));
        s.window->showMinimized();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        const QString session = s.runtime.filePath("session"); // the first copy made it; closed as a runtime folder is
        QVERIFY(QFile::setPermissions(session, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        env.insert("XDG_RUNTIME_DIR", session);
        env.insert("QT_QPA_PLATFORM", "offscreen");
        const ToolResult second = runProgram(VX_MONITOR_PROGRAM, {}, env, {}, 20000);
        QVERIFY2(second.status == 0 && second.out.isEmpty() && s.window->isMinimized(), second.err.constData());
        QTRY_VERIFY(!s.window->isMinimized());
    }

    // The one-copy lock lives in a folder that is the user's alone: a name
    // that another user took first in the shared temporary folder is passed
    // over, never taken as "another copy runs".
    void theLockFolderIsTheUsersOwn()
    {
        QTemporaryDir tmp, state;
        const uint me = ::geteuid();
        const QString own = tmp.filePath(QStringLiteral("vx500-monitor-%1").arg(me)), lock = "/vx500-monitor.lock";
        const QString fallback = state.filePath("vx500") + lock;
        const QList<std::pair<std::function<void()>, QString>> rows{
            {[] {}, own + lock},
            {[&] { QDir().mkdir(own), ::chmod(QFile::encodeName(own).constData(), 0777); }, fallback},
            {[&] { QFile::link(state.path(), own); }, fallback},
            {[&] { QDir().mkdir(own); QVERIFY(::chown(QFile::encodeName(own).constData(), me ? 0 : 4242, 4242) == 0); }, fallback},
        };
        for (const auto &[plant, expected] : rows) {
            QDir(own).removeRecursively(), QFile::remove(own);
            plant();
            QCOMPARE(Startup::defaultLockFile({}, tmp.path(), state.filePath("vx500"), me), expected);
            QCOMPARE(QFileInfo(QFileInfo(expected).path()).permissions() & 0x0077, QFileDevice::Permissions());
        }
        QCOMPARE(Startup::defaultLockFile("/run/user/1000", tmp.path(), state.path(), me), "/run/user/1000" + lock);
    }

    // The arguments are read before the window system is reached: no display needed.
    void theArguments()
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            env.remove(name);
        const QByteArray version = "vx500-monitor " VX_VERSION_TEXT, tryHelp = "\nTry 'vx500-monitor --help'.\n";
        // the arguments, the exit status, the first line of standard output, standard error
        const QList<std::tuple<QStringList, int, QByteArray, QByteArray>> rows{
            {{"--help"}, 0, "Usage: vx500-monitor [--help | --version]", ""}, {{"-platform", "xcb", "--version"}, 0, version, ""},
            {{"--versions"}, 2, "", "vx500-monitor: unknown option '--versions'" + tryHelp},
            {{"data.txt"}, 2, "", "vx500-monitor: unexpected argument 'data.txt'" + tryHelp},
            {{"--style"}, 2, "", "vx500-monitor: option '--style' needs a value" + tryHelp}};
        for (const auto &[arguments, status, out, err] : rows) {
            const ToolResult r = runProgram(VX_MONITOR_PROGRAM, arguments, env, {}, 20000);
            QVERIFY2(r.status == status && r.out.split('\n').constFirst() == out && r.err == err, r.out + r.err);
        }
    }
};

QTEST_MAIN(StartupTest)
#include "tst_Startup.moc"
