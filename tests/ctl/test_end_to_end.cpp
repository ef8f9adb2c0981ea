// vx500ctl against the simulated terminal through a pseudo-terminal.
#include "EndToEnd.h"
#include "TestFiles.h"

#include <QFile>
#include <QRegularExpression>

using namespace vx::test;

namespace {


const char *const kClearRequest = "host (19200,n,8,1): 05 30 30 44";
const char *const kDownloadRequest = "05 30 30 49";

} // namespace

class CtlSim : public EndToEndTest {
protected:
    // A terminal holding four records whose first fields need every rule.
    void startWithRecords(const QStringList &extra = {})
    {
        ASSERT_TRUE(writeFileBytes(path("records.txt"), "00FF,x,y\nFFFF,1\n8000,a\n10000,b\n"));
        ASSERT_TRUE(startSim(QStringList{"--records", path("records.txt")} + extra)) << simLog().toStdString();
    }
    int recordCount()
    {
        const ToolResult r = ctl({"count"});
        return r.status == 0 ? r.out.trimmed().toInt() : -1;
    }
};

TEST_F(CtlSim, MaintenanceCommands)
{
    ASSERT_TRUE(startSim({"--generate", "3", "--id", "26", "--version", "VX500A V2.10", "--voltage", "3.05V",
                          "--station-version", "VX500R V1.04", "--self-test-time", "0"}));
    auto r = ctl({"--id", "26", "count"});
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, "3\n");
    EXPECT_EQ(ctl({"--id", "26", "id"}).out, "26\n");
    EXPECT_EQ(ctl({"--id", "26", "version"}).out, "VX500A V2.10\n");
    EXPECT_EQ(ctl({"--id", "26", "voltage"}).out, "3.05V\n");
    EXPECT_EQ(ctl({"station", "version"}).out, "VX500R V1.04\n");
    EXPECT_EQ(ctl({"--id", "26", "self-test"}).status, 0);

    r = ctl({"--id", "26", "set-time", "2009-01-05T07:08:09"});
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, "OK\n");
    r = ctl({"--id", "26", "time"});
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(QString::fromLatin1(r.out).contains(QRegularExpression("^2009-01-05 07:08:[0-5][0-9]\n$")))
        << r.out.toStdString();

    EXPECT_EQ(ctl({"--id", "26", "set-id", "10"}).status, 0);
    EXPECT_EQ(ctl({"--id", "10", "id"}).out, "10\n");

    // A terminal that is not addressed stays silent.
    r = ctl({"--id", "26", "--timeout", "200", "count"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "vx500ctl: ErrCode: -1, VX_ERR_TIMEOUT\n");
}

TEST_F(CtlSim, DownloadWithAutomation)
{
    startWithRecords();
    const QString file = path("VX.txt");
    ASSERT_TRUE(writeFileBytes(file, "earlier line\r\n"));
    auto r = ctl({"download", "-o", file, "--clear", "--update-time", "--power-down"});
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.isEmpty());
    EXPECT_EQ(r.err, "4 records\nData Cleared\nTime Updated\nPower Down\n");
    EXPECT_EQ(fileBytes(file), "earlier line\r\n255,x,y\r\n-1,1\r\n-32768,a\r\n65536,b\r\n");

    // Powered down: the terminal hears nothing until it is woken.
    r = ctl({"--timeout", "200", "count"});
    EXPECT_EQ(r.status, 1);
    ASSERT_TRUE(wakeTerminal());
    EXPECT_EQ(recordCount(), 0);
}

TEST_F(CtlSim, DownloadToStandardOutput)
{
    startWithRecords();
    const auto r = ctl({"download"});
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, "255,x,y\r\n-1,1\r\n-32768,a\r\n65536,b\r\n");
    EXPECT_EQ(r.err, "4 records\n");
    EXPECT_EQ(recordCount(), 4);
}

