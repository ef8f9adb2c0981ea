// Unattended stations in virtual time: scan, the watch loop, and a data file
// that takes every download once whatever step a kill interrupts.
#include "CtlFixture.h"
#include "Watch.h"

using namespace vx::test;

namespace {

// Records from..to as the terminal holds them, and as the data file stores them.
QStringList records(int from, int to)
{
    QStringList list;
    for (int i = from; i <= to; ++i)
        list << QStringLiteral("%1,r").arg(i, 4, 16, QLatin1Char('0'));
    return list;
}
QByteArray stored(int from, int to)
{
    QByteArray lines;
    for (int i = from; i <= to; ++i)
        lines += QByteArray::number(i) + ",r\r\n";
    return lines;
}

} // namespace

// The terminals on the line, each hearing every byte; none while the station is empty.
struct Line : FakeDevice {
    void received(const QByteArray &bytes, FakePort &port) override
    {
        for (FakeDevice *terminal : terminals)
            terminal->received(bytes, port);
    }
    QList<FakeDevice *> terminals;
};

struct VirtualClock : vx::ctl::WatchClock {
    explicit VirtualClock(FakePort &port) : port(port) {}
    QDateTime now() override { return ModelDevice::kEpoch.addMSecs(port.now() + offset); }
    bool sleep(qint64 msecs) override { return port.advance(msecs), !stop; }
    bool stopRequested() override { return stop; }
    FakePort &port;
    bool stop = false;
    qint64 offset = 0;
};

// A station with the fixture's terminal docked, watched by the tool in virtual time.
struct WatchTest : CtlTest {
    WatchTest() { station.terminals = {&device}, port.setDevice(&station); }
    // vx500ctl --port COM1 watch ARGS until the clock is stopped (SIGTERM) at
    // stopAt; what it printed on standard output (err takes standard error).
    QString watchUntil(qint64 stopAt, const QStringList &args)
    {
        port.runAt(stopAt, [this] { clock.stop = true; });
        out.open(QIODevice::WriteOnly), err.open(QIODevice::WriteOnly);
        io.out = &out, io.err = &err;
        const vx::ctl::Parsed parsed = vx::ctl::parseArguments(QStringList{"vx500ctl", "--port", "COM1", "watch"} + args);
        vx::ctl::Session session(parsed.invocation, io, [this] { return port.lend(); });
        EXPECT_TRUE(session.connect() && vx::ctl::watch(session, clock) == vx::ctl::Exit::Ok);
        return QString::fromUtf8(out.data());
    }
    Line station;
    VirtualClock clock{port};
    QBuffer out, err;
};

TEST_F(CtlTest, ScanListsTheTerminalsThatAnswer)
{
    vx::sim::TerminalModel other;
    other.setMachineNumber(200);
    other.setVersion("VX500 V1.00");
    ModelDevice second{other};
    Line both;
    both.terminals = {&device, &second};
    port.setDevice(&both);
    model.setRecords(records(1, 3));
    const QByteArray zero = "machine 0: 3 records, version VX500A V2.10\n", last = "machine 200: 0 records, version VX500 V1.00\n";
    expectRun({"scan"}, 0, zero + last, "");
    expectRun({"scan", "--to", "0", "--json"}, 0, R"({"machine":0,"records":3,"version":"VX500A V2.10"})" "\n", "");
    const qint64 start = port.now();
    expectRun({"scan", "--from", "1", "--to", "199"}, 1, "", "vx500ctl: no terminal answered at machine numbers 1 to 199\n");
    EXPECT_LT(port.now() - start, 199 * 200) << "a silent number costs about 150 ms";

    // A terminal at 5 that answers late is found under its own number, when
    // the late answer lands on a later number and when it comes after the
    // last; numbers that answer with broken frames or a count no terminal
    // holds are counted, each in one line that names it.
    struct Late : FakeDevice {
        qint64 late = 250;
        void received(const QByteArray &bytes, FakePort &port) override
        {
            if (bytes == "\x05" "05A")
                port.arriveAfter(late, vx::dataFrame("3"));
            else if (bytes == "\x05" "05V")
                port.arriveAfter(late, vx::dataFrame("VX500 V1.00"));
            else if (bytes == "\x05" "09A")
                port.arriveAfter(5, vx::dataFrame("99999")); // no count a terminal can hold
            else if (bytes == QByteArray(1, vx::ACK))
                port.arriveAfter(5, QByteArray(1, vx::EOT));
            else if (bytes.startsWith("\x05" "0") && bytes.at(2) > '6')
                port.arriveAfter(5, "\x02" "1\x03" "x"); // a wrong check byte
        }
    } late;
    port.setDevice(&late);
    for (const auto &[delay, to] : {std::pair{300, "6"}, {1000, "6"}, {1000, "5"}, {1900, "6"}}) {
        SCOPED_TRACE(delay);
        late.late = delay;
        expectRun({"scan", "--to", to}, 0, "machine 5: 3 records, version VX500 V1.00\n", "");
    }
    late.late = 250;
    const QString broken = "vx500ctl: machine 7: ErrCode: -4, VX_ERR_INVALID_BCC\nvx500ctl: machine 8: ErrCode: -4, VX_ERR_INVALID_BCC\n";
    expectRun({"scan", "--to", "8"}, 0, "machine 5: 3 records, version VX500 V1.00\n", broken);
    expectRun({"scan", "--from", "7", "--to", "9"}, 1, "",
              broken + "vx500ctl: machine 9: Overflow: the record count \"99999\" is out of range\n"
                       "vx500ctl: no terminal answered at machine numbers 7 to 9; 3 numbers answered with data that could not be read\n");
}

