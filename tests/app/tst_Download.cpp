// "Download Data" against the simulated terminal: the bytes a data file
// gets, the choice of the file, the automation, a message box that stays
// short, a failing sync (the terminal keeps its data), and closing the
// window in the middle. A data file that cannot be opened or written is in
// the fault table (tests/faults).
#include "AppTest.h"
#include "TestFiles.h"

#include "DataFile.h"
#include "Frame.h"

using namespace vx;
using namespace vx::test;

namespace {

const QStringList kFinished{"Download Process Finished", "Data Saved"};

QStringList numbered(int count)
{
    QStringList records;
    for (int i = 1; i <= count; ++i)
        records << QStringLiteral("%1,4901234567894,2024/03/15,%2").arg(i, 8, 16, QLatin1Char('0')).arg(i);
    return records;
}

// The terminal, and the operator closing the window as soon as the terminal
// hears a given command.
struct CloseOnCommand : FakeDevice {
    FakeDevice &terminal;
    char letter;
    QWidget *window;
    CloseOnCommand(FakeDevice &t, char l, QWidget *w) : terminal(t), letter(l), window(w) {}
    void received(const QByteArray &bytes, FakePort &port) override
    {
        if (bytes.size() >= 4 && bytes[0] == ENQ && bytes[3] == letter)
            port.runAt(port.now() + 1, [w = window] { w->close(); });
        terminal.received(bytes, port);
    }
};

} // namespace

class DownloadTest : public QObject
{
    Q_OBJECT
private slots:
    // The first field converted, the rest as sent, in the PC's single-byte
    // character set; a file without a final line end gets one first. Then a
    // typed folder, a fixed name and a date name, without a dialog.
    void recordsAreAppendedAsTheTerminalSentThem()
    {
        TerminalWindow t;
        t.click("chkSaveData");
        QVERIFY(writeFileBytes(t.fileIn("VX.txt"), "earlier"));
        t.model.setRecords({"00FF,4901234567894,2024/03/15,14:30:12", "FFFF,caf\u00e9 \u00bd", "123456789,too long",
                            ",a,,b", "1F"});
        t.press(frmMain::kCmdDownload);
        QCOMPARE(fileBytes(t.fileIn("VX.txt")), QByteArray("earlier\r\n"
                                                           "255,4901234567894,2024/03/15,14:30:12\r\n"
                                                           "-1,caf\xe9 \xbd\r\n"
                                                           "123456789,too long\r\n"
                                                           "0,a,,b\r\n"
                                                           "31\r\n"));
        QCOMPARE(t.lines(), QStringList({"255,4901234567894,2024/03/15,14:30:12", "-1,caf\u00e9 \u00bd",
                                         "123456789,too long", "0,a,,b", "31"}) + kFinished);
        QVERIFY(t.state("lblProgress").startsWith("Downloaded 5 records in ") && t.idle());
        QTemporaryDir elsewhere;
        t.model.setRecords({"2,a"});
        t.get<QLineEdit>("txtPath")->setText(elsewhere.path());
        t.get<QLineEdit>("txtFixedFilename")->setText("fixed.dat");
        t.press(frmMain::kCmdDownload);
        t.click("optFilenameFormat(1)");
        t.get<QComboBox>("cboDateFormat")->setCurrentIndex(1);
        t.press(frmMain::kCmdDownload);
        QCOMPARE(fileBytes(elsewhere.filePath("fixed.dat")) + fileBytes(elsewhere.filePath("06012024.txt")),
                 QByteArray("2,a\r\n2,a\r\n"));
        QVERIFY(t.world.dialogs.saveRequests.isEmpty() && t.world.dialogs.asked.isEmpty());
    }

    // Without "saving/appending" the operator chooses the file: the dialog
    // proposes a date name in the program's folder (or the stored one), an
    // existing file is appended to only after OK, Cancel there opens the
    // dialog again, and a cancelled dialog sends nothing.
    void theOperatorChoosesTheFile()
    {
        TerminalWindow t;
        t.get<QComboBox>("cboDateFormat")->setCurrentIndex(2);
        const QString fresh = t.fileIn("fresh.txt"), old = t.fileIn("old.txt");
        QVERIFY(writeFileBytes(old, "kept\r\n"));
        t.world.dialogs.saveResults = {std::nullopt, old, std::nullopt, fresh, old, old};
        t.world.dialogs.answers = {Answer::Cancel, Answer::Cancel, Answer::Ok};
        t.press(frmMain::kCmdDownload); // cancelled at once
        t.press(frmMain::kCmdDownload); // the file exists: Cancel, and the dialog cancelled
        QVERIFY(t.port->writes().isEmpty() && t.lines().isEmpty() && t.idle());
        t.press(frmMain::kCmdDownload); // a new file, a terminal without records
        QVERIFY(fileBytes(fresh).isEmpty() && t.lines() == kFinished);
        t.model.setRecords({"1,new"});
        t.press(frmMain::kCmdDownload);
        QCOMPARE(fileBytes(old), QByteArray("kept\r\n1,new\r\n"));
        QCOMPARE(t.world.dialogs.saveRequests.size(), 6);
        for (const SaveRequest &r : t.world.dialogs.saveRequests)
            QCOMPARE(QStringList({r.title, r.folder, r.filter, r.proposed}),
                     QStringList({"Save downloaded data", t.world.program.path(), "(*.txt)|*.txt", t.fileIn("01062024.txt")}));
        QCOMPARE(t.world.dialogs.asked.size(), 3);
        for (const Message &m : t.world.dialogs.asked)
            QVERIFY(m.text == "File already exists, append?" && m.buttons == Buttons::OkCancel && m.icon == Icon::Exclamation);
        t.world.preset("Download/File", "/srv/export/today.txt");
        t.press(frmMain::kCmdDownload);
        QCOMPARE(t.world.dialogs.saveRequests.constLast().proposed, QStringLiteral("/srv/export/today.txt"));
    }

