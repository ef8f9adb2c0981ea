// Port numbers and names: value functions, and the resolver the link is handed.
#include "PortNames.h"
#include "UserSettings.h"

#include <QFile>

#include <gtest/gtest.h>

using namespace vx;

TEST(PortNames, NumbersNamesAndMappings)
{
    EXPECT_EQ(defaultCommPort(1), "/dev/ttyS0");
    EXPECT_EQ(defaultCommPort(16), "/dev/ttyS15");
    EXPECT_EQ(portMapKey(3), "Ports/COM3");
    EXPECT_EQ(commNumber(" com2 "), 2);
    EXPECT_EQ(commNumber("COM16"), 16);
    for (const char *other : {"COM0", "COM17", "COM", "COM1x", "/dev/ttyS0", ""})
        EXPECT_FALSE(commNumber(other)) << other;
    EXPECT_EQ(mappedCommPort(2, " /dev/ttyUSB0 "), "/dev/ttyUSB0");
    EXPECT_EQ(mappedCommPort(3, "not a path"), "/dev/ttyS2");
    EXPECT_EQ(mappedCommPort(4, ""), "/dev/ttyS3");
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
