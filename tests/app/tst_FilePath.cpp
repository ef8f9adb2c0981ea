// The folder chooser: its results for OK, Cancel and the close box, folders
// opened by double-click, and errors that leave it usable.
#include "AppTest.h"

#include "frmFilePath.h"

#include <QComboBox>
#include <QDir>
#include "FolderList.h"

using namespace vx;
using namespace vx::test;

namespace {

QString native(const QString &p) { return QDir::toNativeSeparators(QDir::cleanPath(p)); }

FolderList *folders(frmFilePath *d) { return child<FolderList>(d, QStringLiteral("dirDownloadSaved")); }

// Double-clicks the entry of the folder list that names this folder.
void open(frmFilePath *d, const QString &name)
{
    QTreeWidgetItem *item = folders(d)->entry(name);
    QVERIFY2(item, qPrintable(name));
    emit folders(d)->itemDoubleClicked(item, 0);
}

} // namespace

class FilePathTest : public QObject
{
    Q_OBJECT
private:
    QTemporaryDir m_root;
    QString m_data;

private slots:
    void initTestCase()
    {
        m_data = QDir(m_root.path()).filePath(QStringLiteral("data"));
        QVERIFY(QDir().mkpath(m_data + QStringLiteral("/alpha/deeper")));
        QVERIFY(QDir().mkpath(m_data + QStringLiteral("/beta")));
    }

    void okWithoutTouchingReturnsThePresetAndTheNextOpeningStartsNotOK()
    {
        ScriptedDialogs dialogs;
        frmFilePath d(dialogs);
        d.Path(m_data);
        QVERIFY(!d.IsOK());
        whenModal<frmFilePath>([](frmFilePath *d) { arrayButton(d, "cmdCtrl", 0)->click(); });
        d.exec();
        QVERIFY(d.IsOK());
        QCOMPARE(d.Path(), native(m_data));
        QVERIFY(dialogs.asked.isEmpty());
        // The next opening starts from "not OK" again.
        d.Path(m_data);
        QVERIFY(!d.IsOK());
        whenModal<frmFilePath>([](frmFilePath *d) { d->close(); });
        d.exec();
        QVERIFY(!d.IsOK());
    }

    void theOpenedFolderIsChosenNotTheHighlightedOne()
    {
        ScriptedDialogs dialogs;
        frmFilePath d(dialogs);
        d.Path(m_data);
        whenModal<frmFilePath>([](frmFilePath *d) {
            open(d, QStringLiteral("alpha"));
            // Highlighting "deeper" does not open it.
            folders(d)->setCurrentItem(folders(d)->entry(QStringLiteral("deeper")));
            arrayButton(d, "cmdCtrl", 0)->click();
        });
        d.exec();
        QVERIFY(d.IsOK());
        QCOMPARE(d.Path(), native(m_data + QStringLiteral("/alpha")));
    }

    void anAncestorCanBeOpenedAgain()
    {
        ScriptedDialogs dialogs;
        frmFilePath d(dialogs);
        d.Path(m_data + QStringLiteral("/alpha/deeper"));
        whenModal<frmFilePath>([](frmFilePath *d) {
            open(d, QStringLiteral("data"));
            open(d, QStringLiteral("beta"));
            arrayButton(d, "cmdCtrl", 0)->click();
        });
        d.exec();
        QCOMPARE(d.Path(), native(m_data + QStringLiteral("/beta")));
    }

    void cancelAndTheCloseBoxReturnNotOK_data()
    {
        QTest::addColumn<bool>("closeBox");
        QTest::newRow("Cancel") << false;
        QTest::newRow("close box") << true;
    }
    void cancelAndTheCloseBoxReturnNotOK()
    {
        QFETCH(bool, closeBox);
        ScriptedDialogs dialogs;
        frmFilePath d(dialogs);
        d.Path(m_data);
        whenModal<frmFilePath>([closeBox](frmFilePath *d) {
            open(d, QStringLiteral("beta"));
            if (closeBox)
                d->close();
            else
                arrayButton(d, "cmdCtrl", 1)->click();
        });
        d.exec();
        QVERIFY(!d.IsOK());
        QCOMPARE(d.Path(), m_data); // the preset, as given
    }

    void aMissingPresetIsReportedAndOKReturnsWhatIsShown()
    {
        ScriptedDialogs dialogs;
        frmFilePath d(dialogs);
        const QString missing = m_data + QStringLiteral("/gone");
        d.Path(missing);
        QCOMPARE(dialogs.asked.size(), 1);
        QVERIFY(dialogs.asked[0].text.contains(QStringLiteral("gone")));
        QCOMPARE(dialogs.asked[0].title, QStringLiteral("VX500-500A Monitor"));
        whenModal<frmFilePath>([](frmFilePath *d) { arrayButton(d, "cmdCtrl", 0)->click(); });
        d.exec();
        QVERIFY(d.IsOK());
        QVERIFY(d.Path() != native(missing));
        QVERIFY(QDir(d.Path()).exists());
    }

