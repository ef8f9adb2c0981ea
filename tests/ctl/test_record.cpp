// The first-field conversion and the data file, shared with the monitor.
#include "DataFile.h"
#include "Record.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using vx::convertFirstField;

namespace {

QByteArray contents(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

} // namespace

TEST(ConvertFirstField, SixteenBitValuesAreSigned)
{
    EXPECT_EQ(convertFirstField("00FF,x,y"), "255,x,y");
    EXPECT_EQ(convertFirstField("FFFF,1"), "-1,1");
    EXPECT_EQ(convertFirstField("8000,a"), "-32768,a");
    EXPECT_EQ(convertFirstField("7FFF,a"), "32767,a");
    EXPECT_EQ(convertFirstField("ffff,lower"), "-1,lower");
}

TEST(ConvertFirstField, WiderValuesAreSignedThirtyTwoBit)
{
    EXPECT_EQ(convertFirstField("10000,a"), "65536,a");
    EXPECT_EQ(convertFirstField("FFFFFFFF,a"), "-1,a");
    EXPECT_EQ(convertFirstField("80000000,a"), "-2147483648,a");
    EXPECT_EQ(convertFirstField("7FFFFFFF,a"), "2147483647,a");
    EXPECT_EQ(convertFirstField("00000000FF,a"), "255,a"); // leading zeros are not significant
}

TEST(ConvertFirstField, FieldsAroundTheFirstStayAsTheyAre)
{
    EXPECT_EQ(convertFirstField("0A,,x,,"), "10,,x,,");
    EXPECT_EQ(convertFirstField("0A, spaced ,\t"), "10, spaced ,\t");
    EXPECT_EQ(convertFirstField(",a,b"), "0,a,b");
    EXPECT_EQ(convertFirstField(""), "0");
}

TEST(ConvertFirstField, LineWithoutCommaBecomesItsValue)
{
    EXPECT_EQ(convertFirstField("1F"), "31");
    EXPECT_EQ(convertFirstField("1Fzz"), "31");
    EXPECT_EQ(convertFirstField("zz"), "0");
}

TEST(ConvertFirstField, BlanksInTheFirstFieldAreIgnored)
{
    EXPECT_EQ(convertFirstField(" 1 F ,a"), "31,a");
    EXPECT_EQ(convertFirstField("\t00FF\n,a"), "255,a");
    EXPECT_EQ(convertFirstField("12G4,a"), "18,a"); // reading stops at the first other character
}

TEST(ConvertFirstField, MoreThanEightSignificantDigitsLeaveTheLineUnchanged)
{
    EXPECT_EQ(convertFirstField("100000000,a,b"), "100000000,a,b");
    EXPECT_EQ(convertFirstField("123456789"), "123456789");
    EXPECT_FALSE(vx::firstFieldConvertible("100000000,a"));
    EXPECT_TRUE(vx::firstFieldConvertible("0000000012345678,a"));
    EXPECT_TRUE(vx::firstFieldConvertible("x"));
}

TEST(DataFileLine, LatinOneBytesAndCrLf)
{
    EXPECT_EQ(vx::dataFileLine("255,x"), QByteArray("255,x\r\n"));
    EXPECT_EQ(vx::dataFileLine(QString::fromLatin1("1,\xE9\xFF")), QByteArray("1,\xE9\xFF\r\n"));
    EXPECT_EQ(vx::dataFileLine(""), QByteArray("\r\n"));
}

TEST(DataFile, CreatesThenAppends)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("VX.txt");
    {
        vx::DataFile f;
        ASSERT_TRUE(f.openAppend(path)) << f.errorString().toStdString();
        EXPECT_TRUE(f.writeLine("1,a"));
        EXPECT_TRUE(f.sync());
    }
    {
        vx::DataFile f;
        ASSERT_TRUE(f.openAppend(path));
        EXPECT_TRUE(f.writeLine("2,b"));
        f.close();
    }
    EXPECT_EQ(contents(path), QByteArray("1,a\r\n2,b\r\n"));
}

TEST(DataFile, LinesReachTheFileBeforeClosing)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("live.txt");
    vx::DataFile f;
    ASSERT_TRUE(f.openAppend(path));
    ASSERT_TRUE(f.writeLine("7,x"));
    EXPECT_EQ(contents(path), QByteArray("7,x\r\n"));
}

TEST(DataFile, MissingFolderIsNamedInTheError)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("no-such-folder/VX.txt");
    vx::DataFile f;
    EXPECT_FALSE(f.openAppend(path));
    EXPECT_TRUE(f.errorString().startsWith(path)) << f.errorString().toStdString();
    EXPECT_FALSE(f.isOpen());
}

TEST(DataFile, FullDeviceFailsTheWrite)
{
    if (!QFile::exists("/dev/full"))
        GTEST_SKIP() << "no /dev/full here";
    vx::DataFile f;
    ASSERT_TRUE(f.openAppend("/dev/full"));
    EXPECT_FALSE(f.writeLine("1,a"));
    EXPECT_TRUE(f.errorString().startsWith("/dev/full: ")) << f.errorString().toStdString();
}
