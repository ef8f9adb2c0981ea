// The main window: its load from an empty or filled store, every setting
// handler's write (and the file controls switched with them), values the
// program never writes, the service buttons, the folder chooser and the names
// screen readers see.
#include "AppTest.h"

#include "FakePort.h"
#include "Globals.h"
#include "ProgramFolder.h"
#include "frmFilePath.h"
#include "frmPasswordChange.h"
#include "frmMain.h"
#include "ucVX300_500.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include "FolderList.h"
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QStandardPaths>
#include <QTabWidget>
#include <QTimeEdit>

using namespace vx;
using namespace vx::test;

namespace {

struct Window {
    AppWorld world;
    std::unique_ptr<frmMain> w;
    int endCalls = 0;

    explicit Window(const QString &password = QStringLiteral("5813")) { g_sPassword = password; }
    frmMain *open(const QString &programFolder = QString())
    {
        w = std::make_unique<frmMain>(std::make_unique<FakePort>(), world.dialogs, *world.store,
                                      programFolder.isNull() ? world.program.path() : programFolder);
        w->setEndProgram([this] { ++endCalls; });
        return w.get();
    }
    template <typename T>
    T *get(const char *name) { return child<T>(w.get(), QLatin1String(name)); }
    QCheckBox *check(const char *name) { return get<QCheckBox>(name); }
};

const char *const kFileControls[] = {"Frame7", "txtPath", "cmdPath", "Frame8", "optFilenameFormat(0)",
                                     "optFilenameFormat(1)", "txtFixedFilename", "cboDateFormat"};

} // namespace

class MainWindowTest : public QObject
{
    Q_OBJECT
private slots:
    void firstStartWithAnEmptyStore()
    {
        Window t;
        frmMain *w = t.open();
        QCOMPARE(w->windowTitle(), QStringLiteral("VX500-500A Monitor v2.0R4"));
        auto *tabs = t.get<QTabWidget>("stab");
        QCOMPARE(tabs->count(), 4);
        QCOMPARE(tabs->currentIndex(), 0);
        QStringList captions;
        for (int i = 0; i < tabs->count(); ++i)
            captions << tabs->tabText(i);
        QCOMPARE(captions, (QStringList{"General Commands", "VX500R/U", "Miscellaneous", "Tag Verification"}));
        QVERIFY(tabs->isTabEnabled(1));
        QVERIFY(!tabs->isTabEnabled(3));

        QCOMPARE(t.get<QComboBox>("cboCommPort")->currentText(), QStringLiteral("COM1"));
        QCOMPARE(t.get<QComboBox>("cboCommPort")->count(), 16);
        QCOMPARE(t.get<QComboBox>("cboCommPort")->itemText(15), QStringLiteral("COM16"));
        for (const char *box : {"chkClearData", "chkSaveData", "chkUpdateTime", "chkPowerDown"})
            QCOMPARE(t.check(box)->checkState(), Qt::Unchecked);
        QCOMPARE(t.get<QLineEdit>("txtPath")->text(), t.world.program.path());
        QVERIFY(t.get<QRadioButton>("optFilenameFormat(0)")->isChecked());
        QCOMPARE(t.get<QLineEdit>("txtFixedFilename")->text(), QStringLiteral("VX.txt"));
        QCOMPARE(t.get<QComboBox>("cboDateFormat")->currentText(), QStringLiteral("yyyymmdd"));
        QCOMPARE(t.get<QLabel>("lblExample")->text(),
                 QStringLiteral("ex. %1.txt").arg(QDate::currentDate().toString(QStringLiteral("yyyyMMdd"))));
        for (const char *name : kFileControls)
            QVERIFY2(!t.get<QWidget>(name)->isEnabled(), name);
        QCOMPARE(t.get<QLineEdit>("txtID")->text(), QStringLiteral("0"));
        QVERIFY(!t.get<QLineEdit>("txtID")->isEnabled());
        QCOMPARE(t.get<QLineEdit>("txtNewID")->text(), QStringLiteral("0"));
        QVERIFY(!arrayButton(w, "cmd", 15)->isEnabled());
        QCOMPARE(t.get<QDateEdit>("dtpDate")->date(), QDate::currentDate());

        // The load creates exactly the three keys it writes back.
        QCOMPARE(t.world.stored("Connect", "Comport"), QStringLiteral("0"));
        QCOMPARE(t.world.stored("Misc", "DateFormat"), QStringLiteral("0"));
        QCOMPARE(t.world.stored("Misc", "SaveData"), QStringLiteral("0"));
        for (const char *key : {"ClearData", "UpdateTime", "PowerDown", "FilePath", "FilenameFormat"})
            QVERIFY2(t.world.stored("Misc", key).isNull(), key);
        QVERIFY(t.world.dialogs.asked.isEmpty());
    }

