// Each fault of the simulated terminal, and the status the link reports for it.
#include "ModelHost.h"
#include "ModelLinkFixture.h"
#include "RecordGenerator.h"

using namespace vx::sim;
using namespace vx::sim::test;

namespace {
Faults only(void (*set)(Faults &))
{
    Faults f;
    set(f);
    return f;
}
} // namespace

TEST_F(ModelLinkTest, WrongCheckByteOnRecordK)
{
    const QStringList records = RecordGenerator{}.generate(10);
    model.setRecords(records);
    model.setFaults(only([](Faults &f) { f.badCheckRecord = 4; }));
    qint32 end = 0;
    EXPECT_EQ(download(0, end), records.mid(0, 3));
    EXPECT_EQ(end, vx::VX_ERR_INVALID_BCC);
    // The damaged record is not acknowledged.
    EXPECT_EQ(port->writtenBytes().count(ctl::ACK), 3);
    // The terminal is ready for the next request.
    qint16 count = -1;
    vx->GetRecordCount(0, count);
    EXPECT_EQ(vx->ErrCode(), vx::VX_SUCCESS);
    EXPECT_EQ(count, 10);
}

TEST_F(ModelLinkTest, SilenceFromRecordK)
{
    model.setRecords(RecordGenerator{}.generate(10));
    model.setFaults(only([](Faults &f) { f.silentFromRecord = 6; }));
    qint32 end = 0;
    EXPECT_EQ(download(0, end).size(), 5);
    EXPECT_EQ(end, vx::VX_ERR_TIMEOUT);
    EXPECT_TRUE(reports.isEmpty());
}

TEST_F(ModelLinkTest, NoiseInPlaceOfEveryAnswer)
{
    model.setRecords(RecordGenerator{}.generate(3));
    model.setFaults(only([](Faults &f) { f.noise = true; }));
    qint16 count = -1;
    vx->GetRecordCount(0, count);
    EXPECT_EQ(vx->ErrCode(), vx::VX_ERR_TIMEOUT);
    EXPECT_EQ(count, -1);
    vx->SetTime(0, QDateTime(QDate(2020, 1, 1), QTime(0, 0)));
    EXPECT_EQ(vx->ErrCode(), vx::VX_ERR_ACK_NOT_GET);
    qint32 end = 0;
    EXPECT_TRUE(download(0, end).isEmpty());
    EXPECT_EQ(end, vx::VX_ERR_TIMEOUT);
    QString version = QStringLiteral("unchanged");
    vx->DS90_GetVersion(version);
    EXPECT_EQ(vx->ErrCode(), vx::VX_ERR_TIMEOUT);
    EXPECT_EQ(version, QStringLiteral("unchanged"));
}

TEST(ModelFaults, NoiseStreamInPlaceOfEveryAnswerUntilTheHostWritesAgain)
{
    ModelHost host;
    host.model.setRecords(RecordGenerator{}.generate(3));
    Faults f;
    f.noiseStream = true;
    f.nak = true; // the stream takes the place of the NAK as well
    host.model.setFaults(f);
    for (const QByteArray &request : {command("00", 'A'), command("00", 'D'), command("00", 'I')}) {
        const Reply r = host.model.receive(request, Line::parse(kTerminalLine), host.now);
        EXPECT_TRUE(r.untilHeard) << request.toStdString();
        EXPECT_GT(r.bytes.size(), 70 * 1024) << "more than a host reads while it waits for a frame";
        EXPECT_FALSE(hasControlByte(r.bytes));
    }
    // Nothing was carried out.
    EXPECT_EQ(host.model.records().size(), 3);
    // Two requests in one transmission still make one stream.
    EXPECT_EQ(host.send(command("00", 'A') + command("00", 'Q')).size(), TerminalModel::kNoiseStream);
}

