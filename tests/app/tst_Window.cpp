// The main window itself: its first start, the names screen readers give
// its controls, that closing it ends the program, the
// change of password and the service buttons; the folder chooser through
// the window and on its own. Its
// settings: what the load shows for each stored text and what it writes
// back, what each change stores, a settings file that is no settings file
// (left alone, reported once, the defaults and the platform's ports in
// force), which file is made private, and a store that cannot save.
#include "AppTest.h"

#include "DataFolderDialog.h"
#include "FolderList.h"
#include "PortChooser.h"


using namespace vx;
using namespace vx::test;

namespace {

// Double-clicks the entry of the folder list that names this folder.
void openFolder(DataFolderDialog *d, const QString &name)
{
    auto *list = child<FolderList>(d, "folderList");
    const auto found = list->findItems(name, Qt::MatchExactly | Qt::MatchRecursive);
    QVERIFY2(!found.isEmpty(), qPrintable(name));
    emit list->itemDoubleClicked(found.constLast(), 0);
}

QString native(const QString &folder) { return QDir::toNativeSeparators(QDir::cleanPath(folder)); }

// Presses a key in the modal dialog that the next call opens, after a look at it.
void pressInNextDialog(Qt::Key key, std::function<void(QWidget *)> look = [](QWidget *) {})
{
    QTimer::singleShot(0, [=] {
        QWidget *w = QApplication::activeModalWidget();
        QVERIFY(w);
        look(w);
        QTest::keyClick(w, key);
    });
}

} // namespace

class WindowTest : public QObject
{
    Q_OBJECT
private slots:
    void firstStartWithAnEmptyStore()
    {
        TerminalWindow t;
        QCOMPARE(t.w->windowTitle(), QStringLiteral("VX500-500A Monitor v2.0R4"));
        auto *tabs = t.get<QTabWidget>("tabs");
        QStringList shown{QString::number(tabs->currentIndex())};
        for (int i = 0; i < tabs->count(); ++i)
            shown << tabs->tabText(i).remove('&') + (tabs->isTabEnabled(i) ? "" : " (off)");
        for (const char *name : {"portBox", "dateFormatBox", "clearDataBox", "saveDataBox", "updateTimeBox",
                                 "powerDownBox", "fileNameFormatGroup", "fixedFileNameEdit", "exampleLabel", "machineEdit", "newMachineEdit", "portLabel"})
            shown << t.state(name);
        QCOMPARE(shown, (QStringList{"0", "General Commands", "VX500R/U", "Miscellaneous", "Tag Verification (off)", "0", "0", "0",
                                     "0", "0", "0", "0", "VX.txt", "ex. 20240601.txt", "0", "0", "COM1 \u2192 /dev/ttyS0"}));
        for (const char *off : {"folderGroup", "fileNameGroup", "machineEdit", "machineUpDown", "batteryVoltageButton"})
            QVERIFY2(!t.get(off)->isEnabled(), off);
        QCOMPARE(QDateTime(t.get<QDateEdit>("dateEdit")->date(), t.get<QTimeEdit>("timeEdit")->time()), t.pcNow());
        // A screen reader finds every button and frame by its caption without
        // "&", every box by a name, and reads the changing labels as shown.
        for (QAbstractButton *b : t.w->findChildren<QAbstractButton *>())
            QVERIFY(b->text().isEmpty() || b->accessibleName() == QString(b->text()).remove(QLatin1Char('&')));
        for (QGroupBox *g : t.w->findChildren<QGroupBox *>())
            QCOMPARE(g->accessibleName(), g->title());
        for (QWidget *c : t.w->findChildren<QWidget *>())
            QVERIFY(!(qobject_cast<QLineEdit *>(c) || qobject_cast<QComboBox *>(c)) || !c->accessibleName().isEmpty()
                    || c->parent()->inherits("QComboBox") || c->parent()->inherits("QAbstractSpinBox"));
        for (const char *name : {"exampleLabel", "portLabel"})
            QCOMPARE(QAccessible::queryAccessibleInterface(t.get(name))->text(QAccessible::Name), t.state(name));
    }