    void storedValuesAreRestoredAndLeftAsTheyWere()
    {
        Window t;
        const QList<std::tuple<const char *, const char *, QString>> values{
            {"Connect", "Comport", "3"},  {"Misc", "DateFormat", "2"},     {"Misc", "ClearData", "1"},
            {"Misc", "SaveData", "1"},    {"Misc", "UpdateTime", "1"},     {"Misc", "PowerDown", "0"},
            {"Misc", "FilePath", "/srv/vx data"}, {"Misc", "FilenameFormat", "1"}};
        for (const auto &[section, key, value] : values)
            t.world.preset(section, key, value);
        t.open();
        QCOMPARE(t.get<QComboBox>("cboCommPort")->currentText(), QStringLiteral("COM4"));
        QCOMPARE(t.get<QComboBox>("cboDateFormat")->currentText(), QStringLiteral("ddmmyyyy"));
        QCOMPARE(t.get<QLabel>("lblExample")->text(),
                 QStringLiteral("ex. %1.txt").arg(QDate::currentDate().toString(QStringLiteral("ddMMyyyy"))));
        QCOMPARE(t.check("chkClearData")->checkState(), Qt::Checked);
        QCOMPARE(t.check("chkSaveData")->checkState(), Qt::Checked);
        QCOMPARE(t.check("chkUpdateTime")->checkState(), Qt::Checked);
        QCOMPARE(t.check("chkPowerDown")->checkState(), Qt::Unchecked);
        QCOMPARE(t.get<QLineEdit>("txtPath")->text(), QStringLiteral("/srv/vx data"));
        QVERIFY(t.get<QRadioButton>("optFilenameFormat(1)")->isChecked());
        for (const char *name : kFileControls)
            QVERIFY2(t.get<QWidget>(name)->isEnabled(), name);
        for (const auto &[section, key, value] : values)
            QCOMPARE(t.world.stored(section, key), value);
    }

    void greyedSaveDataCountsAsTicked()
    {
        Window t;
        t.world.preset("Misc", "SaveData", QStringLiteral("2"));
        t.open();
        QCOMPARE(t.check("chkSaveData")->checkState(), Qt::PartiallyChecked);
        QVERIFY(t.get<QWidget>("Frame8")->isEnabled());
        QCOMPARE(t.world.stored("Misc", "SaveData"), QStringLiteral("2"));
        // A click makes it an ordinary ticked box.
        t.check("chkSaveData")->click();
        QCOMPARE(t.world.stored("Misc", "SaveData"), QStringLiteral("1"));
        t.check("chkSaveData")->click();
        QCOMPARE(t.world.stored("Misc", "SaveData"), QStringLiteral("0"));
    }

