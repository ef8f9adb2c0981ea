// Each terminal, station and tag command against a scripted terminal: what
// goes on the line, what is printed, and the exit status.
#include "CtlFixture.h"

#include <QFile>

using namespace vx::test;

namespace {
QByteArray commandFrame(int id, char letter) { return vx::commandFrame(static_cast<qint16>(id), letter); }
} // namespace

TEST_F(CtlTest, QueriesPrintTheirValue)
{
    device.then(frameOf("42")).then(kEot);
    auto r = run({"count"});
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, QByteArray("42\n"));
    EXPECT_EQ(port.writtenBytes(), QByteArray::fromHex("05303041") + kAck);

    device.then(frameOf("20081231235959")).then(kEot);
    r = run({"time"});
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, QByteArray("2008-12-31 23:59:59\n"));

    device.then(frameOf("1F")).then(kEot);
    r = run({"id"});
    EXPECT_EQ(r.out, QByteArray("31\n"));
}

TEST_F(CtlTest, TextsArePrintedAsReceived)
{
    device.then(frameOf(" VX500A \xE9 V2.10")).then(kEot);
    auto r = run({"version"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, QByteArray(" VX500A \xE9 V2.10\n"));
    EXPECT_EQ(commandLetters(), "V");

    device.then(frameOf("3.05V")).then(kEot);
    r = run({"voltage"});
    EXPECT_EQ(r.out, QByteArray("3.05V\n"));
    EXPECT_EQ(commandLetters(), "VB");
}

TEST_F(CtlTest, MachineNumberAddressesTheTerminal)
{
    device.then(frameOf("7")).then(kEot);
    const auto r = run({"--id", "26", "count"});
    EXPECT_EQ(r.status, 0);
    ASSERT_FALSE(port.writes().isEmpty());
    EXPECT_EQ(port.writes().first().bytes, commandFrame(26, 'A'));
}

TEST_F(CtlTest, SetCommandsSendTheirData)
{
    device.then(kAck).then(kAck).silence();
    auto r = run({"set-time", "2009-01-05T07:08:09"});
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, QByteArray("OK\n"));
    ASSERT_EQ(port.writes().size(), 3);
    EXPECT_EQ(port.writes()[1].bytes, QByteArray("\x02" "20090105070809\x03\x09"));
    EXPECT_EQ(port.writes()[2].bytes, kEot);

    port.clearWrites();
    device.then(kAck).then(kAck).silence();
    r = run({"set-id", "10"});
    EXPECT_EQ(r.status, 0);
    ASSERT_EQ(port.writes().size(), 3);
    EXPECT_EQ(port.writes()[1].bytes, QByteArray::fromHex("02304103" "71"));
}

TEST_F(CtlTest, SetTimeNowSendsTheClockOfThePc)
{
    device.then(kAck).then(kAck).silence();
    const QDateTime before = QDateTime::currentDateTime().addSecs(-1);
    const auto r = run({"set-time"});
    const QDateTime after = QDateTime::currentDateTime().addSecs(1);
    ASSERT_EQ(r.status, 0);
    ASSERT_EQ(port.writes().size(), 3);
    const QByteArray digits = port.writes()[1].bytes.mid(1, 14);
    const QDateTime sent = QDateTime::fromString(QString::fromLatin1(digits), "yyyyMMddHHmmss");
    ASSERT_TRUE(sent.isValid()) << digits.toStdString();
    EXPECT_GE(sent, before.addMSecs(-before.time().msec()));
    EXPECT_LE(sent, after);
}

TEST_F(CtlTest, MaintenanceCommandsUseTheirLetters)
{
    device.then(kAck).silence();
    EXPECT_EQ(run({"recover"}).status, 0);
    device.silence();
    EXPECT_EQ(run({"self-test"}).status, 0); // nothing answers a self-test request
    device.then(kAck);
    EXPECT_EQ(run({"power-down"}).status, 0);
    device.then(kAck).silence();
    EXPECT_EQ(run({"clear", "--yes"}).status, 0);
    EXPECT_EQ(commandLetters(), "MZOD");
}

TEST_F(CtlTest, FailureStatusExitsOneWithTheCode)
{
    auto r = run({"count"}); // nobody answers
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "vx500ctl: ErrCode: -1, VX_ERR_TIMEOUT\n");
    EXPECT_TRUE(r.out.isEmpty());

    device.then(vx::test::frameOf("42").chopped(1) + '\x00');
    r = run({"count"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "vx500ctl: ErrCode: -4, VX_ERR_INVALID_BCC\n");

    device.then(QByteArray(1, vx::NAK));
    r = run({"power-down"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "vx500ctl: ErrCode: -3, VX_ERR_ACK_NOT_GET\n");
    EXPECT_TRUE(r.out.isEmpty());

    device.then(kEot);
    r = run({"version"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "vx500ctl: ErrCode: 1, VX_ERR_UNKNOWN\n");
}

TEST_F(CtlTest, UndecodableReplyIsAFailureWithItsReason)
{
    device.then(frameOf("20081331235959")).then(kEot);
    const auto r = run({"time"});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.err.contains("20081331235959")) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains("ErrCode: -6, VX_ERR_INVALID_DATA"));
    EXPECT_TRUE(r.out.isEmpty());
}