TEST_F(WatchTest, WatchDownloadsEachDockingOnce)
{
    const QString file = path("20240601.txt");
    const auto dock = [&](qint64 at, QStringList held) {
        port.runAt(at, [this, held] { model.setRecords(held), station.terminals = {&device}; });
    };
    const auto undock = [&](qint64 at) { port.runAt(at, [this] { station.terminals.clear(); }); };
    model.setRecords(records(1, 3));
    undock(9000);
    dock(13000, records(4, 5));                 // docked again
    port.runAt(20000, [this] { port.pullCable(), port.failOpen({vx::FailureKind::PortMissing, "gone"}); });
    port.runAt(21000, [this] { model.setRecords(records(6, 8)); }); // another terminal docked meanwhile
    undock(30000);
    dock(34000, {});                            // nothing to fetch
    undock(36000);
    const QString ledger = qEnvironmentVariable("XDG_STATE_HOME") + "/vx500";
    port.runAt(37000, [&] { QDir().rename(ledger, ledger + ".away"), writeFileBytes(ledger, ""); });
    dock(38000, records(1, 1));                 // the ledger cannot take them
    port.runAt(44000, [&] { QFile::remove(ledger), QDir().rename(ledger + ".away", ledger), station.terminals.clear(); });
    dock(54000, records(6, 405));
    // SIGTERM mid-download
    const QString printed = watchUntil(57000, {"-o", path("%Y%m%d.txt"), "--clear", "--update-time"});
    const QString to = " records received and saved in " + shown(file) + "; cleared, clock set\n", com1 = kOnWindows ? "COM1" : "COM1 /dev/ttyS0";
    EXPECT_EQ(printed, "2024-06-01 09:00:00 COM1 machine 0: 3" + to
                                                 + "2024-06-01 09:00:14 COM1 machine 0: 2" + to
                                                 + "2024-06-01 09:00:20 " + com1 + " went away; waiting for it\n"
                                                   "2024-06-01 09:00:22 " + com1 + " is back\n"
                                                   "2024-06-01 09:00:22 COM1 machine 0: 3" + to +
                                                   "2024-06-01 09:00:40 COM1 machine 0: 1 record not downloaded: " + shown(file)
                                                 + " cannot take it\n"
                                                   "2024-06-01 09:00:57 COM1 machine 0: stopped: 80 records received and saved in "
                                                 + shown(file) + "; the terminal keeps its records\n");
    EXPECT_EQ(QString::fromUtf8(err.data()), "vx500ctl: gone\nvx500ctl: the download ledger's folder " + shown(ledger)
                                                 + ": not a folder\nvx500ctl: interrupted before the end of the records: 80 records received and saved in " + shown(file)
                                                 + "; the terminal keeps them, and the next download does not store "
                                                   "them again\n");
    EXPECT_EQ(fileBytes(file), stored(1, 8) + stored(6, 85));
    EXPECT_EQ(model.records().size(), 400);
}

