// The port listing and the COMn mapping that the monitor shares.
#include "CtlFixture.h"
#include "TestFiles.h"
#include "Ports.h"
#include "SerialPort.h"

#include <QFile>
#include <QRegularExpression>

using namespace vx::test;

TEST_F(CtlTest, ListingShowsPortsWithTheirNamesAndTheMapping)
{
    const auto settings = vx::openUserSettings();
    settings->setValue("Connect/Comport", "1");
    settings->setValue("Ports/COM5", "/dev/ttyUSB0");
    settings->sync();
    vx::ctl::PortEntry usb{"/dev/ttyUSB0", "FT232R USB UART", "FTDI", "A12345",
                           {"/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A12345-if00-port0"}};
    vx::ctl::PortEntry plain{"/dev/ttyS0", "", "", "", {}};
    const QString text = vx::ctl::describePorts({usb, plain});
    EXPECT_TRUE(text.contains("/dev/ttyUSB0  FT232R USB UART, FTDI, serial number A12345\n"
                              "    /dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A12345-if00-port0\n"))
        << text.toStdString();
    EXPECT_TRUE(text.contains("\n/dev/ttyS0\n"));
    EXPECT_TRUE(text.contains("COM1   /dev/ttyS0\n"));
    EXPECT_TRUE(text.contains("COM2   /dev/ttyS1  (the monitor's port)\n"));
    EXPECT_TRUE(text.contains("COM5   /dev/ttyUSB0  (mapped)\n"));
    EXPECT_TRUE(text.contains("COM16  /dev/ttyS15\n"));
    EXPECT_EQ(text.count(QRegularExpression("^COM[0-9]", QRegularExpression::MultilineOption)), 16);
}

TEST_F(CtlTest, NoPortsSaysSo)
{
    EXPECT_TRUE(vx::ctl::describePorts({}).startsWith("No serial ports found.\n"));
}

TEST_F(CtlTest, MapAndUnmapChangeWhatTheMonitorOpens)
{
    auto r = run({"ports", "--map", "COM3=/dev/serial/by-id/usb-test-if00"});
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, QByteArray("COM3 = /dev/serial/by-id/usb-test-if00\n"));
    EXPECT_EQ(vx::resolveCommPort(3), "/dev/serial/by-id/usb-test-if00");
    EXPECT_EQ(vx::openUserSettings()->value("Ports/COM3").toString(), "/dev/serial/by-id/usb-test-if00");

    r = run({"ports", "--unmap", "com3"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, QByteArray("COM3 = /dev/ttyS2\n"));
    EXPECT_FALSE(vx::openUserSettings()->contains("Ports/COM3"));
    EXPECT_EQ(port.openCount(), 0);
}

TEST_F(CtlTest, ListingCommandPrintsTheMapping)
{
    const auto r = run({"ports"});
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(r.out.contains("COM ports:\n"));
    EXPECT_TRUE(r.out.contains("COM1   /dev/ttyS0  (the monitor's port)\n")) << r.out.toStdString();
}

TEST_F(CtlTest, UnreadableSettingsFileIsNeitherMappedNorRewritten)
{
    const QString path = vx::openUserSettings()->fileName();
    static const char garbage[] = "\x00\x01\x02 binary \xFF\xFE\n[Ports\n";
    // A line without "=" in a section, and bytes that are no settings at all.
    for (const QByteArray &bad : {QByteArray("[Connect]\nComport=3\nthis line has no equals\n"),
                                  QByteArray(garbage, sizeof garbage - 1)}) {
        // Each case with a file of its own size: QSettings keeps a file it has
        // read in a cache for as long as its size and time stay the same.
        QByteArray file = bad;
        for (const QStringList &args : {QStringList{"ports", "--map", "COM4=/dev/ttyUSB0"},
                                        QStringList{"ports", "--unmap", "COM4"}}) {
            file += '\n';
            ASSERT_TRUE(writeFileBytes(path, file));
            const auto r = run(args);
            EXPECT_EQ(r.status, 3) << qPrintable(args.join(' '));
            EXPECT_EQ(r.err, QStringLiteral("vx500ctl: %1 is not a readable settings file; not changed\n").arg(path));
            EXPECT_TRUE(r.out.isEmpty());
            EXPECT_EQ(fileBytes(path), file) << qPrintable(args.join(' '));
        }
    }
}
