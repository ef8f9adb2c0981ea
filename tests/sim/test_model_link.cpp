// The simulated terminal through the link on the fake port, in virtual time:
// any record set comes back byte-exact, every machine number is addressed,
// and a fault never costs the terminal a record.
#include "FakePort.h"
#include "ModelDevice.h"
#include "TerminalModel.h"
#include "ucVX300_500.h"

#include <gtest/gtest.h>

#include <random>

using namespace vx;
using sim::Faults;

namespace {

struct ModelLink {
    sim::TerminalModel model;
    test::ModelDevice device{model};
    test::FakePort *port = nullptr;
    std::unique_ptr<ucVX300_500> vx;
    QList<RuntimeError> reports;

    ModelLink()
    {
        auto owned = std::make_unique<test::FakePort>(&device);
        port = owned.get();
        vx = std::make_unique<ucVX300_500>(std::move(owned));
        vx->SetPortName(QStringLiteral("/dev/fake0"));
        vx->SetErrorHandler([this](const RuntimeError &e) { reports.append(e); });
        vx->Timeout(2000);
    }
    QStringList download(qint32 &end)
    {
        QStringList got;
        vx->BeginDownload(model.machineNumber());
        for (QString record; vx->GetRecord(record), vx->ErrCode() == VX_SUCCESS;)
            got << record;
        end = vx->ErrCode();
        return got;
    }
    qsizetype acks() const { return port->writtenBytes().count('\x06'); }
};

} // namespace

