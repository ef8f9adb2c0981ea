// The command line: what is accepted, what is refused before any port is touched.
#include "CtlFixture.h"
#include "Invocation.h"

using vx::ctl::Parsed;
using vx::ctl::parseArguments;

namespace {

Parsed parse(QStringList args)
{
    args.prepend("vx500ctl");
    return parseArguments(args);
}

} // namespace

TEST(Arguments, GlobalOptionsAndDefaults)
{
    const Parsed p = parse({"count"});
    ASSERT_EQ(p.outcome, Parsed::Run) << p.text.toStdString();
    EXPECT_EQ(p.invocation.command, "count");
    EXPECT_EQ(p.invocation.id, 0);
    EXPECT_TRUE(p.invocation.port.isEmpty());
    EXPECT_EQ(p.invocation.effectiveTimeout(), 2000);
    EXPECT_FALSE(p.invocation.trace);

    const Parsed q = parse({"--port", "COM4", "--id", "26", "--timeout", "500", "--trace", "version"});
    ASSERT_EQ(q.outcome, Parsed::Run) << q.text.toStdString();
    EXPECT_EQ(q.invocation.port, "COM4");
    EXPECT_EQ(q.invocation.id, 26);
    EXPECT_EQ(q.invocation.effectiveTimeout(), 500);
    EXPECT_TRUE(q.invocation.trace);
}

TEST(Arguments, CommandArguments)
{
    const Parsed t = parse({"set-time", "2009-01-05T07:08:09"});
    ASSERT_EQ(t.outcome, Parsed::Run);
    ASSERT_TRUE(t.invocation.when.has_value());
    EXPECT_EQ(*t.invocation.when, QDateTime(QDate(2009, 1, 5), QTime(7, 8, 9)));
    EXPECT_FALSE(parse({"set-time"}).invocation.when.has_value());
    EXPECT_FALSE(parse({"set-time", "now"}).invocation.when.has_value());
    EXPECT_EQ(parse({"set-id", "10"}).invocation.newId, 10);

    const Parsed d = parse({"download", "-o", "/tmp/x.txt", "--clear", "--power-down"});
    ASSERT_EQ(d.outcome, Parsed::Run);
    EXPECT_EQ(d.invocation.output, "/tmp/x.txt");
    EXPECT_TRUE(d.invocation.clearAfter);
    EXPECT_FALSE(d.invocation.updateTimeAfter);
    EXPECT_TRUE(d.invocation.powerDownAfter);

    const Parsed u = parse({"tags", "upload", "codes.txt"});
    ASSERT_EQ(u.outcome, Parsed::Run);
    EXPECT_EQ(u.invocation.subcommand, "upload");
    EXPECT_EQ(u.invocation.file, "codes.txt");

    const Parsed m = parse({"ports", "--map", "com3=/dev/ttyUSB0"});
    ASSERT_EQ(m.outcome, Parsed::Run);
    EXPECT_EQ(m.invocation.mapPort, "COM3");
    EXPECT_EQ(m.invocation.mapDevice, "/dev/ttyUSB0");
}

TEST(Arguments, UsageErrorsNameWhatIsWrong)
{
    struct Case {
        QStringList args;
        const char *mentions;
    };
    const Case cases[] = {
        {{}, "no command"},
        {{"frobnicate"}, "frobnicate"},
        {{"count", "extra"}, "extra"},
        {{"set-id"}, "missing"},
        {{"set-id", "256"}, "256"},
        {{"set-id", "x"}, "'x'"},
        {{"--id", "-1", "count"}, ""},
        {{"--id", "abc", "count"}, "abc"},
        {{"--timeout", "0", "count"}, "--timeout"},
        {{"--port", "COM17", "count"}, "COM17"},
        {{"set-time", "yesterday"}, "yesterday"},
        {{"set-time", "2009-02-30T00:00:00"}, "2009-02-30"},
        {{"tags"}, "missing"},
        {{"tags", "sort"}, "sort"},
        {{"tags", "upload"}, "FILE"},
        {{"tags", "count", "more"}, "more"},
        {{"station", "reboot"}, "reboot"},
        {{"download", "--yes"}, "--yes"},
        {{"time", "-o", "f"}, "--output"},
        {{"clear", "--clear"}, "--clear"},
        {{"count", "--map", "COM1=/dev/x"}, "--map"},
        {{"ports", "--map", "COM1"}, "COM1"},
        {{"ports", "--map", "COM0=/dev/x"}, "COM0"},
        {{"ports", "--map", "COM2=ttyUSB0"}, "ttyUSB0"},
        {{"ports", "--unmap", "LPT1"}, "LPT1"},
        {{"ports", "--map", "COM1=/dev/a", "--unmap", "COM1"}, "exclude"},
        {{"--bogus", "count"}, "bogus"},
    };
    for (const Case &c : cases) {
        const Parsed p = parse(c.args);
        EXPECT_EQ(p.outcome, Parsed::Usage) << c.args.join(' ').toStdString();
        EXPECT_TRUE(p.text.contains(QLatin1String(c.mentions)))
            << c.args.join(' ').toStdString() << " -> " << p.text.toStdString();
    }
}

TEST(Arguments, ComNumbers)
{
    EXPECT_EQ(vx::ctl::comNumber("COM1"), 1);
    EXPECT_EQ(vx::ctl::comNumber("com16"), 16);
    EXPECT_EQ(vx::ctl::comNumber("COM0"), 0);
    EXPECT_EQ(vx::ctl::comNumber("COM17"), 0);
    EXPECT_EQ(vx::ctl::comNumber("/dev/ttyS0"), 0);
}

using vx::test::CtlTest;

TEST_F(CtlTest, UsageErrorExitsTwoWithoutTouchingThePort)
{
    const auto r = run({"set-id", "300"});
    EXPECT_EQ(r.status, 2);
    EXPECT_TRUE(r.err.startsWith("vx500ctl: set-id: '300'")) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains("vx500ctl --help"));
    EXPECT_TRUE(r.out.isEmpty());
    EXPECT_EQ(port.openCount(), 0);
}