    void valuesTheProgramNeverWritesReadAsDefaults_data()
    {
        QTest::addColumn<QString>("comport");
        QTest::addColumn<QString>("dateFormat");
        QTest::addColumn<QString>("filenameFormat");
        QTest::addColumn<QString>("check");
        QTest::newRow("out of range") << "16" << "3" << "2" << "3";
        QTest::newRow("negative") << "-1" << "-1" << "-1" << "-1";
        QTest::newRow("not numbers") << "COM4" << "ddmmyyyy" << "date" << "yes";
        QTest::newRow("overflow") << "70000" << "1e6" << "40000" << "1e6";
    }
    void valuesTheProgramNeverWritesReadAsDefaults()
    {
        QFETCH(QString, comport);
        QFETCH(QString, dateFormat);
        QFETCH(QString, filenameFormat);
        QFETCH(QString, check);
        Window t;
        t.world.preset("Connect", "Comport", comport);
        t.world.preset("Misc", "DateFormat", dateFormat);
        t.world.preset("Misc", "FilenameFormat", filenameFormat);
        for (const char *key : {"ClearData", "SaveData", "UpdateTime", "PowerDown"})
            t.world.preset("Misc", key, check);
        t.open();
        QCOMPARE(t.get<QComboBox>("cboCommPort")->currentIndex(), 0);
        QCOMPARE(t.get<QComboBox>("cboDateFormat")->currentIndex(), 0);
        QVERIFY(t.get<QRadioButton>("optFilenameFormat(0)")->isChecked());
        for (const char *box : {"chkClearData", "chkSaveData", "chkUpdateTime", "chkPowerDown"})
            QCOMPARE(t.check(box)->checkState(), Qt::Unchecked);
        QVERIFY(t.world.dialogs.asked.isEmpty());
    }

    void leadingNumbersAreReadLeniently()
    {
        Window t;
        t.world.preset("Connect", "Comport", QStringLiteral(" 4 (COM5)"));
        t.world.preset("Misc", "DateFormat", QStringLiteral("1.4"));
        t.world.preset("Misc", "ClearData", QStringLiteral("1 "));
        t.open();
        QCOMPARE(t.get<QComboBox>("cboCommPort")->currentText(), QStringLiteral("COM5"));
        QCOMPARE(t.get<QComboBox>("cboDateFormat")->currentText(), QStringLiteral("mmddyyyy"));
        QCOMPARE(t.check("chkClearData")->checkState(), Qt::Checked);
        // The load writes the selections back in the program's own form.
        QCOMPARE(t.world.stored("Connect", "Comport"), QStringLiteral("4"));
        QCOMPARE(t.world.stored("Misc", "DateFormat"), QStringLiteral("1"));
    }

    void everyHandlerWritesAtOnce()
    {
        Window t;
        t.open();
        t.get<QComboBox>("cboCommPort")->setCurrentIndex(15);
        QCOMPARE(t.world.stored("Connect", "Comport"), QStringLiteral("15"));
        const QList<std::pair<const char *, const char *>> boxes{{"chkClearData", "ClearData"},
                                                                 {"chkUpdateTime", "UpdateTime"},
                                                                 {"chkPowerDown", "PowerDown"},
                                                                 {"chkSaveData", "SaveData"}};
        for (const auto &[box, key] : boxes) {
            t.check(box)->click();
            QCOMPARE(t.world.stored("Misc", key), QStringLiteral("1"));
            t.check(box)->click();
            QCOMPARE(t.world.stored("Misc", key), QStringLiteral("0"));
        }
        // "saving/appending..." switches the file controls.
        for (const char *name : kFileControls)
            QVERIFY2(!t.get<QWidget>(name)->isEnabled(), name);
        t.check("chkSaveData")->click();
        for (const char *name : kFileControls)
            QVERIFY2(t.get<QWidget>(name)->isEnabled(), name);
        QVERIFY(t.get<QLabel>("lblExample")->isEnabled());
        t.get<QRadioButton>("optFilenameFormat(1)")->click();
        QCOMPARE(t.world.stored("Misc", "FilenameFormat"), QStringLiteral("1"));
        t.get<QRadioButton>("optFilenameFormat(0)")->click();
        QCOMPARE(t.world.stored("Misc", "FilenameFormat"), QStringLiteral("0"));
        t.get<QComboBox>("cboDateFormat")->setCurrentIndex(1);
        QCOMPARE(t.world.stored("Misc", "DateFormat"), QStringLiteral("1"));
        QCOMPARE(t.get<QLabel>("lblExample")->text(),
                 QStringLiteral("ex. %1.txt").arg(QDate::currentDate().toString(QStringLiteral("MMddyyyy"))));
        // Typing a folder or a file name stores nothing.
        t.get<QLineEdit>("txtPath")->setText(QStringLiteral("/typed"));
        t.get<QLineEdit>("txtFixedFilename")->setText(QStringLiteral("other.txt"));
        QVERIFY(t.world.stored("Misc", "FilePath").isNull());
        t.open();
        QCOMPARE(t.get<QLineEdit>("txtPath")->text(), t.world.program.path());
        QCOMPARE(t.get<QLineEdit>("txtFixedFilename")->text(), QStringLiteral("VX.txt"));
        QCOMPARE(t.get<QComboBox>("cboCommPort")->currentText(), QStringLiteral("COM16"));
    }

