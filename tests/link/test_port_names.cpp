// Port numbers and names resolve to devices through the user's settings.
#include "SerialPort.h"
#include "UserSettings.h"

#include <gtest/gtest.h>

using namespace vx;

TEST(PortNames, NumbersMapThroughSettingsOrToTtyS)
{
    {
        auto s = openUserSettings();
        s->remove(QStringLiteral("Ports"));
        s->setValue(QStringLiteral("Ports/COM2"), QStringLiteral("/dev/ttyUSB0"));
        s->setValue(QStringLiteral("Ports/COM3"), QStringLiteral("not a path"));
    }
    EXPECT_EQ(resolveCommPort(1), "/dev/ttyS0");
    EXPECT_EQ(resolveCommPort(2), "/dev/ttyUSB0");
    EXPECT_EQ(resolveCommPort(3), "/dev/ttyS2");
    EXPECT_EQ(resolveCommPort(16), "/dev/ttyS15");

    EXPECT_EQ(resolvePortName("com2"), "/dev/ttyUSB0");
    EXPECT_EQ(resolvePortName("COM16"), "/dev/ttyS15");
    EXPECT_EQ(resolvePortName("COM17"), "COM17");
    EXPECT_EQ(resolvePortName("/dev/pts/7"), "/dev/pts/7");
    openUserSettings()->remove(QStringLiteral("Ports"));
}