// A port that another program holds is busy, not gone: the holder is named.
TEST_F(WatchTest, ABusyPortIsNamedNotGone)
{
    port.failOpen({vx::FailureKind::PortInUse, "/dev/ttyS0: in use by another program (picocom, pid 7)"});
    EXPECT_EQ(watchUntil(3000, {"-o", path("VX.txt")}),
              "2024-06-01 09:00:00 COM1 /dev/ttyS0: in use by another program (picocom, pid 7); waiting for it\n"
              "2024-06-01 09:00:02 COM1" + QString(kOnWindows ? "" : " /dev/ttyS0") + " is back\n");
}

// A clear refused just before midnight: the next docking, after it, goes
// to the next day's file, which gets only the records that came since.
TEST_F(WatchTest, ARetryAfterMidnightStoresNoRecordTwice)
{
    clock.offset = (14 * 3600 + 59 * 60 + 40) * 1000LL; // 23:59:40
    model.setRecords(records(1, 3));
    model.setFaults({.nak = true});
    port.runAt(6000, [this] { station.terminals.clear(); });
    port.runAt(30000, [this] { model.setFaults({}), model.setRecords(records(1, 4)), station.terminals = {&device}; });
    EXPECT_EQ(watchUntil(40000, {"-o", path("%Y%m%d.txt"), "--clear"}),
              "2024-06-01 23:59:40 COM1 machine 0: 3 records received and saved in " + shown(path("20240601.txt")) + "; not cleared\n"
              "2024-06-02 00:00:10 COM1 machine 0: 4 records received, 1 saved in " + shown(path("20240602.txt")) + ", 3 already in "
                  + shown(path("20240601.txt")) + "; cleared\n");
    EXPECT_EQ(fileBytes(path("20240601.txt")) + fileBytes(path("20240602.txt")), stored(1, 4));
    EXPECT_TRUE(model.records().isEmpty());
}

// The side files that earlier versions kept beside FILE are finished once
// and removed; one that is not the user's own regular file, or that FILE
// does not match, stops the run before the port is opened and every file
// stays as it was. "link" plants a link to another file, "fifo" a pipe.
TEST_F(CtlTest, SideFilesOfEarlierVersionsAreTakenOverOnce)
{
    if (kOnWindows)
        GTEST_SKIP() << "no earlier version ran on Windows";
    const QString file = path("VX.txt"), secret = path("secret");
    const QByteArray all = stored(1, 3);
    // the journal, FILE, the part and uncleared files before, FILE after, and
    // the message that stops the run (empty: it goes through and clears)
    const std::tuple<QByteArray, QByteArray, QByteArray, QByteArray, QByteArray, QString> rows[] = {
        {"not a journal\n", "XYZ", "ABC", "", "XYZ", "%1.journal: not a journal of this program"},
        {"5 0 0\n", "XYZ", "ABC", "", "XYZ", "%1.journal: %1 does not continue as this journal notes"},
        {"", "XYZ", "link", "", "XYZ", "%1.part: not a regular file"},
        {"", "XYZ", "", "fifo", "XYZ", "%1.uncleared: not a regular file"},
        // an append cut short: finished, and its records are not stored again
        {"4 1 0\n", "old,\r\n1,r\r", stored(1, 2), "", "old,\r\n" + all, ""},
        {"", "x\r\n" + stored(1, 2), "", stored(1, 2), "x\r\n" + all, ""},
        {"", "", "", stored(1, 2), all, ""},                 // FILE emptied since: stored again
        {"", stored(1, 2), "", stored(1, 2), all, ""},       // FILE holds them from its first byte
        {"", "x\r\n", stored(1, 1), "", "x\r\n" + all, ""}, // a failed download's: the terminal kept them
        {"", "x\r\n" + stored(1, 2), "", "1,r\r\n2", "x\r\n" + all, ""}, // cut short in a line
        {"", "x\r\n" + stored(1, 2), "", "1,r\r\n", "x\r\n" + all, ""},  // or at a line's end
        {"3 0 5\n", "XYZ", stored(1, 1), "", "XYZ\r\n" + all, ""},       // forged to skip what FILE lacks
        {"", "XYZ", "", "huge", "XYZ", "%1.uncleared: larger than any download"}, // one byte over 64 MiB
        {"", "XYZ", "", "64 MiB", "XYZ\r\n" + all, ""}, // the most a download writes: read, found nowhere in FILE
    };
    for (const auto &[journal, before, part, uncleared, after, message] : rows) {
        SCOPED_TRACE((journal + before + part + uncleared).toStdString());
        model.setRecords(records(1, 3));
        ASSERT_TRUE(writeFileBytes(file, before) && writeFileBytes(secret, "secret"));
        for (const auto &[side, bytes] : {std::pair{".journal", journal}, {".part", part}, {".uncleared", uncleared}}) {
            if (bytes == "link")
                QFile::link(secret, file + side);
            else if (bytes == "huge" || bytes == "64 MiB")
                writeFileBytes(file + side, ""), QFile(file + side).resize((64LL << 20) + (bytes == "huge")); // sparse
            else if (bytes == "fifo")
                makeFifo(file + side);
            else if (!bytes.isEmpty())
                writeFileBytes(file + side, bytes);
        }
        const CtlResult r = run({"download", "-o", file, "--clear"});
        EXPECT_EQ(fileBytes(file), after);
        EXPECT_EQ(fileBytes(secret), "secret");
        if (message.isEmpty()) {
            EXPECT_EQ(r.status, 0) << r.err.toStdString();
            EXPECT_TRUE(model.records().isEmpty());
            EXPECT_EQ(QDir(dir.path()).entryList({"VX.txt.*"}, QDir::System | QDir::Files), QStringList());
        } else {
            EXPECT_EQ(r.err, "vx500ctl: " + message.arg(file) + "; it and " + file + " are left as they are\n");
            EXPECT_EQ(model.records().size(), 3);
        }
        for (const char *side : {".journal", ".part", ".uncleared"})
            QFile::remove(file + side);
    }
    EXPECT_EQ(port.openCount(), 9); // the rows that go through
}

