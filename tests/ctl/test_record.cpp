// What the tool adds to the first-field conversion and the data-file line it
// shares with the monitor: whether a field can be converted (the warning), and
// the line's bytes. The conversion's cases are in tests/app/tst_Download.cpp;
// the data file is checked by both programs' download tests.
#include "DataFile.h"
#include "Record.h"

#include <gtest/gtest.h>

TEST(ConvertFirstField, MoreThanEightSignificantDigitsAreNotConvertible)
{
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
