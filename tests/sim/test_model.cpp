// The terminal model's own behaviour, below the link: addressing, line
// settings, request assembly, the terminal's state.
#include "ModelHost.h"

#include <gtest/gtest.h>

using namespace vx::sim;
using namespace vx::sim::test;

namespace {
const QByteArray kAck(1, ctl::ACK);
const QByteArray kEot(1, ctl::EOT);
const QByteArray kNak(1, ctl::NAK);
} // namespace

TEST(Model, AnswersOnlyItsOwnMachineNumber)
{
    ModelHost h;
    h.model.setMachineNumber(0x1A);
    h.model.setRecords({QStringLiteral("a"), QStringLiteral("b")});
    EXPECT_TRUE(h.send(command("00", 'A')).isEmpty());
    EXPECT_TRUE(h.send(command("1B", 'A')).isEmpty());
    EXPECT_TRUE(h.send(command("1a", 'A')).isEmpty()) << "the host always sends upper-case digits";
    EXPECT_EQ(h.send(command("1A", 'A')), frameOf("2"));
    EXPECT_EQ(h.send(kAck), kEot);
}

TEST(Model, QueryAnswersEndWithEotOnlyAfterTheAck)
{
    ModelHost h;
    h.model.setVersion(QStringLiteral("VX500 V1.00"));
    EXPECT_EQ(h.send(command("00", 'V')), frameOf("VX500 V1.00"));
    EXPECT_TRUE(h.send(QByteArray("x")).isEmpty()) << "anything but ACK leaves the terminal waiting";
    EXPECT_EQ(h.send(kAck), kEot);
    EXPECT_TRUE(h.send(kAck).isEmpty()) << "the exchange is over";
}

TEST(Model, RequestsAssembleAcrossTransmissionsAndEnqRestarts)
{
    ModelHost h;
    EXPECT_TRUE(h.send(raw({0x05, '0'})).isEmpty());
    EXPECT_EQ(h.send(QByteArray("0Q")), frameOf("00"));
    h.send(kAck);
    // A half request followed by a whole one: the second ENQ starts afresh.
    EXPECT_EQ(h.send(raw({0x05, '3'}) + command("00", 'Q')), frameOf("00"));
}

TEST(Model, AHalfRequestIsForgottenAfterLongSilence)
{
    ModelHost h;
    EXPECT_TRUE(h.send(raw({0x05, '0'})).isEmpty());
    EXPECT_TRUE(h.send(QByteArray("0Q"), kTerminalLine, TerminalModel::kIdleResetMs + 1).isEmpty());
    EXPECT_EQ(h.send(command("00", 'Q')), frameOf("00"));
}

TEST(Model, TerminalAnswersOnlyAt19200EightNoneOne)
{
    for (const QString settings : {QStringLiteral("9600,n,8,1"), QStringLiteral("19200,e,8,1"),
                                   QStringLiteral("19200,n,7,1"), QStringLiteral("19200,n,8,2"),
                                   QStringLiteral("38400,n,8,1"), QStringLiteral("garbage")}) {
        ModelHost h;
        const QByteArray got = h.send(command("00", 'A'), settings);
        EXPECT_FALSE(got.isEmpty()) << qPrintable(settings);
        EXPECT_NE(got, frameOf("0")) << qPrintable(settings);
        EXPECT_EQ(h.send(command("00", 'A')), frameOf("0")) << "back at the right speed it answers";
    }
}

TEST(Model, ReaderStationAnswersOnlyAt9600)
{
    ModelHost h;
    h.model.setStationVersion(QStringLiteral("R V1"));
    h.model.setStationInformation(QStringLiteral("INFO, 2 SLOTS"));
    EXPECT_EQ(h.send(station('V'), kStationLine), frameOf("R V1"));
    EXPECT_TRUE(h.send(kAck, kStationLine).isEmpty()) << "the station sends one frame and nothing more";
    EXPECT_EQ(h.send(station('N'), kStationLine), frameOf("INFO, 2 SLOTS"));
    const QByteArray wrongSpeed = h.send(station('V'), kTerminalLine);
    EXPECT_FALSE(wrongSpeed.isEmpty());
    EXPECT_NE(wrongSpeed, frameOf("VX500R V1.04"));
    EXPECT_TRUE(h.send(QByteArray("\x05" "B00X\r"), kStationLine).isEmpty()) << "unknown station letter";
}

TEST(Model, GarbageIsDeterministic)
{
    ModelHost a, b;
    const QByteArray first = a.send(command("00", 'T'), kStationLine);
    EXPECT_EQ(first, b.send(command("00", 'T'), kStationLine));
    EXPECT_NE(first, a.send(command("00", 'T'), kStationLine)) << "the noise goes on, it does not repeat";
}

TEST(Model, ClockKeepsItsOffsetToThePcClock)
{
    ModelHost h;
    EXPECT_EQ(h.send(command("00", 'S')), kAck);
    EXPECT_EQ(h.send(frameOf("20090105070809")), kAck);
    EXPECT_TRUE(h.send(kEot).isEmpty());
    EXPECT_EQ(h.model.clock(h.now).toString(QStringLiteral("yyyyMMddHHmmss")), QStringLiteral("20090105070809"));
    // An hour later the terminal's clock has run on by an hour.
    h.now = h.now.addSecs(3600);
    EXPECT_EQ(h.send(command("00", 'T'), kTerminalLine, 0), frameOf("20090105080809"));
}