    // The window opens at its own size where the screen holds it, else at
    // what the screen's free area holds, never below what its controls need;
    // that least size fits a 1920x1080 screen at scale 2 (960x540 with a
    // title bar). Its edges resize it, and the message box takes the room.
    void aWindowThatGrows()
    {
        TerminalWindow t;
        const QSize least = t.w->minimumSize();
        QVERIFY(least.width() <= 960 && least.height() <= 510 && t.w->maximumSize().height() > t.w->sizeHint().height());
        QCOMPARE(t.w->size(), t.w->sizeHint()); // the offscreen screen, 800x600, holds it
        t.w->show();
        auto *log = t.get("log"), *button = t.get("downloadButton");
        const QSize logBefore = log->size(), buttonBefore = button->size();
        t.w->resize(t.w->size() + QSize(300, 200));
        QCoreApplication::processEvents();
        QVERIFY(log->width() >= logBefore.width() + 250 && log->height() >= logBefore.height() + 150);
        QCOMPARE(button->size(), buttonBefore);
    }

    // On every tab the access keys of the visible buttons differ from each
    // other and from the tabs'; every button takes Enter when it has the
    // focus (auto-default); Ctrl+Q closes the window; a switched-off control
    // or tab says why.
    void theKeyboard()
    {
        TerminalWindow t(kMasterPassword);
        auto *tabs = t.get<QTabWidget>("tabs");
        auto key = [](const QString &caption) { return caption.section('&', 1).left(1).toUpper(); };
        QString tabKeys;
        for (int i = 0; i < tabs->count(); ++i)
            tabKeys += key(tabs->tabText(i)) + (tabs->isTabEnabled(i) || !tabs->tabToolTip(i).isEmpty() ? "" : "?");
        QCOMPARE(tabKeys, QStringLiteral("GVMT"));
        for (int i = 0; i < tabs->count(); ++i) {
            QString keys = tabKeys;
            for (QWidget *c : tabs->widget(i)->findChildren<QWidget *>()) {
                const bool shown = c->isVisibleTo(tabs->widget(i));
                keys += shown && (c->inherits("QAbstractButton") || c->inherits("QLabel")) ? key(c->property("text").toString()) : "";
                QVERIFY2(!shown || c->isEnabled() || !c->parentWidget()->isEnabled() || !c->toolTip().isEmpty(), qPrintable(c->objectName()));
                QVERIFY2(!qobject_cast<QPushButton *>(c) || qobject_cast<QPushButton *>(c)->autoDefault(), qPrintable(c->objectName()));
            }
            QVERIFY2(QSet<QChar>(keys.begin(), keys.end()).size() == keys.size(), qPrintable(keys));
        }
        t.click("saveDataBox");
        QCOMPARE(t.get("folderButton")->toolTip(), QStringLiteral("Choose the folder of the data files"));
        QCOMPARE(t.get("machineEdit")->accessibleName() + "|" + t.get("newMachineEdit")->accessibleName(),
                 QStringLiteral("Machine number addressed|New machine number"));
        t.w->show();
        QVERIFY(QTest::qWaitForWindowActive(t.w.get()));
        QTest::keyClick(t.w.get(), Qt::Key_Q, Qt::ControlModifier); // as the close box: the program ends
        QVERIFY(!t.w->isVisible() && t.endCalls == 1); // the link is aborted too: see closingTheWindowInTheMiddle
    }

    // Qt's own boxes behind the seam: Enter presses the default button,
    // Escape answers No or Cancel; the save dialog opens at the proposed file.
    void qtsOwnDialogs()
    {
        QtDialogs qt;
        const std::tuple<Buttons, std::optional<Answer>, Qt::Key, Answer> rows[] = {
            {Buttons::Ok, {}, Qt::Key_Escape, Answer::Ok},          {Buttons::YesNo, {}, Qt::Key_Return, Answer::Yes},
            {Buttons::YesNo, Answer::No, Qt::Key_Return, Answer::No}, {Buttons::YesNo, {}, Qt::Key_Escape, Answer::No},
            {Buttons::OkCancel, {}, Qt::Key_Return, Answer::Ok},    {Buttons::OkCancel, Answer::Cancel, Qt::Key_Return, Answer::Cancel}};
        for (const auto &[buttons, enter, key, answer] : rows) {
            pressInNextDialog(key, [](QWidget *w) {
                auto *box = qobject_cast<QMessageBox *>(w);
                QVERIFY(box && box->windowTitle() == appTitle() && box->text() == "Clear?" && box->icon() == QMessageBox::Question);
            });
            QCOMPARE(qt.ask({Icon::Question, buttons, {}, "Clear?", enter}), answer);
        }
        QTemporaryDir dir;
        pressInNextDialog(Qt::Key_Return, [](QWidget *w) {
            QCOMPARE(qobject_cast<QFileDialog *>(w)->nameFilters(), QStringList{"Text (*.txt)"});
        });
        QCOMPARE(qt.saveFileName({"Save", dir.path(), "Text|*.txt", "20261207.txt"}), dir.filePath("20261207.txt"));
        pressInNextDialog(Qt::Key_Escape);
        QCOMPARE(qt.saveFileName({"Save", dir.path(), "(*.txt)|*.txt", "x.txt"}), std::nullopt);
    }

