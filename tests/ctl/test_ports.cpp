// The port listing and the COMn mapping that the monitor shares.
#include "CtlFixture.h"
#include "Ports.h"
#include "SettingsFile.h"

using namespace vx::test;

TEST_F(CtlTest, ListingShowsPortsWithTheirNamesAndTheMapping)
{
    ASSERT_TRUE(writeFileBytes(settingsPath(), "[Connect]\nComport=1\n[Ports]\nCOM5=/dev/ttyUSB0\nCOM6=ttyUSB1\n"));
    vx::ctl::SettingsFile settings;
    ASSERT_TRUE(settings.load());
    const vx::ctl::PortEntry usb{"/dev/ttyUSB0", "FT232R USB UART", "FTDI", "A12345",
                                 {"/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A12345-if00-port0"}};
    const QStringList lines = vx::ctl::describePorts({usb, {"/dev/ttyS0", "", "", "", {}}}, settings);
    EXPECT_EQ(lines.mid(0, 9), QStringList({"/dev/ttyUSB0  FT232R USB UART, FTDI, serial number A12345",
                                            "    /dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A12345-if00-port0",
                                            "/dev/ttyS0", "", "COM ports:", "COM1   /dev/ttyS0",
                                            "COM2   /dev/ttyS1  (the monitor's port)", "COM3   /dev/ttyS2",
                                            "COM4   /dev/ttyS3"}));
    EXPECT_EQ(lines.mid(9, 2), QStringList({"COM5   /dev/ttyUSB0  (mapped)", "COM6   /dev/ttyS5"}));
    EXPECT_EQ(lines.last(), "COM16  /dev/ttyS15");
    EXPECT_EQ(lines.size(), 21);
    EXPECT_EQ(vx::ctl::describePorts({}, settings).first(), "No serial ports found.");
    const auto objects = vx::ctl::portObjects({usb, {"/dev/ttyACM0", "", "", "", {}}}, settings);
    ASSERT_EQ(objects.size(), 17);
    EXPECT_EQ(vx::ctl::jsonLine(objects.at(4)),
              R"({"port":"COM5","device":"/dev/ttyUSB0","present":true,"mapped":true,"monitor":false,)"
              R"("description":"FT232R USB UART","manufacturer":"FTDI","serialNumber":"A12345",)"
              R"("byId":["/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A12345-if00-port0"]})" "\n");
    EXPECT_EQ(vx::ctl::jsonLine(objects.at(16)), R"({"port":null,"device":"/dev/ttyACM0","present":true,"mapped":false,)"
                                                 R"("monitor":false,"description":"","manufacturer":"","serialNumber":"","byId":[]})" "\n");
}

TEST_F(CtlTest, MapAndUnmapChangeWhatTheMonitorOpens)
{
    expectRun({"ports", "--map", "com3=/dev/serial/by-id/usb-test-if00"}, 0, "COM3 = /dev/serial/by-id/usb-test-if00\n",
              "note: /dev/serial/by-id/usb-test-if00 does not exist at the moment\n");
    EXPECT_EQ(fileBytes(settingsPath()), "[Ports]\nCOM3=/dev/serial/by-id/usb-test-if00\n");
    expectRun({"ports", "--unmap", "COM3"}, 0, "COM3 = /dev/ttyS2\n", "");
    EXPECT_FALSE(fileBytes(settingsPath()).contains("COM3"));
    const QByteArray listing = run({"ports"}).out;
    EXPECT_TRUE(listing.contains("\nCOM ports:\nCOM1   /dev/ttyS0  (the monitor's port)\nCOM2   /dev/ttyS1\nCOM3   /dev/ttyS2\n")
                && listing.endsWith("\nCOM16  /dev/ttyS15\n")) << listing.constData();
    EXPECT_TRUE(run({"--json", "ports"}).out.contains("\n{\"port\":\"COM16\",\"device\":\"/dev/ttyS15\","));
    EXPECT_EQ(port.openCount(), 0);
}