TEST_F(CtlSim, NoAutomationAfterAFailedDownload)
{
    startWithRecords({"--silent-from", "3"});
    const QString file = path("VX.txt");
    const auto r = ctl({"--timeout", "300", "download", "-o", file, "--clear", "--power-down"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "2 records\nvx500ctl: ErrCode: -1, VX_ERR_TIMEOUT\n");
    EXPECT_EQ(fileBytes(file), "255,x,y\r\n-1,1\r\n");
    EXPECT_FALSE(simHeard(kClearRequest)) << simLog().toStdString();
}

TEST_F(CtlSim, NoAutomationWhenTheFileCannotBeWritten)
{
    startWithRecords();
    auto r = ctl({"download", "-o", path("no-such-folder/VX.txt"), "--clear"});
    EXPECT_EQ(r.status, 3);
    EXPECT_TRUE(r.err.contains("no-such-folder/VX.txt: ")) << r.err.toStdString();
    EXPECT_FALSE(simHeard(kDownloadRequest));
    EXPECT_EQ(recordCount(), 4);

    if (QFile::exists("/dev/full")) {
        // The download begins, the first record cannot be stored: the tool
        // stops there (the terminal is left waiting in its stream).
        r = ctl({"download", "-o", "/dev/full", "--clear"});
        EXPECT_EQ(r.status, 3);
        EXPECT_TRUE(r.err.contains("/dev/full: ")) << r.err.toStdString();
        EXPECT_TRUE(simHeard(kDownloadRequest));
    }
    EXPECT_FALSE(simHeard(kClearRequest)) << simLog().toStdString();
}

TEST_F(CtlSim, ClearNeedsYesWithoutATerminal)
{
    startWithRecords();
    auto r = ctl({"clear"}, "y\n");
    EXPECT_EQ(r.status, 2);
    EXPECT_TRUE(r.err.contains("--yes")) << r.err.toStdString();
    EXPECT_FALSE(simHeard("host (")) << "nothing is sent before the refusal";
    EXPECT_EQ(recordCount(), 4);

    r = ctl({"clear", "--yes"});
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(recordCount(), 0);
    r = ctl({"recover"});
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(recordCount(), 4);
}

TEST_F(CtlSim, TraceShowsTheTransmissions)
{
    ASSERT_TRUE(startSim({"--generate", "3"}));
    const auto r = ctl({"--trace", "count"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "3\n");
    const QStringList lines = r.err.split('\n', Qt::SkipEmptyParts);
    ASSERT_FALSE(lines.isEmpty());
    EXPECT_EQ(lines.first(), "> 05 30 30 41");
    EXPECT_TRUE(lines.contains("> 06")) << r.err.toStdString();
    EXPECT_EQ(lines.last(), "< 04");
    // The reply, however it was split into reads, is the frame "3".
    QString reply;
    for (const QString &l : lines)
        if (l.startsWith("< ") && l != "< 04")
            reply += l.mid(2) + ' ';
    EXPECT_EQ(reply.trimmed(), "02 33 03 33");
}

TEST_F(CtlSim, DeviceFailuresAreReported)
{
    startWithRecords({"--bad-bcc", "2"});
    auto r = ctl({"download"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "255,x,y\r\n");
    EXPECT_TRUE(r.err.endsWith("vx500ctl: ErrCode: -4, VX_ERR_INVALID_BCC\n")) << r.err.toStdString();
}

TEST_F(CtlSim, FarEndGoingAwayIsASystemFailure)
{
    startWithRecords({"--hangup-after", "1"});
    const auto r = ctl({"download", "--clear"});
    EXPECT_EQ(r.status, 3);
    EXPECT_TRUE(r.err.contains("went away")) << r.err.toStdString();
}

TEST_F(CtlSim, StoredPortAndMappingReachTheSimulator)
{
    // The simulator registers itself as COM3; the monitor's stored port is COM3.
    startWithRecords({"--register", "COM3"});
    QFile settings(environment().value("XDG_CONFIG_HOME") + "/VX500-500A Monitor.ini");
    ASSERT_TRUE(settings.open(QIODevice::Append));
    settings.write("\n[Connect]\nComport=2\n");
    settings.close();
    const auto r = ctlRaw({"count"});
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, "4\n");
    const auto listing = ctlRaw({"ports"});
    EXPECT_EQ(listing.status, 0);
    EXPECT_TRUE(listing.out.contains(QString("COM3   %1  (mapped, the monitor's port)").arg(device).toUtf8()))
        << listing.out.toStdString();
}

TEST_F(CtlSim, PortThatDoesNotExist)
{
    auto r = ctlRaw({"--port", "/dev/ttyVX-does-not-exist", "count"});
    EXPECT_EQ(r.status, 3);
    EXPECT_EQ(r.err, "vx500ctl: /dev/ttyVX-does-not-exist: no such device\n");

    EXPECT_EQ(ctlRaw({"ports", "--map", "COM7=/dev/ttyVX-gone"}).status, 0);
    r = ctlRaw({"--port", "COM7", "download"});
    EXPECT_EQ(r.status, 3);
    EXPECT_TRUE(r.err.contains("/dev/ttyVX-gone: no such device")) << r.err.toStdString();
}

TEST_F(CtlSim, UsageErrorsAndHelp)
{
    auto r = ctlRaw({"frobnicate"});
    EXPECT_EQ(r.status, 2);
    EXPECT_TRUE(r.err.startsWith("vx500ctl: unknown command 'frobnicate'\n")) << r.err.toStdString();
    EXPECT_EQ(ctlRaw({"--id", "x", "count"}).status, 2);
    EXPECT_EQ(ctlRaw({}).status, 2);

    r = ctlRaw({"--help"});
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(r.out.startsWith("Usage: vx500ctl [options] COMMAND [ARGS]\n")) << r.out.toStdString();
    for (const char *word : {"download [-o FILE] [--clear] [--update-time] [--power-down]", "station version",
                             "tags upload FILE", "--map <COMn=DEVICE>", "Exit status"})
        EXPECT_TRUE(r.out.contains(word)) << word;
    r = ctlRaw({"--version"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "vx500ctl " VX_VERSION_TEXT "\n");
}

TEST_F(CtlSim, ValueThatCannotReachStandardOutputIsASystemFailure)
{
    if (!QFile::exists("/dev/full"))
        GTEST_SKIP() << "no /dev/full";
    ASSERT_TRUE(startSim({"--generate", "3", "--station-version", "VX500R V1.04"}));
    for (const QStringList &args : {QStringList{"count"}, QStringList{"version"}, QStringList{"station", "version"},
                                    QStringList{"set-time"}, QStringList{"--version"}}) {
        const auto r = ctlToFile("/dev/full", args);
        EXPECT_EQ(r.status, 3) << args.join(' ').toStdString();
        EXPECT_EQ(r.err, "vx500ctl: standard output: No space left on device\n") << args.join(' ').toStdString();
    }
    // The records themselves, failing at the first one, say so once.
    const auto r = ctlToFile("/dev/full", {"download"});
    EXPECT_EQ(r.status, 3);
    EXPECT_EQ(r.err.count("No space left on device"), 1) << r.err.toStdString();
}

TEST_F(CtlSim, TagListUploadCountAndDownload)
{
    ASSERT_TRUE(startSim({"--b-answer", "tag-count"}));
    auto r = ctl({"tags", "count"});
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, "0\n");

    // A blank line holds no code but keeps its number.
    ASSERT_TRUE(writeFileBytes(path("tags.txt"), "12AB34CD56\n00A31F2C\n\n0001\r\n"));
    r = ctl({"tags", "upload", path("tags.txt")});
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, "OK\n");
    EXPECT_EQ(r.err, "3 tag codes sent\n");
    EXPECT_EQ(ctl({"tags", "count"}).out, "3\n");

    const QByteArray list = "0000112AB34CD56\r\n0000200A31F2C\r\n000040001\r\n";
    r = ctl({"tags", "download"});
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, list);
    EXPECT_EQ(r.err, "3 tag codes\n");
    r = ctl({"tags", "download", "-o", path("list.txt")});
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.isEmpty());
    EXPECT_EQ(fileBytes(path("list.txt")), list);
}

