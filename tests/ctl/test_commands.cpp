// Every command against the simulated terminal: what it prints, what it
// reports and what it leaves in the terminal.
#include "CtlFixture.h"

using namespace vx::test;

TEST_F(CtlTest, CommandsAgainstTheTerminal)
{
    const QByteArray zone = qgetenv("TZ");
    qputenv("TZ", "Europe/Berlin"); // 02:30 on 2024-03-31 does not exist there: the fields go out as written
    ::tzset();
    model.setRecords({"00FF,x,y", "FFFF,1", "8000,a", "10000,b"});
    model.setSelfTestMs(0);
    const QString data = path("VX.txt");
    const QString tags = path("tags.txt");
    ASSERT_TRUE(writeFileBytes(data, "earlier line without its end"));
    ASSERT_TRUE(writeFileBytes(tags, "12AB34CD56\n00A31F2C\n\n0001\r\n")); // line 3 holds no code
    const QByteArray records = "255,x,y\r\n-1,1\r\n-32768,a\r\n65536,b\r\n";

    expectRun({"count"}, 0, "4\n", "");
    expectRun({"version"}, 0, "VX500A V2.10\n", "");
    expectRun({"voltage"}, 0, "3.05V\n", "");
    expectRun({"station", "version"}, 0, "VX500R V1.04\n", "");
    expectRun({"station", "info"}, 0, "VX500R/U READER STATION,9600,N,8,1\n", "");
    expectRun({"set-time", "2024-03-31T02:30:00"}, 0, "OK\n", "");
    EXPECT_TRUE(port.writtenBytes().contains("20240331023000"));
    expectRun({"time"}, 0, "2024-03-31 02:30:00\n", "");
    qputenv("TZ", zone);
    ::tzset();
    expectRun({"self-test"}, 0, "OK\n", "");
    EXPECT_EQ(model.selfTestCount(), 1);
    expectRun({"tags", "upload", tags}, 0, "OK\n", "3 tag codes sent\n");
    expectRun({"tags", "download"}, 0, "0000112AB34CD56\r\n0000200A31F2C\r\n000040001\r\n", "3 tag codes\n");
    expectRun({"download"}, 0, records, "4 records\n");
    expectRun({"clear", "--yes"}, 0, "OK\n", "");
    EXPECT_TRUE(model.records().isEmpty());
    expectRun({"recover"}, 0, "OK\n", "");
    expectRun({"download", "-o", data, "--clear", "--update-time", "--power-down"}, 0, "",
              "4 records\nData Cleared\nTime Updated\nPower Down\n");
    EXPECT_EQ(fileBytes(data), "earlier line without its end\r\n" + records);
    EXPECT_TRUE(model.records().isEmpty());
    EXPECT_TRUE(model.isPoweredDown());

    model.wake();
    model.setBAnswer(vx::sim::BAnswer::TagCount);
    expectRun({"tags", "count"}, 0, "3\n", "");
    expectRun({"set-id", "26"}, 0, "OK\n", "");
    expectRun({"--id", "26", "id"}, 0, "26\n", "");
    expectRun({"count"}, 1, "", "vx500ctl: ErrCode: -1, VX_ERR_TIMEOUT\n"); // machine 0 is gone
    expectRun({"--id", "26", "power-down"}, 0, "OK\n", "");
    EXPECT_TRUE(model.isPoweredDown());
}

TEST_F(CtlTest, ReplyBudgetsInVirtualTime)
{
    port.setDevice(&script); // nobody answers
    for (const auto &[args, budget] : {std::pair<QStringList, qint64>{{"station", "version"}, 3000},
                                       {{"--timeout", "500", "station", "info"}, 500}}) { // 2000: the link's tests
        const qint64 start = port.now();
        run(args);
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
