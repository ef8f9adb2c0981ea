// Value functions without I/O: status texts, numbers, line settings, port
// names. (Frames: the link's table in test_link.cpp.)
#include "terminal/Failure.h"
#include "linesettings/LineSettings.h"
#include "terminal/Numbers.h"
#include "portnames/PortNames.h"
#include "terminal/Status.h"
#include "TestFiles.h"

#include <QList>

#include <gtest/gtest.h>

#include <cerrno>
#include <cfenv>
#include <cmath>

using namespace vx;
using vx::test::kOnWindows;

TEST(Values, FailureAndStatusNumbersAndTexts)
{
    using K = FailureKind;
    const QList<std::tuple<K, int, const char *>> kinds = {
        {K::PortMissing, 8002, "No such device"}, {K::PortInUse, 8005, "The port is in use by another program"},
        {K::PortDenied, 8006, "Permission denied"}, {K::PortSettings, 8010, "The line settings were refused"},
        {K::PortClosed, 8012, "The port is not open"}, {K::PortIo, 8015, "Device I/O error"},
        {K::Overflow, 6, "Overflow"}, {K::BadData, 13, "Type mismatch"}, {K::FileIo, 57, "Device I/O error"},
        {K::DiskFull, 61, "Disk full"}, {K::FileDenied, 70, "Permission denied"}, {K::PathNotFound, 76, "Path not found"},
        {K::FileAccess, 75, "Path/File access error"}, {K::OutOfMemory, 7, "Out of memory"},
        {K::Internal, 51, "Internal error"}};
    for (const auto &[kind, number, text] : kinds) {
        EXPECT_EQ(Failure{kind}.number(), number);
        EXPECT_EQ(describe({kind}), text);
    }
    const QList<std::pair<int, K>> files = {
        {ENOSPC, K::DiskFull}, {ENOENT, K::PathNotFound}, {ENOTDIR, K::PathNotFound},
        {EACCES, K::FileDenied}, {EPERM, K::FileDenied}, {EROFS, K::FileDenied}, {EIO, K::FileIo},
        {EISDIR, K::FileAccess}, {0, K::FileAccess}};
    for (const auto &[systemError, kind] : files)
        EXPECT_EQ(fileFailureKind(systemError), kind) << systemError;
    const QList<std::pair<qint32, const char *>> texts = {
        {0, "VX_SUCCESS"}, {-1, "VX_ERR_TIMEOUT"}, {-2, "VX_ERR_PORT_NOT_OPEN"}, {-3, "VX_ERR_ACK_NOT_GET"},
        {-4, "VX_ERR_INVALID_BCC"}, {-5, "VX_ERR_EOT_NOT_GET"}, {-6, "VX_ERR_INVALID_DATA"},
        {1, "VX_ERR_UNKNOWN"}, {-7, "VX_ERR_UNKNOWN"}, {100, "VX_ERR_UNKNOWN"}};
    for (const auto &[code, text] : texts)
        EXPECT_STREQ(statusText(code), text) << code;
}

