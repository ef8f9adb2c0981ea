// "Download Data" against the simulated terminal: the file choices, the
// bytes written, long downloads, failures part-way, the automation, the
// first-field conversion, the sync before the terminal is cleared, the busy
// guard and closing the window in the middle.
#include "TerminalWindow.h"
#include "TestFiles.h"

#include "DataFile.h"
#include "Frame.h"

#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QRadioButton>
#include <QTextDocument>

using namespace vx;
using namespace vx::test;

namespace {


// Whether this process holds the file open.
bool isOpenHere(const QString &name)
{
    const QString wanted = QFileInfo(name).absoluteFilePath();
    const QDir fds(QStringLiteral("/proc/self/fd"));
    for (const QString &fd : fds.entryList(QDir::Files | QDir::System | QDir::NoDotAndDotDot))
        if (QFile::symLinkTarget(fds.filePath(fd)) == wanted)
            return true;
    return false;
}

QStringList numbered(int count)
{
    QStringList records;
    for (int i = 1; i <= count; ++i)
        records << QStringLiteral("%1,4901234567894,2024/03/15,%2").arg(i, 8, 16, QLatin1Char('0')).arg(i);
    return records;
}

// Ticks "saving/appending..." so that the file is VX.txt in the program's folder.
QString fixedFile(TerminalWindow &t)
{
    t.tick("chkSaveData");
    return QDir(t.world.program.path()).filePath(QStringLiteral("VX.txt"));
}

// The terminal, and the operator closing the window as soon as the terminal
// hears a given command.
class CloseOnCommand : public FakeDevice {
public:
    CloseOnCommand(FakeDevice &terminal, char letter, QWidget *window)
        : m_terminal(terminal), m_letter(letter), m_window(window) {}
    void received(const QByteArray &bytes, FakePort &port) override
    {
        if (bytes.size() >= 4 && bytes[0] == ENQ && bytes[3] == m_letter)
            port.runAt(port.now() + 1, [w = m_window] { w->close(); });
        m_terminal.received(bytes, port);
    }

private:
    FakeDevice &m_terminal;
    char m_letter;
    QWidget *m_window;
};

const QStringList kFinished{QStringLiteral("Download Process Finished"), QStringLiteral("Data Saved")};

} // namespace

class DownloadTest : public QObject
{
    Q_OBJECT
private slots:
    void recordsAreAppendedAsTheTerminalSentThem()
    {
        TerminalWindow t;
        const QString file = fixedFile(t);
        QVERIFY(writeFileBytes(file, "earlier\r\n"));
        t.model.setRecords({QStringLiteral("00FF,4901234567894,2024/03/15,14:30:12"),
                            QStringLiteral("FFFF,caf\u00e9 \u00bd"), QStringLiteral("123456789,too long")});
        t.press(10);
        QCOMPARE(fileBytes(file), QByteArray("earlier\r\n"
                                           "255,4901234567894,2024/03/15,14:30:12\r\n"
                                           "-1,caf\xe9 \xbd\r\n"
                                           "123456789,too long\r\n"));
        QCOMPARE(t.lines(), QStringList({"255,4901234567894,2024/03/15,14:30:12", "-1,caf\u00e9 \u00bd",
                                         "123456789,too long"}) + kFinished);
        QCOMPARE(t.w->link().ErrCode(), 1);
        QVERIFY(t.world.dialogs.asked.isEmpty());
        QVERIFY(!t.w->IsBusy());
        QVERIFY(!t.busyPointer());
        QCOMPARE(t.get<QLabel>("lblProgress")->text().left(22), QStringLiteral("Downloaded 3 records i"));
        QCOMPARE(spokenName(t.get<QLabel>("lblProgress")), t.get<QLabel>("lblProgress")->text());
    }

