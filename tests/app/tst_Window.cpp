// The main window's first start, the names screen readers give its
// controls, the service buttons, where it opens and that closing it ends the
// program; the folder chooser through the window and on its own.
#include "AppTest.h"

#include "FolderList.h"
#include "frmFilePath.h"
#include "frmPasswordChange.h"

#include <QAccessible>
#include <QDateEdit>
#include <QGroupBox>
#include <QScreen>
#include <QStandardPaths>
#include <QTabWidget>
#include <QTimeEdit>

using namespace vx;
using namespace vx::test;

namespace {

// Double-clicks the entry of the folder list that names this folder.
void openFolder(frmFilePath *d, const QString &name)
{
    auto *list = child<FolderList>(d, "dirDownloadSaved");
    const auto found = list->findItems(name, Qt::MatchExactly | Qt::MatchRecursive);
    QVERIFY2(!found.isEmpty(), qPrintable(name));
    emit list->itemDoubleClicked(found.constLast(), 0);
}

QString native(const QString &folder) { return QDir::toNativeSeparators(QDir::cleanPath(folder)); }

} // namespace

class WindowTest : public QObject
{
    Q_OBJECT
private slots:
    void firstStartWithAnEmptyStore()
    {
        TerminalWindow t;
        QCOMPARE(t.w->windowTitle(), QStringLiteral("VX500-500A Monitor v2.0R4"));
        auto *tabs = t.get<QTabWidget>("stab");
        QStringList shown{QString::number(tabs->currentIndex())};
        for (int i = 0; i < tabs->count(); ++i)
            shown << tabs->tabText(i) + (tabs->isTabEnabled(i) ? "" : " (off)");
        for (const char *name : {"cboCommPort", "cboDateFormat", "chkClearData", "chkSaveData", "chkUpdateTime",
                                 "chkPowerDown", "optFilenameFormat", "txtFixedFilename", "lblExample", "txtID", "txtNewID"})
            shown << t.state(name);
        QCOMPARE(shown, (QStringList{"0", "General Commands", "VX500R/U", "Miscellaneous", "Tag Verification (off)", "0",
                                     "0", "0", "0", "0", "0", "0", "VX.txt", "ex. 20240601.txt", "0", "0"}));
        QCOMPARE(t.get<QComboBox>("cboCommPort")->itemText(15) + t.get<QComboBox>("cboDateFormat")->itemText(2),
                 QStringLiteral("COM16ddmmyyyy"));
        QCOMPARE(t.state("txtPath"), t.world.program.path());
        for (const char *off : {"Frame7", "Frame8", "txtID", "updID", "cmd(15)"})
            QVERIFY2(!t.get(off)->isEnabled(), off);
        QCOMPARE(QDateTime(t.get<QDateEdit>("dtpDate")->date(), t.get<QTimeEdit>("dtpTime")->time()), t.pcNow());
        // The load creates exactly the three keys it writes back.
        QSettings stored(t.world.settingsFile(), QSettings::IniFormat);
        QCOMPARE(stored.allKeys(), (QStringList{"Connect/Comport", "Misc/DateFormat", "Misc/SaveData"}));
        QVERIFY(t.world.stored("Connect/Comport") + t.world.stored("Misc/DateFormat") + t.world.stored("Misc/SaveData")
                == "000");
        QVERIFY(t.world.dialogs.asked.isEmpty());
        // A screen reader finds every button and frame by its caption without
        // "&", every box by a name, and reads the changing labels as shown.
        for (QAbstractButton *b : t.w->findChildren<QAbstractButton *>())
            QVERIFY(b->text().isEmpty() || b->accessibleName() == QString(b->text()).remove(QLatin1Char('&')));
        for (QGroupBox *g : t.w->findChildren<QGroupBox *>())
            QCOMPARE(g->accessibleName(), g->title());
        for (QWidget *c : t.w->findChildren<QWidget *>())
            QVERIFY(!(qobject_cast<QLineEdit *>(c) || qobject_cast<QComboBox *>(c)) || !c->accessibleName().isEmpty()
                    || c->parent()->inherits("QComboBox") || c->parent()->inherits("QAbstractSpinBox"));
        for (const char *name : {"lblExample", "lblPort"})
            QCOMPARE(QAccessible::queryAccessibleInterface(t.get(name))->text(QAccessible::Name), t.state(name));
        QCOMPARE(t.state("lblPort"), QStringLiteral("COM1 \u2192 /dev/ttyS0"));
    }

    void serviceButtonsOnlyUnderTheMasterPassword()
    {
        for (const auto &[password, shown] : {std::pair{"5813", false}, {"qorn", false}, {"QORN", true}}) {
            TerminalWindow t(password);
            t.w->show();
            // A change of password made in the window does not alter them.
            whenModal<frmPasswordChange>([shown = shown](frmPasswordChange *d) {
                child<QLineEdit>(d, "txtPassword")->setText(shown ? "x" : "QORN");
                arrayButton(d, "cmdCtrl", kCtrlOK)->click();
            });
            t.click("cmdChangePassword");
            QCOMPARE(g_sPassword, QLatin1String(shown ? "x" : "QORN"));
            QCOMPARE(t.get("cmd(7)")->isVisible() + t.get("cmd(8)")->isVisible(), shown ? 2 : 0);
            QVERIFY(t.get("cmd(6)")->isVisible());
        }
    }