    void aFolderThatVanishedIsReportedAndTheDialogStaysUsable()
    {
        ScriptedDialogs dialogs;
        frmFilePath d(dialogs);
        QVERIFY(QDir().mkpath(m_data + QStringLiteral("/brief")));
        d.Path(m_data);
        whenModal<frmFilePath>([this, &dialogs](frmFilePath *d) {
            QVERIFY(QDir(m_data).rmdir(QStringLiteral("brief")));
            open(d, QStringLiteral("brief"));
            QCOMPARE(dialogs.asked.size(), 1);
            QVERIFY(d->isVisible());
            open(d, QStringLiteral("beta"));
            arrayButton(d, "cmdCtrl", 0)->click();
        });
        d.exec();
        QCOMPARE(d.Path(), native(m_data + QStringLiteral("/beta")));
    }

    void drivesAreTheRootsAndMountedVolumes()
    {
        QStringList roots = frmFilePath::driveRoots();
        QCOMPARE(roots.value(0), QDir::rootPath());
        QVERIFY(roots.contains(QDir::homePath()));
        QCOMPARE(roots.removeDuplicates(), 0);
        for (const QString &root : roots)
            for (const char *system : {"/run/user/", "/boot", "/snap/", "/proc", "/sys/"})
                QVERIFY2(!root.startsWith(QLatin1String(system)), qPrintable(root));
        ScriptedDialogs dialogs;
        frmFilePath d(dialogs);
        d.Path(m_data);
        auto *drives = child<QComboBox>(&d, QStringLiteral("drvDownloadSaved"));
        QCOMPARE(drives->count(), roots.size());
        QCOMPARE(drives->currentData().toString(), frmFilePath::driveOf(m_data, roots));
    }

    void onlyVolumesForDataFilesAreOffered_data()
    {
        QTest::addColumn<QString>("root");
        QTest::addColumn<QByteArray>("type");
        QTest::addColumn<bool>("readOnly");
        QTest::addColumn<bool>("offered");
        QTest::newRow("the root") << "/" << QByteArray("ext4") << false << true;
        QTest::newRow("a read-only root") << "/" << QByteArray("overlay") << true << true;
        QTest::newRow("a disk") << "/srv/data" << QByteArray("xfs") << false << true;
        QTest::newRow("home on its own disk") << "/home" << QByteArray("btrfs") << false << true;
        QTest::newRow("a USB stick") << "/media/anna/STICK" << QByteArray("vfat") << false << true;
        QTest::newRow("a USB stick under /run/media") << "/run/media/anna/STICK" << QByteArray("exfat") << false << true;
        QTest::newRow("a network share") << "/mnt/office" << QByteArray("cifs") << false << true;
        QTest::newRow("a snap package") << "/snap/core22/1033" << QByteArray("squashfs") << true << false;
        QTest::newRow("a CD") << "/media/anna/DISC" << QByteArray("iso9660") << true << false;
        QTest::newRow("the user's runtime folder") << "/run/user/1000" << QByteArray("tmpfs") << false << false;
        QTest::newRow("the document portal") << "/run/user/1000/doc" << QByteArray("fuse.portal") << false << false;
        QTest::newRow("the EFI partition") << "/boot/efi" << QByteArray("vfat") << false << false;
        QTest::newRow("the boot partition") << "/boot" << QByteArray("ext4") << false << false;
        QTest::newRow("memory") << "/tmp" << QByteArray("tmpfs") << false << false;
        QTest::newRow("shared memory") << "/dev/shm" << QByteArray("tmpfs") << false << false;
        QTest::newRow("snap's own") << "/var/snap/lxd/common" << QByteArray("ext4") << false << false;
    }
    void onlyVolumesForDataFilesAreOffered()
    {
        QFETCH(QString, root);
        QFETCH(QByteArray, type);
        QFETCH(bool, readOnly);
        QFETCH(bool, offered);
        QCOMPARE(frmFilePath::isDataVolume(root, type, readOnly), offered);
    }

    void theDriveOfAPathIsItsLongestRoot()
    {
        const QStringList roots{QStringLiteral("/"), QStringLiteral("/media/usb"), QStringLiteral("/media/usb2")};
        QCOMPARE(frmFilePath::driveOf(QStringLiteral("/media/usb/logs"), roots), QStringLiteral("/media/usb"));
        QCOMPARE(frmFilePath::driveOf(QStringLiteral("/media/usb2"), roots), QStringLiteral("/media/usb2"));
        QCOMPARE(frmFilePath::driveOf(QStringLiteral("/media/usbx"), roots), QStringLiteral("/"));
        QCOMPARE(frmFilePath::driveOf(QStringLiteral("relative/path"), roots), QString());
    }

    void pickingADriveOpensItsRoot()
    {
        ScriptedDialogs dialogs;
        frmFilePath d(dialogs);
        d.Path(m_data);
        auto *drives = child<QComboBox>(&d, QStringLiteral("drvDownloadSaved"));
        int other = -1;
        for (int i = 0; i < drives->count() && other < 0; ++i)
            if (i != drives->currentIndex() && QDir(drives->itemData(i).toString()).isReadable())
                other = i;
        if (other < 0)
            QSKIP("this machine has a single file-system root");
        drives->setCurrentIndex(other);
        QVERIFY(dialogs.asked.isEmpty());
        whenModal<frmFilePath>([](frmFilePath *d) { arrayButton(d, "cmdCtrl", 0)->click(); });
        d.exec();
        QCOMPARE(d.Path(), QDir::toNativeSeparators(drives->itemData(other).toString()));
    }
};

QTEST_MAIN(FilePathTest)
#include "tst_FilePath.moc"
