// The user's settings file, shared by every program.
#include "UserSettings.h"

#include <QFile>

#include <gtest/gtest.h>

using namespace vx;

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
