// The simulated terminal through the link on the fake port, in virtual time:
// any record set comes back byte-exact, every machine number is addressed,
// and a fault never costs the terminal a record.
#include "FakePort.h"
#include "ModelDevice.h"
#include "TerminalModel.h"
#include "TerminalLink.h"

#include <gtest/gtest.h>

#include <random>

using namespace vx;
using sim::Faults;

namespace {

struct ModelLink {
    sim::TerminalModel model;
    test::ModelDevice device{model};
    test::FakePort *port = new test::FakePort(&device);
    vx::TerminalLink vx{std::unique_ptr<SerialPort>(port)};

    ModelLink()
    {
        vx.setPortName(QStringLiteral("/dev/fake0"));
        vx.setErrorHandler([](const auto &) {});
        vx.setTimeout(2000);
    }
    QStringList download(qint32 &end)
    {
        QStringList got;
        vx.beginDownload(model.machineNumber());
        for (QString record; vx.nextRecord(record), vx.status() == VX_SUCCESS;)
            got << record;
        end = vx.status();
        return got;
    }
    qsizetype acks() const { return port->writtenBytes().count('\x06'); }
};

// ENQ and the machine number in two upper-case hexadecimal digits.
QByteArray address(int id) { return "\x05" + QByteArray::number(256 + id, 16).toUpper().right(2); }

} // namespace

TEST(ModelLink, RandomRecordSetsAtRandomMachineNumbersComeBackByteExactAtTheLineRate)
{
    std::mt19937 rng(7);
    for (int set = 0; set < 40; ++set) {
        ModelLink l;
        const int id = static_cast<int>(rng() % 256);
        l.model.setMachineNumber(static_cast<quint8>(id));
        // 0 to 50 records of 1 to 2,000 bytes each, one in eight of 1 to 4 bytes:
        // tabs and every byte from 0x20 to 0xFF. (An empty frame is refused as
        // broken, and a record file never gives the terminal an empty record.)
        QStringList records;
        qint64 lineBytes = 5;
        for (int i = static_cast<int>(rng() % 51); i > 0; --i) {
            QString record;
            for (auto n = 1 + (rng() % 8 == 0 ? rng() % 4 : rng() % 2000); n > 0; --n) {
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
        EXPECT_TRUE(l.port->writtenBytes().startsWith(address(id) + 'I')) << id;
        EXPECT_EQ(l.acks(), records.size());
        EXPECT_GE(l.port->now(), lineBytes * 10'000 / 19200) << "10 bits a byte at 19200";
    }
}

TEST(ModelLink, AfterEveryDownloadFaultTheTerminalKeepsItsRecords)
{
    constexpr qint32 kNotOk = 99; // any failure: noise may look like anything
    // the fault, the records delivered before it, the status at the end, and
    // whether it meets every command, not only the records
    const std::tuple<const char *, Faults, int, qint32, bool> rows[] = {
        {"wrong check byte", {.badCheckRecord = 3}, 2, VX_ERR_INVALID_BCC, false},
        {"EOT for every answer", {.eotReply = true}, 0, VX_END_OF_STREAM, true},
        {"NAK for every ACK", {.nak = true}, 5, VX_END_OF_STREAM, true},
        {"noise", {.noise = true}, 0, kNotOk, true},
        {"noise stream", {.noiseStream = true}, 0, kNotOk, true},
        {"hang-up after record 2", {.hangUpAfterRecord = 2}, 2, VX_ERR_PORT_NOT_OPEN, false},
        {"hang-up at the command", {.hangUpAfterRecord = 0}, 0, VX_ERR_PORT_NOT_OPEN, false},
    };
    const QStringList records{"r1", "r2", "ABC", "r4", "r5"};
    for (const auto &[name, faults, got, end, everyAnswer] : rows) {
        ModelLink l;
        l.model.setRecords(records);
        l.model.setFaults(faults);
        qint32 ended = 0;
        EXPECT_EQ(l.download(ended), records.mid(0, got)) << name;
        EXPECT_TRUE(end == kNotOk ? ended != VX_SUCCESS : ended == end) << name << ": " << ended;
        EXPECT_EQ(l.acks(), got) << name << ": only what came whole is acknowledged";
        if (everyAnswer) {
            l.vx.clearData(0);
            l.vx.setMachineNumber(0, 5);
            l.vx.setTime(0, QDateTime(QDate(2009, 1, 5), QTime(7, 8, 9)));
            EXPECT_FALSE(l.model.machineNumber() != 0 || l.model.clockOffsetMs() != 0)
                << name << ": a command met by the fault is not done";
        }
        EXPECT_EQ(l.model.records(), records) << name;
        l.model.setFaults({});
        l.port->advance(40'000); // until the noise has gone by
        qint16 count = -1;
        l.vx.readRecordCount(0, count);
        EXPECT_EQ(count, end == VX_ERR_PORT_NOT_OPEN ? -1 : 5) << name << ": a dead line stays dead";
        if (end != VX_ERR_PORT_NOT_OPEN)
            EXPECT_EQ(l.download(ended), records) << name << ": a later download gets everything";
    }
}
