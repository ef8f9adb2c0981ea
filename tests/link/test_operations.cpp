// Every operation's bytes on the line and the conversion of what comes back.
#include "LinkFixture.h"

#include <QLocale>

using namespace vx;
using namespace vx::test;

TEST_F(LinkTest, SetTimeSendsFourteenDigits)
{
    device.then(bytes({ACK})).then(bytes({ACK}));
    vx->SetTime(10, QDateTime(QDate(2009, 1, 5), QTime(7, 8, 9)));
    EXPECT_EQ(vx->ErrCode(), VX_SUCCESS);
    ASSERT_EQ(port->writes().size(), 3);
    EXPECT_EQ(port->writes()[0].bytes, QByteArray::fromHex("05304153"));
    EXPECT_EQ(port->writes()[1].bytes, QByteArray("\x02" "20090105070809" "\x03" "\x09"));
    EXPECT_EQ(port->writes()[2].bytes, bytes({EOT}));
}

TEST_F(LinkTest, SetIdSendsTwoHexDigitsAndStopsWithoutSecondAck)
{
    device.then(bytes({ACK})).silence();
    vx->SetID(0, 10);
    EXPECT_EQ(vx->ErrCode(), VX_ERR_TIMEOUT);
    ASSERT_EQ(port->writes().size(), 2); // no EOT after the missing ACK
    EXPECT_EQ(port->writes()[0].bytes, QByteArray::fromHex("05303050"));
    EXPECT_EQ(port->writes()[1].bytes, QByteArray::fromHex("0230410371"));
}

TEST_F(LinkTest, GetTimeReadsTheSameMomentUnderEveryLocale)
{
    for (const char *locale : {"en_US", "de_DE", "ja_JP"}) {
        SCOPED_TRACE(locale);
        QLocale::setDefault(QLocale(QString::fromLatin1(locale)));
        device.then(frameOf("20081231235959")).then(bytes({EOT}));
        QDateTime when;
        vx->GetTime(0, when);
        EXPECT_EQ(vx->ErrCode(), VX_SUCCESS);
        EXPECT_EQ(when, QDateTime(QDate(2008, 12, 31), QTime(23, 59, 59)));
    }
    QLocale::setDefault(QLocale::c());
    EXPECT_EQ(port->writes()[0].bytes, QByteArray::fromHex("05303054"));
}

TEST_F(LinkTest, UndecodableRepliesLeaveInvalidData)
{
    const QDateTime before(QDate(2000, 1, 1), QTime(0, 0));
    for (const char *text : {"20081331235959", "2008123123", "2008x231235959", ""}) {
        SCOPED_TRACE(text);
        reports.clear();
        device.then(frameOf(text));
        if (*text)
            device.then(bytes({EOT}));
        QDateTime when = before;
        vx->GetTime(0, when);
        // An empty payload already fails the frame check.
        EXPECT_EQ(vx->ErrCode(), *text ? VX_ERR_INVALID_DATA : VX_ERR_INVALID_BCC);
        EXPECT_EQ(when, before);
        EXPECT_EQ(reports.size(), *text ? 1 : 0);
    }

    reports.clear();
    device.then(frameOf("99999")).then(bytes({EOT}));
    qint16 count = 7;
    vx->GetRecordCount(0, count);
    EXPECT_EQ(vx->ErrCode(), VX_ERR_INVALID_DATA);
    EXPECT_EQ(count, 7);
    ASSERT_EQ(reports.size(), 1);
    EXPECT_EQ(reports[0].number, kErrOverflow);
    EXPECT_TRUE(reports[0].numberAsTitle);

    device.then(frameOf("12345")).then(bytes({EOT}));
    qint16 id = 3;
    vx->GetID(0, id);
    EXPECT_EQ(vx->ErrCode(), VX_ERR_INVALID_DATA);
    EXPECT_EQ(id, 3);
}

TEST_F(LinkTest, CountsAndMachineNumbers)
{
    struct Case {
        const char *data;
        qint16 count;
    };
    for (const Case &c : {Case{"123", 123}, Case{"A", 0}, Case{" 4 2", 42}, Case{"12.5", 12}, Case{"13.5", 14},
                          Case{"-3", -3}, Case{"7 records", 7}}) {
        SCOPED_TRACE(c.data);
        device.then(frameOf(c.data)).then(bytes({EOT}));
        qint16 count = -1;
        vx->GetRecordCount(0, count);
        EXPECT_EQ(vx->ErrCode(), VX_SUCCESS);
        EXPECT_EQ(count, c.count);
    }
    for (const Case &c : {Case{"1F", 31}, Case{"FF", 255}, Case{"FFFF", -1}, Case{"zz", 0}, Case{"0A", 10}}) {
        SCOPED_TRACE(c.data);
        device.then(frameOf(c.data)).then(bytes({EOT}));
        qint16 id = -9;
        vx->GetID(0, id);
        EXPECT_EQ(vx->ErrCode(), VX_SUCCESS);
        EXPECT_EQ(id, c.count);
    }
    EXPECT_EQ(port->writes().last().bytes, bytes({ACK}));
}