TEST_F(ModelLinkTest, NoiseStreamEndsTheWaitForAFrameAfterTheLinksLimit)
{
    model.setRecords(RecordGenerator{}.generate(3));
    model.setFaults(only([](Faults &f) { f.noiseStream = true; }));
    vx->Timeout(60'000); // silence never comes: the link gives up on the bytes
    qint16 count = -1;
    vx->GetRecordCount(0, count);
    EXPECT_EQ(vx->ErrCode(), vx::VX_ERR_TIMEOUT);
    EXPECT_EQ(count, -1);
    EXPECT_LT(port->now(), 60'000) << "virtual ms: ended by the amount of noise, not by the time budget";
    EXPECT_TRUE(reports.isEmpty());
}

TEST_F(ModelLinkTest, EotInPlaceOfEveryAnswer)
{
    model.setRecords(RecordGenerator{}.generate(3));
    model.setFaults(only([](Faults &f) { f.eotReply = true; }));
    QString version = QStringLiteral("unchanged");
    vx->GetVersion(0, version);
    EXPECT_EQ(vx->ErrCode(), vx::VX_END_OF_STREAM);
    EXPECT_EQ(version, QStringLiteral("unchanged"));
    vx->ClearData(0);
    EXPECT_EQ(vx->ErrCode(), vx::VX_ERR_ACK_NOT_GET);
    EXPECT_EQ(model.records().size(), 3);
    qint32 end = 0;
    EXPECT_TRUE(download(0, end).isEmpty());
    EXPECT_EQ(end, vx::VX_END_OF_STREAM) << "to the host the terminal looks empty";
    vx->DS90_GetInformation(version);
    EXPECT_EQ(vx->ErrCode(), vx::VX_END_OF_STREAM);
}

TEST_F(ModelLinkTest, NakInPlaceOfEveryAck)
{
    model.setRecords(RecordGenerator{}.generate(3));
    model.setFaults(only([](Faults &f) { f.nak = true; }));
    vx->ClearData(0);
    EXPECT_EQ(vx->ErrCode(), vx::VX_ERR_ACK_NOT_GET);
    vx->PowerDown(0);
    EXPECT_EQ(vx->ErrCode(), vx::VX_ERR_ACK_NOT_GET);
    EXPECT_FALSE(model.isPoweredDown()) << "a refused command is not carried out";
    vx->SetID(0, 5);
    EXPECT_EQ(vx->ErrCode(), vx::VX_ERR_ACK_NOT_GET);
    vx->BeginTagUpload(0);
    EXPECT_EQ(vx->ErrCode(), vx::VX_ERR_ACK_NOT_GET);
    // Queries and downloads carry no ACK from the terminal and still work.
    qint16 count = -1;
    vx->GetRecordCount(0, count);
    EXPECT_EQ(count, 3);
    qint32 end = 0;
    EXPECT_EQ(download(0, end).size(), 3);
    EXPECT_EQ(end, vx::VX_END_OF_STREAM);
    EXPECT_EQ(model.records().size(), 3);
    EXPECT_EQ(model.machineNumber(), 0);
}

TEST_F(ModelLinkTest, FarEndClosesAfterRecordK)
{
    model.setRecords(RecordGenerator{}.generate(10));
    model.setFaults(only([](Faults &f) { f.hangUpAfterRecord = 3; }));
    qint32 end = 0;
    EXPECT_EQ(download(0, end).size(), 3);
    EXPECT_EQ(end, vx::VX_ERR_PORT_NOT_OPEN);
    EXPECT_EQ(device.hangUps(), 1);
    ASSERT_EQ(reports.size(), 1) << "one clear report, no flood";
    EXPECT_EQ(reports[0].number, vx::kErrPortIo);
    EXPECT_FALSE(port->isOpen());
    EXPECT_TRUE(model.hasHungUp());
}

TEST_F(ModelLinkTest, FarEndClosesAtTheDownloadCommand)
{
    model.setRecords(RecordGenerator{}.generate(2));
    model.setFaults(only([](Faults &f) { f.hangUpAfterRecord = 0; }));
    qint32 end = 0;
    EXPECT_TRUE(download(0, end).isEmpty());
    EXPECT_EQ(end, vx::VX_ERR_PORT_NOT_OPEN);
    EXPECT_EQ(reports.size(), 1);
    // A dead line stays dead: the next request finds nobody.
    port->open();
    qint16 count = -1;
    vx->GetRecordCount(0, count);
    EXPECT_EQ(vx->ErrCode(), vx::VX_ERR_TIMEOUT);
}
