// Every operation of the link against the simulated terminal, in virtual time.
#include "ModelLinkFixture.h"
#include "RecordGenerator.h"

using namespace vx::sim;
using namespace vx::sim::test;
using vx::VX_SUCCESS;

TEST_F(ModelLinkTest, ClockSetAndReadBack)
{
    const QDateTime set(QDate(2009, 1, 5), QTime(7, 8, 9));
    vx->SetTime(0, set);
    ASSERT_EQ(vx->ErrCode(), VX_SUCCESS);
    const qint64 setAt = port->now();
    port->advance(90'000);
    QDateTime read;
    vx->GetTime(0, read);
    ASSERT_EQ(vx->ErrCode(), VX_SUCCESS);
    // The terminal's clock ran on with the PC's; the reading is whole seconds.
    const qint64 ran = (port->now() - setAt) / 1000;
    EXPECT_GE(read, set.addSecs(ran - 1));
    EXPECT_LE(read, set.addSecs(ran + 1));
    EXPECT_TRUE(reports.isEmpty());
}

TEST_F(ModelLinkTest, MachineNumberSetAndRead)
{
    model.setMachineNumber(7);
    qint16 id = -1;
    vx->GetID(7, id);
    EXPECT_EQ(vx->ErrCode(), VX_SUCCESS);
    EXPECT_EQ(id, 7);
    vx->SetID(7, 300); // the low byte travels: 2C
    EXPECT_EQ(vx->ErrCode(), VX_SUCCESS);
    EXPECT_EQ(model.machineNumber(), 0x2C);
    id = -1;
    vx->GetID(7, id);
    EXPECT_EQ(vx->ErrCode(), vx::VX_ERR_TIMEOUT) << "the old number is no longer answered";
    EXPECT_EQ(id, -1);
    vx->GetID(0x2C, id);
    EXPECT_EQ(vx->ErrCode(), VX_SUCCESS);
    EXPECT_EQ(id, 0x2C);
}

TEST_F(ModelLinkTest, CountVersionAndVoltage)
{
    model.setRecords(RecordGenerator{}.generate(123));
    model.setVersion(QStringLiteral("VX500A V2.10 "));
    model.setVoltage(QStringLiteral("2.95V"));
    qint16 count = -1;
    vx->GetRecordCount(0, count);
    EXPECT_EQ(vx->ErrCode(), VX_SUCCESS);
    EXPECT_EQ(count, 123);
    QString version, voltage;
    vx->GetVersion(0, version);
    EXPECT_EQ(version, QStringLiteral("VX500A V2.10 "));
    vx->GetVoltage(0, voltage);
    EXPECT_EQ(voltage, QStringLiteral("2.95V"));
    EXPECT_EQ(vx->ErrCode(), VX_SUCCESS);
}

TEST_F(ModelLinkTest, ClearAndRecoverData)
{
    model.setRecords(RecordGenerator{}.generate(5));
    vx->ClearData(0);
    EXPECT_EQ(vx->ErrCode(), VX_SUCCESS);
    qint16 count = -1;
    vx->GetRecordCount(0, count);
    EXPECT_EQ(count, 0);
    vx->RecoverData(0);
    EXPECT_EQ(vx->ErrCode(), VX_SUCCESS);
    vx->GetRecordCount(0, count);
    EXPECT_EQ(count, 5);
}

TEST_F(ModelLinkTest, SelfTestAndPowerDown)
{
    model.setSelfTestMs(3000);
    vx->InvokeTest(0);
    EXPECT_EQ(vx->ErrCode(), VX_SUCCESS);
    qint16 count = -1;
    vx->GetRecordCount(0, count);
    EXPECT_EQ(vx->ErrCode(), vx::VX_ERR_TIMEOUT) << "busy testing";
    EXPECT_EQ(model.selfTestCount(), 1);
    port->advance(3000);
    vx->GetRecordCount(0, count);
    EXPECT_EQ(vx->ErrCode(), VX_SUCCESS);

    vx->PowerDown(0);
    EXPECT_EQ(vx->ErrCode(), VX_SUCCESS);
    EXPECT_TRUE(model.isPoweredDown());
    vx->GetRecordCount(0, count);
    EXPECT_EQ(vx->ErrCode(), vx::VX_ERR_TIMEOUT);
    model.wake();
    vx->GetRecordCount(0, count);
    EXPECT_EQ(vx->ErrCode(), VX_SUCCESS);
}

TEST_F(ModelLinkTest, ReaderStationAt9600AndTerminalAgainAfterwards)
{
    model.setStationVersion(QStringLiteral("VX500R V1.04"));
    model.setStationInformation(QStringLiteral("READER, 2 SLOTS"));
    qint16 count = -1;
    vx->GetRecordCount(0, count); // the port is open at 19200 before
    QString version, info;
    vx->DS90_GetVersion(version);
    EXPECT_EQ(vx->ErrCode(), VX_SUCCESS);
    EXPECT_EQ(version, QStringLiteral("VX500R V1.04"));
    vx->DS90_GetInformation(info);
    EXPECT_EQ(vx->ErrCode(), VX_SUCCESS);
    EXPECT_EQ(info, QStringLiteral("READER, 2 SLOTS"));
    EXPECT_FALSE(port->isOpen());
    EXPECT_EQ(port->settings(), QStringLiteral("19200,n,8,1"));
    vx->GetRecordCount(0, count);
    EXPECT_EQ(vx->ErrCode(), VX_SUCCESS);
    EXPECT_EQ(count, 0);
}

TEST_F(ModelLinkTest, TerminalCommandAtTheStationsSpeedReadsGarbage)
{
    port->setSettings(QStringLiteral("9600,n,8,1"));
    qint16 count = -1;
    vx->GetRecordCount(0, count);
    EXPECT_EQ(vx->ErrCode(), vx::VX_ERR_TIMEOUT) << "garbage is no frame";
    vx->ClearData(0);
    EXPECT_EQ(vx->ErrCode(), vx::VX_ERR_ACK_NOT_GET);
    EXPECT_EQ(count, -1);
    EXPECT_FALSE(device.sent().isEmpty());
}

TEST_F(ModelLinkTest, ThousandRecordsAtTheLineRate)
{
    const QStringList records = RecordGenerator{}.generate(1000);
    model.setRecords(records);
    qint32 end = 0;
    const QStringList got = download(0, end);
    EXPECT_EQ(end, vx::VX_END_OF_STREAM);
    EXPECT_EQ(got, records);
    EXPECT_TRUE(reports.isEmpty());
    // The frames took their line time: 10 bits per byte at 19200.
    const qint64 frameBytes = records.join(QString()).size() + 4 * records.size();
    EXPECT_GE(port->now(), frameBytes * 10 * 1000 / 19200);
}

TEST_F(ModelLinkTest, TagListUploadCountAndDownload)
{
    model.setBAnswer(BAnswer::TagCount);
    const QStringList codes{QStringLiteral("12AB34CD56"), QStringLiteral("00A31F2C"), QString(),
                            QStringLiteral("FFFFFFFF")};
    vx->BeginTagUpload(0);
    ASSERT_EQ(vx->ErrCode(), VX_SUCCESS);
    for (int i = 0; i < codes.size(); ++i) {
        vx->SendTagCode(static_cast<qint16>(i), codes[i]);
        ASSERT_EQ(vx->ErrCode(), VX_SUCCESS) << i;
    }
    vx->EndTagUpload();
    qint16 count = -1;
    vx->GetTagCount(0, count);
    EXPECT_EQ(vx->ErrCode(), VX_SUCCESS);
    EXPECT_EQ(count, 4);

    QStringList got;
    vx->BeginTagDownload(0);
    for (QString item; vx->GetTagCode(item), vx->ErrCode() == VX_SUCCESS;)
        got << item;
    EXPECT_EQ(vx->ErrCode(), vx::VX_END_OF_STREAM);
    EXPECT_EQ(got, (QStringList{QStringLiteral("0000012AB34CD56"), QStringLiteral("0000100A31F2C"),
                                QStringLiteral("00002"), QStringLiteral("00003FFFFFFFF")}));
}

TEST_F(ModelLinkTest, DownloadThenAutomationLeavesTheTerminalEmptyAndAsleep)
{
    model.setRecords(RecordGenerator{}.generate(20));
    qint32 end = 0;
    EXPECT_EQ(download(0, end).size(), 20);
    vx->ClearData(0);
    EXPECT_EQ(vx->ErrCode(), VX_SUCCESS);
    vx->SetTime(0, device.pcNow(*port));
    EXPECT_EQ(vx->ErrCode(), VX_SUCCESS);
    vx->PowerDown(0);
    EXPECT_EQ(vx->ErrCode(), VX_SUCCESS);
    EXPECT_TRUE(model.records().isEmpty());
    EXPECT_EQ(model.recoverable().size(), 20);
    EXPECT_TRUE(model.isPoweredDown());
    EXPECT_LE(std::abs(model.clockOffsetMs()), 1000);
}