    void aTerminalWithoutRecords()
    {
        TerminalWindow t;
        const QString file = fixedFile(t);
        t.press(10);
        QCOMPARE(fileBytes(file), QByteArray());
        QCOMPARE(t.lines(), kFinished);
        // Clear Data answered No right after reports the status the download left.
        t.world.dialogs.answers = {Answer::No};
        t.press(6);
        QCOMPARE(t.lastLine(), QStringLiteral("ErrCode: 1, VX_ERR_UNKNOWN"));
    }

    void tenThousandRecordsKeepTheMessageBoxShort()
    {
        TerminalWindow t;
        const QString file = fixedFile(t);
        const QStringList records = numbered(10000);
        t.model.setRecords(records);
        // The box's length after every change, line ends counted as CR LF.
        QTextDocument *shown = t.get<QPlainTextEdit>("txt")->document();
        qint64 longest = 0;
        int emptied = 0;
        QObject::connect(shown, &QTextDocument::contentsChanged, shown, [&] {
            const qint64 length = shown->characterCount() - 1 + shown->blockCount() - 1;
            longest = std::max(longest, length);
            emptied += length == 0;
        });
        t.press(10);
        const QByteArray bytes = fileBytes(file);
        QCOMPARE(bytes.count("\r\n"), 10000);
        QVERIFY(bytes.startsWith("1,4901234567894,2024/03/15,1\r\n"));
        QVERIFY(bytes.endsWith("10000,4901234567894,2024/03/15,10000\r\n"));
        // Emptied whenever it held more than 60000 characters: never longer
        // than that and one more line.
        qsizetype longestLine = 0;
        for (const QString &r : records)
            longestLine = std::max(longestLine, r.size() + 2);
        QVERIFY2(longest > 60000 && longest <= 60000 + longestLine, qPrintable(QString::number(longest)));
        QVERIFY(emptied >= 5);
        QCOMPARE(t.lines().mid(t.lines().size() - 3),
                 QStringList{"10000,4901234567894,2024/03/15,10000"} + kFinished);
    }

    void aFailureOnTheTenthRecordKeepsNine_data()
    {
        QTest::addColumn<bool>("silent");
        QTest::addColumn<QString>("line");
        QTest::newRow("bad check byte") << false << "ErrCode: -4, VX_ERR_INVALID_BCC";
        QTest::newRow("terminal falls silent") << true << "ErrCode: -1, VX_ERR_TIMEOUT";
    }
    void aFailureOnTheTenthRecordKeepsNine()
    {
        QFETCH(bool, silent);
        QFETCH(QString, line);
        TerminalWindow t;
        const QString file = fixedFile(t);
        t.tick("chkClearData");
        t.tick("chkPowerDown");
        t.model.setRecords(numbered(20));
        sim::Faults faults;
        (silent ? faults.silentFromRecord : faults.badCheckRecord) = 10;
        t.model.setFaults(faults);
        t.press(10);
        QCOMPARE(fileBytes(file).count("\r\n"), 9);
        QCOMPARE(t.lines().size(), 10);
        QCOMPARE(t.lines().value(8), numbered(9).value(8).replace(QStringLiteral("00000009"), QStringLiteral("9")));
        QCOMPARE(t.lastLine(), line);
        // No automation after a failure.
        QCOMPARE(t.commandsSent(), QByteArray("I"));
        QCOMPARE(t.model.records().size(), 20);
        QCOMPARE(t.get<QLabel>("lblProgress")->text(), QStringLiteral("Download stopped after 9 records"));
    }

    void automationRunsInOrderAfterTheLastRecord()
    {
        TerminalWindow t;
        fixedFile(t);
        for (const char *box : {"chkClearData", "chkUpdateTime", "chkPowerDown"})
            t.tick(box);
        t.model.setRecords(numbered(2));
        t.model.setClockOffsetMs(-3600000);
        t.press(10);
        t.settle();
        const QStringList automation{"Data Cleared", "Time Updated", "Power Down"};
        QCOMPARE(t.lines().mid(2), kFinished + automation);
        QCOMPARE(t.commandsSent(), QByteArray("IDSO"));
        QVERIFY(t.model.records().isEmpty());
        QVERIFY(qAbs(t.model.clockOffsetMs()) < 1000);
        QVERIFY(t.model.isPoweredDown());
        QCOMPARE(t.w->link().ErrCode(), 1);
    }