    void serviceButtonsOnlyUnderTheMasterPassword_data()
    {
        QTest::addColumn<QString>("password");
        QTest::addColumn<bool>("shown");
        QTest::newRow("preset") << "5813" << false;
        QTest::newRow("lower case master") << "qorn" << false;
        QTest::newRow("master") << "QORN" << true;
    }
    void serviceButtonsOnlyUnderTheMasterPassword()
    {
        QFETCH(QString, password);
        QFETCH(bool, shown);
        Window t(password);
        frmMain *w = t.open();
        w->show();
        QCOMPARE(arrayButton(w, "cmd", 7)->isVisible(), shown);
        QCOMPARE(arrayButton(w, "cmd", 8)->isVisible(), shown);
        QVERIFY(arrayButton(w, "cmd", 6)->isVisible());
        // A change of password made in the window does not alter them.
        const QString other = shown ? QStringLiteral("x") : QStringLiteral("QORN");
        whenModal<frmPasswordChange>([other](frmPasswordChange *d) {
            child<QLineEdit>(d, QStringLiteral("txtPassword"))->setText(other);
            arrayButton(d, "cmdCtrl", 0)->click();
        });
        t.get<QPushButton>("cmdChangePassword")->click();
        QCOMPARE(g_sPassword, other);
        QCOMPARE(arrayButton(w, "cmd", 7)->isVisible(), shown);
        QCOMPARE(arrayButton(w, "cmd", 8)->isVisible(), shown);
    }

