// The faults of a real line and a real disk, each met by vx500ctl and by the
// monitor window over a pseudo-terminal, with vx500-sim at the far end. For
// every fault: the data file holds what it held before, then each record
// acknowledged exactly once and in order, never half a line; the terminal
// is told to clear its data only after a complete download; the failure is
// reported once. Where a row retries, a second download from the terminal
// (no longer faulty) leaves every record exactly once, cleared.
//
// And for every row, one oracle holds the words to the truth: what the
// window's lines and status bar, the tool's lines and exit status, and the
// history with its JSON say of the steps and the records is compared with
// what the simulated terminal did (its log) and with the file's bytes.
#include "AppTest.h"
#include "Processes.h"
#include "terminal/QtSerialPortAdapter.h"
#include "TestFiles.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <future>
#include <csignal>
#include <sys/stat.h>
#include <unistd.h>

using namespace vx;
using namespace vx::test;

namespace {

constexpr int kRecords = 12;
constexpr int kSome = -2; // `kept`: a stop leaves some records in the file, fewer than all

enum Output {
    File,
    FileWithoutLineEnd,
    StandardOutputWithoutLineEnd, // the tool's records go to standard output, appended to the file
    FullDevice,
    NullDevice,
    Fifo,
    MissingFolder,
    ForeignLink,      // VX.txt is another user's link to another file
    ForeignFile,      // VX.txt is another user's file, 0666, in a sticky folder anybody may write in
};
enum Retry { Once, Again, EmptiedThenAgain, AgainIntoAnotherFile, MovedThenAgain };

// The clear command as the simulator's log shows it arriving.
const QString kClearSent = QStringLiteral("05 30 30 44");
// A record acknowledged by the host, in the simulator's log.
const QString kAckSeen = QStringLiteral("host (19200,n,8,1): 06");

// Not simulator options: what the test itself does to the download.
const QString kHoldPort = QStringLiteral("hold the port"), kStop = QStringLiteral("stop it");

// Record i as the terminal holds it (first field in hexadecimal, a byte
// above 127) and as the data file must hold it.
QByteArray held(int i) { return QByteArray::number(i * 0x0A0B, 16).toUpper() + ",490" + QByteArray::number(i) + ",caf\xe9"; }
QByteArray stored(int i) { return QByteArray::number(i * 0x0A0B) + ",490" + QByteArray::number(i) + ",caf\xe9\r\n"; }

// One row's files: the records the terminal holds and the data file, which
// holds `before` ahead of the download.
struct Files {
    QTemporaryDir dir;
    QString records = dir.filePath("records.txt"), data = dir.filePath("VX.txt"), secret = dir.filePath("secret"),
            other = dir.filePath("B.txt");
    QByteArray before;

