// The window against the simulated terminal in virtual time. The device
// buttons of the general tab and the reader station tab: each button's
// request and its line, the failure lines, the error path, the device a COMn
// stands for, and one exchange at a time whatever is clicked meanwhile. "Download Data": the bytes a data
// file gets, the choice of the file and the default folder, a message box
// that stays short, the automation, a failing download (the terminal keeps
// its data; the window says where the records are), and closing the window
// in the middle. A data file that cannot be opened or written is in
// the fault table (tests/faults).
#include "AppTest.h"
#include "terminal/Frame.h"
#include "download/FileCalls.h"
#include "HistoryChart.h"
#include "HistoryDialog.h"
#include "ProgramFolder.h"

#include <sys/stat.h>

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

// The terminal, and the operator acting (closing the window, pressing Stop)
// as soon as the terminal hears a given command.
struct ActOnCommand : FakeDevice {
    FakeDevice &terminal;
    char letter;
    std::function<void()> act;
    ActOnCommand(FakeDevice &t, char l, std::function<void()> a) : terminal(t), letter(l), act(std::move(a)) {}
    void received(const QByteArray &bytes, FakePort &port) override
    {
        if (bytes.size() >= 4 && bytes[0] == ENQ && bytes[3] == letter)
            port.runAt(port.now() + 1, act);
        terminal.received(bytes, port);
    }
};

} // namespace