TEST_F(CtlSim, ReaderStationThenTheTerminalAgain)
{
    ASSERT_TRUE(startSim({"--generate", "2", "--station-version", "VX500R V1.04", "--station-info",
                          "READER, 2 SLOTS"}));
    auto r = ctl({"station", "info"});
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, "READER, 2 SLOTS\n");
    r = ctl({"station", "version"});
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, "VX500R V1.04\n");
    EXPECT_TRUE(simHeard("host (9600,n,8,1): 05 42 30 30 4E 0D")) << simLog().toStdString();
    // The line is back at the terminal's speed for the next command.
    EXPECT_EQ(recordCount(), 2);
}

TEST_F(CtlSim, PowerDownOnItsOwn)
{
    ASSERT_TRUE(startSim({"--generate", "2"}));
    auto r = ctl({"power-down"});
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, "OK\n");
    r = ctl({"--timeout", "200", "count"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "vx500ctl: ErrCode: -1, VX_ERR_TIMEOUT\n");
    ASSERT_TRUE(wakeTerminal());
    EXPECT_EQ(recordCount(), 2);
}

TEST_F(CtlSim, SetTimeToAGivenTimeAndToNow)
{
    ASSERT_TRUE(startSim({}));
    const auto readClock = [this] {
        const ToolResult r = ctl({"time"});
        EXPECT_EQ(r.status, 0) << r.err.toStdString();
        EXPECT_TRUE(r.out.endsWith('\n'));
        return QDateTime::fromString(QString::fromLatin1(r.out.trimmed()), "yyyy-MM-dd HH:mm:ss");
    };

    const QDateTime given(QDate(2030, 6, 15), QTime(10, 20, 30));
    auto r = ctl({"set-time", "2030-06-15T10:20:30"});
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, "OK\n");
    QDateTime read = readClock();
    ASSERT_TRUE(read.isValid());
    EXPECT_GE(read, given);
    EXPECT_LE(read, given.addSecs(60));

    // Without a time (and with "now"): the PC's clock, far from the one given before.
    for (const QStringList &args : {QStringList{"set-time"}, QStringList{"set-time", "now"}}) {
        const QDateTime before = QDateTime::currentDateTime().addSecs(-1);
        r = ctl(args);
        EXPECT_EQ(r.status, 0) << r.err.toStdString();
        read = readClock();
        ASSERT_TRUE(read.isValid());
        EXPECT_GE(read, before) << args.join(' ').toStdString();
        EXPECT_LE(read, QDateTime::currentDateTime().addSecs(1)) << args.join(' ').toStdString();
        ctl({"set-time", "2030-06-15T10:20:30"});
    }
}