TEST_F(CtlTest, PortThatCannotBeOpenedExitsThreeWithItsCause)
{
    port.failOpen({vx::kErrPortPermission, "/dev/ttyUSB0: permission denied (add the user to the dialout group)"},
                  true);
    auto r = run({"--port", "/dev/ttyUSB0", "count"});
    EXPECT_EQ(r.status, 3);
    EXPECT_EQ(r.err, "vx500ctl: /dev/ttyUSB0: permission denied (add the user to the dialout group)\n");
    EXPECT_TRUE(port.writes().isEmpty());

    r = run({"station", "info"});
    EXPECT_EQ(r.status, 3);
    r = run({"download"});
    EXPECT_EQ(r.status, 3);
    EXPECT_TRUE(r.out.isEmpty());
}

TEST_F(CtlTest, DeviceGoneMidExchangeExitsThree)
{
    port.runAt(10, [this] { port.pullCable(); });
    const auto r = run({"count"});
    EXPECT_EQ(r.status, 3);
    EXPECT_TRUE(r.err.contains("went away")) << r.err.toStdString();
}

TEST_F(CtlTest, PortChoice)
{
    device.then(frameOf("1")).then(kEot);
    run({"--port", "/dev/ttyACM7", "count"});
    EXPECT_EQ(port.portName(), "/dev/ttyACM7");

    device.then(frameOf("1")).then(kEot);
    run({"--port", "com2", "count"});
    EXPECT_EQ(port.portName(), "/dev/ttyS1");

    // Without --port: the monitor's stored list position, read leniently.
    const auto settings = vx::openUserSettings();
    const std::pair<const char *, const char *> stored[] = {
        {"3", "/dev/ttyS3"}, {" 2 ", "/dev/ttyS2"}, {"15", "/dev/ttyS15"},
        {"16", "/dev/ttyS0"}, {"-1", "/dev/ttyS0"}, {"abc", "/dev/ttyS0"},
    };
    for (const auto &[value, device_] : stored) {
        settings->setValue("Connect/Comport", value);
        settings->sync();
        device.then(frameOf("1")).then(kEot);
        run({"count"});
        EXPECT_EQ(port.portName(), device_) << value;
    }

    // A mapped COMn leads to its device.
    settings->setValue("Connect/Comport", "3");
    settings->setValue("Ports/COM4", "/dev/serial/by-id/usb-FTDI-if00");
    settings->sync();
    device.then(frameOf("1")).then(kEot);
    run({"count"});
    EXPECT_EQ(port.portName(), "/dev/serial/by-id/usb-FTDI-if00");
}

TEST_F(CtlTest, TraceShowsEveryTransmission)
{
    device.then(frameOf("42")).then(kEot);
    const auto r = run({"--trace", "count"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, QByteArray("42\n"));
    EXPECT_EQ(r.err, "> 05 30 30 41\n< 02 34 32 03 06\n> 06\n< 04\n");
}

TEST_F(CtlTest, StationQueriesRunAtTheStationSpeed)
{
    device.then(frameOf("VX500R V1.04"));
    auto r = run({"station", "version"});
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, QByteArray("VX500R V1.04\n"));
    ASSERT_EQ(port.writes().size(), 1);
    EXPECT_EQ(port.writes()[0].bytes, QByteArray::fromHex("05423030560D"));
    EXPECT_EQ(port.writes()[0].settings, "9600,n,8,1");

    device.then(frameOf("S/N 1234, 2 readers"));
    r = run({"station", "info"});
    EXPECT_EQ(r.out, QByteArray("S/N 1234, 2 readers\n"));
    EXPECT_EQ(port.writes()[1].bytes, QByteArray::fromHex("054230304E0D"));
}

TEST_F(CtlTest, TimeBudgetDefaultsAndOverride)
{
    // In virtual time: a silent device costs exactly the budget.
    const auto silentFor = [this](QStringList args) {
        const qint64 start = port.now();
        run(args);
        return port.now() - start;
    };
    const qint64 terminal = silentFor({"count"});
    EXPECT_GE(terminal, 2000);
    EXPECT_LT(terminal, 2100);
    const qint64 station = silentFor({"station", "version"});
    EXPECT_GE(station, 3000);
    EXPECT_LT(station, 3100);
    const qint64 custom = silentFor({"--timeout", "500", "count"});
    EXPECT_GE(custom, 500);
    EXPECT_LT(custom, 600);
}