    void controlsCarryTheirNamesAndCaptions()
    {
        Window t;
        frmMain *w = t.open();
        const QList<std::pair<int, const char *>> cmds{
            {0, "Set Time"},   {1, "Get Time"},     {2, "Record Count"}, {3, "Set Mach#"},
            {4, "Get Mach#"},  {5, "Get Version"},  {6, "Clear Data"},   {7, "Recover Data"},
            {8, "Invoke Test"}, {9, "Power Down"},  {10, "Download Data"}, {14, "Sync. Time"},
            {15, "Battery Voltage"}};
        for (const auto &[index, caption] : cmds) {
            QAbstractButton *b = arrayButton(w, "cmd", index);
            QVERIFY2(b, caption);
            QCOMPARE(b->text(), QString::fromLatin1(caption));
            QCOMPARE(b->objectName(), QStringLiteral("cmd(%1)").arg(index));
        }
        QCOMPARE(arrayButton(w, "cmdClear", 0)->text(), QStringLiteral("Clear Message"));
        QCOMPARE(arrayButton(w, "cmdClear", 2)->text(), QStringLiteral("Clear Message"));
        QCOMPARE(arrayButton(w, "cmdDK90", 1)->text(), QStringLiteral("Get VX500R/U Version"));
        QCOMPARE(arrayButton(w, "cmdDK90", 2)->text(), QStringLiteral("Get VX500R/U Information"));
        QCOMPARE(t.get<QPushButton>("cmdChangePassword")->text(), QStringLiteral("Change &Password..."));
        QCOMPARE(t.get<QGroupBox>("Frame7")->title(), QStringLiteral("Saved file path"));
        QCOMPARE(t.get<QGroupBox>("Frame8")->title(), QStringLiteral("Saved file name"));
        QCOMPARE(t.check("chkSaveData")->text(),
                 QStringLiteral("saving/appending the downloaded data to the specified file."));

        // Every button, box and frame is found by its caption without "&".
        for (QAbstractButton *b : w->findChildren<QAbstractButton *>()) {
            if (b->text().isEmpty())
                continue; // the arrows of the spin controls
            QCOMPARE(b->accessibleName(), QString(b->text()).remove(QLatin1Char('&')));
        }
        for (QGroupBox *g : w->findChildren<QGroupBox *>())
            QCOMPARE(g->accessibleName(), g->title());
        QList<QWidget *> byName;
        for (QWidget *c : w->findChildren<QWidget *>())
            if (c->accessibleName() == QStringLiteral("Record Count"))
                byName << c;
        QCOMPARE(byName.size(), 1);
        QCOMPARE(byName[0], arrayButton(w, "cmd", 2));
        for (QWidget *c : w->findChildren<QWidget *>())
            if (qobject_cast<QLineEdit *>(c) || qobject_cast<QComboBox *>(c))
                if (!c->parent()->inherits("QComboBox") && !c->parent()->inherits("QAbstractSpinBox"))
                    QVERIFY2(!c->accessibleName().isEmpty(), qPrintable(c->objectName()));
    }

    void labelsThatChangeAreReadAsTheyRead()
    {
        Window t;
        t.open();
        auto *example = t.get<QLabel>("lblExample");
        auto *port = t.get<QLabel>("lblPort");
        t.get<QComboBox>("cboDateFormat")->setCurrentIndex(2);
        t.get<QComboBox>("cboCommPort")->setCurrentIndex(4);
        QVERIFY(example->text().startsWith(QStringLiteral("ex. ")));
        QCOMPARE(spokenName(example), example->text());
        QCOMPARE(port->text(), QStringLiteral("COM5 \u2192 /dev/ttyS4"));
        QCOMPARE(spokenName(port), port->text());
    }

    void folderChooserResultIsStoredOnlyOnOK()
    {
        Window t;
        QTemporaryDir data;
        QVERIFY(QDir(data.path()).mkdir(QStringLiteral("inbox")));
        t.world.preset("Misc", "FilePath", data.path());
        t.open();
        t.check("chkSaveData")->click();
        auto *path = t.get<QLineEdit>("txtPath");

        // Cancel after opening another folder: nothing changes.
        whenModal<frmFilePath>([](frmFilePath *d) {
            auto *list = child<FolderList>(d, QStringLiteral("dirDownloadSaved"));
            emit list->itemDoubleClicked(list->entry(QStringLiteral("inbox")), 0);
            arrayButton(d, "cmdCtrl", 1)->click();
        });
        t.get<QPushButton>("cmdPath")->click();
        QCOMPARE(path->text(), data.path());
        QCOMPARE(t.world.stored("Misc", "FilePath"), data.path());

        // OK after opening it: stored and shown, and there after a restart.
        whenModal<frmFilePath>([](frmFilePath *d) {
            auto *list = child<FolderList>(d, QStringLiteral("dirDownloadSaved"));
            emit list->itemDoubleClicked(list->entry(QStringLiteral("inbox")), 0);
            arrayButton(d, "cmdCtrl", 0)->click();
        });
        t.get<QPushButton>("cmdPath")->click();
        const QString inbox = QDir::toNativeSeparators(QDir(data.path()).filePath(QStringLiteral("inbox")));
        QCOMPARE(path->text(), inbox);
        QCOMPARE(t.world.stored("Misc", "FilePath"), inbox);
        t.open();
        QCOMPARE(t.get<QLineEdit>("txtPath")->text(), inbox);
        QVERIFY(t.world.dialogs.asked.isEmpty());
    }