    explicit Files(int output = File)
    {
        QByteArray all;
        for (int i = 1; i <= kRecords; ++i)
            all += held(i) + '\n';
        writeFileBytes(records, all);
        if (output == FullDevice || output == NullDevice || output == MissingFolder)
            data = output == FullDevice ? "/dev/full" : output == NullDevice ? "/dev/null" : dir.filePath("missing/VX.txt");
        if (output == FileWithoutLineEnd || output == StandardOutputWithoutLineEnd)
            writeFileBytes(data, before = "old,partial");
        if (output == Fifo)
            ::mkfifo(QFile::encodeName(data).constData(), 0600);
        writeFileBytes(secret, "secret");
        if (output == ForeignLink && QFile::link(secret, data))
            QVERIFY(::lchown(QFile::encodeName(data).constData(), 4242, 4242) == 0);
        if (output == ForeignFile) { // the other user's file is the one that must stay as it was
            QDir(dir.path()).mkdir("shared");
            ::chmod(QFile::encodeName(dir.filePath("shared")).constData(), 01777);
            data = secret = dir.filePath("shared/VX.txt");
            writeFileBytes(secret, "secret");
            QVERIFY(::chown(QFile::encodeName(data).constData(), 4242, 4242) == 0 && ::chmod(QFile::encodeName(data).constData(), 0666) == 0);
        }
    }
    // The file after a download that stored the first `kept` records.
    QByteArray expected(int kept) const
    {
        QByteArray out = before.isEmpty() || kept == 0 ? before : before + "\r\n";
        for (int i = 1; i <= kept; ++i)
            out += stored(i);
        return out;
    }
    // The records a file holds that a download stored (for a row of kSome).
    int keptIn(const QString &file) const { return int(fileBytes(file).count("\r\n")); }
};

// What the simulated terminal did, from its log.
struct TerminalDid {
    bool reached, cleared, clockSet, poweredDown, clearSent;
    explicit TerminalDid(const QString &log)
        : reached(log.contains("host (")), cleared(log.contains("the terminal now holds 0 records")),
          clockSet(log.contains("the terminal's clock is set")), poweredDown(log.contains("the terminal powers down")),
          clearSent(log.contains(kClearSent))
    {
    }
};

// What a program said of one download.
struct Said {
    QStringList lines;   // the window's lines and status bar; the tool's standard error and output
    int exitStatus = 0;  // the tool's; 0 for the window
    bool tool = false;
};

// The newest download in the history the environment's ledger keeps, as
// `vx500ctl history --json` gives it; empty when there is none.
QJsonObject newestDownload(const QProcessEnvironment &env)
{
    const ToolResult r = runTool({"history", "--json"}, env);
    const QList<QByteArray> rows = r.out.split('\n');
    return rows.size() < 2 ? QJsonObject() : QJsonDocument::fromJson(rows[rows.size() - 2]).object();
}

// The oracle. steps: the chosen steps as the tool's options; added: the
// records the data file gained (-1: not a file).
void checkWords(const Said &said, const TerminalDid &did, const QStringList &steps, int added, const QJsonObject &history)
{
    const QString text = said.lines.join('\n');
    const auto fail = [&](const char *what) { return QString("%1\n--- said:\n%2").arg(what, text).toLocal8Bit(); };
    // Each step's own words exactly when the terminal did it; a step chosen
    // and not done is said not done.
    const struct {
        const char *option, *done, *notDone;
        bool did;
    } words[] = {{"--clear", "Data Cleared", said.tool ? "not cleared" : "Data Not Cleared", did.cleared},
                 {"--update-time", "Time Updated", said.tool ? "clock not set" : "Time Not Updated", did.clockSet},
                 {"--power-down", "Power Down", said.tool ? "not powered down" : "Not Powered Down", did.poweredDown}};
    for (const auto &w : words) {
        QVERIFY2(said.lines.contains(w.done) == w.did, fail(w.done).constData());
        if (steps.contains(w.option) && !w.did && said.lines.contains("Download Process Finished"))
            QVERIFY2(text.contains(w.notDone), fail(w.notDone).constData());
    }
    // The tool succeeds only when every chosen step was done.
    if (said.tool && said.exitStatus == 0)
        QVERIFY2(did.reached && (!steps.contains("--clear") || did.cleared) && (!steps.contains("--update-time") || did.clockSet)
                     && (!steps.contains("--power-down") || did.poweredDown),
                 fail("exit status 0").constData());
    // Every count of records saved in a file is the count the file gained.
    static const QRegularExpression savedIn("(\\d+) (?:records? received and )?saved in ");
    for (auto m = savedIn.globalMatch(text); m.hasNext();) {
        const int n = m.next().captured(1).toInt();
        QVERIFY2(added < 0 || n == added, fail("records saved").constData());
    }
    if (text.contains("No records saved") || text.contains("no records received"))
        QVERIFY2(added <= 0, fail("no records saved").constData());
    // The history: not started when nothing reached the terminal; else how
    // the terminal ended and what the file gained.
    if (history.isEmpty())
        return;
    if (!did.reached) {
        QVERIFY2(history["result"] == "not started" && history["outcome"].toString().startsWith("not started: ")
                     && !history["outcome"].toString().contains("ErrCode"),
                 fail("history: not started").constData());
        return;
    }
    QVERIFY2(history["cleared"].toBool() == did.cleared, fail("history: cleared").constData());
    QVERIFY2(history["outcome"].toString().startsWith("cleared") == did.cleared, fail("history: outcome").constData());
    if (added >= 0)
        QVERIFY2(history["added"].toInt() == added, fail("history: added").constData());
    int accounted = history["added"].toInt();
    for (const QJsonValue &e : history["earlier"].toArray())
        accounted += e["records"].toInt();
    QVERIFY2(history["result"] != "complete" || accounted == history["records"].toInt(), fail("history: records").constData());
}

} // namespace

