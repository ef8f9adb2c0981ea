// Unattended stations in virtual time: scan, the watch loop, and a data file
// that takes every download once whatever step a kill interrupts.
#include "CtlFixture.h"
#include "Download.h"
#include "RecordOutput.h"
#include "Watch.h"

#include <cerrno>

using namespace vx::test;

namespace {

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
    QDateTime now() override { return ModelDevice::kEpoch.addMSecs(port.now()); }
    bool sleep(qint64 msecs) override { return port.advance(msecs), !stop; }
    bool stopRequested() override { return stop; }
    FakePort &port;
    bool stop = false;
};

// Every change of files stops at the crash-th one (a write after half its
// bytes), and none happens after it: a kill at that point.
struct Crash : vx::ctl::FileCalls {
    int open(const char *path, int flags, mode_t mode) override { return step() ? FileCalls::open(path, flags, mode) : -1; }
    ssize_t write(int fd, const void *bytes, size_t size) override
    {
        return step() ? FileCalls::write(fd, bytes, size) : (half && size > 1 && FileCalls::write(fd, bytes, size / 2), -1);
    }
    int fsync(int fd) override { return step() ? FileCalls::fsync(fd) : -1; }
    int rename(const char *from, const char *to) override { return step() ? FileCalls::rename(from, to) : -1; }
    int unlink(const char *path) override { return step() ? FileCalls::unlink(path) : -1; }
    bool step() { return errno = EIO, ++steps < crash; }
    int crash = 0, steps = 0;
    bool half = false;
};

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

// A session of the tool for these arguments, on the fixture's port; out and err take what it prints.
struct WatchTest : CtlTest {
    std::unique_ptr<vx::ctl::Session> session(const QStringList &args)
    {
        out.close(), err.close(); // opened for writing again, they start empty
        out.open(QIODevice::WriteOnly), err.open(QIODevice::WriteOnly);
        io.out = &out, io.err = &err;
        parsed = vx::ctl::parseArguments(QStringList{"vx500ctl"} + args);
        auto s = std::make_unique<vx::ctl::Session>(parsed.invocation, io, [this] { return port.lend(); });
        return s->connect() ? std::move(s) : nullptr;
    }
    vx::ctl::Parsed parsed;
    QBuffer out, err;
};

} // namespace

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
    expectRun({"scan", "--from", "200", "--to", "200"}, 0, last, "");
    expectRun({"scan", "--to", "0", "--json"}, 0, R"({"machine":0,"records":3,"version":"VX500A V2.10"})" "\n", "");
    const qint64 start = port.now();
    expectRun({"scan", "--from", "1", "--to", "199"}, 1, "", "vx500ctl: no terminal answered at machine numbers 1 to 199\n");
    EXPECT_LT(port.now() - start, 199 * 200) << "a silent number costs about 150 ms";
}

TEST_F(WatchTest, WatchDownloadsEachDockingOnce)
{
    Line station;
    station.terminals = {&device};
    port.setDevice(&station);
    VirtualClock clock{port};
    const QString file = path("20240601.txt");
    const auto dock = [&](qint64 at, QStringList held) {
        port.runAt(at, [&station, this, held] { model.setRecords(held), station.terminals = {&device}; });
    };
    const auto undock = [&](qint64 at) { port.runAt(at, [&station] { station.terminals.clear(); }); };
    model.setRecords(records(1, 3));
    undock(9000);
    dock(13000, records(4, 5));                 // docked again
    port.runAt(20000, [this] { port.pullCable(), port.failOpen({vx::FailureKind::PortMissing, "gone"}); });
    undock(30000);
    dock(34000, {});                            // nothing to fetch
    undock(36000);
    port.runAt(37000, [&] { QDir().mkdir(file + ".part"); });
    dock(38000, records(1, 1));                 // the file cannot take them
    port.runAt(44000, [&] { QDir().rmdir(file + ".part"), station.terminals.clear(); });
    dock(54000, records(6, 405));
    port.runAt(57000, [&clock] { clock.stop = true; }); // SIGTERM mid-download

    const auto watching = session({"--port", "COM1", "watch", "-o", path("%Y%m%d.txt"), "--clear", "--update-time"});
    ASSERT_TRUE(watching);
    EXPECT_EQ(vx::ctl::watch(*watching, clock), vx::ctl::Exit::Ok);
    const QString to = " records to " + file + "; cleared, clock set\n";
    EXPECT_EQ(QString::fromUtf8(out.data()), "2024-06-01 09:00:00 COM1 machine 0: 3" + to
                                                 + "2024-06-01 09:00:14 COM1 machine 0: 2" + to
                                                 + "2024-06-01 09:00:20 COM1 /dev/ttyS0 went away; waiting for it\n"
                                                   "2024-06-01 09:00:22 COM1 /dev/ttyS0 is back\n"
                                                   "2024-06-01 09:00:40 COM1 machine 0: 1 records not downloaded: " + file
                                                 + " cannot take them\n"
                                                   "2024-06-01 09:00:57 COM1 machine 0: stopped after 88 records, kept in "
                                                 + file + ".part; the terminal keeps its records\n");
    EXPECT_EQ(QString::fromUtf8(err.data()), "vx500ctl: gone\nvx500ctl: " + file + ".part: Is a directory\n"
                                             "vx500ctl: 88 records that arrived kept in " + file + ".part\n");
    EXPECT_EQ(fileBytes(file), stored(1, 5));
    EXPECT_EQ(fileBytes(file + ".part"), stored(6, 93));
    EXPECT_EQ(model.records().size(), 400);
}

