// Port numbers and names resolve to devices through the user's settings.
#include "SerialPort.h"
#include "UserSettings.h"

#include <QFile>

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

TEST(UserSettingsFile, CreatedReadableByItsOwnerOnly)
{
    const QString path = openUserSettings()->fileName();
    QFile::remove(path);
    {
        auto s = openUserSettings();
        s->setValue(QStringLiteral("Security/Password"), QStringLiteral("1234"));
        s->sync();
        ASSERT_EQ(s->status(), QSettings::NoError);
    }
    const auto others = QFileDevice::ReadGroup | QFileDevice::WriteGroup | QFileDevice::ExeGroup
        | QFileDevice::ReadOther | QFileDevice::WriteOther | QFileDevice::ExeOther;
    EXPECT_FALSE(QFile::permissions(path) & others);
    EXPECT_TRUE(QFile::permissions(path) & QFileDevice::ReadOwner);
    EXPECT_EQ(openUserSettings()->value(QStringLiteral("Security/Password")).toString(), "1234");
    QFile::remove(path);
}