TEST_F(LinkTest, TextsComeBackUnchanged)
{
    device.then(frameOf(" VX500A v2.1 ")).then(bytes({EOT}));
    device.then(frameOf("3.9V")).then(bytes({EOT}));
    QString version, voltage;
    vx->GetVersion(0, version);
    vx->GetVoltage(0, voltage);
    EXPECT_EQ(version, " VX500A v2.1 ");
    EXPECT_EQ(voltage, "3.9V");
    EXPECT_EQ(port->writes()[0].bytes, QByteArray::fromHex("05303056"));
    EXPECT_EQ(port->writes()[2].bytes, QByteArray::fromHex("05303042"));
}

TEST_F(LinkTest, CommandShapes)
{
    // Confirmed command: one EOT after the ACK, nothing without it.
    device.then(bytes({ACK}));
    vx->ClearData(0);
    EXPECT_EQ(vx->ErrCode(), VX_SUCCESS);
    EXPECT_EQ(port->writtenBytes(), QByteArray::fromHex("0530304404"));
    port->clearWrites();
    device.then(bytes({NAK}));
    vx->RecoverData(0);
    EXPECT_EQ(vx->ErrCode(), VX_ERR_ACK_NOT_GET);
    EXPECT_EQ(port->writtenBytes(), QByteArray::fromHex("0530304D"));

    // Acknowledged command: nothing after the ACK.
    port->clearWrites();
    device.then(bytes({ACK}));
    vx->PowerDown(0);
    EXPECT_EQ(vx->ErrCode(), VX_SUCCESS);
    EXPECT_EQ(port->writtenBytes(), QByteArray::fromHex("0530304F"));

    // Self-test: the command only, then success whatever happened before.
    port->clearWrites();
    vx->ErrCode(VX_ERR_TIMEOUT);
    vx->InvokeTest(0);
    EXPECT_EQ(vx->ErrCode(), VX_SUCCESS);
    EXPECT_EQ(port->writtenBytes(), QByteArray::fromHex("0530305A"));
}

TEST_F(LinkTest, RecordStream)
{
    vx->ErrCode(VX_ERR_TIMEOUT);
    device.then(frameOf("0001,A,20240101,080000"));
    device.then(frameOf("0002,B,20240101,080001"));
    device.then(frameOf("0003,C,20240101,080002"));
    device.then(bytes({EOT}));
    vx->BeginDownload(0);
    EXPECT_EQ(vx->ErrCode(), VX_ERR_TIMEOUT); // an unanswered command leaves the code
    QStringList got;
    QString data;
    for (;;) {
        vx->GetRecord(data);
        if (vx->ErrCode() != VX_SUCCESS)
            break;
        got << data;
    }
    EXPECT_EQ(vx->ErrCode(), VX_END_OF_STREAM);
    EXPECT_EQ(got, QStringList({"0001,A,20240101,080000", "0002,B,20240101,080001", "0003,C,20240101,080002"}));
    EXPECT_EQ(data, "0003,C,20240101,080002"); // the end does not touch the output
    QByteArray expected = QByteArray::fromHex("05303049");
    expected += QByteArray(3, ACK); // each record acknowledged, the end not
    EXPECT_EQ(port->writtenBytes(), expected);
}

TEST_F(LinkTest, EmptyTerminalAndBrokenRecords)
{
    device.then(bytes({EOT}));
    vx->BeginDownload(0);
    QString data = "untouched";
    vx->GetRecord(data);
    EXPECT_EQ(vx->ErrCode(), VX_END_OF_STREAM);
    EXPECT_EQ(data, "untouched");

    port->clearWrites();
    device.then(QByteArray::fromHex("0231320300"));
    vx->BeginDownload(0);
    vx->GetRecord(data);
    EXPECT_EQ(vx->ErrCode(), VX_ERR_INVALID_BCC);
    EXPECT_EQ(data, "untouched");
    EXPECT_EQ(port->writes().size(), 1); // no ACK for a broken record

    vx->Disconnect();
    port->clearWrites();
    vx->GetRecord(data);
    vx->GetTagCode(data);
    EXPECT_EQ(vx->ErrCode(), VX_ERR_PORT_NOT_OPEN);
    EXPECT_FALSE(port->isOpen()); // the stream calls never open the port
    EXPECT_TRUE(port->writes().isEmpty());
    EXPECT_TRUE(reports.isEmpty());
}