TEST_F(WatchTest, AKillAtAnyFileStepLeavesEveryRecordOnceAfterTheNextRun)
{
    const QString file = path("VX.txt");
    int points = 0;
    for (bool half : {false, true})
        for (int crash = 1;; ++crash, ++points) {
            SCOPED_TRACE(QStringLiteral("crash at step %1%2").arg(crash).arg(half ? ", half written" : "").toStdString());
            ASSERT_TRUE(writeFileBytes(file, "old,partial"));
            model.setRecords(records(1, 100));
            Crash calls;
            calls.crash = crash, calls.half = half;
            {
                const auto killed = session({"download", "-o", file, "--clear"});
                ASSERT_TRUE(killed);
                vx::ctl::RecordOutput output(io, calls);
                if (output.open(file, true) == vx::ctl::Exit::Ok)
                    vx::ctl::fetchRecords(*killed, output);
            }
            port.advance(vx::sim::TerminalModel::kIdleResetMs + 1000); // a download left hanging is dropped
            const CtlResult next = run({"download", "-o", file, "--clear"});
            ASSERT_EQ(next.status, 0) << next.err.toStdString();
            ASSERT_EQ(fileBytes(file), "old,partial\r\n" + stored(1, 100));
            ASSERT_TRUE(model.records().isEmpty());
            for (const char *side : {".part", ".journal", ".uncleared"})
                QFile::remove(file + side);
            if (calls.steps < crash)
                break; // the run went through without meeting the crash
        }
    EXPECT_GE(points, 200);
}

TEST_F(CtlTest, AJournalTheFileDoesNotMatchStopsTheRunAndTouchesNothing)
{
    const QString file = path("VX.txt");
    // journal, FILE, FILE.part
    const std::tuple<QByteArray, QByteArray, QByteArray, QString> rows[] = {
        {"not a journal\n", "XYZ", "ABC", "not a journal of this program; %1 and its .part file are left as they are"},
        {"5 0 0\n", "XYZ", "ABC", "%1 does not continue as this journal notes; %1, %1.part and the journal are left as they are"},
        {"0 0 0\n", "XYZ", "ABC", "%1 does not continue as this journal notes; %1, %1.part and the journal are left as they are"},
        {"0 0 0\n", "ABCD", "ABC", "%1 does not continue as this journal notes; %1, %1.part and the journal are left as they are"},
    };
    model.setRecords(records(1, 2));
    for (const auto &[journal, before, part, message] : rows) {
        SCOPED_TRACE(journal.toStdString() + before.toStdString());
        ASSERT_TRUE(writeFileBytes(file + ".journal", journal) && writeFileBytes(file, before) && writeFileBytes(file + ".part", part));
        expectRun({"download", "-o", file, "--clear"}, 3, "", QStringLiteral("vx500ctl: %1.journal: %2\n").arg(file, message.arg(file)));
        EXPECT_EQ(fileBytes(file + ".journal") + fileBytes(file) + fileBytes(file + ".part"), journal + before + part);
    }
    EXPECT_EQ(model.records().size(), 2);
    EXPECT_EQ(port.openCount(), 0);
}