    // The chooser's rows: each port with what the system says of it, then
    // the by-id names that lead to it. The label says when a device is
    // missing. A path chosen through "..." is stored as `vx500ctl ports
    // --map` stores it; a text that is no path cannot be taken.
    void theDeviceBehindAPort()
    {
        QCOMPARE(portRows({}), (QList<PortRow>{{"", "No serial ports found."}}));
        QCOMPARE(portRows({{"/dev/ttyS4", "", "", "", {}}, {"/dev/ttyACM0", "", "Acme", "", {"/dev/serial/by-id/usb-X"}}}),
                 (QList<PortRow>{{"/dev/ttyS4", "/dev/ttyS4"}, {"/dev/ttyACM0", "/dev/ttyACM0  Acme"},
                                 {"/dev/serial/by-id/usb-X", "    /dev/serial/by-id/usb-X"}}));
        TerminalWindow t;
        const QString usb = t.fileIn("ttyUSB0"); // a device node with no port behind it is not enough
        QVERIFY(writeFileBytes(usb, "") && QFile::link(usb, t.fileIn("by-id")) && QFile::link(t.fileIn("nowhere"), t.fileIn("link")));
        for (const QString &device : {usb, t.fileIn("by-id"), QString("/dev/null"), t.fileIn("link"), t.fileIn("nowhere")})
            QCOMPARE(serialDevicePresent(device, {{usb, "", "", "", {}}}), device == usb || device.endsWith("by-id"));
        t.w->setDevicePresent([](const QString &device) { return device == "/dev/ttyUSB7"; });
        t.get<QComboBox>("portBox")->setCurrentIndex(2);
        QCOMPARE(t.state("portLabel"), QStringLiteral("COM3 \u2192 /dev/ttyS2 (not present)"));
        for (const char *typed : {"ttyUSB7", " /dev/ttyUSB7 "}) {
            whenModal<PortChooser>([typed](PortChooser *d) {
                child<QLineEdit>(d, "deviceEdit")->setText(typed);
                auto *ok = d->findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Ok);
                QVERIFY(ok->isEnabled() == QByteArray(typed).contains('/') && (ok->isEnabled() || !ok->toolTip().isEmpty()));
                ok->isEnabled() ? ok->click() : d->reject();
            });
            t.click("portDeviceButton");
        }
        QCOMPARE(t.state("portLabel"), QStringLiteral("COM3 \u2192 /dev/ttyUSB7"));
        // The three keys the load writes back, and the mapping: nothing else.
        QCOMPARE(fileBytes(t.world.settingsFile()),
                 QByteArray("[Connect]\nComport=2\n\n[Misc]\nDateFormat=0\nSaveData=0\n\n[Ports]\nCOM3=/dev/ttyUSB7\n"));
    }

    // A change of password is stored at once, an empty one too, and a
    // cancelled one keeps the password; the service buttons stay as the
    // password at the start decided: shown under the master password only.
    void aChangeOfPasswordAndTheServiceButtons()
    {
        // the password at the start, the entry, the button, the stored text and password after
        const QList<std::tuple<const char *, const char *, const char *, const char *>> rows{
            {"5813", " Mixed Case ", "okButton", " Mixed Case | Mixed Case "}, {"qorn", "QORN", "okButton", "QORN|QORN"},
            {"QORN", "", "okButton", "|"}, {"QORN", "other", "cancelButton", "QORN|QORN"}};
        for (const auto &[password, entry, button, after] : rows) {
            TerminalWindow t(password);
            t.world.preset("Security/Password", password);
            t.w->show();
            whenModal<ChangePasswordDialog>([entry = entry, button = button](ChangePasswordDialog *d) {
                child<QLineEdit>(d, "passwordEdit")->setText(entry);
                child<QAbstractButton>(d, button)->click();
            });
            t.click("changePasswordButton");
            QCOMPARE(t.world.stored("Security/Password") + "|" + t.password.text(), QLatin1String(after));
            QCOMPARE(t.get("recoverDataButton")->isVisible() + t.get("selfTestButton")->isVisible(), password == kMasterPassword ? 2 : 0);
            QVERIFY(t.get("clearDataButton")->isVisible());
        }
    }

    // Through "...": only a folder confirmed with OK is stored, and it is the
    // folder opened (double-clicked), not one highlighted. On its own the
    // chooser reports what it cannot open and stays usable. The drives.
    void theFolderChooser()
    {
        TerminalWindow t;
        const QString inbox = native(t.fileIn("inbox"));
        QVERIFY(QDir().mkpath(inbox + "/deeper") && QDir().mkpath(t.fileIn("a/brief")));
        t.click("saveDataBox");
        for (const char *button : {"cancelButton", "", "okButton"}) { // "": the close box
            whenModal<DataFolderDialog>([button](DataFolderDialog *d) {
                QVERIFY(!d->isChosen());
                openFolder(d, "inbox");
                auto *list = child<FolderList>(d, "folderList");
                list->setCurrentItem(list->findItems("deeper", Qt::MatchRecursive).value(0));
                *button ? child<QAbstractButton>(d, button)->click() : void(d->close());
            });
            t.click("folderButton");
            QCOMPARE(t.world.stored("Misc/FilePath"), QLatin1String(button) == "okButton" ? inbox : QString());
        }
        // A missing preset is reported; OK returns the folder shown instead.
        DataFolderDialog d(t.world.dialogs);
        d.setFolder(t.fileIn("gone"));
        QCOMPARE(t.world.dialogs.texts(), QStringList{"VX500-500A Monitor " + t.fileIn("gone") + ": No such file or directory"});
        whenModal<DataFolderDialog>([](DataFolderDialog *d) { child<QAbstractButton>(d, "okButton")->click(); });
        d.exec();
        QVERIFY(d.isChosen() && QDir(d.folder()).exists());
        // A folder that vanished while listed; then an ancestor and another folder.
        d.setFolder(t.fileIn("a"));
        whenModal<DataFolderDialog>([&](DataFolderDialog *d) {
            QVERIFY(QDir(t.fileIn("a")).rmdir("brief"));
            openFolder(d, "brief");
            QCOMPARE(t.world.dialogs.asked.size(), 2);
            openFolder(d, QDir(t.world.program.path()).dirName());
            openFolder(d, "inbox");
            child<QAbstractButton>(d, "okButton")->click();
        });
        d.exec();
        QCOMPARE(d.folder(), inbox);
        // Picking a drive (the home folder, then the root) opens it.
        for (int drive : {1, 0})
            child<QComboBox>(&d, "driveBox")->setCurrentIndex(drive);
        whenModal<DataFolderDialog>([](DataFolderDialog *d) { child<QAbstractButton>(d, "okButton")->click(); });
        d.exec();
        QCOMPARE(d.folder(), native(QDir::rootPath()));
        // The drives: the root, the home folder, then the volumes for data.
        const QStringList roots = DataFolderDialog::driveRoots();
        QVERIFY(roots.mid(0, 2) == (QStringList{QDir::rootPath(), QDir::homePath()}) && QSet<QString>(roots.begin(), roots.end()).size() == roots.size());
        const QList<std::tuple<const char *, QByteArray, bool, bool>> volumes{
            {"/", "overlay", true, true}, {"/media/anna/STICK", "vfat", false, true}, {"/media/anna/DISC", "iso9660", true, false},
            {"/tmp", "tmpfs", false, false}, {"/run/user/1000/doc", "fuse.portal", false, false}, {"/boot/efi", "vfat", false, false}};
        for (const auto &[root, type, readOnly, offered] : volumes)
            QVERIFY2(DataFolderDialog::isDataVolume(QLatin1String(root), type, readOnly) == offered, root);
        const QStringList some{"/", "/media/usb", "/media/usb2"};
        QCOMPARE(QStringList({DataFolderDialog::driveOf("/media/usb/logs", some), DataFolderDialog::driveOf("/media/usb2", some),
                              DataFolderDialog::driveOf("/media/usbx", some), DataFolderDialog::driveOf("relative/path", some)}),
                 QStringList({"/media/usb", "/media/usb2", "/", ""}));
    }

    void theLoadShowsEachStoredText()
    {
        // key, the control, the stored text, what the control shows, the stored text after the load
        // The lists read the leading number, rounded; check boxes and
        // options only a text that is a number throughout. Out of range: the
        // default, and only the lists write it back. (The reading of numbers
        // itself: Values tests in tests/link.)
        const QList<std::array<const char *, 5>> rows{
            {"Connect/Comport", "portBox", " 3.5 (COM5)", "4", "4"}, {"Connect/Comport", "portBox", "16", "0", "0"},
            {"Misc/FilenameFormat", "fileNameFormatGroup", "2", "0", "2"}, {"Misc/SaveData", "saveDataBox", "2", "2", "2"},
            {"Misc/PowerDown", "powerDownBox", "0.6", "1", "1"}, {"Misc/ClearData", "clearDataBox", "1x", "0", "1x"},
            {"Misc/ClearData", "clearDataBox", "3", "0", "3"}, {"Misc/FilePath", "folderEdit", "/srv/vx data", "/srv/vx data", "/srv/vx data"}};
        for (const auto &[key, control, text, shows, kept] : rows) {
            TerminalWindow t;
            t.world.preset(key, text);
            t.open();
            QCOMPARE(t.state(control) + " | " + t.world.stored(key), QString(shows) + " | " + kept);
            // "saving/appending", greyed included, switches the file controls on.
            const bool saving = t.state("saveDataBox") != "0";
            QVERIFY(t.get("folderGroup")->isEnabled() == saving && t.get("fileNameGroup")->isEnabled() == saving
                    && t.world.dialogs.asked.isEmpty());
        }
    }

    void everyChangeIsStoredAtOnceAndShownAfterARestart()
    {
        TerminalWindow t;
        t.get<QComboBox>("portBox")->setCurrentIndex(15);
        t.get<QComboBox>("dateFormatBox")->setCurrentIndex(1);
        t.click("saveDataBox", "dateNameOption", "clearDataBox", "updateTimeBox", "powerDownBox", "powerDownBox");
        const QList<std::array<const char *, 3>> changed{
            {"Connect/Comport", "portBox", "15"}, {"Misc/DateFormat", "dateFormatBox", "1"},
            {"Misc/FilenameFormat", "fileNameFormatGroup", "1"}, {"Misc/ClearData", "clearDataBox", "1"},
            {"Misc/UpdateTime", "updateTimeBox", "1"}, {"Misc/PowerDown", "powerDownBox", "0"},
            {"Misc/SaveData", "saveDataBox", "1"}};
        for (const auto &[key, control, value] : changed)
            QCOMPARE(t.world.stored(key), QString(value));
        QCOMPARE(t.state("exampleLabel"), QStringLiteral("ex. 06012024.txt"));
        // A typed folder or file name lasts until the program ends; a stored
        // folder keeps its text exactly.
        QVERIFY(t.world.store->write(key::FilePath, "/data/a,b;c=d"));
        t.get<QLineEdit>("folderEdit")->setText("/typed");
        t.get<QLineEdit>("fixedFileNameEdit")->setText("other.txt");
        t.open();
        for (const auto &[key, control, value] : changed)
            QCOMPARE(t.state(control), QString(value));
        QCOMPARE(t.state("folderEdit") + t.state("fixedFileNameEdit"), QStringLiteral("/data/a,b;c=dVX.txt"));
    }

    // What stands where the settings file should be at the program's next
    // start: left as it is, reported once, and the platform's own ports used
    // (COM3 is mapped in the first).
    void aFileThatIsNoSettingsFileIsReportedOnceAndLeftAlone()
    {
        const QList<std::pair<const char *, QByteArray>> files{
            {"file", "[Ports]\nCOM3=/dev/ttyUSB0\n[Misc\n"}, {"file", "[Misc]\nFilePath=/home/\xe9t\xe9\n"},
            {"link", "shopping list\n"}, {"link", ""}, {"fifo", ""}, {"lock", "[Misc]\n"}};
        for (const auto &[kind, bytes] : files) {
            if (QLatin1String(kind) == "fifo" && kOnWindows)
                continue;
            TerminalWindow t;
            const QString file = t.world.settingsFile(), notes = t.world.config.filePath("notes.txt");
            QVERIFY(QFile::remove(file));
            const QLatin1String is(kind);
            QVERIFY(is != "file" || writeFileBytes(file, bytes));
            QVERIFY(is != "link" || (QFile::link(notes, file) && (bytes.isEmpty() || writeFileBytes(notes, bytes))));
            QVERIFY(is != "fifo" || makeFifo(file));
            QVERIFY(is != "lock" || (writeFileBytes(file, bytes) && QDir().mkpath(file + ".lock"))); // a folder in the lock's place
            // Its link target, permissions, kind and content (links followed).
            auto describe = [&file] {
                const QFileInfo i(file);
                return QStringLiteral("%1 %2 %3 ").arg(i.symLinkTarget()).arg(int(i.permissions()), 0, 8).arg(int(i.isDir()))
                    + QCryptographicHash::hash(i.isFile() ? fileBytes(file) : "", QCryptographicHash::Md5).toHex();
            };
            const QString before = describe();
            t.world.dialogs.asked.clear();
            t.open();
            t.click("clearDataBox");
            t.get<QComboBox>("portBox")->setCurrentIndex(2);
            t.press("recordCountButton");
            const Message m = t.world.dialogs.asked.value(0);
            QVERIFY(t.world.dialogs.asked.size() == 1 && m.title == "75" && m.text.startsWith("The settings file " + file
                    + " cannot be read: ") && m.text.endsWith(". The program goes on with the default settings; changes "
                                                             "will not be kept."));
            QCOMPARE(t.port->portName() + " " + t.state("portLabel"),
                     QStringLiteral("/dev/ttyS2 COM3 \u2192 /dev/ttyS2 (settings file unreadable)"));
            QVERIFY(describe() == before && (!QFile::exists(notes) || !bytes.isEmpty()));
            QVERIFY(is != "lock" || (m.text.contains(": its lock file " + file + ".lock is not a plain file; remove it.") && QDir().rmdir(file + ".lock")));
        }
    }

    // Only a plain file of the user's own is made private, not a link's target.
    void theUsersOwnFileIsMadePrivate()
    {
        for (bool link : {false, true}) {
            TerminalWindow t;
            const QString file = t.world.settingsFile(), written = link ? t.world.config.filePath("shared.ini") : file;
            QVERIFY(QFile::remove(file) && writeFileBytes(written, "[Misc]\nClearData=1\n") && (!link || QFile::link(written, file)));
            QVERIFY(QFile::setPermissions(written, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadOther));
            t.open();
            t.click("clearDataBox");
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
        t.click("clearDataBox");
        t.get<QComboBox>("portBox")->setCurrentIndex(2);
        // A new password that cannot be stored is reported; the dialog stays.
        whenModal<ChangePasswordDialog>([](ChangePasswordDialog *d) {
            child<QLineEdit>(d, "passwordEdit")->setText("new");
            child<QAbstractButton>(d, "okButton")->click();
            QVERIFY(d->isVisible());
            child<QAbstractButton>(d, "cancelButton")->click();
        });
        t.click("changePasswordButton");
        QCOMPARE(t.password.text(), kPresetPassword);
        QCOMPARE(t.world.dialogs.texts(), QStringList(4, "70 The settings could not be saved: the file cannot be accessed ("
                                                          + blocked + "/VX500-500A Monitor.ini)."));
        // Once the store works again the next change is kept, without a word.
        QVERIFY(QFile::remove(blocked) && QDir().mkdir(blocked));
        t.click("powerDownBox");
        QCOMPARE(t.world.dialogs.asked.size(), 4);
        QCOMPARE(fileBytes(blocked + "/VX500-500A Monitor.ini"), QByteArray("[Misc]\nPowerDown=1\n"));
    }
};

QTEST_MAIN(WindowTest)
#include "tst_Window.moc"