class FaultMatrix : public QObject
{
    Q_OBJECT

    void table()
    {
        QTest::addColumn<QStringList>("fault");
        QTest::addColumn<int>("output");
        QTest::addColumn<QStringList>("steps");  // the tool's options; the window's boxes
        QTest::addColumn<int>("kept");           // records in the file afterwards; -1: not a file to read
        QTest::addColumn<int>("toolExit");
        // The window's last lines (FILE: the data file; KEPT: the records a
        // stop left in it), after "box: " and words of its one box if it shows one.
        QTest::addColumn<QString>("windowLast");
        QTest::addColumn<int>("retry");
        if (::geteuid() != 0)
            qWarning("not root: the rows with another user's link and file are left out");

        const QStringList clear{"--clear"}, all{"--clear", "--update-time", "--power-down"};
        const QString held = "; the terminal still holds all its records.", none = "\nNo records saved" + held;
        const QString bcc = "ErrCode: -4, VX_ERR_INVALID_BCC", four = "\n4 records received and saved in FILE" + held;
        const QString ack = "ErrCode: -3, VX_ERR_ACK_NOT_GET";
        QTest::newRow("wrong check byte at record 5") << QStringList{"--bad-bcc", "5"} << int(File) << clear << 4 << 1 << bcc + four << int(Once);
        QTest::newRow("EOT inside record 5") << QStringList{"--eot-in-record", "5"} << int(File) << clear << 4 << 1 << bcc + four << int(Once);
        QTest::newRow("line noise, every byte value") << QStringList{"--noise"} << int(File) << clear << 0 << 1 << bcc + none << int(Once);
        QTest::newRow("silence from record 5")
            << QStringList{"--silent-from", "5"} << int(File) << clear << 4 << 1 << "ErrCode: -1, VX_ERR_TIMEOUT" + four << int(Once);
        QTest::newRow("EOT in place of every answer")
            << QStringList{"--eot-reply"} << int(File) << clear << 0 << 1
            << "Data Not Cleared: the record count failed (ErrCode: 1, VX_ERR_UNKNOWN)" << int(Once);
        QTest::newRow("far end closes after record 5")
            << QStringList{"--hangup-after", "5"} << int(File) << clear << 5 << 3
            << "ErrCode: -2, VX_ERR_PORT_NOT_OPEN\n5 records received and saved in FILE" + held << int(Once);
        // The terminal refuses steps: the records stay where they are, and each line says so.
        QTest::newRow("NAK in place of every ACK") << QStringList{"--nak"} << int(File) << all << kRecords << 1
            << "Data Not Cleared: " + ack + "\nTime Not Updated: " + ack + "\nNot Powered Down: " + ack << int(Once);
        QTest::newRow("the clear refused") << QStringList{"--refuse", "D"} << int(File) << QStringList{"--clear", "--update-time"}
            << kRecords << 1 << "Data Not Cleared: " + ack + "\nTime Updated" << int(Once);
        QTest::newRow("the clock set refused") << QStringList{"--refuse", "S"} << int(File) << all << kRecords << 1
            << "Data Cleared\nTime Not Updated: " + ack + "\nPower Down" << int(Once);
        QTest::newRow("the power-down refused") << QStringList{"--refuse", "O"} << int(File) << all << kRecords << 1
            << "Data Cleared\nTime Updated\nNot Powered Down: " + ack << int(Once);
        QTest::newRow("file without a final line end")
            << QStringList{} << int(FileWithoutLineEnd) << clear << kRecords << 0 << "Data Cleared" << int(Once);
        QTest::newRow("data file on a full device") << QStringList{} << int(FullDevice) << clear << -1 << 2 << "box: No space left on device" + none << int(Once);
        QTest::newRow("data file on a device that keeps nothing") << QStringList{} << int(NullDevice) << clear << -1 << 2
            << "Data Not Cleared: the data file is a device or a pipe, not a file on the disk" << int(Once);
        QTest::newRow("FIFO without a reader") << QStringList{} << int(Fifo) << clear << -1 << 2 << "box: no program reads from this pipe" << int(Once);
        QTest::newRow("data folder missing") << QStringList{} << int(MissingFolder) << clear << -1 << 3 << "box: No such file or directory" << int(Once);
        QTest::newRow("the port held by another program") << QStringList{kHoldPort} << int(File) << clear << 0 << 3
            << "box: in use by another program" << int(Once);
        QTest::newRow("stopped in the middle") << QStringList{kStop, "--pace"} << int(File) << all << kSome << 130
            << "Download Stopped\nKEPT records received and saved in FILE" + held << int(Once);
        QTest::newRow("silence from record 5 (no clear chosen), then again")
            << QStringList{"--silent-from", "5"} << int(File) << QStringList{} << 4 << 1 << "ErrCode: -1, VX_ERR_TIMEOUT" + four << int(Again);
        QTest::newRow("silence from record 5, then into another file")
            << QStringList{"--silent-from", "5"} << int(File) << clear << 4 << 1 << "ErrCode: -1, VX_ERR_TIMEOUT" + four
            << int(AgainIntoAnotherFile);
        QTest::newRow("the clear refused, the file emptied, then again")
            << QStringList{"--nak"} << int(File) << clear << kRecords << 1 << "Data Not Cleared: " + ack << int(EmptiedThenAgain);
        QTest::newRow("the clear refused, the file moved and linked to, then again")
            << QStringList{"--refuse", "D"} << int(File) << clear << kRecords << 1 << "Data Not Cleared: " + ack << int(MovedThenAgain);
        QTest::newRow("records to standard output appended to a file without a final line end")
            << QStringList{} << int(StandardOutputWithoutLineEnd) << clear << kRecords << 0 << "Data Cleared" << int(Once);
        if (::geteuid() == 0) {
            QTest::newRow("the data file is another user's link") << QStringList{} << int(ForeignLink) << clear << -1 << 3
                << "box: FILE: a link of another user's; not followed" << int(Once);
            QTest::newRow("the data file is another user's, in a shared folder") << QStringList{} << int(ForeignFile) << clear << -1 << 3
                << "box: FILE: another user's file in a folder that others may write in; not written to" << int(Once);
        }
    }