    void installedProgramKeepsItsDataInDocuments()
    {
        Window t;
        // A folder nobody may create files in, not even the administrator.
        t.open(QStringLiteral("/proc"));
        const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
        QCOMPARE(t.get<QLineEdit>("txtPath")->text(), QDir::toNativeSeparators(documents));
        QVERIFY(!isWritableFolder(QStringLiteral("/proc")));
        QVERIFY(isWritableFolder(t.world.program.path()));
    }

    void aStoreThatFailsIsReportedOnceByTheLoadThenAtEveryChange()
    {
        Window t;
        t.world.breakStore();
        t.open();
        QCOMPARE(t.world.dialogs.asked.size(), 1);
        t.check("chkClearData")->click();
        t.check("chkClearData")->click();
        t.get<QComboBox>("cboCommPort")->setCurrentIndex(2);
        QCOMPARE(t.world.dialogs.asked.size(), 4);
        // A new password that cannot be stored is reported; the dialog stays.
        bool stayed = false;
        whenModal<frmPasswordChange>([&stayed](frmPasswordChange *d) {
            child<QLineEdit>(d, QStringLiteral("txtPassword"))->setText(QStringLiteral("new"));
            arrayButton(d, "cmdCtrl", 0)->click();
            stayed = d->isVisible();
            arrayButton(d, "cmdCtrl", 1)->click();
        });
        t.get<QPushButton>("cmdChangePassword")->click();
        QVERIFY(stayed);
        QCOMPARE(t.world.dialogs.asked.size(), 5);
        QCOMPARE(g_sPassword, QStringLiteral("5813"));
        for (const Message &m : t.world.dialogs.asked) {
            QVERIFY2(m.text.contains(QStringLiteral("could not be saved")), qPrintable(m.text));
            QVERIFY2(m.text.contains(QStringLiteral("plain")), qPrintable(m.text)); // names the file
            QCOMPARE(m.title, QStringLiteral("70"));
            QCOMPARE(m.buttons, Buttons::Ok);
        }
        // Once the store works again the next change is kept, without a word.
        t.world.repairStore();
        t.check("chkPowerDown")->click();
        QCOMPARE(t.world.dialogs.asked.size(), 5);
        QCOMPARE(t.world.stored("Misc", "PowerDown"), QStringLiteral("1"));
        // What could not be saved stays unsaved.
        QVERIFY(t.world.stored("Security", "Password").isNull());
        QVERIFY(t.world.stored("Connect", "Comport").isNull());
    }

    void theWindowOpensInTheMiddleOfTheScreen()
    {
        Window t;
        frmMain *w = t.open();
        w->show();
        const QRect free = w->screen()->availableGeometry();
        QVERIFY2(free.contains(w->geometry()), "the window is larger than the test's screen");
        // Placed before it is shown, while the frame around it is not known yet:
        // off by no more than the frame's thickness.
        const QPoint frame = w->geometry().topLeft() - w->frameGeometry().topLeft();
        const QPoint off = w->geometry().center() - free.center();
        QVERIFY2(qAbs(off.x()) <= frame.x() + 1 && qAbs(off.y()) <= frame.y() + 1,
                 qPrintable(QStringLiteral("%1,%2").arg(off.x()).arg(off.y())));
    }

    void closingTheWindowEndsTheProgram()
    {
        Window t;
        frmMain *w = t.open();
        w->show();
        w->close();
        QCOMPARE(t.endCalls, 1);
        QVERIFY(w->link().IsAborted());
    }
};

QTEST_MAIN(MainWindowTest)
#include "tst_MainWindow.moc"
