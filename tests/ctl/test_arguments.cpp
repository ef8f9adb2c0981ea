// The command line: every refusal exits 2 with its reason before any port
// or file is touched; the help lists every command.
#include "CtlFixture.h"

using namespace vx::test;

TEST_F(CtlTest, UsageErrorsNameWhatIsWrong)
{
    const std::pair<QStringList, const char *> cases[] = {
        {{}, "no command given"},
        {{"frobnicate"}, "unknown command 'frobnicate'"},
        {{"count", "extra"}, "count: unexpected argument 'extra'"},
        {{"set-id"}, "set-id: N missing"},
        {{"set-id", "256"}, "set-id: '256' is not a machine number (0-255)"},
        {{"--timeout", "0", "count"}, "--timeout: '0' is not a time in ms (1-600000)"},
        kOnWindows ? std::pair<QStringList, const char *>{{"--port", "/dev/ttyUSB0", "count"},
                                                          R"(--port: '/dev/ttyUSB0' is not a port from COM1 to COM256 (or \\.\NAME))"}
                   : std::pair<QStringList, const char *>{{"--port", "COM17", "count"},
                                                          "--port: 'COM17' is not one of COM1 to COM16"},
        {{"--port", " ", "count"}, "--port: empty port name"},
        {{"set-time", "2009-02-30T00:00:00"}, "set-time: '2009-02-30T00:00:00' is neither now nor YYYY-MM-DDThh:mm:ss"},
        {{"tags"}, "tags: sub-command missing (count, download, upload)"},
        {{"station", "reboot"}, "station: unknown sub-command 'reboot' (version, info)"},
        {{"download", "--yes"}, "--yes belongs to clear, not to download"},
        {{"tags", "upload", "f", "-o", "g"}, "--output belongs to download, watch and tags download, not to tags upload"},
        {{"download", "-o", "a", "-o", "b"}, "--output given more than once"},
        {{"download", "-o", ""}, "-o: empty file name"},
        {{"ports", "--map", "COM2=ttyUSB0"},
         kOnWindows ? "--map: 'COM2=ttyUSB0' is not COMn=PORT with n from 1 to 16 and PORT one of COM1 to COM256"
                    : "--map: 'COM2=ttyUSB0' is not COMn=DEVICE with n from 1 to 16 and DEVICE a path such as "
                      "/dev/ttyUSB0"},
        {{"ports", "--map", "COM1=/dev/a", "--unmap", "COM1"}, "ports: --map and --unmap exclude each other"},
        {{"--bogus", "count"}, "Unknown option 'bogus'."},
        {{"scan", "--from", "9", "--to", "8"}, "scan: --from 9 is above --to 8"},
        {{"--id", "x", "count"}, "--id: 'x' is not a machine number (0-255)"},
        {{"ports", "--unmap", "COM0"}, "--unmap: 'COM0' is not one of COM1 to COM16"},
        {{"scan", "--to", "256"}, "--to: '256' is not a machine number (0-255)"},
        {{"watch", "-o", "f", "--interval", "86401"}, "--interval: '86401' is not a number of seconds (1-86400)"},
        {{"watch", "-o", "f", "--interval", "0"}, "--interval: '0' is not a number of seconds (1-86400)"},
        {{"watch"}, "watch: -o FILE missing (standard output carries the events)"},
        {{"watch", "-o", "%Y%%%q"}, "-o: '%Y%%%q' holds a % sequence other than %Y, %m, %d and %%"},
    };
    for (const auto &[args, message] : cases)
        expectRun(args, 2, "", QStringLiteral("vx500ctl: %1\nTry 'vx500ctl --help' for more information.\n").arg(message));
    EXPECT_EQ(port.openCount(), 0);
    EXPECT_FALSE(QFile::exists(settingsPath())) << "no settings read for a refused command line";
}

TEST_F(CtlTest, HelpListsEveryCommand)
{
    EXPECT_TRUE(run({"--version"}).out.startsWith("vx500ctl 2."));
    const CtlResult r = run({"--help"});
    EXPECT_EQ(r.status, 0);
    for (const char *line : {"Usage: vx500ctl [options] COMMAND [ARGS]\n",
                             "\n  set-id N                give the terminal the machine number N (0-255)\n",
                             "\n  download [-o FILE] [--clear] [--update-time] [--power-down] [-q] [--json]\n"
                             "                          fetch every record, first field in decimal; the\n",
                             kOnWindows ? "\n  ports [--map COMn=PORT | --unmap COMn] [--json]\n"
                                        : "\n  ports [--map COMn=DEVICE | --unmap COMn] [--json]\n",
                             "\n  --timeout <MS>       Reply time budget in ms (default 2000, 3000 for station\n"})
        EXPECT_TRUE(r.out.contains(line)) << line;
    // One command's help: its synopsis (a required option without
    // brackets), its own options only, an example; a group's: its commands'.
    const QByteArray watch = run({"watch", "--help"}).out;
    const CtlResult tags = run({"tags", "--help"});
    EXPECT_TRUE(tags.status == 0 && tags.out.count("Usage: ") == 3 && tags.out.contains("] tags upload FILE [-q]\n"));
    EXPECT_TRUE(watch.startsWith("Usage: vx500ctl [--port PORT] [--id N] [--timeout MS] [--trace] watch -o FILE [--clear]")
                && watch.contains("\n  --interval SEC          seconds between two looks (default 2).\n")
                && !watch.contains("--yes") && watch.endsWith(kOnWindows ? "Example:\n  vx500ctl --port COM1 watch -o C:\\vx500\\%Y%m%d.txt --clear\n"
                                             : "Example:\n  vx500ctl --port COM1 watch -o ~/vx500/%Y%m%d.txt --clear\n"))
        << watch.constData();
}
