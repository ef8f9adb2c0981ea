// The settings through the window: what the load shows for each stored
// text and what it writes back, what each change stores, a settings file
// that is no settings file (left alone, reported once, the defaults and the
// platform's ports in force), which file is made private, and a store that
// cannot save.
#include "AppTest.h"
#include "TestFiles.h"

#include "frmPasswordChange.h"

#include <sys/stat.h>

using namespace vx;
using namespace vx::test;

class SettingsTest : public QObject
{
    Q_OBJECT
private slots:
    void theLoadShowsEachStoredText()
    {
        // key, the control, the stored text, what the control shows, the stored text after the load
        // The lists read the leading number, rounded to even; check boxes and
        // options only a text that is a number throughout. Out of range: the
        // default, and only the lists write it back. (The reading of numbers
        // itself: Values tests in tests/link.)
        const QList<std::array<const char *, 5>> rows{
            {"Connect/Comport", "cboCommPort", " 4 (COM5)", "4", "4"}, {"Connect/Comport", "cboCommPort", "2.5", "2", "2"},
            {"Connect/Comport", "cboCommPort", "16", "0", "0"},        {"Misc/DateFormat", "cboDateFormat", "-1", "0", "0"},
            {"Misc/FilenameFormat", "optFilenameFormat", "1", "1", "1"},
            {"Misc/FilenameFormat", "optFilenameFormat", "2", "0", "2"}, {"Misc/SaveData", "chkSaveData", "2", "2", "2"},
            {"Misc/PowerDown", "chkPowerDown", "0.6", "1", "1"},       {"Misc/ClearData", "chkClearData", "1x", "0", "1x"},
            {"Misc/ClearData", "chkClearData", "3", "0", "3"},
            {"Misc/FilePath", "txtPath", "/srv/vx data", "/srv/vx data", "/srv/vx data"}};
        for (const auto &[key, control, text, shows, kept] : rows) {
            TerminalWindow t;
            t.world.preset(key, text);
            t.open();
            QCOMPARE(t.state(control) + " | " + t.world.stored(key), QString(shows) + " | " + kept);
            // "saving/appending", greyed included, switches the file controls on.
            const bool saving = t.state("chkSaveData") != "0";
            QVERIFY(t.get("Frame7")->isEnabled() == saving && t.get("Frame8")->isEnabled() == saving
                    && t.world.dialogs.asked.isEmpty());
        }
    }

    void everyChangeIsStoredAtOnceAndShownAfterARestart()
    {
        TerminalWindow t;
        t.get<QComboBox>("cboCommPort")->setCurrentIndex(15);
        t.get<QComboBox>("cboDateFormat")->setCurrentIndex(1);
        for (const char *name : {"chkSaveData", "optFilenameFormat(1)", "chkClearData", "chkUpdateTime", "chkPowerDown",
                                 "chkPowerDown"})
            t.click(name);
        const QList<std::array<const char *, 3>> changed{
            {"Connect/Comport", "cboCommPort", "15"}, {"Misc/DateFormat", "cboDateFormat", "1"},
            {"Misc/FilenameFormat", "optFilenameFormat", "1"}, {"Misc/ClearData", "chkClearData", "1"},
            {"Misc/UpdateTime", "chkUpdateTime", "1"}, {"Misc/PowerDown", "chkPowerDown", "0"},
            {"Misc/SaveData", "chkSaveData", "1"}};
        for (const auto &[key, control, value] : changed)
            QCOMPARE(t.world.stored(key), QString(value));
        QCOMPARE(t.state("lblExample"), QStringLiteral("ex. 06012024.txt"));
        // A typed folder or file name lasts until the program ends.
        t.get<QLineEdit>("txtPath")->setText("/typed");
        t.get<QLineEdit>("txtFixedFilename")->setText("other.txt");
        t.open();
        for (const auto &[key, control, value] : changed)
            QCOMPARE(t.state(control), QString(value));
        QCOMPARE(t.state("txtPath") + t.state("txtFixedFilename"), t.world.program.path() + "VX.txt");
    }

    void writesKeepTheirTextExactly()
    {
        AppWorld w;
        QVERIFY(w.store->write(key::Password, " Mixed Case ") && w.store->write(key::FilePath, "/data/a,b;c=d"));
        SettingsStore later(w.dialogs);
        QCOMPARE(later.read(key::Password, "") + later.read(key::FilePath, ""), QStringLiteral(" Mixed Case /data/a,b;c=d"));
        QVERIFY(w.store->write(key::Password, QString()));
        QCOMPARE(later.read(key::Password, "5813"), QString());
    }

