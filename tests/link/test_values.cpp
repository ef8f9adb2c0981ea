// Frame layouts, status texts and number reading: value functions without I/O.
#include "Frame.h"
#include "Numbers.h"
#include "Status.h"

#include <gtest/gtest.h>

using namespace vx;

TEST(Frames, MachineNumberIsTheLowByteInUpperCaseHex)
{
    EXPECT_EQ(hexId(0), "00");
    EXPECT_EQ(hexId(1), "01");
    EXPECT_EQ(hexId(26), "1A");
    EXPECT_EQ(hexId(255), "FF");
    EXPECT_EQ(hexId(256), "00");
    EXPECT_EQ(hexId(300), "2C");
    EXPECT_EQ(hexId(-1), "FF");
    EXPECT_EQ(hexId(-32768), "00");
    EXPECT_EQ(commandFrame(0, 'A'), QByteArray::fromHex("05303041"));
    EXPECT_EQ(commandFrame(10, 'S'), QByteArray::fromHex("05304153"));
}

TEST(Frames, DataFrameCarriesTheXorOfItsData)
{
    EXPECT_EQ(dataFrame("A"), QByteArray::fromHex("02410341"));
    EXPECT_EQ(dataFrame("12"), QByteArray::fromHex("0231320303"));
    EXPECT_EQ(dataFrame(""), QByteArray::fromHex("020300"));
    EXPECT_EQ(calcBcc(""), 0);
    const QByteArray digits("20090105070809");
    EXPECT_EQ(calcBcc(digits), 0x09);
    EXPECT_EQ(dataFrame("0123412AB34CD56").back(), char(0x37));
}

TEST(Frames, CheckBccWantsFourBytesAndTheRightCheck)
{
    EXPECT_TRUE(checkBcc(QByteArray::fromHex("0231320303")));
    EXPECT_FALSE(checkBcc(QByteArray::fromHex("0231320300")));
    EXPECT_FALSE(checkBcc(QByteArray::fromHex("020300")));
    EXPECT_FALSE(checkBcc(QByteArray()));
    // The first byte is not part of the check, whatever it is.
    EXPECT_TRUE(checkBcc(QByteArray::fromHex("FF31320303")));
}

TEST(Frames, StationRequestsAndHexDump)
{
    EXPECT_EQ(stationRequest('V'), QByteArray::fromHex("05423030560D"));
    EXPECT_EQ(stationRequest('N'), QByteArray::fromHex("054230304E0D"));
    EXPECT_EQ(hexDump(QByteArray::fromHex("05303041")), "05 30 30 41");
    EXPECT_EQ(hexDump(QByteArray()), "");
}

TEST(Frames, LineTextKeepsEveryByte)
{
    QByteArray all;
    for (int i = 0; i < 256; ++i)
        all.append(static_cast<char>(i));
    EXPECT_EQ(toLine(fromLine(all)), all);
}

TEST(Status, TextsOfEveryCode)
{
    EXPECT_STREQ(statusText(0), "VX_SUCCESS");
    EXPECT_STREQ(statusText(-1), "VX_ERR_TIMEOUT");
    EXPECT_STREQ(statusText(-2), "VX_ERR_PORT_NOT_OPEN");
    EXPECT_STREQ(statusText(-3), "VX_ERR_ACK_NOT_GET");
    EXPECT_STREQ(statusText(-4), "VX_ERR_INVALID_BCC");
    EXPECT_STREQ(statusText(-5), "VX_ERR_EOT_NOT_GET");
    EXPECT_STREQ(statusText(-6), "VX_ERR_INVALID_DATA");
    EXPECT_STREQ(statusText(1), "VX_ERR_UNKNOWN");
    EXPECT_STREQ(statusText(100), "VX_ERR_UNKNOWN");
    EXPECT_STREQ(statusText(-7), "VX_ERR_UNKNOWN");
}

