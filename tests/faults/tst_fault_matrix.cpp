// The faults of a real line and a real disk, each met by vx500ctl and by the
// monitor window over a pseudo-terminal, with vx500-sim at the far end. For
// every fault: the data file holds what it held before, then each record
// acknowledged exactly once and in order, never half a line; the terminal
// is told to clear its data only after a complete download; the failure is
// reported once. Where a row retries, a second download from the terminal
// (no longer faulty) leaves every record in the file exactly once, cleared.
#include "AppTest.h"
#include "Processes.h"
#include "QtSerialPortAdapter.h"
#include "TestFiles.h"

#include <future>
#include <sys/stat.h>
#include <unistd.h>

using namespace vx;
using namespace vx::test;

namespace {

constexpr int kRecords = 12;

enum Output {
    File,
    FileWithoutLineEnd,
    StandardOutputWithoutLineEnd, // the tool's records go to standard output, appended to the file
    FullDevice,
    NullDevice,
    Fifo,
    MissingFolder,
    ForeignLink,      // VX.txt is another user's link to another file
};
enum Retry { Once, Again, EmptiedThenAgain };

// Record i as the terminal holds it (first field in hexadecimal, a byte
// above 127) and as the data file must hold it.
QByteArray held(int i) { return QByteArray::number(i * 0x0A0B, 16).toUpper() + ",490" + QByteArray::number(i) + ",caf\xe9"; }
QByteArray stored(int i) { return QByteArray::number(i * 0x0A0B) + ",490" + QByteArray::number(i) + ",caf\xe9\r\n"; }

// One row's files: the records the terminal holds and the data file, which
// holds `before` ahead of the download.
struct Files {
    QTemporaryDir dir;
    QString records = dir.filePath("records.txt"), data = dir.filePath("VX.txt"), secret = dir.filePath("secret");
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
    }
    // The file after a download that stored the first `kept` records.
    QByteArray expected(int kept) const
    {
        QByteArray out = before.isEmpty() || kept == 0 ? before : before + "\r\n";
        for (int i = 1; i <= kept; ++i)
            out += stored(i);
        return out;
    }
};

// The clear command as the simulator's log shows it arriving.
const QString kClearSent = QStringLiteral("05 30 30 44");

} // namespace

class FaultMatrix : public QObject
{
    Q_OBJECT

    void table()
    {
        QTest::addColumn<QStringList>("fault");
        QTest::addColumn<int>("output");
        QTest::addColumn<int>("kept");       // records in the file afterwards; -1: not a file to read
        QTest::addColumn<int>("toolExit");
        // The window's last lines (FILE: the data file), after "box: " and words of its one box if it shows one.
        QTest::addColumn<QString>("windowLast");
        QTest::addColumn<bool>("cleared"); // the clear command was sent
        QTest::addColumn<int>("retry");
        if (::geteuid() != 0)
            qWarning("not root: the row with another user's link is left out");

        const QString held = "; the terminal still holds all its records.", none = "\nNo records saved" + held;
        const QString bcc = "ErrCode: -4, VX_ERR_INVALID_BCC", four = "\n4 records saved in FILE" + held;
        QTest::newRow("wrong check byte at record 5") << QStringList{"--bad-bcc", "5"} << int(File) << 4 << 1 << bcc + four << false << int(Once);
        QTest::newRow("EOT inside record 5") << QStringList{"--eot-in-record", "5"} << int(File) << 4 << 1 << bcc + four << false << int(Once);
        QTest::newRow("line noise, every byte value") << QStringList{"--noise"} << int(File) << 0 << 1 << bcc + none << false << int(Once);
        QTest::newRow("silence from record 5")
            << QStringList{"--silent-from", "5"} << int(File) << 4 << 1 << "ErrCode: -1, VX_ERR_TIMEOUT" + four << false << int(Once);
        QTest::newRow("EOT in place of every answer")
            << QStringList{"--eot-reply"} << int(File) << 0 << 1
            << "Data Not Cleared: the record count failed (ErrCode: 1, VX_ERR_UNKNOWN)" << false << int(Once);
        QTest::newRow("far end closes after record 5")
            << QStringList{"--hangup-after", "5"} << int(File) << 5 << 3
            << "ErrCode: -2, VX_ERR_PORT_NOT_OPEN\n5 records saved in FILE" + held << false << int(Once);
        // The terminal refuses the clear: the records stay where they are.
        QTest::newRow("NAK in place of every ACK")
            << QStringList{"--nak"} << int(File) << kRecords << 1 << "Data Cleared" << true << int(Once);
        QTest::newRow("file without a final line end")
            << QStringList{} << int(FileWithoutLineEnd) << kRecords << 0 << "Data Cleared" << true << int(Once);
        QTest::newRow("data file on a full device") << QStringList{} << int(FullDevice) << -1 << 2 << "box: No space left on device" + none << false << int(Once);
        QTest::newRow("data file on a device that keeps nothing") << QStringList{} << int(NullDevice) << -1 << 2
            << "Data Not Cleared: the data file is a device or a pipe, not a file on the disk" << false << int(Once);
        QTest::newRow("FIFO without a reader") << QStringList{} << int(Fifo) << -1 << 2 << "box: no program reads from this pipe" << false << int(Once);
        QTest::newRow("data folder missing") << QStringList{} << int(MissingFolder) << -1 << 3 << "box: No such file or directory" << false << int(Once);
        QTest::newRow("silence from record 5, then again")
            << QStringList{"--silent-from", "5"} << int(File) << 4 << 1 << "ErrCode: -1, VX_ERR_TIMEOUT" + four << false << int(Again);
        QTest::newRow("the clear refused, the file emptied, then again")
            << QStringList{"--nak"} << int(File) << kRecords << 1 << "Data Cleared" << true << int(EmptiedThenAgain);
        QTest::newRow("records to standard output appended to a file without a final line end")
            << QStringList{} << int(StandardOutputWithoutLineEnd) << kRecords << 0 << "Data Cleared" << true << int(Once);
        if (::geteuid() == 0)
            QTest::newRow("the data file is another user's link") << QStringList{} << int(ForeignLink) << -1 << 3
                << "box: FILE: a link of another user's; not followed" << false << int(Once);
    }

