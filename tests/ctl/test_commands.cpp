// What only a scripted terminal can show: failure statuses the simulator does
// not produce, ports that cannot be opened, the time budget, the clear prompt
// on a terminal and tag files refused. The ordinary output of each command is
// checked against the simulator in test_end_to_end.cpp.
#include "CtlFixture.h"

#include <QFile>

using namespace vx::test;

TEST_F(CtlTest, TextsArePrintedAsReceived)
{
    device.then(frameOf(" VX500A \xE9 V2.10")).then(kEot);
    const auto r = run({"version"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, QByteArray(" VX500A \xE9 V2.10\n"));
}

TEST_F(CtlTest, FailureStatusExitsOneWithTheCode)
{
    device.then(vx::test::frameOf("42").chopped(1) + '\x00');
    auto r = run({"count"});
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
    const qint64 custom = silentFor({"--timeout", "500", "station", "info"}); // the station's too
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

TEST_F(CtlTest, TagDownloadFailureNamesTheCommand)
{
    device.then(frameOf("X")); // then silence
    const auto r = run({"tags", "download"});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.err.contains("tags download: ErrCode: -1, VX_ERR_TIMEOUT")) << r.err.toStdString();
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