TEST(Numbers, LeadingNumberReadsLikeTheClassicVal)
{
    EXPECT_EQ(leadingNumber("123"), 123);
    EXPECT_EQ(leadingNumber(" 1 2\t3\n"), 123);
    EXPECT_EQ(leadingNumber("12.5"), 12.5);
    EXPECT_EQ(leadingNumber("-7abc"), -7);
    EXPECT_EQ(leadingNumber("1e3"), 1000);
    EXPECT_EQ(leadingNumber("1D2"), 100);
    EXPECT_EQ(leadingNumber("1e"), 1);
    EXPECT_EQ(leadingNumber("&H1F"), 31);
    EXPECT_EQ(leadingNumber("&hffff"), -1);
    EXPECT_EQ(leadingNumber("&H10000"), 65536);
    EXPECT_EQ(leadingNumber("&HFFFFFFFF"), -1);
    EXPECT_EQ(leadingNumber("&O17"), 15);
    EXPECT_EQ(leadingNumber("&O8"), 0);
    EXPECT_EQ(leadingNumber("A"), 0);
    EXPECT_EQ(leadingNumber(""), 0);
    EXPECT_EQ(leadingNumber("."), 0);
    EXPECT_EQ(leadingNumber("-"), 0);
    EXPECT_EQ(leadingNumber(".5"), 0.5);
    EXPECT_EQ(leadingNumber("1\r2"), 1); // only blanks, tabs and line feeds are skipped
    EXPECT_FALSE(toInt16(leadingNumber("1e999")));
}

TEST(Numbers, WholeNumberRejectsAnythingElse)
{
    EXPECT_EQ(wholeNumber("1"), 1.0);
    EXPECT_EQ(wholeNumber(" 0 "), 0.0);
    EXPECT_EQ(wholeNumber("&H2"), 2.0);
    EXPECT_EQ(wholeNumber("2.5"), 2.5);
    EXPECT_FALSE(wholeNumber(""));
    EXPECT_FALSE(wholeNumber("  "));
    EXPECT_FALSE(wholeNumber("1x"));
    EXPECT_FALSE(wholeNumber("yes"));
    EXPECT_FALSE(wholeNumber("-"));
}

TEST(Numbers, RoundingHalvesToEvenWithinSixteenBits)
{
    EXPECT_EQ(toInt16(12.5), 12);
    EXPECT_EQ(toInt16(13.5), 14);
    EXPECT_EQ(toInt16(-0.5), 0);
    EXPECT_EQ(toInt16(-1.5), -2);
    EXPECT_EQ(toInt16(32767.4), 32767);
    EXPECT_FALSE(toInt16(32767.5));
    EXPECT_EQ(toInt16(-32768.5), -32768);
    EXPECT_FALSE(toInt16(-32769));
    EXPECT_FALSE(toInt16(33000));
    EXPECT_FALSE(toInt16(std::numeric_limits<double>::quiet_NaN()));
    EXPECT_FALSE(toInt16(std::numeric_limits<double>::infinity()));
}

TEST(Numbers, HexFirstFieldBySize)
{
    EXPECT_EQ(hexFieldValue("00FF"), 255);
    EXPECT_EQ(hexFieldValue("FFFF"), -1);
    EXPECT_EQ(hexFieldValue("8000"), -32768);
    EXPECT_EQ(hexFieldValue("10000"), 65536);
    EXPECT_EQ(hexFieldValue("7FFFFFFF"), 2147483647);
    EXPECT_EQ(hexFieldValue("80000000"), std::numeric_limits<qint32>::min());
    EXPECT_EQ(hexFieldValue("FFFFFFFF"), -1);
    EXPECT_EQ(hexFieldValue("0000FFFF"), -1);
    EXPECT_EQ(hexFieldValue(" 1 F "), 31);
    EXPECT_EQ(hexFieldValue("1G"), 1);
    EXPECT_EQ(hexFieldValue(""), 0);
    EXPECT_EQ(hexFieldValue("xyz"), 0);
    EXPECT_EQ(hexFieldValue("000000001"), 1);
    EXPECT_FALSE(hexFieldValue("100000000"));
}