    void closingDuringTheAutomationSendsNoMoreSteps()
    {
        TerminalWindow t;
        const QString file = fixedFile(t);
        for (const char *box : {"chkClearData", "chkUpdateTime", "chkPowerDown"})
            t.tick(box);
        t.model.setRecords(numbered(2));
        CloseOnCommand closer(t.device, 'D', t.w.get());
        t.port->setDevice(&closer);
        t.press(10);
        t.settle();
        QCOMPARE(t.endCalls, 1);
        QCOMPARE(t.commandsSent(), QByteArray("ID"));
        QVERIFY(!t.model.isPoweredDown());
        QCOMPARE(fileBytes(file).count("\r\n"), 2);
        QVERIFY(!isOpenHere(file));
    }

    void automationLinesWhateverTheTerminalAnswers()
    {
        TerminalWindow t;
        fixedFile(t);
        for (const char *box : {"chkClearData", "chkUpdateTime", "chkPowerDown"})
            t.tick(box);
        t.useScript();
        t.script.then(dataFrame("0A,x"))      // the download command: one record
            .then(QByteArray(1, EOT))         // its ACK: the end
            .then(QByteArray(1, NAK))         // Clear Data refused
            .silence()                        // Set Time unanswered
            .silence();                       // Power Down unanswered
        t.press(10);
        const QStringList automation{"Data Cleared", "Time Updated", "Power Down"};
        QCOMPARE(t.lines(), QStringList{"10,x"} + kFinished + automation);
        QCOMPARE(t.w->link().ErrCode(), 1);
        QCOMPARE(t.commandsSent(), QByteArray("IDSO"));
    }

    void convertFirstField_data()
    {
        QTest::addColumn<QString>("record");
        QTest::addColumn<QString>("converted");
        QTest::newRow("00FF") << "00FF,x,y" << "255,x,y";
        QTest::newRow("FFFF is -1") << "FFFF,1" << "-1,1";
        QTest::newRow("8000 is the smallest 16-bit") << "8000,a" << "-32768,a";
        QTest::newRow("7FFF") << "7fff,a" << "32767,a";
        QTest::newRow("10000 is 32-bit") << "10000,a" << "65536,a";
        QTest::newRow("FFFFFFFF") << "FFFFFFFF" << "-1";
        QTest::newRow("7FFFFFFF is the largest") << "7FFFFFFF,a" << "2147483647,a";
        QTest::newRow("80000000") << "80000000,z" << "-2147483648,z";
        QTest::newRow("leading zeros are not significant") << "000000001,b" << "1,b";
        QTest::newRow("nine digits stay") << "123456789,b" << "123456789,b";
        QTest::newRow("empty first field") << ",a,,b" << "0,a,,b";
        QTest::newRow("empty fields stay in place") << "1,,,," << "1,,,,";
        QTest::newRow("no comma") << "1F" << "31";
        QTest::newRow("blanks and tabs are ignored") << " 0 0\tF F ,x" << "255,x";
        QTest::newRow("a line feed is a blank too") << "\t00FF\n,a" << "255,a";
        QTest::newRow("blanks in later fields stay") << "0A, spaced ,\t" << "10, spaced ,\t";
        QTest::newRow("digits up to the first other") << "12G4,x" << "18,x";
        QTest::newRow("no digits") << "xyz,1" << "0,1";
        QTest::newRow("empty record") << "" << "0";
        QTest::newRow("only blanks") << " \t " << "0";
    }
    void convertFirstField()
    {
        QFETCH(QString, record);
        QFETCH(QString, converted);
        frmMain::ConvertFirstField(record);
        QCOMPARE(record, converted);
    }

