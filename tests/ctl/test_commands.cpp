// Every command against the simulated terminal: what it prints, what it
// reports and what it leaves in the terminal. (download, its steps and its
// words: test_decisions.cpp, test_watch.cpp and the fault table.)
#include "CtlFixture.h"

using namespace vx::test;

// COM1 as the tool names it: the device after the number where the two differ.
const QString kCom1 = kOnWindows ? QStringLiteral("COM1") : QStringLiteral("COM1 (/dev/ttyS0)");

TEST_F(CtlTest, CommandsAgainstTheTerminal)
{
    const QByteArray zone = qgetenv("TZ");
    qputenv("TZ", "Europe/Berlin"); // 02:30 on 2024-03-31 does not exist there: the fields go out as written
    ::tzset();
    model.setSelfTestMs(0);
    const QString tags = path("tags.txt");
    ASSERT_TRUE(writeFileBytes(tags, "12AB34CD56\n00A31F2C\n\n0001\r\n")); // line 3 holds no code

    model.setRecords(QStringList(32768, "r")); // a count no 16-bit number holds: one line says so
    expectRun({"count"}, 1, "", "vx500ctl: Overflow: the record count \"32768\" is out of range\n");
    model.setRecords({"1,a", "2,b", "3,c", "4,d"});
    expectRun({"--timeout", "600000", "count"}, 0, "4\n", ""); // the longest budget there is
    expectRun({"voltage"}, 0, "3.05V\n", "");
    expectRun({"tags", "count"}, 1, "", "vx500ctl: tags count: the terminal answered '3.05V', not a number of tag codes\n");
    for (const char *count : {"32768", "99999999999999999999"}) { // beyond a tag list, beyond any integer
        model.setVoltage(count);
        expectRun({"tags", "count"}, 1, "", QStringLiteral("vx500ctl: tags count: the terminal answered '%1', not a "
                                                           "number of tag codes\n").arg(count));
    }
    model.setVoltage("3.05V");
    expectRun({"station", "version", "--json"}, 0, R"({"command":"station version","version":"VX500R V1.04"})" "\n", "");
    expectRun({"station", "info"}, 0, "VX500R/U READER STATION,9600,N,8,1\n", "");
    expectRun({"set-time", "2024-03-31T02:30:00"}, 0, "OK\n", "");
    EXPECT_TRUE(port.writtenBytes().contains("20240331023000"));
    expectRun({"time"}, 0, "2024-03-31 02:30:00\n", "");
    expectRun({"time", "--json"}, 0, R"({"command":"time","machine":0,"time":"2024-03-31T02:30:00"})" "\n", "");
    qputenv("TZ", zone);
    ::tzset();
    expectRun({"self-test"}, 0, "OK\n", "");
    EXPECT_EQ(model.selfTestCount(), 1);
    expectRun({"tags", "upload", tags, "-q"}, 0, "OK\n", "");
    expectRun({"tags", "download"}, 0, "0000112AB34CD56\r\n0000200A31F2C\r\n000040001\r\n", "3 tag codes\n");
    expectRun({"clear", "--yes"}, 0, "OK\n", "");
    EXPECT_TRUE(model.records().isEmpty());
    expectRun({"recover"}, 0, "OK\n", "");
    EXPECT_EQ(model.records().size(), 4);
    model.setBAnswer(vx::sim::BAnswer::TagCount);
    expectRun({"tags", "count", "--json"}, 0, R"({"command":"tags count","machine":0,"codes":3})" "\n", "");
    expectRun({"voltage"}, 0, "3\n",
              "vx500ctl: voltage: '3' has no unit: it may be the tag count, which the terminal answers to the same request\n");
    expectRun({"set-id", "255"}, 0, "OK\n", "");
    expectRun({"--id", "255", "id", "--json"}, 0, R"({"command":"id","machine":255,"id":255})" "\n", "");
    expectRun({"count"}, 1, "", "vx500ctl: ErrCode: -1, VX_ERR_TIMEOUT: no answer on " + kCom1 + " within 2 s; is the "
                                "terminal switched on and in its station, with machine number 0? (vx500ctl scan finds "
                                "it)\n"); // machine 0 is gone
    expectRun({"--id", "255", "power-down"}, 0, "OK\n", "");
    EXPECT_TRUE(model.isPoweredDown());
}

TEST_F(CtlTest, ReplyBudgetsInVirtualTime)
{
    port.setDevice(&script); // nobody answers
    for (const auto &[args, budget, said] : {std::tuple<QStringList, qint64, QString>{{"station", "version"}, 3000, "3 s"},
                                             {{"--timeout", "500", "station", "info"}, 500, "500 ms"}}) { // 2000: the link's tests
        const qint64 start = port.now();
        EXPECT_EQ(run(args).err, "vx500ctl: ErrCode: -1, VX_ERR_TIMEOUT: no answer on " + kCom1 + " within " + said
                                     + "; is the reader station switched on and connected to this port?\n");
        const qint64 waited = port.now() - start - 100; // run() lets 100 ms pass after the tool
        EXPECT_TRUE(waited >= budget && waited < budget + 100) << waited;
    }
}

TEST_F(CtlTest, ClearAsksOnATerminal)
{
    model.setRecords({"1"});
    EXPECT_EQ(run({"clear"}).status, 2) << "nobody to ask";
    io.inIsTerminal = true;
    for (const char *answer : {"\n", "no\n", ""}) {
        input = answer;
        expectRun({"clear"}, 0, "", "Clear the data of terminal? [y/N] Not cleared.\n");
    }
    EXPECT_EQ(model.records().size(), 1);
    input = "y\n";
    expectRun({"clear"}, 0, "OK\n", "Clear the data of terminal? [y/N] ");
    EXPECT_TRUE(model.records().isEmpty());
}
