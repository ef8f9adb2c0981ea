// Start-up: the first-launch marker, the password gate and its rules, the
// change of password, and a single running copy.
#include "AppTest.h"

#include "FakePort.h"
#include "Globals.h"
#include "frmMain.h"
#include "frmPassword.h"
#include "frmPasswordChange.h"
#include "modInitial.h"

#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QLockFile>
#include <QProcess>
#include <QPushButton>

using namespace vx;
using namespace vx::test;

namespace {

struct Start {
    AppWorld world;
    QTemporaryDir runtime;
    std::unique_ptr<QLockFile> lock;
    std::unique_ptr<frmMain> window;

    modInitial::Environment env()
    {
        modInitial::Environment e;
        e.programFolder = world.program.path();
        e.lockFile = runtime.filePath(QStringLiteral("vx500-monitor.lock"));
        e.dialogs = &world.dialogs;
        e.settings = world.store.get();
        e.makePort = [] { return std::make_unique<FakePort>(); };
        return e;
    }
    // Starts the program and answers the gate with the given entries, in
    // turn; after the last one the gate is cancelled if still open.
    void run(const QStringList &entries, bool closeBox = false)
    {
        whenModal<frmPassword>([entries, closeBox](frmPassword *gate) {
            auto *box = child<QLineEdit>(gate, QStringLiteral("txtPassword"));
            for (const QString &entry : entries) {
                box->setText(entry);
                arrayButton(gate, "cmdCtrl", 0)->click();
                if (!gate->isVisible())
                    return;
                // Rejected: the whole entry is selected for the next try.
                QCOMPARE(box->selectedText(), entry);
            }
            if (closeBox)
                gate->close();
            else
                arrayButton(gate, "cmdCtrl", 1)->click();
        });
        window.reset();
        lock.reset();
        window = modInitial::StartUp(env(), lock);
    }
    void marker() const
    {
        QFile f(QDir(world.program.path()).filePath(QStringLiteral("fl.txt")));
        QVERIFY(f.open(QIODevice::WriteOnly));
    }
    bool markerExists() const { return QFile::exists(QDir(world.program.path()).filePath(QStringLiteral("fl.txt"))); }
};

} // namespace

class StartupTest : public QObject
{
    Q_OBJECT
private slots:
    void firstStartTellsThePresetPasswordOnce()
    {
        Start s;
        s.marker();
        s.run({QStringLiteral("5813")});
        QVERIFY(s.window);
        QCOMPARE(s.world.dialogs.asked.size(), 1);
        const Message &box = s.world.dialogs.asked[0];
        QCOMPARE(box.text, QStringLiteral("The preset password is: 5813"));
        QCOMPARE(box.title, QStringLiteral("First launch"));
        QCOMPARE(box.icon, Icon::Information);
        QCOMPARE(box.buttons, Buttons::Ok);
        QVERIFY(!s.markerExists());
        // The marker itself says it all: the settings hold nothing about it.
        QVERIFY(s.world.stored("Misc", "FirstLaunchShown").isNull());

        s.world.dialogs.asked.clear();
        s.run({QStringLiteral("5813")});
        QVERIFY(s.window);
        QVERIFY(s.world.dialogs.asked.isEmpty());
    }

    void markerWithAnotherPasswordIsRemovedSilently()
    {
        Start s;
        s.world.preset("Security", "Password", QStringLiteral("guard"));
        s.marker();
        s.run({QStringLiteral("guard")});
        QVERIFY(s.window);
        QVERIFY(s.world.dialogs.asked.isEmpty());
        QVERIFY(!s.markerExists());
    }

