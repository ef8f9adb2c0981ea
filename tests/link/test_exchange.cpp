// Reply waits, frame receipt and the port opening rule, in virtual time.
#include "LinkFixture.h"

using namespace vx;
using namespace vx::test;

TEST_F(LinkTest, QueryExchangeLineDialogue)
{
    device.then(frameOf("12")).then(bytes({EOT}));
    qint16 count = -9;
    vx->GetRecordCount(0, count);
    EXPECT_EQ(vx->ErrCode(), 0);
    EXPECT_EQ(count, 12);
    ASSERT_EQ(port->writes().size(), 2);
    EXPECT_EQ(port->writes()[0].bytes, QByteArray::fromHex("05303041"));
    EXPECT_EQ(port->writes()[1].bytes, bytes({ACK}));
    // The reply is handled when it arrives, not at the next 20 ms tick.
    EXPECT_LT(port->writes()[1].at, 10);
}

TEST_F(LinkTest, SilentTerminalSpendsTheWholeBudget)
{
    vx->Timeout(3000);
    device.silence();
    QString version = "before";
    vx->GetVersion(0, version);
    EXPECT_EQ(vx->ErrCode(), VX_ERR_TIMEOUT);
    EXPECT_EQ(version, "before");
    // 150 silent polls of more than 20 ms each.
    EXPECT_GT(port->now(), 3000);
    EXPECT_LT(port->now(), 3020);
    EXPECT_EQ(vx->ErrMessage(), "VX_ERR_TIMEOUT");
}

TEST_F(LinkTest, TinyAndHugeBudgetsStillWork)
{
    vx->Timeout(10); // below one poll: still one poll
    device.silence();
    vx->PowerDown(0);
    EXPECT_EQ(vx->ErrCode(), VX_ERR_TIMEOUT);
    EXPECT_GT(port->now(), 20);

    const qint64 before = port->now();
    vx->Timeout(700000); // beyond what sixteen bits of polls could hold
    device.then(bytes({ACK}), 650000);
    vx->PowerDown(0);
    EXPECT_EQ(vx->ErrCode(), VX_SUCCESS);
    EXPECT_TRUE(reports.isEmpty());
    EXPECT_GE(port->now() - before, 650000);

    vx->Timeout(-5000);
    device.silence();
    vx->PowerDown(0);
    EXPECT_EQ(vx->ErrCode(), VX_ERR_TIMEOUT);
}

TEST_F(LinkTest, BudgetCountsSilenceNotTheLengthOfTheReply)
{
    // A reply dribbling in one byte every 15 ms for 3 s never runs out of a
    // 100-poll budget: no poll is silent.
    QByteArray reply = frameOf(QByteArray(200, 'x').constData());
    QList<ScriptDevice::Piece> pieces;
    for (char c : reply)
        pieces.append({15, QByteArray(1, c)});
    device.then(pieces).then(bytes({EOT}));
    QString version;
    vx->GetVersion(0, version);
    EXPECT_EQ(vx->ErrCode(), VX_SUCCESS);
    EXPECT_EQ(version, QString(200, 'x'));
    EXPECT_GT(port->now(), 2000);
}