TEST(Values, NumbersRoundingAndHexFields)
{
    // text, leadingNumber, wholeNumber (NAN: none)
    const QList<std::tuple<const char *, double, double>> numbers = {
        {"123", 123, 123}, {" 1 2\t3\n", 123, NAN}, {"12.5", 12.5, 12.5}, {".5", 0.5, 0.5}, {"-7abc", -7, NAN},
        {"1e3", 1000, 1000}, {"1D2", 100, 100}, {"1e", 1, NAN}, {"&H1F", 31, 31}, {"&hffff", -1, -1},
        {"&H10000", 65536, 65536}, {"&HFFFFFFFF", -1, -1}, {"&HFFFFFFFFFFF", 17592186044415.0, 17592186044415.0}, {"&O17", 15, 15}, {"&O8", 0, NAN}, {"A", 0, NAN},
        {"", 0, NAN}, {"  ", 0, NAN}, {".", 0, NAN}, {"-", 0, NAN}, {"1\r2", 1, NAN}, {" 0 ", 0, 0}};
    for (const auto &[text, leading, whole] : numbers) {
        SCOPED_TRACE(text);
        EXPECT_EQ(leadingNumber(text), leading);
        const auto w = wholeNumber(text);
        EXPECT_EQ(w.has_value(), !std::isnan(whole));
        if (w && !std::isnan(whole)) {
            EXPECT_EQ(*w, whole);
        }
    }
    EXPECT_TRUE(std::isinf(leadingNumber("1e999")));
    const QList<std::pair<double, int>> rounded = {
        {12.5, 12}, {13.5, 14}, {-0.5, 0}, {-1.5, -2}, {32767.4, 32767}, {32767.5, 99999}, {-32768.5, -32768},
        {-32769, 99999}, {NAN, 99999}, {INFINITY, 99999}};
    std::fesetround(FE_UPWARD); // the caller's rounding mode neither counts nor changes
    for (const auto &[value, expected] : rounded)
        EXPECT_EQ(toInt16(value) ? int(*toInt16(value)) : 99999, expected) << value;
    EXPECT_EQ(std::fegetround(), FE_UPWARD);
    std::fesetround(FE_TONEAREST);
    const QList<std::pair<const char *, qint64>> fields = {
        {"00FF", 255}, {"00ff", 255}, {"FFFF", -1}, {"8000", -32768}, {"10000", 65536}, {"7FFFFFFF", 2147483647},
        {"80000000", -2147483648LL}, {"0000FFFF", -1}, {" 1 F ", 31}, {"1G", 1}, {"", 0}, {"@xyz", 0},
        {"000000001", 1}, {"100000000", 99999}, {"Aa0fF", 0xAA0FF}};
    for (const auto &[field, expected] : fields)
        EXPECT_EQ(hexFieldValue(field).value_or(99999), expected) << field;
}

TEST(Values, LineSettingsAndPortNames)
{
    using P = LineSettings::Parity;
    using S = LineSettings::StopBits;
    const QList<std::pair<const char *, LineSettings>> good = {
        {"19200,n,8,1", kTerminalLine}, {"9600,n,8,1", kStationLine}, {"1200,e,7,2", {1200, P::Even, 7, S::Two}},
        {"300,o,5,1.5", {300, P::Odd, 5, S::OneAndHalf}}, {"110,m,6,1", {110, P::Mark, 6, S::One}},
        {"57600,s,8,2", {57600, P::Space, 8, S::Two}}};
    for (const auto &[text, settings] : good) {
        EXPECT_EQ(LineSettings::parse(text), settings) << text;
        EXPECT_EQ(settings.toString(), text);
    }
    EXPECT_EQ(LineSettings::parse(" 9600 , N , 8 , 1 "), kStationLine);
    for (const char *bad : {"", "19200,n,8", "19200,n,8,1,1", "0,n,8,1", "x,n,8,1", "19200,x,8,1", "19200,n,9,1",
                            "19200,n,4,1", "19200,n,8,3", "19200,nn,8,1"})
        EXPECT_FALSE(LineSettings::parse(bad)) << bad;
    // COMn is the Windows port itself; Linux's serial ports count from 0.
    EXPECT_EQ(defaultCommPort(1), kOnWindows ? "COM1" : "/dev/ttyS0");
    EXPECT_EQ(commNumber(" com2 "), 2);
    for (const char *other : {"COM0", "COM17", "COM", "COM1x", "/dev/ttyS0", ""})
        EXPECT_FALSE(commNumber(other)) << other;
    EXPECT_EQ(mappedCommPort(2, " /dev/ttyUSB0 "), kOnWindows ? "COM2" : "/dev/ttyUSB0"); // no mapping there
    EXPECT_EQ(mappedCommPort(3, "not a path"), defaultCommPort(3));
    // On Windows a list entry stands for any port of the system.
    EXPECT_EQ(mappedCommPort(5, " \\\\.\\com256 "), kOnWindows ? "COM256" : "/dev/ttyS4");
    for (const char *bad : {"COM0", "COM257", "COM017", R"(\\COM1)", R"(\\.\)", "COM1x"})
        EXPECT_FALSE(windowsPortName(bad)) << bad;
    EXPECT_EQ(mappedCommPort(4, ""), defaultCommPort(4));
}