TEST(Model, SetDataWithWrongCheckOrInvalidValueIsRefused)
{
    ModelHost h;
    QByteArray bad = frameOf("20090105070809");
    bad[bad.size() - 1] = static_cast<char>(bad.back() ^ 1);
    h.send(command("00", 'S'));
    EXPECT_EQ(h.send(bad), kNak);
    h.send(command("00", 'S'));
    EXPECT_EQ(h.send(frameOf("20091305070809")), kNak) << "month 13";
    EXPECT_EQ(h.model.clockOffsetMs(), 0);
    h.send(command("00", 'P'));
    EXPECT_EQ(h.send(frameOf("G1")), kNak);
    EXPECT_EQ(h.model.machineNumber(), 0);
}

TEST(Model, NewMachineNumberTakesOverAtOnce)
{
    ModelHost h;
    h.send(command("00", 'P'));
    EXPECT_EQ(h.send(frameOf("2C")), kAck);
    h.send(kEot);
    EXPECT_TRUE(h.send(command("00", 'Q')).isEmpty());
    EXPECT_EQ(h.send(command("2C", 'Q')), frameOf("2C"));
}

TEST(Model, ClearingNeedsTheHostsEot)
{
    ModelHost h;
    h.model.setRecords({QStringLiteral("r1")});
    EXPECT_EQ(h.send(command("00", 'D')), kAck);
    // The host never confirms; its next request starts a new exchange.
    EXPECT_EQ(h.send(command("00", 'A')), frameOf("1"));
    h.send(kAck);
    h.send(command("00", 'D'));
    h.send(kEot);
    EXPECT_TRUE(h.model.records().isEmpty());
}

TEST(Model, RecoverRestoresTheLastClearingUntilNewRecordsCome)
{
    ModelHost h;
    h.model.setRecords({QStringLiteral("r1"), QStringLiteral("r2")});
    auto confirmed = [&](char letter) {
        EXPECT_EQ(h.send(command("00", letter)), kAck);
        h.send(kEot);
    };
    confirmed('D');
    confirmed('D'); // clearing an empty store keeps what can be recovered
    confirmed('M');
    EXPECT_EQ(h.model.records(), (QStringList{QStringLiteral("r1"), QStringLiteral("r2")}));

    confirmed('D');
    h.model.addRecord(QStringLiteral("r3"));
    confirmed('M');
    EXPECT_EQ(h.model.records(), QStringList{QStringLiteral("r3")});
}

TEST(Model, PoweredDownTerminalStaysSilentUntilWoken)
{
    ModelHost h;
    EXPECT_EQ(h.send(command("00", 'O')), kAck);
    EXPECT_TRUE(h.model.isPoweredDown());
    EXPECT_TRUE(h.send(command("00", 'A'), kTerminalLine, 60'000).isEmpty());
    EXPECT_TRUE(h.send(command("00", 'O')).isEmpty());
    // The reader station is a device of its own.
    EXPECT_EQ(h.send(station('V'), kStationLine), frameOf(h.model.stationVersion().toLatin1()));
    h.model.wake();
    EXPECT_EQ(h.send(command("00", 'A')), frameOf("0"));
}

TEST(Model, SelfTestKeepsTheTerminalDeafForItsTime)
{
    ModelHost h;
    h.model.setSelfTestMs(1500);
    EXPECT_TRUE(h.send(command("00", 'Z')).isEmpty());
    EXPECT_EQ(h.model.selfTestCount(), 1);
    EXPECT_TRUE(h.send(command("00", 'A'), kTerminalLine, 1000).isEmpty());
    EXPECT_EQ(h.send(command("00", 'A'), kTerminalLine, 600), frameOf("0"));
}

TEST(Model, StreamSendsTheNextItemOnlyAfterAnAck)
{
    ModelHost h;
    h.model.setRecords({QStringLiteral("one"), QStringLiteral("two")});
    EXPECT_EQ(h.send(command("00", 'I')), frameOf("one"));
    EXPECT_TRUE(h.send(kNak).isEmpty());
    EXPECT_EQ(h.send(kAck), frameOf("two"));
    EXPECT_EQ(h.send(kAck), kEot);
    EXPECT_EQ(h.model.records().size(), 2) << "a download leaves the records in place";

    ModelHost empty;
    EXPECT_EQ(empty.send(command("00", 'I')), kEot);
}

TEST(Model, BAnswersVoltageOrTagCount)
{
    ModelHost h;
    h.model.setVoltage(QStringLiteral("2.9V"));
    h.model.setTags({QStringLiteral("00000A"), QStringLiteral("00001B"), QStringLiteral("00002C")});
    EXPECT_EQ(h.send(command("00", 'B')), frameOf("2.9V"));
    h.send(kAck);
    h.model.setBAnswer(BAnswer::TagCount);
    EXPECT_EQ(h.send(command("00", 'B')), frameOf("3"));
}

TEST(Model, TagUploadReplacesTheListOnlyWhenComplete)
{
    ModelHost h;
    h.model.setTags({QStringLiteral("00000OLD")});
    EXPECT_EQ(h.send(command("00", 'K')), kAck);
    EXPECT_EQ(h.send(frameOf("00000AA")), kAck);
    QByteArray bad = frameOf("00001BB");
    bad[bad.size() - 1] = static_cast<char>(bad.back() ^ 1);
    EXPECT_EQ(h.send(bad), kNak) << "a damaged item is refused and may come again";
    EXPECT_EQ(h.send(frameOf("00001BB")), kAck);
    EXPECT_EQ(h.model.tags(), QStringList{QStringLiteral("00000OLD")});
    EXPECT_TRUE(h.send(kEot).isEmpty());
    EXPECT_EQ(h.model.tags(), (QStringList{QStringLiteral("00000AA"), QStringLiteral("00001BB")}));

    // An upload abandoned for another request leaves the list alone.
    h.send(command("00", 'K'));
    h.send(frameOf("00000ZZ"));
    h.send(command("00", 'A'));
    EXPECT_EQ(h.model.tags().size(), 2);
}