TEST_F(LinkTest, ReceiveFrameOutcomes)
{
    struct Case {
        const char *name;
        QList<ScriptDevice::Piece> reply;
        qint32 status;
        QString data;
    };
    const QList<Case> cases = {
        {"good", {{5, QByteArray::fromHex("0231320303")}}, VX_SUCCESS, "12"},
        {"split", {{5, QByteArray::fromHex("0231")}, {60, QByteArray::fromHex("320303")}}, VX_SUCCESS, "12"},
        {"bad check", {{5, QByteArray::fromHex("0231320300")}}, VX_ERR_INVALID_BCC, "old"},
        {"empty payload", {{5, QByteArray::fromHex("020300")}}, VX_ERR_INVALID_BCC, "old"},
        {"lone EOT", {{5, bytes({EOT})}}, VX_END_OF_STREAM, "old"},
        {"EOT after partial", {{5, QByteArray::fromHex("023104")}}, VX_END_OF_STREAM, "old"},
        {"frame plus byte", {{5, QByteArray::fromHex("0231033104")}}, VX_END_OF_STREAM, "old"},
        {"partial then silence", {{5, QByteArray::fromHex("023132")}}, VX_ERR_TIMEOUT, "old"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        port->clearWrites();
        device.then(c.reply).then(bytes({EOT}));
        QString data = "old";
        vx->GetVersion(0, data);
        EXPECT_EQ(vx->ErrCode(), c.status);
        EXPECT_EQ(data, c.data);
        // ACK only after a good frame.
        EXPECT_EQ(port->writes().size(), c.status == VX_SUCCESS ? 2 : 1);
        while (device.pending())
            device.received({}, *port); // drop what this case did not use
        port->advance(5000);
        port->readAll();
    }
}

TEST_F(LinkTest, EndlessLineWithoutFrameGivesUp)
{
    // Noise that never forms a frame nor holds an EOT: no endless wait.
    QList<ScriptDevice::Piece> noise;
    for (int i = 0; i < 80; ++i)
        noise.append({1, QByteArray(1024, 'Z')});
    device.then(noise);
    QString data = "old";
    vx->GetVersion(0, data);
    EXPECT_EQ(vx->ErrCode(), VX_ERR_TIMEOUT);
    EXPECT_EQ(data, "old");
    EXPECT_LT(port->now(), 200);
}

TEST_F(LinkTest, WrongFirstByteFailsAtOnce)
{
    device.then(QByteArray::fromHex("1506"));
    vx->SetTime(0, QDateTime(QDate(2009, 1, 5), QTime(7, 8, 9)));
    EXPECT_EQ(vx->ErrCode(), VX_ERR_ACK_NOT_GET);
    EXPECT_EQ(port->writes().size(), 1); // no data frame follows
    EXPECT_LT(port->now(), 20);

    device.then(frameOf("V1")).then(bytes({ACK}));
    QString version = "old";
    vx->GetVersion(0, version);
    EXPECT_EQ(vx->ErrCode(), VX_ERR_EOT_NOT_GET);
    EXPECT_EQ(version, "old"); // data before a failed EOT wait are dropped
}

TEST_F(LinkTest, StaleBytesAreDiscardedBeforeACommand)
{
    device.then(bytes({ACK}));
    vx->PowerDown(0);
    ASSERT_EQ(vx->ErrCode(), VX_SUCCESS);
    port->arriveAfter(1, bytes({ACK}));
    port->advance(50); // a stray ACK waits in the buffer
    device.silence();
    vx->PowerDown(0);
    EXPECT_EQ(vx->ErrCode(), VX_ERR_TIMEOUT);
}

TEST_F(LinkTest, PortOpensOnceAndStaysOpen)
{
    device.then(bytes({ACK})).then(bytes({ACK}));
    vx->PowerDown(0);
    vx->PowerDown(0);
    EXPECT_EQ(port->openCount(), 1);
    EXPECT_TRUE(port->isOpen());

    vx->CommPort(3); // closes; the next command opens on the new number
    EXPECT_FALSE(port->isOpen());
    EXPECT_EQ(vx->CommPort(), 3);
    EXPECT_EQ(vx->PortName(), "/dev/ttyS2");
    vx->CommPort(4); // closed: only the number changes
    EXPECT_EQ(port->closeCount(), 1);
    device.then(bytes({ACK}));
    vx->PowerDown(0);
    EXPECT_EQ(port->openCount(), 2);
    EXPECT_EQ(port->portName(), "/dev/ttyS3");

    vx->Disconnect();
    vx->Disconnect();
    EXPECT_FALSE(port->isOpen());
    EXPECT_EQ(port->closeCount(), 2);
}

TEST_F(LinkTest, PropertiesAndErrMessage)
{
    EXPECT_EQ(vx->ErrMessage(), "VX_SUCCESS");
    EXPECT_EQ(vx->CommPort(), 1);
    vx->ErrCode(-4);
    EXPECT_EQ(vx->ErrMessage(0), "VX_ERR_INVALID_BCC");
    EXPECT_EQ(vx->ErrMessage(-3), "VX_ERR_ACK_NOT_GET");
    EXPECT_EQ(vx->ErrMessage(1), "VX_ERR_UNKNOWN");
    EXPECT_EQ(vx->ErrMessage(100), "VX_ERR_UNKNOWN");
    EXPECT_EQ(vx->ErrMessage(-6), "VX_ERR_INVALID_DATA");
    vx->ErrCode(12345);
    EXPECT_EQ(vx->ErrMessage(), "VX_ERR_UNKNOWN");

    ucVX300_500 fresh(std::make_unique<FakePort>());
    EXPECT_EQ(fresh.Timeout(), 3000);
    EXPECT_EQ(fresh.ErrCode(), 0);
    EXPECT_EQ(fresh.Port().settings(), "19200,n,8,1");
}

TEST_F(LinkTest, AbortEndsTheWaitInProgress)
{
    device.silence();
    port->runAt(100, [this] { vx->Abort(); });
    QString version = "old";
    vx->GetVersion(0, version);
    EXPECT_EQ(vx->ErrCode(), VX_ERR_TIMEOUT);
    EXPECT_LT(port->now(), 200);
    EXPECT_TRUE(vx->IsAborted());
}
