// The simulated terminal through the link in virtual time: the line time of a
// download, and what faults leave behind in the terminal. The statuses of every
// operation and fault over a real line are in test_sim_pty.cpp.
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
    }
    // Nothing was carried out.
    EXPECT_EQ(host.model.records().size(), 3);
    // Two requests in one transmission still make one stream.
    EXPECT_EQ(host.send(command("00", 'A') + command("00", 'Q')).size(), TerminalModel::kNoiseStream);
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

TEST_F(ModelLinkTest, EotInsideRecordKIsNotAcknowledgedAndTheRecordsStay)
{
    model.setRecords({QStringLiteral("r1"), QStringLiteral("r2"), QStringLiteral("ABC"), QStringLiteral("r4")});
    model.setFaults(only([](Faults &f) { f.eotInRecord = 3; }));
    qint32 end = 0;
    EXPECT_EQ(download(0, end), (QStringList{QStringLiteral("r1"), QStringLiteral("r2")}));
    EXPECT_NE(end, vx::VX_SUCCESS);
    EXPECT_TRUE(device.sent().endsWith(QByteArray("\x02" "A\x04" "BC\x03" "\x40"))) << device.sent().toHex().toStdString();
    EXPECT_EQ(port->writtenBytes().count(ctl::ACK), 2) << "a broken frame is not acknowledged";
    // The terminal still holds every record; without the fault they all come.
    qint16 count = -1;
    vx->GetRecordCount(0, count);
    EXPECT_EQ(count, 4);
    model.setFaults({});
    EXPECT_EQ(download(0, end), model.records());
    EXPECT_EQ(end, vx::VX_END_OF_STREAM);
}