TEST(ModelLink, RandomRecordSetsComeBackByteExactAtTheLineRate)
{
    std::mt19937 rng(7);
    for (int set = 0; set < 12; ++set) {
        ModelLink l;
        QStringList records;
        qint64 lineBytes = 1;
        for (int i = 0, count = static_cast<int>(rng() % 25); i < count; ++i) {
            // Tabs and every byte from 0x20 to 0xFF, 1 to 2,000 of them.
            QString record;
            for (int n = 1 + static_cast<int>(rng() % 2000); n > 0; --n) {
                const int b = static_cast<int>(rng() % 225);
                record += QChar(b == 224 ? 0x09 : 0x20 + b);
            }
            records << record;
            lineBytes += record.size() + 4;
        }
        l.model.setRecords(records);
        qint32 end = 0;
        EXPECT_EQ(l.download(end), records) << "set " << set;
        EXPECT_EQ(end, VX_END_OF_STREAM);
        EXPECT_EQ(l.acks(), records.size());
        EXPECT_TRUE(l.reports.isEmpty());
        EXPECT_GE(l.port->now(), lineBytes * 10'000 / 19200) << "10 bits a byte at 19200";
    }
}

TEST(ModelLink, EveryMachineNumberIsAddressedByItsTwoDigits)
{
    static const char digits[] = "0123456789ABCDEF";
    ModelLink l;
    l.vx->Timeout(100);
    for (int id = 0; id < 256; ++id) {
        l.model.setMachineNumber(static_cast<quint8>(id));
        l.port->clearWrites();
        qint16 got = -1;
        l.vx->GetID(static_cast<qint16>((id + 1) % 256), got);
        EXPECT_EQ(l.vx->ErrCode(), VX_ERR_TIMEOUT) << "another number: " << id;
        l.vx->GetID(static_cast<qint16>(id), got);
        EXPECT_EQ(l.vx->ErrCode(), VX_SUCCESS) << id;
        EXPECT_EQ(got, id);
        const QByteArray request = QByteArray("\x05") + digits[id / 16] + digits[id % 16] + 'Q';
        EXPECT_TRUE(l.port->writtenBytes().endsWith(request + '\x06')) << id;
        const qint16 next = static_cast<qint16>(255 - id);
        l.vx->SetID(static_cast<qint16>(id), next);
        EXPECT_EQ(l.model.machineNumber(), next) << id;
    }
}

TEST(ModelLink, AfterEveryDownloadFaultTheTerminalKeepsItsRecords)
{
    constexpr qint32 kNotOk = 99; // any failure: noise may look like anything
    const struct {
        const char *name;
        Faults faults;
        int got;       // records delivered before the fault
        qint32 end;
        bool hangsUp;
    } rows[] = {
        {"wrong check byte", {.badCheckRecord = 3}, 2, VX_ERR_INVALID_BCC, false},
        {"silence", {.silentFromRecord = 3}, 2, VX_ERR_TIMEOUT, false},
        {"EOT inside a record", {.eotInRecord = 3}, 2, kNotOk, false},
        {"EOT for every answer", {.eotReply = true}, 0, VX_END_OF_STREAM, false},
        {"NAK for every ACK", {.nak = true}, 5, VX_END_OF_STREAM, false},
        {"noise", {.noise = true}, 0, kNotOk, false},
        {"noise stream", {.noiseStream = true}, 0, kNotOk, false},
        {"hang-up after record 2", {.hangUpAfterRecord = 2}, 2, VX_ERR_PORT_NOT_OPEN, true},
        {"hang-up at the command", {.hangUpAfterRecord = 0}, 0, VX_ERR_PORT_NOT_OPEN, true},
    };
    const QStringList records{QStringLiteral("r1"), QStringLiteral("r2"), QStringLiteral("ABC"), QStringLiteral("r4"),
                              QStringLiteral("r5")};
    for (const auto &row : rows) {
        ModelLink l;
        l.model.setRecords(records);
        l.model.setFaults(row.faults);
        qint32 end = 0;
        EXPECT_EQ(l.download(end), records.mid(0, row.got)) << row.name;
        EXPECT_TRUE(row.end == kNotOk ? end != VX_SUCCESS : end == row.end) << row.name << ": " << end;
        EXPECT_EQ(l.acks(), row.got) << row.name << ": only what came whole is acknowledged";
        EXPECT_EQ(l.model.records(), records) << row.name;
        l.model.setFaults({});
        l.port->advance(40'000); // until the noise has gone by
        qint16 count = -1;
        l.vx->GetRecordCount(0, count);
        EXPECT_EQ(count, row.hangsUp ? -1 : 5) << row.name << ": a dead line stays dead";
        if (!row.hangsUp)
            EXPECT_EQ(l.download(end), records) << row.name << ": a later download gets everything";
    }
    ModelLink broken;
    broken.model.setRecords(records);
    broken.model.setFaults({.eotInRecord = 3});
    qint32 end = 0;
    broken.download(end);
    EXPECT_TRUE(broken.device.sent().endsWith("\x02" "A\x04" "BC\x03" "\x40")) << "the EOT after the first data byte";
}

TEST(ModelLink, AnswerFaultsLeaveEveryCommandUndone)
{
    for (const Faults &f : {Faults{.noise = true}, Faults{.noiseStream = true}, Faults{.eotReply = true},
                            Faults{.nak = true}}) {
        ModelLink l;
        l.model.setRecords({QStringLiteral("r1")});
        l.model.setFaults(f);
        l.vx->ClearData(0);
        EXPECT_NE(l.vx->ErrCode(), VX_SUCCESS);
        l.vx->SetID(0, 5);
        EXPECT_NE(l.vx->ErrCode(), VX_SUCCESS);
        l.vx->SetTime(0, QDateTime(QDate(2009, 1, 5), QTime(7, 8, 9)));
        EXPECT_NE(l.vx->ErrCode(), VX_SUCCESS);
        l.vx->BeginTagUpload(0);
        l.vx->SendTagCode(1, QStringLiteral("AA"));
        l.vx->EndTagUpload();
        l.vx->PowerDown(0);
        EXPECT_NE(l.vx->ErrCode(), VX_SUCCESS);
        EXPECT_EQ(l.model.records().size(), 1);
        EXPECT_EQ(l.model.machineNumber(), 0);
        EXPECT_EQ(l.model.clockOffsetMs(), 0);
        EXPECT_TRUE(l.model.tags().isEmpty());
        EXPECT_FALSE(l.model.isPoweredDown());
    }
}