    // The dialog cancelled, at once or after "append?" was answered Cancel.
    void dialogCancelledSendsNothing_data()
    {
        QTest::addColumn<bool>("existing");
        QTest::newRow("at once") << false;
        QTest::newRow("after an existing file") << true;
    }
    void dialogCancelledSendsNothing()
    {
        QFETCH(bool, existing);
        TerminalWindow t;
        const QString file = QDir(t.world.program.path()).filePath(QStringLiteral("old.txt"));
        QVERIFY(writeFileBytes(file, "kept\r\n"));
        t.model.setRecords(numbered(3));
        t.world.dialogs.saveResults = {std::nullopt};
        if (existing) {
            t.world.dialogs.saveResults.prepend(file);
            t.world.dialogs.answers = {Answer::Cancel};
        }
        t.press(10);
        QCOMPARE(t.world.dialogs.asked.size(), existing ? 1 : 0);
        QVERIFY(t.port->writes().isEmpty());
        QVERIFY(t.lines().isEmpty());
        QCOMPARE(fileBytes(file), QByteArray("kept\r\n"));
        QVERIFY(!t.w->IsBusy());
        QVERIFY(!t.busyPointer());
    }

    void theDialogProposesADateNameInTheProgramsFolder()
    {
        TerminalWindow t;
        t.world.preset("Misc", "FilenameFormat", QStringLiteral("0"));
        t.get<QComboBox>("cboDateFormat")->setCurrentIndex(2);
        const QString chosen = QDir(t.world.program.path()).filePath(QStringLiteral("mine.txt"));
        t.world.dialogs.saveResults = {chosen};
        t.press(10);
        QCOMPARE(t.world.dialogs.saveRequests.size(), 1);
        const SaveRequest &r = t.world.dialogs.saveRequests[0];
        QCOMPARE(r.title, QStringLiteral("Save downloaded data"));
        QCOMPARE(r.folder, t.world.program.path());
        QCOMPARE(r.filter, QStringLiteral("(*.txt)|*.txt"));
        // The PC clock of the test starts on 1 June 2024.
        QCOMPARE(r.proposed, QDir(t.world.program.path()).filePath(QStringLiteral("01062024.txt")));
        QVERIFY(QFile::exists(chosen));
        QCOMPARE(t.lines(), kFinished);
    }

    void aStoredProposalIsUsed()
    {
        TerminalWindow t;
        t.world.preset("Download", "File", QStringLiteral("/srv/export/today.txt"));
        t.world.dialogs.saveResults = {std::nullopt};
        t.press(10);
        QCOMPARE(t.world.dialogs.saveRequests.value(0).proposed, QStringLiteral("/srv/export/today.txt"));
    }

    void anExistingFileIsAppendedOnlyAfterOK()
    {
        TerminalWindow t;
        const QString existing = QDir(t.world.program.path()).filePath(QStringLiteral("old.txt"));
        QVERIFY(writeFileBytes(existing, "kept\r\n"));
        t.model.setRecords({QStringLiteral("1,new")});
        t.world.dialogs.saveResults = {existing, existing};
        t.world.dialogs.answers = {Answer::Cancel, Answer::Ok};
        int pointerOverBoxes = 0;
        t.world.dialogs.onAsk = [&](const Message &) { pointerOverBoxes += QApplication::overrideCursor() != nullptr; };
        t.press(10);
        QCOMPARE(pointerOverBoxes, 0);
        QCOMPARE(t.world.dialogs.saveRequests.size(), 2);
        QCOMPARE(t.world.dialogs.saveRequests[1].proposed, t.world.dialogs.saveRequests[0].proposed);
        QCOMPARE(t.world.dialogs.asked.size(), 2);
        for (const Message &m : t.world.dialogs.asked) {
            QCOMPARE(m.text, QStringLiteral("File already exists, append?"));
            QCOMPARE(m.buttons, Buttons::OkCancel);
            QCOMPARE(m.icon, Icon::Exclamation);
        }
        QCOMPARE(fileBytes(existing), QByteArray("kept\r\n1,new\r\n"));
    }