    // After a row's download: the retry, if the row has one, by `download`.
    // The terminal was not cleared, so it still holds every record.
    void again(const Files &files, int retry, const std::function<void()> &download)
    {
        if (retry == Once)
            return;
        if (retry == EmptiedThenAgain)
            QVERIFY(writeFileBytes(files.data, ""));
        download();
        const QByteArray all = files.expected(kRecords);
        QCOMPARE(fileBytes(files.data), retry == EmptiedThenAgain ? all.mid(files.before.size()) : all);
    }

private slots:
    void tool_data() { table(); }
    void tool()
    {
        QFETCH(QStringList, fault);
        QFETCH(int, output);
        QFETCH(int, kept);
        QFETCH(int, toolExit);
        QFETCH(bool, cleared);
        QFETCH(int, retry);
        const Files files(output);
        const QProcessEnvironment env = withConfigDir(files.dir.filePath("config"));
        const auto download = [&](const QStringList &fault, int status, bool clears) {
            SimProcess sim(QStringList{"--log", "--records", files.records} + fault, env);
            QVERIFY2(sim.started(), qPrintable(sim.errors()));
            const bool toOut = output == StandardOutputWithoutLineEnd;
            const ToolResult r = runTool(QStringList{"--port", sim.device(), "download", "--clear"}
                                             + (toOut ? QStringList() : QStringList{"-o", files.data}),
                                         env, {}, 60'000, toOut ? files.data : QString());
            QVERIFY2(r.status == status && (status == 0 || (r.err.contains("vx500ctl: ") && r.err.count('\n') <= 4)),
                     r.err.constData());
            QCOMPARE(sim.errors().contains(kClearSent), clears);
        };
        download(fault, toolExit, cleared);
        if (kept >= 0)
            QCOMPARE(fileBytes(files.data), files.expected(kept));
        QCOMPARE(fileBytes(files.secret), QByteArray("secret"));
        again(files, retry, [&] { download({}, 0, true); });
    }

    void twoDownloadsIntoOneFile();
    void window_data() { table(); }
    void window()
    {
        QFETCH(QStringList, fault);
        QFETCH(int, output);
        QFETCH(int, kept);
        QFETCH(QString, windowLast);
        QFETCH(bool, cleared);
        QFETCH(int, retry);
        const Files files(output);
        AppWorld world; // the simulator stores its device as the window's COM1
        Password password;
        MainWindow w(std::make_unique<QtSerialPortAdapter>(), world.dialogs, *world.store, password, world.program.path());
        for (const char *box : {"saveDataBox", "clearDataBox"})
            child<QCheckBox>(&w, box)->click();
        child<QLineEdit>(&w, "folderEdit")->setText(QFileInfo(files.data).path());
        child<QLineEdit>(&w, "fixedFileNameEdit")->setText(QFileInfo(files.data).fileName());
        {
            SimProcess sim(QStringList{"--log", "--register", "COM1", "--records", files.records} + fault);
            QVERIFY2(sim.started(), qPrintable(sim.errors()));
            child<QAbstractButton>(&w, "downloadButton")->click();
            const QStringList lines = child<QPlainTextEdit>(&w, "log")->toPlainText().split('\n', Qt::SkipEmptyParts);
            QStringList last = windowLast.replace("FILE", files.data).split('\n');
            const QString box = last.first().startsWith("box: ") ? last.takeFirst().mid(5) : QString();
            QVERIFY2(lines.mid(std::max(0, int(lines.size() - last.size()))) == last
                         && (box.isEmpty() ? world.dialogs.asked.size() <= 1 && !last.isEmpty()
                                           : world.dialogs.asked.size() == 1 && lines == last
                                                 && world.dialogs.asked[0].text.contains(box)),
                     qPrintable(lines.join('\n') + '\n' + world.dialogs.texts().join('\n')));
            if (kept >= 0)
                QCOMPARE(fileBytes(files.data), files.expected(kept));
            QCOMPARE(sim.errors().contains(kClearSent), cleared);
        }
        QCOMPARE(fileBytes(files.secret), QByteArray("secret"));
        again(files, retry, [&] {
            SimProcess sim(QStringList{"--log", "--register", "COM1", "--records", files.records});
            QVERIFY2(sim.started(), qPrintable(sim.errors()));
            child<QAbstractButton>(&w, "downloadButton")->click();
            QVERIFY2(sim.errors().contains(kClearSent), qPrintable(child<QPlainTextEdit>(&w, "log")->toPlainText()));
        });
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