    void itOpensInTheMiddleOfTheScreenAndClosingItEndsTheProgram()
    {
        TerminalWindow t;
        t.w->show();
        const QRect free = t.w->screen()->availableGeometry();
        QVERIFY2(free.contains(t.w->geometry()), "the window is larger than the test's screen");
        // Placed before it is shown, while the frame around it is not known
        // yet: off by no more than the frame's thickness.
        const QPoint frame = t.w->geometry().topLeft() - t.w->frameGeometry().topLeft();
        const QPoint off = t.w->geometry().center() - free.center();
        QVERIFY(qAbs(off.x()) <= frame.x() + 1 && qAbs(off.y()) <= frame.y() + 1);
        t.w->close();
        QCOMPARE(t.endCalls, 1); // the link is aborted too: see closingTheWindowInTheMiddle
        // An installed program (nobody may write beside it) keeps its data in Documents.
        t.open("/proc");
        QCOMPARE(t.state("txtPath"), native(QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation)));
    }

    // Through "...": only a folder confirmed with OK is stored, and it is the
    // folder opened (double-clicked), not one highlighted.
    void theChosenFolderIsStoredOnlyOnOK()
    {
        TerminalWindow t;
        const QString inbox = native(t.fileIn("inbox"));
        QVERIFY(QDir().mkpath(inbox + "/deeper"));
        t.click("chkSaveData");
        for (int button : {int(kCtrlCancel), -1, int(kCtrlOK)}) { // -1: the close box
            whenModal<frmFilePath>([button](frmFilePath *d) {
                QVERIFY(!d->IsOK());
                openFolder(d, "inbox");
                auto *list = child<FolderList>(d, "dirDownloadSaved");
                list->setCurrentItem(list->findItems("deeper", Qt::MatchRecursive).value(0));
                button < 0 ? void(d->close()) : arrayButton(d, "cmdCtrl", button)->click();
            });
            t.click("cmdPath");
            QCOMPARE(t.world.stored("Misc/FilePath"), button == kCtrlOK ? inbox : QString());
        }
        t.open();
        QCOMPARE(t.state("txtPath"), inbox);
        QVERIFY(t.world.dialogs.asked.isEmpty());
    }

    void theChooserReportsWhatItCannotOpenAndStaysUsable()
    {
        QTemporaryDir root;
        QVERIFY(QDir().mkpath(root.filePath("a/brief")) && QDir().mkpath(root.filePath("b")));
        ScriptedDialogs dialogs;
        frmFilePath d(dialogs);
        // A missing preset is reported; OK returns the folder shown instead.
        d.Path(root.filePath("gone"));
        QCOMPARE(dialogs.asked.value(0).title + " " + dialogs.asked.value(0).text,
                 "VX500-500A Monitor " + root.filePath("gone") + ": No such file or directory");
        whenModal<frmFilePath>([](frmFilePath *d) { arrayButton(d, "cmdCtrl", kCtrlOK)->click(); });
        d.exec();
        QVERIFY(d.IsOK() && QDir(d.Path()).exists());
        // A folder that vanished while listed; then an ancestor and another folder.
        d.Path(root.filePath("a"));
        whenModal<frmFilePath>([&](frmFilePath *d) {
            QVERIFY(QDir(root.filePath("a")).rmdir("brief"));
            openFolder(d, "brief");
            QCOMPARE(dialogs.asked.size(), 2);
            openFolder(d, QDir(root.path()).dirName());
            openFolder(d, "b");
            arrayButton(d, "cmdCtrl", kCtrlOK)->click();
        });
        d.exec();
        QCOMPARE(d.Path(), native(root.filePath("b")));
        // Picking a drive (the home folder, then the root) opens it.
        for (int drive : {1, 0})
            child<QComboBox>(&d, "drvDownloadSaved")->setCurrentIndex(drive);
        whenModal<frmFilePath>([](frmFilePath *d) { arrayButton(d, "cmdCtrl", kCtrlOK)->click(); });
        d.exec();
        QCOMPARE(d.Path(), native(QDir::rootPath()));
    }

    void theDrivesAreTheRootsAndTheVolumesForData()
    {
        const QStringList roots = frmFilePath::driveRoots();
        QVERIFY(roots.mid(0, 2) == (QStringList{QDir::rootPath(), QDir::homePath()}) && QSet<QString>(roots.begin(), roots.end()).size() == roots.size());
        const QList<std::tuple<const char *, QByteArray, bool, bool>> volumes{
            {"/", "overlay", true, true},           {"/srv/data", "xfs", false, true},
            {"/media/anna/STICK", "vfat", false, true}, {"/mnt/office", "cifs", false, true},
            {"/snap/core22/1033", "squashfs", true, false}, {"/media/anna/DISC", "iso9660", true, false},
            {"/run/user/1000", "tmpfs", false, false}, {"/run/user/1000/doc", "fuse.portal", false, false},
            {"/boot/efi", "vfat", false, false},    {"/tmp", "tmpfs", false, false},
            {"/var/snap/lxd/common", "ext4", false, false}};
        for (const auto &[root, type, readOnly, offered] : volumes)
            QVERIFY2(frmFilePath::isDataVolume(QLatin1String(root), type, readOnly) == offered, root);
        const QStringList some{"/", "/media/usb", "/media/usb2"};
        QCOMPARE(QStringList({frmFilePath::driveOf("/media/usb/logs", some), frmFilePath::driveOf("/media/usb2", some),
                              frmFilePath::driveOf("/media/usbx", some), frmFilePath::driveOf("relative/path", some)}),
                 QStringList({"/media/usb", "/media/usb2", "/", ""}));
    }
};

QTEST_MAIN(WindowTest)
#include "tst_Window.moc"
