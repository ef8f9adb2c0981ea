// The simulated terminal through the link on the fake port, in virtual time:
// any record set comes back byte-exact, and every machine number is
// addressed. (The terminal's faults: byte by byte in Model.Conversations,
// through the programs in tests/faults.)
#include "FakePort.h"
#include "ModelDevice.h"
#include "TerminalModel.h"
#include "TerminalLink.h"

#include <gtest/gtest.h>

#include <random>

using namespace vx;

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