    // The file after a row's download: `kept` records stored (kSome: at
    // least one and fewer than all); what it gained.
    static int checkKept(const Files &files, int kept)
    {
        if (kept == -1)
            return -1;
        const int n = kept == kSome ? files.keptIn(files.data) : kept;
        [&] {
            QVERIFY2(kept != kSome || (n >= 1 && n < kRecords), qPrintable(QString::number(n)));
            QCOMPARE(fileBytes(files.data), files.expected(n));
        }();
        return n;
    }

    // After a row's download: the retry, if the row has one, by `download`
    // into the file it names. The terminal was not cleared, so it still
    // holds every record; the retry is held to the oracle too.
    void again(const Files &files, int retry, int kept, const std::function<Said(const QString &file)> &download,
               const QProcessEnvironment &env)
    {
        if (retry == Once)
            return;
        if (retry == EmptiedThenAgain)
            QVERIFY(writeFileBytes(files.data, ""));
        if (retry == MovedThenAgain) // the same file by another name: the user's own link to it
            QVERIFY(QFile::rename(files.data, files.dir.filePath("real.txt")) && QFile::link("real.txt", files.data));
        const QString into = retry == AgainIntoAnotherFile ? files.other : files.data;
        const int before = files.keptIn(into);
        SimProcess sim(QStringList{"--log", "--register", "COM1", "--records", files.records}, env);
        QVERIFY2(sim.started(), qPrintable(sim.errors()));
        const Said said = download(into);
        const QByteArray all = files.expected(kRecords);
        if (retry == AgainIntoAnotherFile) { // the rest into B; A named for the records it holds
            QCOMPARE(fileBytes(files.data), files.expected(kept));
            QCOMPARE(fileBytes(files.other), all.mid(files.expected(kept).size()));
            QVERIFY2(said.lines.join('\n').contains(QString("%1 records received, %2 saved in %3, %4 already in %5")
                                                        .arg(kRecords).arg(kRecords - kept).arg(files.other).arg(kept).arg(files.data)),
                     qPrintable(said.lines.join('\n')));
        } else {
            QCOMPARE(fileBytes(files.data), retry == EmptiedThenAgain ? all.mid(files.before.size()) : all);
        }
        const QJsonObject history = newestDownload(env);
        checkWords(said, TerminalDid(sim.errors()), {"--clear"}, files.keptIn(into) - before, history);
        QVERIFY(TerminalDid(sim.errors()).cleared);
    }

private slots:
    void tool_data() { table(); }
    void tool()
    {
        QFETCH(QStringList, fault);
        QFETCH(int, output);
        QFETCH(QStringList, steps);
        QFETCH(int, kept);
        QFETCH(int, toolExit);
        QFETCH(int, retry);
        const Files files(output);
        const QProcessEnvironment env = withConfigDir(files.dir.filePath("config"));
        const bool toOut = output == StandardOutputWithoutLineEnd;
        const auto download = [&](SimProcess &sim, const QString &file, bool stop, ToolResult &r) {
            const QStringList args = QStringList{"--port", sim.device(), "download"} + steps
                                   + (toOut ? QStringList() : QStringList{"-o", file});
            if (!stop) {
                r = runTool(args, env, {}, 60'000, toOut ? file : QString());
                return;
            }
            // Ctrl+C once the third record is acknowledged.
            QProcess p;
            p.setProcessEnvironment(env);
            p.start(toolProgram(), args);
            QTRY_VERIFY_WITH_TIMEOUT(sim.errors().count(kAckSeen) >= 3, 10'000);
            ::kill(pid_t(p.processId()), SIGINT);
            QVERIFY(p.waitForFinished(10'000));
            r = {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, p.readAllStandardOutput(), p.readAllStandardError()};
        };
        std::optional<QtSerialPortAdapter> holder;
        ToolResult r;
        QString log;
        {
            SimProcess sim(QStringList{"--log", "--records", files.records} + fault.filter(QRegularExpression("^[^ ]*$")), env);
            QVERIFY2(sim.started(), qPrintable(sim.errors()));
            if (fault.contains(kHoldPort)) {
                holder.emplace();
                holder->setPortName(sim.device());
                QVERIFY(holder->open());
            }
            download(sim, files.data, fault.contains(kStop), r);
            log = sim.errors();
        }
        holder.reset();
        const Said said{QString::fromUtf8(r.err + r.out).split('\n', Qt::SkipEmptyParts), r.status, true};
        QVERIFY2(said.exitStatus == toolExit && (toolExit == 0 || (said.lines.join('\n').contains("vx500ctl: ") && said.lines.size() <= 5)),
                 qPrintable(said.lines.join('\n')));
        const int added = checkKept(files, kept);
        const TerminalDid did(log);
        QVERIFY(!did.clearSent || kept == kRecords); // a clear only after a complete download
        checkWords(said, did, steps, added, newestDownload(env));
        QCOMPARE(fileBytes(files.secret), QByteArray("secret"));
        again(files, retry, kept, [&](const QString &file) {
            const ToolResult r = runTool({"--port", "COM1", "download", "--clear", "-o", file}, env);
            return Said{QString::fromUtf8(r.err + r.out).split('\n', Qt::SkipEmptyParts), r.status, true};
        }, env);
    }

    void twoDownloadsIntoOneFile();
    void window_data() { table(); }
    void window()
    {
        QFETCH(QStringList, fault);
        QFETCH(int, output);
        QFETCH(QStringList, steps);
        QFETCH(int, kept);
        QFETCH(QString, windowLast);
        QFETCH(int, retry);
        const Files files(output);
        AppWorld world; // the simulator stores its device as the window's COM1
        Password password;
        MainWindow w(std::make_unique<QtSerialPortAdapter>(), world.dialogs, *world.store, password, world.program.path());
        child<QCheckBox>(&w, "saveDataBox")->click();
        for (const auto &[option, box] : {std::pair{"--clear", "clearDataBox"}, {"--update-time", "updateTimeBox"}, {"--power-down", "powerDownBox"}})
            if (steps.contains(option))
                child<QCheckBox>(&w, box)->click();
        child<QLineEdit>(&w, "folderEdit")->setText(QFileInfo(files.data).path());
        child<QLineEdit>(&w, "fixedFileNameEdit")->setText(QFileInfo(files.data).fileName());
        const auto said = [&] {
            return Said{child<QPlainTextEdit>(&w, "log")->toPlainText().split('\n', Qt::SkipEmptyParts)
                            + QStringList{child<QLabel>(&w, "resultLabel")->text(), child<QLabel>(&w, "resultLabel")->toolTip()}};
        };
        std::optional<QtSerialPortAdapter> holder;
        QString log;
        {
            SimProcess sim(QStringList{"--log", "--register", "COM1", "--records", files.records}
                           + fault.filter(QRegularExpression("^[^ ]*$")));
            QVERIFY2(sim.started(), qPrintable(sim.errors()));
            if (fault.contains(kHoldPort)) {
                holder.emplace();
                holder->setPortName(sim.device());
                QVERIFY(holder->open());
            }
            QTimer stopper; // Stop once the third record is acknowledged
            QObject::connect(&stopper, &QTimer::timeout, &w, [&] {
                if (sim.errors().count(kAckSeen) >= 3)
                    child<QAbstractButton>(&w, "stopButton")->click(), stopper.stop();
            });
            if (fault.contains(kStop))
                stopper.start(5);
            child<QAbstractButton>(&w, "downloadButton")->click();
            log = sim.errors();
        }
        holder.reset();
        const int added = checkKept(files, kept);
        const QStringList lines = child<QPlainTextEdit>(&w, "log")->toPlainText().split('\n', Qt::SkipEmptyParts);
        QStringList last = windowLast.replace("FILE", files.data).replace("KEPT", QString::number(added)).split('\n');
        const QString box = last.first().startsWith("box: ") ? last.takeFirst().mid(5) : QString();
        QVERIFY2(lines.mid(std::max(0, int(lines.size() - last.size()))) == last
                     && (box.isEmpty() ? world.dialogs.asked.size() <= 1 && !last.isEmpty()
                                       : world.dialogs.asked.size() == 1 && lines == last
                                             && world.dialogs.asked[0].text.contains(box)),
                 qPrintable(lines.join('\n') + '\n' + world.dialogs.texts().join('\n')));
        const TerminalDid did(log);
        QVERIFY(!did.clearSent || kept == kRecords);
        checkWords(said(), did, steps, added, newestDownload(QProcessEnvironment::systemEnvironment()));
        QCOMPARE(fileBytes(files.secret), QByteArray("secret"));
        again(files, retry, kept, [&](const QString &file) {
            child<QAbstractButton>(&w, "clearLogButton")->click(); // the retry's words alone
            child<QLineEdit>(&w, "fixedFileNameEdit")->setText(QFileInfo(file).fileName());
            child<QCheckBox>(&w, "clearDataBox")->setChecked(true); // the retry clears, as the tool's
            child<QCheckBox>(&w, "updateTimeBox")->setChecked(false);
            child<QCheckBox>(&w, "powerDownBox")->setChecked(false);
            child<QAbstractButton>(&w, "downloadButton")->click();
            return said();
        }, QProcessEnvironment::systemEnvironment());
    }
};

// Two downloads into one file at once, from two stations: the second is
// refused while the first holds the file, names it, and clears nothing; run
// again it adds its own records. Every record is in the file exactly once.
void FaultMatrix::twoDownloadsIntoOneFile()
{
    const Files files;
    const QProcessEnvironment env = withConfigDir(files.dir.filePath("config"));
    SimProcess first(QStringList{"--log", "--pace", "--records", files.records}, env);
    SimProcess second(QStringList{"--log", "--generate", "3"}, env);
    QVERIFY(first.started() && second.started());
    const QStringList download{"download", "-o", files.data, "--clear", "--port"};
    auto running = std::async(std::launch::async, [&] { return runTool(download + QStringList{first.device()}, env); });
    QVERIFY(first.waitForErrors("05 30 30 49")); // the first has the file and asks for the records
    const ToolResult refused = runTool(download + QStringList{second.device()}, env);
    QCOMPARE(refused.status, 3);
    QVERIFY2(refused.err.contains(QFile::encodeName(files.data) + ": in use by another program (vx500ctl, pid "), refused.err.constData());
    QCOMPARE(running.get().status, 0);
    QCOMPARE(runTool(download + QStringList{second.device()}, env).status, 0);
    const QByteArray stored = fileBytes(files.data);
    QVERIFY(stored.startsWith(files.expected(kRecords)) && stored.count("\r\n") == kRecords + 3);
    QVERIFY(first.errors().contains(kClearSent) && second.errors().count(kClearSent) == 1);
}

QTEST_MAIN(FaultMatrix)
#include "tst_fault_matrix.moc"
