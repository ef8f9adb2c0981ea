// The download: records converted and written, the summary, and the
// automation that runs only after a complete, safely stored download.
#include "CtlFixture.h"

#include <QFile>

using namespace vx::test;

namespace {

QByteArray contents(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

} // namespace

class DownloadTest : public CtlTest {
protected:
    // The terminal sends these records, then EOT.
    void records(const QList<QByteArray> &data)
    {
        for (const QByteArray &d : data)
            device.then(frameOf(d));
        device.then(kEot);
    }
    // Answers for --clear, --update-time and --power-down, in that order.
    void automationAnswers(bool clear, bool updateTime, bool powerDown)
    {
        if (clear)
            device.then(kAck).silence();
        if (updateTime)
            device.then(kAck).then(kAck).silence();
        if (powerDown)
            device.then(kAck);
    }
};

TEST_F(DownloadTest, RecordsGoToStandardOutputWithTheFirstFieldConverted)
{
    records({"00FF,x,y", "FFFF,1", "8000,a", "10000,b"});
    const auto r = run({"download"});
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, QByteArray("255,x,y\r\n-1,1\r\n-32768,a\r\n65536,b\r\n"));
    EXPECT_EQ(r.err, "4 records\n");
    EXPECT_EQ(commandLetters(), "I");
    // Every record acknowledged, the end of the stream not.
    EXPECT_EQ(port.writtenBytes(), vx::commandFrame(0, 'I') + kAck + kAck + kAck + kAck);
}

TEST_F(DownloadTest, FileIsAppendedToAndCreatedWhenMissing)
{
    const QString path = tempPath("VX.txt");
    records({"0001,first", "0002,\xE9t\xE9"});
    auto r = run({"download", "-o", path});
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.isEmpty());
    EXPECT_EQ(r.err, "2 records\n");

    records({"0003,third"});
    r = run({"download", "-o", path});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "1 record\n");
    EXPECT_EQ(contents(path), QByteArray("1,first\r\n2,\xE9t\xE9\r\n3,third\r\n"));
}

TEST_F(DownloadTest, EmptyTerminalCreatesTheFileAndRunsTheAutomation)
{
    const QString path = tempPath("empty.txt");
    records({});
    automationAnswers(true, false, false);
    const auto r = run({"download", "-o", path, "--clear"});
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_TRUE(QFile::exists(path));
    EXPECT_EQ(contents(path), QByteArray());
    EXPECT_EQ(r.err, "0 records\nData Cleared\n");
    EXPECT_EQ(commandLetters(), "ID");
}

TEST_F(DownloadTest, AutomationRunsAfterTheLastRecordInTheMonitorsOrder)
{
    const QString path = tempPath("VX.txt");
    records({"0A,r1", "0B,r2"});
    automationAnswers(true, true, true);
    const auto r = run({"download", "-o", path, "--power-down", "--update-time", "--clear"});
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(commandLetters(), "IDSO");
    EXPECT_EQ(r.err, "2 records\nData Cleared\nTime Updated\nPower Down\n");
    EXPECT_EQ(contents(path), QByteArray("10,r1\r\n11,r2\r\n"));

    // The clear request follows the end of the stream, not any record.
    const QList<Written> &w = port.writes();
    qsizetype clearAt = -1;
    for (qsizetype i = 0; i < w.size(); ++i)
        if (w[i].bytes == vx::commandFrame(0, 'D'))
            clearAt = i;
    ASSERT_EQ(clearAt, 3); // I, ACK, ACK, then D
}