    void automaticNamesNeedNoDialog()
    {
        TerminalWindow t;
        QTemporaryDir elsewhere;
        t.model.setRecords({QStringLiteral("2,a")});
        t.tick("chkSaveData");
        // A typed folder is used although it is not stored.
        t.get<QLineEdit>("txtPath")->setText(elsewhere.path());
        t.get<QLineEdit>("txtFixedFilename")->setText(QStringLiteral("fixed.dat"));
        t.press(10);
        QCOMPARE(fileBytes(QDir(elsewhere.path()).filePath(QStringLiteral("fixed.dat"))), QByteArray("2,a\r\n"));

        t.get<QRadioButton>("optFilenameFormat(1)")->click();
        t.get<QComboBox>("cboDateFormat")->setCurrentIndex(1);
        t.press(10);
        QCOMPARE(fileBytes(QDir(elsewhere.path()).filePath(QStringLiteral("06012024.txt"))), QByteArray("2,a\r\n"));
        QVERIFY(t.world.dialogs.saveRequests.isEmpty());
        QVERIFY(t.world.dialogs.asked.isEmpty());
    }

    void aFileThatCannotBeWrittenLeavesTheTerminalsData_data()
    {
        QTest::addColumn<QString>("target"); // "~" stands for the program's folder
        QTest::addColumn<QString>("title");
        QTest::addColumn<QByteArray>("sent");
        QTest::newRow("the folder does not exist") << "~/gone/VX.txt" << "76" << QByteArray();
        QTest::newRow("a folder in place of the file") << "~" << "75" << QByteArray();
        QTest::newRow("a read-only system file") << "/sys/kernel/uevent_seqnum" << "70" << QByteArray();
        QTest::newRow("the first record meets a full device") << "/dev/full" << "61" << QByteArray("I");
    }
    void aFileThatCannotBeWrittenLeavesTheTerminalsData()
    {
        QFETCH(QString, target);
        QFETCH(QString, title);
        QFETCH(QByteArray, sent);
        TerminalWindow t;
        target.replace(QLatin1Char('~'), t.world.program.path());
        if (target.startsWith(QLatin1Char('/')) && !target.startsWith(t.world.program.path())
            && !QFile::exists(target))
            QSKIP("this system has no such file");
        t.tick("chkClearData");
        t.model.setRecords(numbered(3));
        t.world.dialogs.saveResults = {target};
        t.world.dialogs.answers = {Answer::Ok}; // when it exists: append
        t.press(10);
        QCOMPARE(t.commandsSent(), sent);
        QCOMPARE(t.model.records().size(), 3);
        QVERIFY(t.lines().isEmpty());
        const Message &report = t.world.dialogs.asked.constLast();
        QCOMPARE(report.title, title);
        QCOMPARE(report.buttons, Buttons::Ok);
        QVERIFY2(report.text.contains(target), qPrintable(report.text));
        QVERIFY(!isOpenHere(target));
        QVERIFY(!t.w->IsBusy());
        QVERIFY(!t.busyPointer());
    }

