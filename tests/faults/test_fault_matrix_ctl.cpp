// Faults on the line and on the disk, against vx500ctl and vx500-sim on a
// pseudo-terminal. For every fault: each record the host acknowledged is in
// the data file exactly once and in order, the terminal is cleared only once
// every record is on the disk, the tool ends with a clear message (no hang,
// no flood), and a later run gets everything.
#include "Record.h"
#include "SimProcess.h"
#include "TestFiles.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using vx::sim::test::SimProcess;
using vx::test::fileBytes;

namespace {

constexpr int kRecords = 12;

struct Fault {
    const char *name;
    QStringList simArgs;   // the fault on the line, if any
    const char *output;    // "" = data file in the test folder; else a path
    int exitStatus;
    int linesKept;         // records written by the failing run
    bool countable;        // the terminal still answers "count" afterwards
};

void PrintTo(const Fault &f, std::ostream *os) { *os << f.name; }

struct Result {
    int status = -1;
    QString err;
};

class FaultMatrix : public ::testing::TestWithParam<Fault> {
protected:
    FaultMatrix()
    {
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), dir.filePath(QStringLiteral("config")));
        QFile f(dir.filePath(QStringLiteral("records.txt")));
        f.open(QIODevice::WriteOnly);
        for (int i = 1; i <= kRecords; ++i) {
            // First fields of every size, and a byte above 127 in the data.
            const QString rec = QStringLiteral("%1,490%2,2026/12/06,08:00:%3,caf\u00e9")
                                    .arg(QString::number(i * 0x1111 + (i == 7 ? 0xFFFF0 : 0), 16).toUpper())
                                    .arg(1000000000 + i)
                                    .arg(i, 2, 10, QLatin1Char('0'));
            records << rec;
            f.write(rec.toLatin1() + '\n');
        }
    }

    QStringList simArguments(const QStringList &extra) const
    {
        return QStringList{QStringLiteral("--records"), dir.filePath(QStringLiteral("records.txt"))} + extra;
    }

    Result ctl(const QString &device, const QStringList &args)
    {
        QProcess p;
        p.setProcessEnvironment(env);
        p.start(QStringLiteral(VX500CTL_BINARY), QStringList{QStringLiteral("--port"), device} + args);
        Result r;
        if (!p.waitForFinished(60'000)) { // a hang fails here, not by a clock
            p.kill();
            p.waitForFinished();
            r.err = QStringLiteral("hung");
            return r;
        }
        r.status = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
        r.err = QString::fromLocal8Bit(p.readAllStandardError());
        return r;
    }

    QByteArray expectedLines(int from, int to) const
    {
        QByteArray out;
        for (int i = from; i < to; ++i)
            out += vx::dataFileLine(vx::convertFirstField(records[i]));
        return out;
    }

    QTemporaryDir dir;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    QStringList records;
};