class TerminalTest : public QObject
{
    Q_OBJECT
private slots:
    // Set Time is given a moment that daylight saving skips here.
    void initTestCase() { qputenv("TZ", "Europe/Berlin"); }
    void init() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }

    void eachButtonsRequestAndLine()
    {
        const QList<std::tuple<const char *, const char *, QByteArray, QString>> buttons{
            {"setTimeButton", "Set Time", "\x05" "00S\x02" "20240331023059\x03\x08\x04", "OK"},
            {"getTimeButton", "Get Time", "\x05" "00T\x06", "6/1/2024 9:00:00 AM"},
            {"recordCountButton", "Record Count", "\x05" "00A\x06", "3"},
            {"setMachineNumberButton", "Set Mach#", "\x05" "00P\x02" "2A\x03s\x04", "OK"},
            {"getMachineNumberButton", "Get Mach#", "\x05" "00Q\x06", "0"},
            {"getVersionButton", "Get Version", "\x05" "00V\x06", "VX500A V2.10"},
            {"clearDataButton", "Clear Data", "\x05" "00D\x04", "OK"},
            {"recoverDataButton", "Recover Data", "\x05" "00M\x04", "OK"},
            {"selfTestButton", "Invoke Test", "\x05" "00Z", "OK"},
            {"powerDownButton", "Power Down", "\x05" "00O", "OK"},
            {"syncTimeButton", "Sync. Time", "\x05" "00S\x02" "20240601090000\x03\n\x04", "OK"}};
        for (const auto &[button, caption, sent, line] : buttons) {
            TerminalWindow t(kMasterPassword);
            QCOMPARE(t.get<QAbstractButton>(button)->text().remove('&'), QLatin1String(caption)); // access keys: tst_Window
            t.model.setRecords({"1,a", "2,b", "3,c"});
            t.get<QDateEdit>("dateEdit")->setDate(QDate(2024, 3, 31));
            t.get<QTimeEdit>("timeEdit")->setTime(QTime(2, 30, 59, 678));
            t.get<QLineEdit>("newMachineEdit")->setText(" 4 2x"); // read as far as it is a number
            t.world.dialogs.answers = {Answer::Yes};
            t.press(button);
            t.settle();
            QCOMPARE(t.port->writtenBytes(), sent);
            QCOMPARE(t.lines(), QStringList{line});
            QCOMPARE(t.state("resultLabel"), QString(caption) + ": " + line); // the status bar: the latest outcome
            QVERIFY(t.idle());
            const bool asks = QLatin1String(button) == "clearDataButton";
            QCOMPARE(t.world.dialogs.texts(), asks ? QStringList{"VX500-500A Monitor Clear the data of terminal?"} : QStringList());
            QVERIFY(!asks || (t.world.dialogs.asked[0].icon == Icon::Question && t.world.dialogs.asked[0].buttons == Buttons::YesNo
                              && t.world.dialogs.asked[0].defaultAnswer == Answer::No));
        }
    }

    // The device a COMn stands for is the user's mapping, from the next
    // command on. The reader station's answers at its own speed, each
    // "Clear Message" for its own box; a station failure shows the status
    // name alone, after the station's 3000 ms. A port that cannot be opened:
    // its words in a box titled with the failure's number, or with the
    // program's title for a station query. First two failures outside the
    // link: each message in a box titled with its number, nothing sent,
    // nothing on the line, and the next press works.
    void thePortAndTheReaderStationTab()
    {
        TerminalWindow t;
        t.get<QLineEdit>("newMachineEdit")->setText("33000");
        t.clockFails = true;
        t.press("setMachineNumberButton");
        t.press("syncTimeButton");
        QVERIFY(t.port->writes().isEmpty() && t.lines().isEmpty() && t.idle());
        t.world.preset("Ports/COM3", "/dev/ttyUSB0");
        t.get<QComboBox>("portBox")->setCurrentIndex(2);
        t.press("getMachineNumberButton");
        // Get Time in the user's own format; at midnight the date alone.
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        t.model.setClock(t.pcNow(), QDateTime(QDate(2024, 2, 29), QTime(0, 0))); // and the few ms until the request arrives
        t.press("getTimeButton");
        QCOMPARE(t.lines(), (QStringList{"0", "29.02.2024"}));
        QCOMPARE(t.port->portName() + " " + t.state("portLabel"), QStringLiteral("/dev/ttyUSB0 COM3 \u2192 /dev/ttyUSB0"));
        t.world.preset("Ports/COM3", "/dev/pts/7");
        t.press("stationVersionButton");
        QCOMPARE(t.port->portName() + " " + t.state("portLabel"), QStringLiteral("/dev/pts/7 COM3 \u2192 /dev/pts/7"));
        t.press("stationInformationButton");
        QCOMPARE(t.lines("stationLog"), (QStringList{"VX500R V1.04", "VX500R/U READER STATION,9600,N,8,1"}));
        t.click("clearLogButton");
        QCOMPARE(t.lines().size() + t.lines("stationLog").size(), 2);
        t.click("clearStationLogButton");
        t.port->setDevice(&t.script);
        const qint64 before = t.port->now();
        t.press("stationVersionButton");
        QVERIFY(t.lines("stationLog") == QStringList{"VX_ERR_TIMEOUT"} && t.port->now() - before >= 3000);
        const QString noAnswer = "No answer on COM3 (/dev/pts/7) from machine 0: is the terminal switched on and in its station?";
        t.press("recordCountButton"); // a silent terminal: where the window asked, and what to check
        QCOMPARE(t.state("resultLabel"), noAnswer);
        t.clockFails = false, t.click("saveDataBox"), t.press("downloadButton"); // the same after a download
        QVERIFY(t.state("resultLabel") == noAnswer && t.lines().takeLast() == "No records saved; the terminal still holds all its records.");
        t.click("clearLogButton");
        for (bool station : {false, true, false}) {
            t.port->failOpen({FailureKind::PortMissing, "/dev/ttyUSB0: no such device"});
            station ? t.press("stationVersionButton") : t.press("recordCountButton");
        }
        QCOMPARE(t.world.dialogs.texts(), QStringList({"6 Overflow", "51 no clock", "8002 /dev/ttyUSB0: no such device",
                                                       "VX500-500A Monitor /dev/ttyUSB0: no such device",
                                                       "8002 /dev/ttyUSB0: no such device"}));
        QCOMPARE(t.lines() + t.lines("stationLog"), QStringList({"ErrCode: -2, VX_ERR_PORT_NOT_OPEN",
                                                             "ErrCode: -2, VX_ERR_PORT_NOT_OPEN", "VX_ERR_TIMEOUT", "VX_ERR_PORT_NOT_OPEN"}));
    }

    // Every control clicked in the middle of every kind of command (check
    // boxes twice, lists there and back), and the window closed there: no
    // dialog opens, no second exchange starts, and the command's bytes,
    // lines and boxes are those it has without the clicks; closed, it sends
    // nothing more. The automation boxes ticked during a download apply to it.
    void clicksInTheMiddleOfEveryCommand()
    {
        enum Mode { Plain, Clicks, Close, TickClear };
        int middles = 0; // commands that wait for an answer, and so have a middle
        const auto run = [&middles](const char *command, Mode mode) {
            TerminalWindow t(kMasterPassword);
            t.click("saveDataBox");
            t.model.setRecords({"1,a", "2,b"});
            t.world.dialogs.answers = {Answer::Yes};
            QStringList opened;
            QTimer closer; // a dialog opened in the middle is closed and noted
            QObject::connect(&closer, &QTimer::timeout, [&opened] {
                if (QWidget *modal = QApplication::activeModalWidget())
                    opened << modal->metaObject()->className(), modal->close();
            });
            closer.start(0);
            t.port->runAt(1, [&] {
                if (mode == Close)
                    return void(t.w->close());
                if (mode == Plain || !t.w->isBusy())
                    return;
                ++middles;
                if (mode == TickClear)
                    return t.click("clearDataBox");
                for (QAbstractButton *b : t.w->findChildren<QAbstractButton *>())
                    if (!QStringList{"clearLogButton", "clearStationLogButton", "stopButton"}.contains(b->objectName()))
                        for (int i = b->isCheckable() && qobject_cast<QCheckBox *>(b) ? 2 : 1; i > 0; --i)
                            b->click();
                for (QComboBox *list : t.w->findChildren<QComboBox *>()) {
                    const int was = list->currentIndex();
                    list->setCurrentIndex(was + 1), list->setCurrentIndex(was);
                }
            });
            t.press(command);
            t.settle();
            QByteArray sent;
            for (const auto &write : t.port->writes())
                sent += write.bytes;
            return std::tuple{opened.join(' ') + t.world.dialogs.texts().join('|') + t.state("resultLabel"),
                              t.lines() + t.lines("stationLog"), sent, t.endCalls, t.idle()};
        };
        for (const char *command : {"setTimeButton", "getTimeButton", "syncTimeButton", "setMachineNumberButton",
                                    "getMachineNumberButton", "recordCountButton", "getVersionButton", "clearDataButton",
                                    "recoverDataButton", "selfTestButton", "powerDownButton", "downloadButton",
                                    "stationVersionButton", "stationInformationButton"}) {
            const auto [words, lines, sent, ends, idle] = run(command, Plain);
            QVERIFY2(!sent.isEmpty() && idle && run(command, Clicks) == run(command, Plain), command);
            const auto [closedWords, closedLines, closedSent, closedEnds, closedIdle] = run(command, Close);
            QVERIFY2(sent.startsWith(closedSent) && closedEnds == 1 && closedIdle, command);
        }
        QCOMPARE(middles, 12 + 1); // Invoke Test and Power Down send and wait for nothing
        const auto [words, lines, sent, ends, idle] = run("downloadButton", TickClear);
        QVERIFY(lines.endsWith("Data Cleared") && sent.contains("\x05" "00D"));
        TerminalWindow t; // a port chosen between two commands: the "..." button's words follow it
        t.press("getVersionButton"), t.get<QComboBox>("portBox")->setCurrentIndex(2), t.press("getVersionButton");
        QCOMPARE(t.get("portDeviceButton")->toolTip(), QStringLiteral("Choose the %1 that COM3 stands for").arg(kOnWindows ? "port" : "device"));
    }
    // Without "saving/appending" the operator chooses the file: the dialog
    // proposes a date name in the program's folder (or the stored one), an
    // existing file is appended to only after OK, Cancel there opens the
    // dialog again, and a cancelled dialog sends nothing. With it, the first
    // field converted, the rest as sent, in the PC's single-byte character
    // set; a file without a final line end gets one first. Then a typed
    // folder, a fixed name and a date name, without a dialog.
    void theDataFile()
    {
        TerminalWindow t;
        t.get<QComboBox>("dateFormatBox")->setCurrentIndex(2);
        const QString fresh = t.fileIn("fresh.txt"), old = t.fileIn("old.txt");
        QVERIFY(writeFileBytes(old, "kept\r\n"));
        t.world.dialogs.saveResults = {std::nullopt, old, std::nullopt, fresh, old, old};
        t.world.dialogs.answers = {Answer::Cancel, Answer::Cancel, Answer::Ok};
        t.press("downloadButton"); // cancelled at once
        t.press("downloadButton"); // the file exists: Cancel, and the dialog cancelled
        QVERIFY(t.port->writes().isEmpty() && t.lines().isEmpty() && t.idle());
        t.press("downloadButton"); // a new file, a terminal without records
        QVERIFY(fileBytes(fresh).isEmpty() && t.lines() == kFinished);
        t.model.setRecords({"1,new"});
        t.press("downloadButton");
        QCOMPARE(fileBytes(old), QByteArray("kept\r\n1,new\r\n"));
        for (const SaveRequest &r : t.world.dialogs.saveRequests)
            QCOMPARE(QStringList({r.title, r.folder, r.filter, r.proposed}),
                     QStringList({"Save downloaded data", t.world.program.path(), "(*.txt)|*.txt", t.fileIn("01062024.txt")}));
        for (const Message &m : t.world.dialogs.asked)
            QVERIFY(m.text == "File already exists, append?" && m.buttons == Buttons::OkCancel && m.icon == Icon::Exclamation);
        t.world.preset("Download/File", "/srv/export/today.txt");
        t.press("downloadButton");
        QCOMPARE(t.world.dialogs.saveRequests.constLast().proposed, QStringLiteral("/srv/export/today.txt"));

        t.click("saveDataBox");
        t.click("clearLogButton");
        QVERIFY(writeFileBytes(t.fileIn("VX.txt"), "earlier"));
        t.model.setRecords({"00FF,4901234567894,2024/03/15,14:30:12", "FFFF,caf\u00e9 \u00bd", "123456789,too long",
                            ",a,,b", "1F"});
        t.press("downloadButton");
        QCOMPARE(fileBytes(t.fileIn("VX.txt")), QByteArray("earlier\r\n"
                                                           "255,4901234567894,2024/03/15,14:30:12\r\n"
                                                           "-1,caf\xe9 \xbd\r\n"
                                                           "123456789,too long\r\n"
                                                           "0,a,,b\r\n"
                                                           "31\r\n"));
        QCOMPARE(t.lines(), QStringList({"255,4901234567894,2024/03/15,14:30:12", "-1,caf\u00e9 \u00bd",
                                         "123456789,too long", "0,a,,b", "31"}) + kFinished);
        // The status bar names the file; its tooltip, the whole path.
        QVERIFY(t.state("resultLabel").startsWith("5 records received and saved in VX.txt (") && t.idle());
        QVERIFY(t.get("resultLabel")->toolTip().startsWith("5 records received and saved in " + t.fileIn("VX.txt") + " ("));
        QTemporaryDir elsewhere;
        t.model.setRecords({"2,a"});
        t.get<QLineEdit>("folderEdit")->setText(elsewhere.path());
        t.get<QLineEdit>("fixedFileNameEdit")->setText("fixed.dat");
        t.press("downloadButton");
        t.click("dateNameOption");
        t.get<QComboBox>("dateFormatBox")->setCurrentIndex(1);
        t.press("downloadButton");
        QCOMPARE(fileBytes(elsewhere.filePath("fixed.dat")) + fileBytes(elsewhere.filePath("06012024.txt")),
                 QByteArray("2,a\r\n2,a\r\n"));
        QVERIFY(t.world.dialogs.saveRequests.size() == 7 && t.world.dialogs.asked.size() == 3);
        // The message box is emptied whenever it holds more than 60000
        // characters (line ends counted as CR LF): never longer than that and
        // one more line.
        t.model.setRecords(numbered(2000));
        QTextDocument *shown = t.get<QPlainTextEdit>("log")->document();
        QList<qint64> lengths;
        QObject::connect(shown, &QTextDocument::contentsChanged, shown,
                         [&] { lengths << shown->characterCount() - 1 + shown->blockCount() - 1; });
        t.press("downloadButton");
        QVERIFY(*std::max_element(lengths.begin(), lengths.end()) <= 60000 + 40 && lengths.count(0) == 1);
        QCOMPARE(fileBytes(elsewhere.filePath("06012024.txt")).count("\r\n"), 2001);
        QCOMPARE(t.lines().mid(t.lines().size() - 3), QStringList{"2000,4901234567894,2024/03/15,2000"} + kFinished);
    }

    // The steps run in this order after the last record, each line saying
    // what the terminal did (a refusal: the fault table); the data is
    // cleared only when the terminal holds just the records saved. No record
    // count goes before the records.
    void theAutomationAfterTheLastRecord()
    {
        TerminalWindow t;
        t.click("saveDataBox", "clearDataBox", "updateTimeBox", "powerDownBox");
        t.port->setDevice(&t.script);
        t.script.then(dataFrame("0A,x")).then(QByteArray(1, EOT)).then(dataFrame("2")).then(QByteArray(1, EOT));
        t.script.then(QByteArray(1, ACK)).then(QByteArray(1, ACK)).silence().then(QByteArray(1, ACK));
        t.press("downloadButton");
        QCOMPARE(t.lines(), (QStringList{"10,x"} + kFinished
                             + QStringList{"Data Not Cleared: the terminal holds 2 records, 1 stored by this download",
                                           "Time Updated", "Power Down"}));
        QVERIFY(t.commandsSent() == "IASO" && fileBytes(t.fileIn("VX.txt")) == "10,x\r\n");
        const QStringList before = t.lines();
        t.press("clearDataButton"); // answered No: nothing sent, no line
        QVERIFY(t.lines() == before && t.commandsSent() == "IASO");
    }

    // Nothing after the last record until the lines are on the disk: the
    // terminal keeps its data and the window says where the records are
    // (after a failure's box or its line). A retry stores no record twice:
    // not those the failed sync left in the file, not those of a download
    // that the line cut short.
    void aRetryStoresEachRecordOnce()
    {
        const QString held = "; the terminal still holds all its records.";
        TerminalWindow t;
        const QString file = t.fileIn("VX.txt");
        t.click("saveDataBox", "clearDataBox", "powerDownBox");
        t.model.setRecords({"1,a", "2,b"});
        struct FailingSync : FileCalls {
            int fsync(int fd) override
            {
                struct stat st {};
                return ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) ? (errno = EIO, -1) : FileCalls::fsync(fd);
            }
        } failingSync;
        t.w->setFileCalls(failingSync);
        t.press("downloadButton");
        QVERIFY(t.commandsSent() == "I" && t.model.records().size() == 2);
        QCOMPARE(t.world.dialogs.texts(), QStringList{"57 " + shown(file) + ": Input/output error"});
        QVERIFY(t.state("resultLabel") == "Download failed after 2 records: 2 records written to VX.txt, not confirmed on the disk" && t.idle());
        t.w->setFileCalls(systemFileCalls());
        t.port->setDevice(&t.script);
        t.script.then(dataFrame("1,a")).silence();
        t.press("downloadButton");
        t.port->setDevice(&t.device);
        t.press("downloadButton");
        const QStringList expected = QStringList{"1,a", "2,b", "2 records written to " + shown(file) + ", not confirmed on the disk" + held,
                                                 "1,a", "ErrCode: -1, VX_ERR_TIMEOUT", "1 record received, 1 already in " + shown(file) + held, "1,a", "2,b"}
            + kFinished + QStringList{"Data Cleared", "Power Down"};
        QCOMPARE(t.lines(), expected);
        QCOMPARE(fileBytes(file), QByteArray("1,a\r\n2,b\r\n"));
        QVERIFY(t.model.records().isEmpty());
        // The history, newest first, and how long it is kept; sorted, narrowed
        // to another station's download of yesterday (its port and file
        // hostile to a spreadsheet), exported, its folder opened.
        const QString other = t.fileIn("sub/\"q\",x.txt"), csv = t.fileIn("shown.csv");
        Ledger ledger;
        QVERIFY(QDir().mkpath(t.fileIn("sub")) && ledger.open() && ledger.begin());
        const qint64 id = ledger.addDownload({QDateTime({2024, 5, 31}, {8, 0}), "vx500ctl", "=2+5", "/dev/x", 7}).value_or(0);
        QVERIFY(ledger.startAppend({id, ledger.fileId({other, 1, 7}).value_or(0), 0, 10, 10, 0}) && ledger.appendDone(id, false));
        QVERIFY(ledger.finish(id, false, true, Ending::Complete, "cleared", false) && ledger.commit());
        t.world.dialogs.saveResults = {csv, t.fileIn("none/x.csv")};
        QStringList results;
        whenModal<HistoryDialog>([&](HistoryDialog *d) {
            auto *table = child<QTableView>(d, "historyTable");
            auto column = [table](int c, const QString &between = " ") {
                QStringList cells;
                for (int row = 0; row < table->model()->rowCount(); ++row)
                    cells << table->model()->index(row, c).data().toString();
                return cells.join(between);
            };
            results << column(6, " | ");
            const auto *chart = child<HistoryChart>(d, "historyChart");
            results << QStringLiteral("today: %1 added, %2 failed").arg(chart->recordsOn(0).value(0)).arg(chart->endedOn(0, HistoryChart::Mark::Failed));
            table->sortByColumn(3, Qt::AscendingOrder);
            results << column(3);
            auto *machines = child<QComboBox>(d, "machineBox");
            machines->setCurrentIndex(machines->findData(7));
            results << child<QLabel>(d, "shownLabel")->text() + QStringLiteral(", yesterday %1 added, today %2 failed").arg(chart->recordsOn(1).value(7)).arg(chart->endedOn(0, HistoryChart::Mark::Failed));
            child<QPushButton>(d, "exportButton")->click();
            child<QPushButton>(d, "exportButton")->click(); // into a folder that is not there
            table->selectRow(0);
            child<QPushButton>(d, "openFolderButton")->click();
            QDir(t.fileIn("sub")).removeRecursively();
            child<QPushButton>(d, "openFolderButton")->click();
            child<QComboBox>(d, "periodBox")->setCurrentIndex(1); // today
            results << child<QLabel>(d, "shownLabel")->text();
            machines->setCurrentIndex(0);
            results << child<QLabel>(d, "shownLabel")->text();
            child<QSpinBox>(d, "historyDaysBox")->setValue(30);
            d->reject();
        });
        t.click("historyButton");
        QCOMPARE(results, QStringList({"cleared | failed: ErrCode: -1, VX_ERR_TIMEOUT; the terminal keeps its records | failed: "
                                           + shown(file) + ": Input/output error; continued by download 3 | cleared",
                                       "today: 2 added, 2 failed", "1 2 2 10", "Downloads shown: 1 of 4, yesterday 10 added, today 0 failed",
                                       "Downloads shown: 0 of 4", "Downloads shown: 3 of 4"}));
        QCOMPARE(fileBytes(csv), "\xEF\xBB\xBFTime,Port,Mach#,Received,Added,File,Result\r\n2024-05-31 08:00:00,'=2+5,7,10,10,\""
                                     + shown(t.fileIn("sub/\"\"q\"\",x.txt")).toUtf8() + "\",cleared\r\n");
        QCOMPARE(t.world.dialogs.openedFolders, QStringList{t.fileIn("sub")});
        const QStringList boxes = t.world.dialogs.texts().mid(1); // the path and the system's words for what is wrong
        QVERIFY2(boxes.size() == 2 && boxes[0].contains(" " + shown(t.fileIn("none/x.csv")) + ": ") && boxes[0].endsWith("; no file was written"), qPrintable(boxes.join('\n')));
        QCOMPARE(boxes[1], "76 " + shown(t.fileIn("sub")) + ": the folder is no longer there");
        QCOMPARE(t.world.stored("Ledger/HistoryDays"), QStringLiteral("30"));
        QVERIFY(writeFileBytes(t.world.home.filePath("state/vx500/ledger.sqlite"), QByteArray(4096, 'x')));
        t.click("historyButton"); // a ledger that is none: its box, no dialog
        QVERIFY2(t.world.dialogs.texts().size() == 4 && t.world.dialogs.texts().last().contains("file is not a database"), qPrintable(t.world.dialogs.texts().last()));
    }

    // The data folder the defaults name: the program's folder when it is the
    // user's (root's only inside its home folder), else Documents, created
    // when missing, else the home folder.
    void theDefaultDataFolder()
    {
        QTemporaryDir home, outside;
        const QString program = home.filePath("vx500"), documents = home.filePath("Documents");
        QVERIFY(QDir().mkpath(program) && writeFileBytes(home.filePath("file"), ""));
        // the program's folder, its owner, the user, Documents, the folder named
        const QList<std::tuple<QString, uint, uint, QString, QString>> rows{
            {outside.path(), 1000, 1000, documents, outside.path()}, {outside.path(), 0, 1000, documents, documents},
            {outside.path(), 0, 0, documents, documents},            {program, 0, 0, documents, program},
            {outside.path(), 0, 1000, home.filePath("file/Documents"), home.path()}};
        for (const auto &[folder, owner, user, docs, named] : rows) {
            QDir(documents).removeRecursively();
            QCOMPARE(defaultDataFolder(folder, owner, user, home.path(), docs), named);
            QCOMPARE(QFileInfo(documents).isDir(), named == documents);
        }
    }

    // While a download runs the command buttons are greyed and say why, the
    // status bar counts the records so far and the time (no total: no count
    // is asked first), and Stop ends it at the next record: nothing cleared,
    // what arrived saved, the terminal keeps all.
    void busyProgressAndStop()
    {
        TerminalWindow t;
        t.click("saveDataBox", "clearDataBox");
        t.model.setRecords(numbered(500));
        QString tip, progress;
        t.port->runAt(2000, [&] {
            tip = t.get<QAbstractButton>("recordCountButton")->isEnabled() ? "on" : t.get<QAbstractButton>("recordCountButton")->toolTip();
            progress = t.state("resultLabel");
            t.click("stopButton");
        });
        t.press("downloadButton");
        QCOMPARE(tip, QStringLiteral("Busy: a command is running"));
        QVERIFY2(progress.contains(QRegularExpression("^Downloading: \\d+ records, 0:01$")), qPrintable(progress));
        const int saved = int(fileBytes(t.fileIn("VX.txt")).count("\r\n"));
        QCOMPARE(t.lines().mid(t.lines().size() - 2),
                 QStringList({"Download Stopped", QStringLiteral("%1 records received and saved in %2; the terminal still holds all its records.")
                                                      .arg(saved)
                                                      .arg(shown(t.fileIn("VX.txt")))}));
        QVERIFY(saved > 10 && t.model.records().size() == 500 && t.commandsSent() == "I");
        QVERIFY(t.get<QAbstractButton>("recordCountButton")->isEnabled() && !t.get<QWidget>("stopButton")->isVisible() && t.idle());
    }

    // The program ends at once with the records so far, in the middle of the
    // records (at 2000 ms) or of the automation, and sends nothing more. Stop
    // pressed during the clear ('d') sends no step after it, and says so.
    void closingTheWindowInTheMiddle()
    {
        for (const auto &[records, closeOn, sent] : {std::tuple{500, '\0', "I"}, {2, 'D', "IAD"}, {2, 'd', "IAD"}}) {
            TerminalWindow t;
            t.click("saveDataBox", "clearDataBox", "updateTimeBox", "powerDownBox");
            t.model.setRecords(numbered(records));
            const bool stop = closeOn == 'd';
            ActOnCommand closer(t.device, stop ? 'D' : closeOn, [&t, stop] { stop ? t.click("stopButton") : void(t.w->close()); });
            t.port->setDevice(&closer);
            if (!closeOn)
                t.port->runAt(2000, [&t] { t.w->close(); });
            t.press("downloadButton");
            t.settle();
            QVERIFY(t.endCalls == !stop && t.port->now() < 3000 && t.commandsSent() == sent && t.idle());
            QVERIFY(!stop || t.lines().mid(t.lines().size() - 2) == QStringList({"Time Not Updated: stopped before it was sent",
                                                                                 "Not Powered Down: stopped before it was sent"}));
            const int written = int(fileBytes(t.fileIn("VX.txt")).count("\r\n"));
            QVERIFY(written > (closeOn ? 1 : 10) && written < 500);
            QCOMPARE(t.lines().filter(QRegularExpression("^\\d+,")).size(), written);
            const QString saved = QStringLiteral("%1 records received and saved in VX.txt").arg(written);
            QVERIFY2(t.state("resultLabel").startsWith(closeOn ? saved + " (" : QStringLiteral("Download stopped after %1 records: ").arg(written) + saved),
                     qPrintable(t.state("resultLabel")));
        }
    }
};

QTEST_MAIN(TerminalTest)
#include "tst_Terminal.moc"