    void markerThatCannotBeDeletedIsRememberedPerUser()
    {
        Start s;
        // A folder of that name: it exists and no file removal takes it away
        // (as a marker in an installed program's read-only folder).
        QVERIFY(QDir(s.world.program.path()).mkpath(QStringLiteral("fl.txt/keep")));
        s.run({QStringLiteral("5813")});
        QVERIFY(s.window);
        QCOMPARE(s.world.dialogs.texts(), QStringList{QStringLiteral("The preset password is: 5813")});
        QCOMPARE(s.world.stored("Misc", "FirstLaunchShown"), QStringLiteral("1"));

        // The next start of the same user says nothing; the marker is still there.
        s.world.dialogs.asked.clear();
        s.run({QStringLiteral("5813")});
        QVERIFY(s.window);
        QVERIFY(s.world.dialogs.asked.isEmpty());
        QVERIFY(s.markerExists());

        // Another user (settings of their own) is told once as well.
        s.window.reset();
        QTemporaryDir otherUser;
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, otherUser.path());
        s.world.store = std::make_unique<SettingsStore>(s.world.dialogs);
        s.run({QStringLiteral("5813")});
        QVERIFY(s.window);
        QCOMPARE(s.world.dialogs.texts(), QStringList{QStringLiteral("The preset password is: 5813")});
        QCOMPARE(s.world.stored("Misc", "FirstLaunchShown"), QStringLiteral("1"));
        s.window.reset();
    }

    void markerThatCannotBeDeletedWithAnotherPassword()
    {
        Start s;
        s.world.preset("Security", "Password", QStringLiteral("guard"));
        QVERIFY(QDir(s.world.program.path()).mkpath(QStringLiteral("fl.txt/keep")));
        s.run({QStringLiteral("guard")});
        QVERIFY(s.window);
        QVERIFY(s.world.dialogs.asked.isEmpty());
        QCOMPARE(s.world.stored("Misc", "FirstLaunchShown"), QStringLiteral("1"));
        // A later return to the preset password does not bring the notice back.
        s.world.preset("Security", "Password", QStringLiteral("5813"));
        s.run({QStringLiteral("5813")});
        QVERIFY(s.window);
        QVERIFY(s.world.dialogs.asked.isEmpty());
    }

    void passwordRules_data()
    {
        QTest::addColumn<QString>("stored");   // null: nothing stored
        QTest::addColumn<QString>("entry");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("preset") << QString() << "5813" << true;
        QTest::newRow("leading blank") << QString() << " 5813" << false;
        QTest::newRow("trailing blank") << QString() << "5813 " << false;
        QTest::newRow("stored exactly") << "Guard" << "Guard" << true;
        QTest::newRow("case differs") << "Guard" << "guard" << false;
        QTest::newRow("preset once something else is stored") << "Guard" << "5813" << false;
        QTest::newRow("master") << "Guard" << "QORN" << true;
        QTest::newRow("master in lower case") << "Guard" << "qorn" << false;
        QTest::newRow("empty entry, empty password") << "" << "" << true;
        QTest::newRow("empty entry") << "Guard" << "" << false;
    }
    void passwordRules()
    {
        QFETCH(QString, stored);
        QFETCH(QString, entry);
        QFETCH(bool, accepted);
        Start s;
        if (!stored.isNull())
            s.world.preset("Security", "Password", stored);
        s.run({entry});
        QCOMPARE(bool(s.window), accepted);
        if (accepted) {
            QVERIFY(s.world.dialogs.asked.isEmpty());
            QCOMPARE(g_sPassword, entry);
            // The start stores nothing, not even the master password.
            QCOMPARE(s.world.stored("Security", "Password"), stored);
        } else {
            QCOMPARE(s.world.dialogs.asked.size(), 1);
            QCOMPARE(s.world.dialogs.asked[0].text, QStringLiteral("Invalid password."));
            QCOMPARE(s.world.dialogs.asked[0].icon, Icon::Exclamation);
            QCOMPARE(s.world.dialogs.asked[0].title, QStringLiteral("VX500-500A Monitor"));
        }
    }

    void retriesAreUnlimited()
    {
        Start s;
        s.run({QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3"), QStringLiteral("5813")});
        QVERIFY(s.window);
        QCOMPARE(s.world.dialogs.asked.size(), 3);
    }

    void cancelOrCloseBoxEndsTheProgram_data()
    {
        QTest::addColumn<bool>("closeBox");
        QTest::newRow("Cancel") << false;
        QTest::newRow("close box") << true;
    }
    void cancelOrCloseBoxEndsTheProgram()
    {
        QFETCH(bool, closeBox);
        Start s;
        s.run({}, closeBox);
        QVERIFY(!s.window);
        for (QWidget *w : QApplication::topLevelWidgets())
            QVERIFY(!qobject_cast<frmMain *>(w));
    }

    void changedPasswordIsStoredAndACancelledChangeKeepsIt()
    {
        Start s;
        s.run({QStringLiteral("5813")});
        QVERIFY(s.window);
        auto change = [&](const QString &entry, int button) {
            whenModal<frmPasswordChange>([entry, button](frmPasswordChange *d) {
                child<QLineEdit>(d, QStringLiteral("txtPassword"))->setText(entry);
                arrayButton(d, "cmdCtrl", button)->click();
            });
            child<QPushButton>(s.window.get(), QStringLiteral("cmdChangePassword"))->click();
        };
        change(QStringLiteral("new one"), 0);
        QCOMPARE(s.world.stored("Security", "Password"), QStringLiteral("new one"));
        QCOMPARE(g_sPassword, QStringLiteral("new one"));
        change(QStringLiteral("other"), 1);
        QCOMPARE(s.world.stored("Security", "Password"), QStringLiteral("new one"));
        // An empty password is allowed, and it is what the next start asks for.
        change(QString(), 0);
        QCOMPARE(s.world.stored("Security", "Password"), QString());
        s.run({QStringLiteral("new one"), QString()});
        QVERIFY(s.window);
    }

    void aSecondCopyEndsSilently()
    {
        Start s;
        QLockFile running(s.env().lockFile);
        QVERIFY(running.tryLock(0));
        s.marker();
        // Nothing may be shown: a gate would be cancelled and noticed here.
        bool gateShown = false;
        QTimer::singleShot(0, qApp, [&] {
            if (QWidget *modal = QApplication::activeModalWidget()) {
                gateShown = true;
                modal->close();
            }
        });
        s.window = modInitial::StartUp(s.env(), s.lock);
        QVERIFY(!s.window);
        QVERIFY(!gateShown);
        QVERIFY(s.world.dialogs.asked.isEmpty());
        QVERIFY(s.markerExists());
    }

    void aSecondProgramEndsSilently()
    {
        QTemporaryDir runtime, config;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime.path());
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), config.path());
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        QProcess first, second;
        for (QProcess *p : {&first, &second}) {
            p->setProcessEnvironment(env);
            p->setProgram(QStringLiteral(VX_MONITOR_PROGRAM));
        }
        first.start();
        QVERIFY(first.waitForStarted());
        const QString lock = QDir(runtime.path()).filePath(QStringLiteral("vx500-monitor.lock"));
        QVERIFY(QTest::qWaitFor([&] { return QFile::exists(lock); }, 20000));
        second.start();
        QVERIFY(second.waitForFinished(20000));
        QCOMPARE(second.exitStatus(), QProcess::NormalExit);
        QCOMPARE(second.exitCode(), 0);
        QVERIFY(second.readAllStandardOutput().isEmpty());
        QCOMPARE(first.state(), QProcess::Running);
        first.kill();
        first.waitForFinished();
    }
};

QTEST_MAIN(StartupTest)
#include "tst_Startup.moc"