TEST_F(CtlTest, ClearAsksOnATerminal)
{
    inputIsTerminal = true;
    input = "y\n";
    device.then(kAck).silence();
    auto r = run({"clear"});
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(r.err.startsWith("Clear the data of terminal? [y/N] ")) << r.err.toStdString();
    EXPECT_EQ(r.out, QByteArray("OK\n"));
    EXPECT_EQ(commandLetters(), "D");

    for (const char *answer : {"\n", "n\n", "no\n", ""}) {
        input = answer;
        r = run({"clear"});
        EXPECT_EQ(r.status, 0) << answer;
        EXPECT_TRUE(r.err.contains("Not cleared.")) << answer;
    }
    EXPECT_EQ(commandLetters(), "D");
}

TEST_F(CtlTest, ClearWithoutATerminalNeedsYes)
{
    inputIsTerminal = false;
    input = "y\n";
    const auto r = run({"clear"});
    EXPECT_EQ(r.status, 2);
    EXPECT_TRUE(r.err.contains("--yes")) << r.err.toStdString();
    EXPECT_EQ(port.openCount(), 0);
    EXPECT_TRUE(port.writes().isEmpty());
}

TEST_F(CtlTest, TagCount)
{
    device.then(frameOf("12")).then(kEot);
    const auto r = run({"tags", "count"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, QByteArray("12\n"));
    EXPECT_EQ(commandLetters(), "B");
}

TEST_F(CtlTest, TagDownloadWritesEachCodeAsReceived)
{
    device.then(frameOf("00001ABC")).then(frameOf("00002 D E")).then(kEot);
    auto r = run({"tags", "download"});
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, QByteArray("00001ABC\r\n00002 D E\r\n"));
    EXPECT_TRUE(r.err.contains("2 tag codes"));
    EXPECT_EQ(commandLetters(), "J");

    const QString path = tempPath("tags.txt");
    device.then(frameOf("X")).then(kEot);
    r = run({"tags", "download", "-o", path});
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(r.out.isEmpty());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), QByteArray("X\r\n"));

    device.then(frameOf("X")); // then silence
    r = run({"tags", "download"});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.err.contains("tags download: ErrCode: -1, VX_ERR_TIMEOUT")) << r.err.toStdString();
}

TEST_F(CtlTest, TagUploadSendsOneCodePerLineIndexedByLineNumber)
{
    const QString path = tempPath("codes.txt");
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("12AB34CD56\r\n\r\nZ9\n");
    }
    device.then(kAck).then(kAck).then(kAck).silence();
    const auto r = run({"tags", "upload", path});
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, QByteArray("OK\n"));
    EXPECT_TRUE(r.err.contains("2 tag codes sent"));
    ASSERT_EQ(port.writes().size(), 4);
    EXPECT_EQ(port.writes()[0].bytes, commandFrame(0, 'K'));
    EXPECT_EQ(port.writes()[1].bytes, vx::dataFrame("0000112AB34CD56"));
    EXPECT_EQ(port.writes()[2].bytes, vx::dataFrame("00003Z9"));
    EXPECT_EQ(port.writes()[3].bytes, kEot);
}

TEST_F(CtlTest, TagUploadStopsAtTheFirstRefusal)
{
    const QString path = tempPath("codes.txt");
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("A\nB\nC\n");
    }
    device.then(kAck).then(kAck).then(QByteArray(1, vx::NAK));
    auto r = run({"tags", "upload", path});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.err.contains("line 2: ErrCode: -3, VX_ERR_ACK_NOT_GET")) << r.err.toStdString();
    EXPECT_EQ(port.writes().size(), 3); // K, A, B: neither C nor the end of the list

    r = run({"tags", "upload", tempPath("missing.txt")});
    EXPECT_EQ(r.status, 3);
    EXPECT_TRUE(r.err.contains("missing.txt")) << r.err.toStdString();
}

TEST_F(CtlTest, TagListLongerThanTheTerminalHoldsIsAFileProblem)
{
    const QString path = tempPath("codes.txt");
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(QByteArray("C\n").repeated(32768));
    f.close();
    const auto r = run({"tags", "upload", path});
    EXPECT_EQ(r.status, 3);
    EXPECT_EQ(r.err, QStringLiteral("vx500ctl: %1: 32768 lines; a tag list holds at most 32767 codes\n").arg(path));
    EXPECT_EQ(port.openCount(), 0) << "checked before the port is opened";
}