    // The steps run in this order after the last record, whatever the
    // terminal answers to each, and the status left is the end's. The data
    // is cleared only when the terminal holds just the records saved.
    void theAutomationAfterTheLastRecord()
    {
        const QList<std::tuple<QByteArray, QString, QByteArray>> counts{
            {"1", "Data Cleared", "IADSO"},
            {"2", "Data Not Cleared: the terminal holds 2 records, 1 were saved", "IASO"}};
        for (const auto &[held, cleared, commands] : counts) {
            TerminalWindow t;
            for (const char *box : {"chkSaveData", "chkClearData", "chkUpdateTime", "chkPowerDown"})
                t.click(box);
            t.useScript();
            t.script.then(dataFrame("0A,x")).then(QByteArray(1, EOT)).then(dataFrame(held)).then(QByteArray(1, EOT));
            if (held == "1")
                t.script.then(QByteArray(1, NAK));
            t.script.silence().silence();
            t.press(frmMain::kCmdDownload);
            QCOMPARE(t.lines(), (QStringList{"10,x"} + kFinished + QStringList{cleared, "Time Updated", "Power Down"}));
            QVERIFY(t.commandsSent() == commands && fileBytes(t.fileIn("VX.txt")) == "10,x\r\n");
            t.press(frmMain::kCmdClearData); // answered No: the status is shown
            QVERIFY(t.lines().constLast() == "ErrCode: 1, VX_ERR_UNKNOWN" && t.commandsSent() == commands);
        }
    }

    // Emptied whenever it holds more than 60000 characters (line ends
    // counted as CR LF): never longer than that and one more line.
    void theMessageBoxStaysShort()
    {
        TerminalWindow t;
        t.click("chkSaveData");
        t.model.setRecords(numbered(2000));
        QTextDocument *shown = t.get<QPlainTextEdit>("txt")->document();
        QList<qint64> lengths;
        QObject::connect(shown, &QTextDocument::contentsChanged, shown,
                         [&] { lengths << shown->characterCount() - 1 + shown->blockCount() - 1; });
        t.press(frmMain::kCmdDownload);
        QVERIFY(*std::max_element(lengths.begin(), lengths.end()) <= 60000 + 40 && lengths.count(0) == 1);
        QCOMPARE(fileBytes(t.fileIn("VX.txt")).count("\r\n"), 2000);
        QCOMPARE(t.lines().mid(t.lines().size() - 3), QStringList{"2000,4901234567894,2024/03/15,2000"} + kFinished);
    }

    // Nothing after the last record until the lines are on the disk: the
    // terminal keeps its data, and the next download goes on where the file ends.
    void aSyncThatFailsLeavesTheTerminalsData()
    {
        TerminalWindow t;
        const QString file = t.fileIn("VX.txt");
        for (const char *box : {"chkSaveData", "chkClearData", "chkPowerDown"})
            t.click(box);
        t.model.setRecords({"1,a", "2,b"});
        QByteArray onDiskAtSync;
        t.w->setSyncDataFile([&](DataFile &) -> std::optional<Failure> {
            onDiskAtSync = fileBytes(file);
            return Failure{FailureKind::FileIo, file + ": Input/output error"};
        });
        t.press(frmMain::kCmdDownload);
        QCOMPARE(onDiskAtSync, QByteArray("1,a\r\n2,b\r\n"));
        QVERIFY(t.commandsSent() == "I" && t.model.records().size() == 2 && t.lines() == (QStringList{"1,a", "2,b"}));
        QCOMPARE(t.world.dialogs.asked.value(0).title + " " + t.world.dialogs.texts().join(""), "57 " + file + ": Input/output error");
        QVERIFY(t.state("lblProgress") == "Download stopped after 2 records" && t.idle());
        t.w->setSyncDataFile([](DataFile &) { return std::optional<Failure>(); });
        t.press(frmMain::kCmdDownload);
        QVERIFY(fileBytes(file) == "1,a\r\n2,b\r\n1,a\r\n2,b\r\n" && t.model.records().isEmpty());
    }

    // The program ends at once with the records so far, in the middle of the
    // records (at 2000 ms) or of the automation, and sends nothing more.
    void closingTheWindowInTheMiddle()
    {
        for (const auto &[records, closeOn, sent] : {std::tuple{500, '\0', "I"}, {2, 'D', "IAD"}}) {
            TerminalWindow t;
            for (const char *box : {"chkSaveData", "chkClearData", "chkUpdateTime", "chkPowerDown"})
                t.click(box);
            t.model.setRecords(numbered(records));
            CloseOnCommand closer(t.device, closeOn, t.w.get());
            t.port->setDevice(&closer);
            if (!closeOn)
                t.port->runAt(2000, [&t] { t.w->close(); });
            t.press(frmMain::kCmdDownload);
            t.settle();
            QVERIFY(t.endCalls == 1 && t.port->now() < 3000 && t.commandsSent() == sent && t.idle());
            const int written = int(fileBytes(t.fileIn("VX.txt")).count("\r\n"));
            QVERIFY(written > (closeOn ? 1 : 10) && written < 500);
            QCOMPARE(t.lines().filter(QRegularExpression("^\\d+,")).size(), written);
            QCOMPARE(t.state("lblProgress"), QStringLiteral("Download stopped after %1 records").arg(written));
        }
    }
};

QTEST_MAIN(DownloadTest)
#include "tst_Download.moc"