TEST_P(FaultMatrix, NoRecordIsLost)
{
    const Fault &fault = GetParam();
    const QString data = *fault.output ? QString::fromLatin1(fault.output) : dir.filePath(QStringLiteral("VX.txt"));
    const QString good = dir.filePath(QStringLiteral("later.txt"));
    {
        SimProcess sim(simArguments(fault.simArgs), env);
        ASSERT_TRUE(sim.started());
        const Result r = ctl(sim.device(), {QStringLiteral("download"), QStringLiteral("-o"), data,
                                            QStringLiteral("--clear")});
        EXPECT_EQ(r.status, fault.exitStatus) << qPrintable(r.err);
        EXPECT_TRUE(r.err.startsWith(QStringLiteral("vx500ctl: ")) || r.err.contains(QStringLiteral("records")))
            << qPrintable(r.err);
        EXPECT_LE(r.err.count(QLatin1Char('\n')), 4) << qPrintable(r.err); // no flood
        if (!*fault.output)
            EXPECT_EQ(fileBytes(data), expectedLines(0, fault.linesKept));
        if (fault.countable) {
            // Nothing was cleared: the terminal still holds every record.
                    QProcess p;
            p.setProcessEnvironment(env);
            p.start(QStringLiteral(VX500CTL_BINARY), {QStringLiteral("--port"), sim.device(), QStringLiteral("count")});
            ASSERT_TRUE(p.waitForFinished(60'000));
            EXPECT_EQ(p.readAllStandardOutput().trimmed(), QByteArray::number(kRecords));
        }
    }
    // A later run without the fault gets every record and clears the terminal.
    SimProcess sim(simArguments({}), env);
    ASSERT_TRUE(sim.started());
    const Result r = ctl(sim.device(), {QStringLiteral("download"), QStringLiteral("-o"), good, QStringLiteral("--clear")});
    EXPECT_EQ(r.status, 0) << qPrintable(r.err);
    EXPECT_EQ(fileBytes(good), expectedLines(0, kRecords));
}

INSTANTIATE_TEST_SUITE_P(
    Ctl, FaultMatrix,
    ::testing::Values(
        Fault{"WrongCheckByteAtRecord5", {QStringLiteral("--bad-bcc"), QStringLiteral("5")}, "", 1, 4, true},
        Fault{"SilenceFromRecord5", {QStringLiteral("--silent-from"), QStringLiteral("5")}, "", 1, 4, true},
        Fault{"Noise", {QStringLiteral("--noise")}, "", 1, 0, false},
        Fault{"EotInPlaceOfReplies", {QStringLiteral("--eot-reply")}, "", 1, 0, false},
        Fault{"NakInPlaceOfAck", {QStringLiteral("--nak")}, "", 1, kRecords, true},
        Fault{"FarEndClosesAfterRecord5", {QStringLiteral("--hangup-after"), QStringLiteral("5")}, "", 3, 5, false},
        Fault{"DataFileOnAFullDevice", {}, "/dev/full", 2, 0, true},
        Fault{"DataFolderMissing", {}, "/nonexistent-vx-folder/VX.txt", 3, 0, true}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(SettingsFaults, UnusableSettingsFileStillDownloadsWithAnExplicitPort)
{
    QTemporaryDir dir;
    // A folder where the settings file should be: it can be neither read nor written.
    QDir(dir.path()).mkpath(QStringLiteral("config/VX500-500A Monitor.ini"));
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), dir.filePath(QStringLiteral("config")));
    SimProcess sim({QStringLiteral("--generate"), QStringLiteral("5")}, env);
    ASSERT_TRUE(sim.started());
    QProcess p;
    p.setProcessEnvironment(env);
    const QString data = dir.filePath(QStringLiteral("VX.txt"));
    p.start(QStringLiteral(VX500CTL_BINARY), {QStringLiteral("--port"), sim.device(), QStringLiteral("download"),
                                               QStringLiteral("-o"), data});
    ASSERT_TRUE(p.waitForFinished(60'000));
    EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().constData();
    QFile f(data);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll().count("\r\n"), 5);

    // Storing a mapping into it fails clearly.
    QProcess map;
    map.setProcessEnvironment(env);
    map.start(QStringLiteral(VX500CTL_BINARY), {QStringLiteral("ports"), QStringLiteral("--map"),
                                                 QStringLiteral("COM2=/dev/ttyUSB0")});
    ASSERT_TRUE(map.waitForFinished(60'000));
    EXPECT_EQ(map.exitCode(), 3);
    EXPECT_FALSE(map.readAllStandardError().isEmpty());
}

} // namespace

namespace {

TEST(BadInput, TagFilesWithLongAndOddLinesRoundTrip)
{
    QTemporaryDir dir;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), dir.filePath(QStringLiteral("config")));
    SimProcess sim({QStringLiteral("--b-answer"), QStringLiteral("tag-count")}, env);
    ASSERT_TRUE(sim.started());
    // A long code, CR LF line ends, a byte above 127, a blank line (its number
    // is kept), a last line without a line end.
    const QByteArray longCode(5000, 'A');
    QFile tags(dir.filePath(QStringLiteral("tags.txt")));
    ASSERT_TRUE(tags.open(QIODevice::WriteOnly));
    tags.write(longCode + "\r\ncaf\xe9\r\n\r\n  spaced  \nlast");
    tags.close();

    auto run = [&](const QStringList &args) {
        QProcess p;
        p.setProcessEnvironment(env);
        p.start(QStringLiteral(VX500CTL_BINARY), QStringList{QStringLiteral("--port"), sim.device()} + args);
        p.waitForFinished(60'000);
        return std::make_pair(p.exitCode(), p.readAllStandardOutput());
    };
    EXPECT_EQ(run({QStringLiteral("tags"), QStringLiteral("upload"), tags.fileName()}).first, 0);
    EXPECT_EQ(run({QStringLiteral("tags"), QStringLiteral("count")}).second.trimmed(), "4");
    const auto [status, out] = run({QStringLiteral("tags"), QStringLiteral("download")});
    EXPECT_EQ(status, 0);
    EXPECT_EQ(out, "00001" + longCode + "\r\n00002caf\xe9\r\n00004  spaced  \r\n00005last\r\n");
}

} // namespace