    void aSyncThatFailsLeavesTheTerminalsData()
    {
        TerminalWindow t;
        const QString file = fixedFile(t);
        t.tick("chkClearData");
        t.tick("chkPowerDown");
        t.model.setRecords(numbered(3));
        QByteArray onDiskAtSync;
        bool openAtSync = false;
        t.w->setSyncDataFile([&](DataFile &f) -> std::optional<AppError> {
            onDiskAtSync = fileBytes(file);
            openAtSync = isOpenHere(file);
            return AppError{kErrDeviceIo, f.path() + QStringLiteral(": Input/output error")};
        });
        t.press(10);
        QCOMPARE(onDiskAtSync.count("\r\n"), 3);
        QVERIFY(openAtSync);
        // Nothing after the last record: the terminal keeps its data.
        QCOMPARE(t.commandsSent(), QByteArray("I"));
        QCOMPARE(t.model.records().size(), 3);
        QVERIFY(!t.model.isPoweredDown());
        QCOMPARE(fileBytes(file), onDiskAtSync);
        QCOMPARE(t.lines().size(), 3);
        QVERIFY(!t.lines().contains(QStringLiteral("Download Process Finished")));
        QCOMPARE(t.world.dialogs.asked.size(), 1);
        QCOMPARE(t.world.dialogs.asked[0].title, QStringLiteral("57"));
        QCOMPARE(t.world.dialogs.asked[0].text, file + QStringLiteral(": Input/output error"));
        QCOMPARE(t.get<QLabel>("lblProgress")->text(), QStringLiteral("Download stopped after 3 records"));
        QVERIFY(!isOpenHere(file));
        QVERIFY(!t.w->IsBusy());
        // The next download goes on where the file ends.
        t.w->setSyncDataFile([](DataFile &f) -> std::optional<AppError> {
            return f.sync() ? std::nullopt : std::optional<AppError>(AppError{1, f.errorString()});
        });
        t.press(10);
        QCOMPARE(fileBytes(file).count("\r\n"), 6);
        QVERIFY(t.model.records().isEmpty());
    }

    // The busy guard: no other button starts an exchange and no dialog opens.
    void nothingElseStartsDuringADownload()
    {
        TerminalWindow t;
        const QString file = fixedFile(t); // "..." is switched on
        t.model.setRecords(numbered(50));
        QString progress;
        QStringList opened{QStringLiteral("not run")};
        t.port->runAt(300, [&] {
            QVERIFY(t.w->IsBusy());
            for (int index : {2, 5, 6, 10, 14})
                t.press(index);
            t.station(1);
            t.station(2);
            opened = t.clickDialogButtons();
            progress = t.get<QLabel>("lblProgress")->text();
        });
        t.press(10);
        QCOMPARE(t.commandsSent(), QByteArray("I"));
        QCOMPARE(opened, QStringList());
        QCOMPARE(fileBytes(file).count("\r\n"), 50);
        QCOMPARE(t.lines().size(), 52);
        QCOMPARE(t.lines().mid(50), kFinished);
        QVERIFY(t.lines("txtDK90").isEmpty());
        QVERIFY(t.world.dialogs.asked.isEmpty());
        QVERIFY2(progress.startsWith(QStringLiteral("Downloading: ")) && progress.contains(QStringLiteral("records")),
                 qPrintable(progress));
        // Afterwards the dialogs open as before.
        QCOMPARE(t.clickDialogButtons(), (QStringList{"frmPasswordChange", "frmFilePath"}));
    }

    void closingDuringADownloadEndsItWithTheRecordsSoFar()
    {
        TerminalWindow t;
        const QString file = fixedFile(t);
        t.tick("chkClearData");
        t.model.setRecords(numbered(500));
        qint64 closedAt = -1;
        t.port->runAt(2000, [&] {
            closedAt = t.port->now();
            t.w->close();
        });
        t.press(10);
        QCOMPARE(t.endCalls, 1);
        QVERIFY(closedAt >= 0);
        QVERIFY2(t.port->now() - closedAt < 1000, qPrintable(QString::number(t.port->now() - closedAt)));
        const int written = int(fileBytes(file).count("\r\n"));
        QVERIFY(written > 10 && written < 500);
        QStringList echoed = t.lines();
        if (echoed.last().startsWith(QStringLiteral("ErrCode")))
            echoed.removeLast();
        QCOMPARE(echoed.size(), written);
        QCOMPARE(t.commandsSent(), QByteArray("I"));
        QCOMPARE(t.model.records().size(), 500);
        QVERIFY(!t.w->IsBusy());
        QVERIFY(!isOpenHere(file));
        QCOMPARE(t.get<QLabel>("lblProgress")->text(), QStringLiteral("Download stopped after %1 records").arg(written));
    }
};

QTEST_MAIN(DownloadTest)
#include "tst_Download.moc"