TEST_F(DownloadTest, FailureStatusStopsWithoutAutomation)
{
    const QString path = tempPath("VX.txt");
    device.then(frameOf("0001,a")).then(frameOf("0002,b")); // then silence
    automationAnswers(true, true, true);
    const auto r = run({"download", "-o", path, "--clear", "--update-time", "--power-down"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "2 records\nvx500ctl: ErrCode: -1, VX_ERR_TIMEOUT\n");
    EXPECT_EQ(commandLetters(), "I");
    EXPECT_EQ(contents(path), QByteArray("1,a\r\n2,b\r\n"));
}

TEST_F(DownloadTest, BadCheckByteStopsWithoutAutomation)
{
    QByteArray bad = frameOf("0003,c");
    bad.back() = static_cast<char>(bad.back() ^ 0x01);
    device.then(frameOf("0001,a")).then(bad);
    automationAnswers(true, false, false);
    const auto r = run({"download", "--clear"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, QByteArray("1,a\r\n"));
    EXPECT_TRUE(r.err.contains("ErrCode: -4, VX_ERR_INVALID_BCC"));
    EXPECT_EQ(commandLetters(), "I");
}

TEST_F(DownloadTest, FileThatCannotBeOpenedStopsBeforeTheTerminalIsAsked)
{
    records({"0001,a"});
    const QString path = tempPath("no-such-folder/VX.txt");
    const auto r = run({"download", "-o", path, "--clear"});
    EXPECT_EQ(r.status, 3);
    EXPECT_TRUE(r.err.startsWith("vx500ctl: " + path + ": ")) << r.err.toStdString();
    EXPECT_TRUE(port.writes().isEmpty());
}

TEST_F(DownloadTest, FileThatCannotBeWrittenStopsWithoutAutomation)
{
    if (!QFile::exists("/dev/full"))
        GTEST_SKIP() << "no /dev/full here";
    records({"0001,a", "0002,b"});
    automationAnswers(true, true, true);
    const auto r = run({"download", "-o", "/dev/full", "--clear", "--update-time", "--power-down"});
    EXPECT_EQ(r.status, 3);
    EXPECT_TRUE(r.err.contains("vx500ctl: /dev/full: ")) << r.err.toStdString();
    EXPECT_EQ(commandLetters(), "I");
    // The record that could not be stored is not acknowledged either way,
    // and nothing beyond it is fetched.
    EXPECT_LE(port.writes().size(), 2);
}

TEST_F(DownloadTest, FailedAutomationStepMakesTheRunFailButTheOthersStillRun)
{
    records({"0001,a"});
    device.then(QByteArray(1, vx::NAK));        // clear refused
    automationAnswers(false, true, true);
    const auto r = run({"download", "--clear", "--update-time", "--power-down"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, QByteArray("1,a\r\n"));
    EXPECT_EQ(r.err, "1 record\nvx500ctl: clear: ErrCode: -3, VX_ERR_ACK_NOT_GET\nTime Updated\nPower Down\n");
    EXPECT_EQ(commandLetters(), "IDSO");
}

TEST_F(DownloadTest, LiveCounterOnATerminal)
{
    errorsOnTerminal = true;
    records({"1,a", "2,b", "3,c"});
    const auto r = run({"download"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "\r1 record\r2 records\r3 records\r3 records\n");
}

TEST_F(DownloadTest, MessagesDuringTheLiveCounterStartOnALineOfTheirOwn)
{
    errorsOnTerminal = true;
    records({"1,a", "123456789,b", "3,c"});
    const auto r = run({"download"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err.toStdString(), "\r1 record\n"
                                   "vx500ctl: record 2: first field too large for a number, written unconverted\n"
                                   "\r2 records\r3 records\r3 records\n");
}

TEST_F(DownloadTest, TraceLinesDuringTheLiveCounterStartOnALineOfTheirOwn)
{
    errorsOnTerminal = true;
    records({"1"});
    const auto r = run({"--trace", "download"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err.toStdString(), "> 05 30 30 49\n< 02 31 03 31\n> 06\n\r1 record\n< 04\n\r1 record\n");
}

TEST_F(DownloadTest, OversizedFirstFieldIsWrittenUnconvertedWithAWarning)
{
    records({"123456789,a", "0001,b"});
    const auto r = run({"download"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, QByteArray("123456789,a\r\n1,b\r\n"));
    EXPECT_TRUE(r.err.contains("record 1: first field too large")) << r.err.toStdString();
}

TEST_F(DownloadTest, TraceShowsTheStream)
{
    records({"1"});
    const auto r = run({"--trace", "download"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "> 05 30 30 49\n< 02 31 03 31\n> 06\n< 04\n1 record\n");
}