    // What stands where the settings file should be at the program's next
    // start: left as it is, reported once, and the platform's own ports used
    // (COM3 is mapped in the first two).
    void aFileThatIsNoSettingsFileIsReportedOnceAndLeftAlone()
    {
        const QList<std::pair<const char *, QByteArray>> files{
            {"file", "COM3 is the USB cable: /dev/ttyUSB0\n"}, {"file", "[Ports]\nCOM3=/dev/ttyUSB0\n[Misc\n"},
            {"file", QByteArray("[Misc]\nClearData=1\0\x01", 20)}, {"file", "[Misc]\nFilePath=/home/\xe9t\xe9\n"},
            {"file", QByteArray(2 << 20, '\n')}, {"link", "shopping list\n"}, {"link", ""}, {"folder", ""}, {"fifo", ""}};
        for (const auto &[kind, bytes] : files) {
            TerminalWindow t;
            const QString file = t.world.settingsFile(), notes = t.world.config.filePath("notes.txt");
            QVERIFY(QFile::remove(file));
            const QLatin1String is(kind);
            QVERIFY(is != "file" || writeFileBytes(file, bytes));
            QVERIFY(is != "link" || (QFile::link(notes, file) && (bytes.isEmpty() || writeFileBytes(notes, bytes))));
            QVERIFY((is != "folder" || QDir().mkdir(file)) && (is != "fifo" || ::mkfifo(QFile::encodeName(file), 0600) == 0));
            // Its link target, permissions, kind and content (links followed).
            auto describe = [&file] {
                const QFileInfo i(file);
                return QStringLiteral("%1 %2 %3 ").arg(i.symLinkTarget()).arg(int(i.permissions()), 0, 8).arg(int(i.isDir()))
                    + QCryptographicHash::hash(i.isFile() ? fileBytes(file) : "", QCryptographicHash::Md5).toHex();
            };
            const QString before = describe();
            t.world.dialogs.asked.clear();
            t.open();
            t.click("chkClearData");
            t.get<QComboBox>("cboCommPort")->setCurrentIndex(2);
            t.press(frmMain::kCmdRecordCount);
            const Message m = t.world.dialogs.asked.value(0);
            QVERIFY(t.world.dialogs.asked.size() == 1 && m.title == "75" && m.text.startsWith("The settings file " + file
                    + " cannot be read: ") && m.text.endsWith(". The program goes on with the default settings; changes "
                                                             "will not be kept."));
            QCOMPARE(t.port->portName() + " " + t.state("lblPort"),
                     QStringLiteral("/dev/ttyS2 COM3 \u2192 /dev/ttyS2 (settings file unreadable)"));
            QVERIFY(describe() == before && (!QFile::exists(notes) || !bytes.isEmpty()));
        }
    }

    // Only a plain file of the user's own is made private, not a link's target.
    void theUsersOwnFileIsMadePrivate()
    {
        for (bool link : {false, true}) {
            TerminalWindow t;
            const QString file = t.world.settingsFile(), target = t.world.config.filePath("shared.ini");
            QVERIFY(QFile::remove(file) && writeFileBytes(link ? target : file, "[Misc]\nClearData=1\n"));
            QVERIFY(QFile::setPermissions(link ? target : file, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadOther));
            QVERIFY(!link || QFile::link(target, file));
            t.open();
            t.click("chkClearData");
            QCOMPARE(t.world.stored("Misc/ClearData"), QStringLiteral("0"));
            QVERIFY(QFileInfo(file).isSymLink() == link && bool(QFileInfo(file).permissions() & QFile::ReadOther) == link);
        }
    }

    // From the start the store's folder cannot be created (a plain file
    // stands in its way), so every write fails, until it can again.
    void aStoreThatCannotSaveIsReportedOnceByTheLoadThenAtEveryChange()
    {
        TerminalWindow t;
        t.w.reset();
        const QString blocked = t.world.config.filePath("blocked");
        QVERIFY(writeFileBytes(blocked, ""));
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, blocked);
        t.world.store = std::make_unique<SettingsStore>(t.world.dialogs);
        t.open();
        t.click("chkClearData");
        t.get<QComboBox>("cboCommPort")->setCurrentIndex(2);
        // A new password that cannot be stored is reported; the dialog stays.
        whenModal<frmPasswordChange>([](frmPasswordChange *d) {
            child<QLineEdit>(d, "txtPassword")->setText("new");
            arrayButton(d, "cmdCtrl", kCtrlOK)->click();
            QVERIFY(d->isVisible());
            arrayButton(d, "cmdCtrl", kCtrlCancel)->click();
        });
        t.click("cmdChangePassword");
        QCOMPARE(g_sPassword, kPresetPassword);
        QCOMPARE(t.world.dialogs.asked.size(), 4);
        for (const Message &m : t.world.dialogs.asked)
            QCOMPARE(m.title + " " + m.text, "70 The settings could not be saved: the file cannot be accessed (" + blocked
                                                 + "/VX500-500A Monitor.ini).");
        // Once the store works again the next change is kept, without a word.
        QVERIFY(QFile::remove(blocked) && QDir().mkdir(blocked));
        t.click("chkPowerDown");
        QCOMPARE(t.world.dialogs.asked.size(), 4);
        QCOMPARE(fileBytes(blocked + "/VX500-500A Monitor.ini"), QByteArray("[Misc]\nPowerDown=1\n"));
    }
};

QTEST_MAIN(SettingsTest)
#include "tst_Settings.moc"