// The ledger's face: each download, how it ended, and the filters.
TEST_F(CtlTest, HistoryListsEachDownloadAndHowItEnded)
{
    const QString file = path("VX.txt");
    model.setRecords(records(1, 3));
    model.setFaults({.silentFromRecord = 2});
    run({"download", "-o", file, "--clear"});
    model.setFaults({});
    run({"download", "-o", file, "--clear"});
    const CtlResult r = run({"history"});
    const QStringList lines = QString::fromUtf8(r.out).split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 2) << r.out.toStdString();
    const QString stamp = "^\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d " + vx::defaultCommPort(1) + " machine 0: ";
    const QString in = QRegularExpression::escape(shown(file));
    EXPECT_TRUE(lines[0].contains(QRegularExpression(stamp + "1 record received and saved in " + in
                                                      + "; failed: ErrCode: -1, VX_ERR_TIMEOUT; the terminal keeps its "
                                                        "records; continued by download 2$"))) << qPrintable(lines[0]);
    // The second received the first's record again: not added, and where it is said.
    EXPECT_TRUE(lines[1].contains(QRegularExpression(stamp + "3 records received, 2 saved in " + in + ", 1 already in " + in + "; cleared$")))
        << qPrintable(lines[1]);
    const QByteArray json = run({"history", "--json"}).out;
    EXPECT_TRUE(json.contains(R"("result":"failed","records":1,"added":1)") && json.contains(R"("result":"complete","records":3,"added":2)")
                && json.contains(R"("earlier":[{"file":")" + file.toUtf8() + R"(","records":1}],"cleared":true)")) << json.constData();
    for (const QStringList &none : {QStringList{"--port", "COM9", "history"}, {"history", "--since", "2999-01-01"}})
        expectRun(none, 0, "", "");
    const QString state = qEnvironmentVariable("XDG_STATE_HOME") + "/vx500";
    ASSERT_TRUE(QDir(state).removeRecursively() && writeFileBytes(state, ""));
    expectRun({"history"}, 3, "", "vx500ctl: the download ledger's folder " + shown(state) + ": not a folder\n");
    expectRun({"history", "--since", "yesterday"}, 2, "",
              "vx500ctl: --since: 'yesterday' is not a day (YYYY-MM-DD)\nTry 'vx500ctl --help' for more information.\n");
}
