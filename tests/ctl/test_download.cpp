// The download: records converted and written, the summary, and the
// automation that runs only after a complete, safely stored download.
#include "CtlFixture.h"
#include "TestFiles.h"

#include <QFile>

using namespace vx::test;

namespace {


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
    EXPECT_EQ(fileBytes(path), QByteArray("1,first\r\n2,\xE9t\xE9\r\n3,third\r\n"));
}

TEST_F(DownloadTest, EmptyTerminalCreatesTheFileAndRunsTheAutomation)
{
    const QString path = tempPath("empty.txt");
    records({});
    automationAnswers(true, false, false);
    const auto r = run({"download", "-o", path, "--clear"});
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_TRUE(QFile::exists(path));
    EXPECT_EQ(fileBytes(path), QByteArray());
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
    EXPECT_EQ(fileBytes(path), QByteArray("10,r1\r\n11,r2\r\n"));

    // The clear request follows the end of the stream, not any record.
    const QList<Written> &w = port.writes();
    qsizetype clearAt = -1;
    for (qsizetype i = 0; i < w.size(); ++i)
        if (w[i].bytes == vx::commandFrame(0, 'D'))
            clearAt = i;
    ASSERT_EQ(clearAt, 3); // I, ACK, ACK, then D
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

TEST_F(DownloadTest, OversizedFirstFieldIsWrittenUnconvertedWithAWarning)
{
    records({"123456789,a", "0001,b"});
    const auto r = run({"download"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, QByteArray("123456789,a\r\n1,b\r\n"));
    EXPECT_TRUE(r.err.contains("record 1: first field too large")) << r.err.toStdString();
}

// What standard error shows: the summary, or a live counter on a terminal,
// with warnings and trace lines each starting on a line of their own.
TEST_F(DownloadTest, StandardErrorWithAndWithoutTheLiveCounter)
{
    struct Case {
        const char *name;
        bool onTerminal;
        QList<QByteArray> records;
        QStringList args;
        const char *err;
    };
    const Case cases[] = {
        {"counter", true, {"1,a", "2,b", "3,c"}, {"download"}, "\r1 record\r2 records\r3 records\r3 records\n"},
        {"warning under the counter", true, {"1,a", "123456789,b", "3,c"}, {"download"},
         "\r1 record\n"
         "vx500ctl: record 2: first field too large for a number, written unconverted\n"
         "\r2 records\r3 records\r3 records\n"},
        {"trace under the counter", true, {"1"}, {"--trace", "download"},
         "> 05 30 30 49\n< 02 31 03 31\n> 06\n\r1 record\n< 04\n\r1 record\n"},
        {"trace without a terminal", false, {"1"}, {"--trace", "download"},
         "> 05 30 30 49\n< 02 31 03 31\n> 06\n< 04\n1 record\n"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        errorsOnTerminal = c.onTerminal;
        records(c.records);
        const auto r = run(c.args);
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.err.toStdString(), c.err);
    }
}
