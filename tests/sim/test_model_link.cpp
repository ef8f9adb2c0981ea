// The simulated terminal through the link on the fake port, in virtual time:
// any record set comes back byte-exact, and every machine number is
// addressed. (The terminal's faults: byte by byte in Model.Conversations,
// through the programs in tests/faults.)
#include "FakePort.h"
#include "ModelDevice.h"
#include "TerminalModel.h"
#include "terminal/TerminalLink.h"

#include <gtest/gtest.h>

#include <random>

using namespace vx;

TEST(ModelLink, RandomRecordSetsAtRandomMachineNumbersComeBackByteExactAtTheLineRate)
{
    std::mt19937 rng(7);
    for (int set = 0; set < 40; ++set) {
        sim::TerminalModel model;
        test::ModelDevice device{model};
        auto *port = new test::FakePort(&device);
        vx::TerminalLink vx{std::unique_ptr<SerialPort>(port)};
        const int id = static_cast<int>(rng() % 256);
        model.setMachineNumber(static_cast<quint8>(id));
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
        model.setRecords(records);
        QStringList got;
        vx.beginDownload(static_cast<qint16>(id));
        for (QString record; vx.nextRecord(record), vx.status() == VX_SUCCESS;)
            got << record;
        EXPECT_EQ(got, records) << "set " << set;
        EXPECT_EQ(vx.status(), VX_END_OF_STREAM);
        // ENQ and the machine number in two upper-case hexadecimal digits; an ACK for each record.
        EXPECT_TRUE(port->writtenBytes().startsWith("\x05" + QByteArray::number(256 + id, 16).toUpper().right(2) + 'I')) << id;
        EXPECT_EQ(port->writtenBytes().count('\x06'), records.size());
        EXPECT_GE(port->now(), lineBytes * 10'000 / 19200) << "10 bits a byte at 19200";
    }
}