TEST_F(LinkTest, TagUploadAndDownload)
{
    device.then(bytes({ACK})).then(bytes({ACK})).then(bytes({ACK}));
    vx->BeginTagUpload(0);
    EXPECT_EQ(vx->ErrCode(), VX_SUCCESS);
    vx->SendTagCode(1234, "12AB34CD56");
    EXPECT_EQ(vx->ErrCode(), VX_SUCCESS);
    vx->SendTagCode(0, "");
    vx->ErrCode(-1);
    vx->EndTagUpload();
    EXPECT_EQ(vx->ErrCode(), -1);
    ASSERT_EQ(port->writes().size(), 4);
    EXPECT_EQ(port->writes()[0].bytes, QByteArray::fromHex("0530304B"));
    EXPECT_EQ(port->writes()[1].bytes, QByteArray("\x02" "0123412AB34CD56" "\x03" "\x37"));
    EXPECT_EQ(port->writes()[2].bytes, dataFrame("00000"));
    EXPECT_EQ(port->writes()[3].bytes, bytes({EOT}));

    port->clearWrites();
    device.then(bytes({ACK}));
    vx->SendTagCode(-12, "X");
    EXPECT_EQ(port->writes()[0].bytes, dataFrame("-00012X"));
    device.silence();
    vx->SendTagCode(1, "Y");
    EXPECT_EQ(vx->ErrCode(), VX_ERR_TIMEOUT);

    vx->Disconnect();
    port->clearWrites();
    vx->EndTagUpload();
    vx->SendTagCode(1, "Z");
    EXPECT_EQ(vx->ErrCode(), VX_ERR_PORT_NOT_OPEN);
    EXPECT_TRUE(port->writes().isEmpty());

    device.then(frameOf("00001AAA")).then(frameOf("00002BBB")).then(bytes({EOT}));
    vx->ErrCode(-1);
    vx->BeginTagDownload(0);
    EXPECT_EQ(vx->ErrCode(), -1);
    QStringList codes;
    QString code;
    for (vx->GetTagCode(code); vx->ErrCode() == VX_SUCCESS; vx->GetTagCode(code))
        codes << code;
    EXPECT_EQ(vx->ErrCode(), VX_END_OF_STREAM);
    EXPECT_EQ(codes, QStringList({"00001AAA", "00002BBB"}));
    EXPECT_EQ(port->writes()[0].bytes, QByteArray::fromHex("0530304A"));

    device.then(frameOf("2")).then(bytes({EOT}));
    qint16 tags = 0;
    vx->GetTagCount(0, tags);
    EXPECT_EQ(tags, 2);
}

TEST_F(LinkTest, StationQueriesRunAt9600AndRestore19200)
{
    device.then(bytes({ACK}));
    vx->PowerDown(0); // port open at 19200
    port->clearWrites();
    device.then(frameOf("DS90 V1.02 "));
    vx->Timeout(3000);
    QString version;
    vx->DS90_GetVersion(version);
    EXPECT_EQ(vx->ErrCode(), VX_SUCCESS);
    EXPECT_EQ(version, "DS90 V1.02 ");
    ASSERT_EQ(port->writes().size(), 1); // no ACK to the station
    EXPECT_EQ(port->writes()[0].bytes, QByteArray::fromHex("05423030560D"));
    EXPECT_EQ(port->writes()[0].settings, "9600,n,8,1");
    EXPECT_EQ(port->openCount(), 2);
    EXPECT_EQ(port->closeCount(), 2);
    EXPECT_FALSE(port->isOpen());
    EXPECT_EQ(port->settings(), "19200,n,8,1");

    for (auto reply : {QByteArray(), QByteArray(1, EOT), QByteArray::fromHex("0231320300")}) {
        port->clearWrites();
        if (reply.isEmpty())
            device.silence();
        else
            device.then(reply);
        QString info = "old";
        vx->DS90_GetInformation(info);
        EXPECT_EQ(vx->ErrCode(), reply.isEmpty() ? VX_ERR_TIMEOUT : reply.size() == 1 ? 1 : VX_ERR_INVALID_BCC);
        EXPECT_EQ(info, "old");
        EXPECT_EQ(port->writes().size(), 1);
        EXPECT_EQ(port->writes()[0].bytes, QByteArray::fromHex("054230304E0D"));
        EXPECT_FALSE(port->isOpen());
        EXPECT_EQ(port->settings(), "19200,n,8,1");
    }

    // A terminal command right after runs at 19200 again.
    port->clearWrites();
    device.then(bytes({ACK}));
    vx->PowerDown(0);
    EXPECT_EQ(port->writes()[0].settings, "19200,n,8,1");
}
