// Boundaries of the waits and frames, and failures in the middle of an exchange.
#include "LinkFixture.h"

#include <ctime>

using namespace vx;
using namespace vx::test;

namespace {
QList<ScriptDevice::Piece> dribble(const QByteArray &bytes, qint64 gap)
{
    QList<ScriptDevice::Piece> pieces;
    for (char c : bytes)
        pieces.append({gap, QByteArray(1, c)});
    return pieces;
}
} // namespace

TEST_F(LinkTest, APollIsSilentOnlyAfterMoreThanTwentyMilliseconds)
{
    vx->Timeout(20); // a budget of one poll
    device.then(dribble(frameOf("ABCDEF"), 20)).then(bytes({EOT}));
    QString text;
    vx->GetVersion(0, text);
    EXPECT_EQ(vx->ErrCode(), VX_SUCCESS);
    EXPECT_EQ(text, "ABCDEF");

    device.then(dribble(frameOf("ABCDEF"), 21)).then(bytes({EOT}));
    text.clear();
    vx->GetVersion(0, text);
    EXPECT_EQ(vx->ErrCode(), VX_ERR_TIMEOUT);
    EXPECT_TRUE(text.isEmpty());
}

TEST_F(LinkTest, SilenceAddsUpOverOneReply)
{
    // 150 gaps of 30 ms: each spends a poll, and 100 polls run out mid-frame.
    device.then(dribble(frameOf(QByteArray(150, 'x').constData()), 30)).then(bytes({EOT}));
    QString text = "old";
    vx->GetVersion(0, text);
    EXPECT_EQ(vx->ErrCode(), VX_ERR_TIMEOUT);
    EXPECT_EQ(text, "old");
}

TEST_F(LinkTest, CompleteFrameWinsOverACheckByteThatLooksLikeEot)
{
    // "15": 0x31 ^ 0x35 = 0x04, the value of EOT.
    ASSERT_EQ(calcBcc("15"), EOT);
    device.then(frameOf("15")).then(bytes({EOT}));
    QString text;
    vx->GetVersion(0, text);
    EXPECT_EQ(vx->ErrCode(), VX_SUCCESS);
    EXPECT_EQ(text, "15");
}

TEST_F(LinkTest, TagCountAsksWithBAndRefusesOverflow)
{
    device.then(frameOf("40000")).then(bytes({EOT}));
    qint16 tags = 9;
    vx->GetTagCount(0, tags);
    EXPECT_EQ(port->writes()[0].bytes, QByteArray::fromHex("05303042"));
    EXPECT_EQ(vx->ErrCode(), VX_ERR_INVALID_DATA);
    EXPECT_EQ(tags, 9);

    device.then(frameOf("1e999")).then(bytes({EOT}));
    vx->GetTagCount(0, tags);
    EXPECT_EQ(vx->ErrCode(), VX_ERR_INVALID_DATA);
    EXPECT_EQ(tags, 9);
    EXPECT_EQ(reports.size(), 2);
}

TEST_F(LinkTest, ClockReplyWithAnImpossibleTimeOfDay)
{
    device.then(frameOf("20081231256060")).then(bytes({EOT}));
    QDateTime when(QDate(2001, 2, 3), QTime(4, 5, 6));
    vx->GetTime(0, when);
    EXPECT_EQ(vx->ErrCode(), VX_ERR_INVALID_DATA);
    EXPECT_EQ(when, QDateTime(QDate(2001, 2, 3), QTime(4, 5, 6)));
}

TEST_F(LinkTest, ClockReplyInsideTheDaylightSavingGap)
{
    const QByteArray savedTz = qgetenv("TZ");
    qputenv("TZ", "Europe/Berlin");
    tzset();
    device.then(frameOf("20240331023000")).then(bytes({EOT}));
    QDateTime when;
    vx->GetTime(0, when);
    EXPECT_EQ(vx->ErrCode(), VX_SUCCESS);
    EXPECT_TRUE(when.isValid());
    EXPECT_EQ(when.date(), QDate(2024, 3, 31));
    EXPECT_EQ(when.time(), QTime(2, 30, 0));
    if (savedTz.isNull())
        qunsetenv("TZ");
    else
        qputenv("TZ", savedTz);
    tzset();
}

TEST_F(LinkTest, CableLostWhileWaitingForAnAck)
{
    device.silence();
    port->runAt(100, [this] { port->pullCable(); });
    vx->ClearData(0);
    EXPECT_EQ(vx->ErrCode(), VX_ERR_PORT_NOT_OPEN);
    ASSERT_EQ(reports.size(), 1);
    EXPECT_EQ(reports[0].number, kErrPortIo);
    EXPECT_EQ(port->writes().size(), 1); // no EOT after the lost ACK
}

TEST_F(LinkTest, AckThatCannotBeSentDeliversNoRecord)
{
    device.then(frameOf("0001,A"));
    vx->BeginDownload(0);
    port->failWrite({kErrPortIo, "write failed"});
    QString data = "untouched";
    vx->GetRecord(data);
    EXPECT_EQ(vx->ErrCode(), VX_ERR_PORT_NOT_OPEN);
    EXPECT_EQ(data, "untouched"); // the terminal still holds it
    EXPECT_EQ(reports.size(), 1);
}

TEST_F(LinkTest, StationFailuresKeepTheProgramTitleAndRestoreTheLine)
{
    device.then(bytes({ACK}));
    vx->PowerDown(0);
    ASSERT_TRUE(port->isOpen());
    port->failWrite({kErrPortIo, "write failed"});
    QString text = "old";
    vx->DS90_GetVersion(text);
    EXPECT_EQ(vx->ErrCode(), VX_ERR_PORT_NOT_OPEN);
    EXPECT_EQ(text, "old");
    ASSERT_EQ(reports.size(), 1);
    EXPECT_FALSE(reports[0].numberAsTitle);
    EXPECT_FALSE(port->isOpen());
    EXPECT_EQ(port->settings(), "19200,n,8,1");
    // The query closed the terminal's port before switching to 9600.
    EXPECT_EQ(port->openCount(), 2);

    // The device going away during the station's reply: the same title rule.
    reports.clear();
    device.silence();
    port->runAt(port->now() + 50, [this] { port->pullCable(); });
    vx->DS90_GetInformation(text);
    EXPECT_EQ(vx->ErrCode(), VX_ERR_PORT_NOT_OPEN);
    ASSERT_EQ(reports.size(), 1);
    EXPECT_FALSE(reports[0].numberAsTitle);
    EXPECT_EQ(port->settings(), "19200,n,8,1");

    // Terminal commands report with their number again.
    reports.clear();
    port->failOpen({kErrPortNotFound, "gone"});
    vx->PowerDown(0);
    ASSERT_EQ(reports.size(), 1);
    EXPECT_TRUE(reports[0].numberAsTitle);
}
