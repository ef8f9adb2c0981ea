// Link and line benchmarks against vx500-sim on pseudo-terminals. Prints one
// line per figure; nothing here asserts a time. The figures: the round trip
// of "count" against an instant simulator, the CPU spent waiting for a silent
// terminal, and the download throughput at the paced line rate, of vx500ctl
// and of a host that polls every 20 ms, each against the line limit.
#include "BenchSetup.h"
#include "Processes.h"
#include "terminal/TerminalLink.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <sys/resource.h>

using vx::test::SimProcess;

namespace {

QString binDir() { return QCoreApplication::applicationDirPath(); }

double cpuSeconds()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_utime.tv_sec + u.ru_stime.tv_sec + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// False, with the figure marked FAILED, when the simulator did not come up.
bool ready(const SimProcess &sim, const char *figure)
{
    if (!sim.started())
        std::printf("%s: FAILED: the simulator did not start: %s\n", figure, qPrintable(sim.errors()));
    return sim.started();
}

struct Run {
    bool ok = false;
    double seconds = 0;
    QString output;
};

// Runs a program to its end (at most ten minutes) and times it.
Run timed(const QString &program, const QStringList &args)
{
    QElapsedTimer t;
    t.start();
    const vx::test::ToolResult r = vx::test::runProgram(program, args, QProcessEnvironment::systemEnvironment(), {},
                                                        600'000);
    return {r.status == 0, t.nsecsElapsed() / 1e9, QString::fromLocal8Bit(r.out + r.err).trimmed()};
}

void downloadFigures(int n)
{
    QTemporaryDir dir;
    const QString records = dir.filePath(QStringLiteral("records.txt"));
    const qint64 lineBytes = vx::bench::writeRecords(records, n);
    if (lineBytes < 0) {
        std::printf("download: FAILED: cannot write %s\n", qPrintable(records));
        return;
    }
    const double lineSeconds = lineBytes * 10.0 / 19200.0;

    double ours = 0;
    {
        SimProcess sim({QStringLiteral("--pace"), QStringLiteral("--records"), records});
        if (!ready(sim, "download"))
            return;
        const Run r = timed(vx::test::toolProgram(), {QStringLiteral("--port"), sim.device(), QStringLiteral("download"),
                                                      QStringLiteral("-o"), dir.filePath(QStringLiteral("out.txt"))});
        if (!r.ok) {
            std::printf("download: FAILED: %s\n", qPrintable(r.output));
            return;
        }
        ours = r.seconds;
        std::printf("download (vx500ctl, paced simulator): %d records of ~40 characters in %.2f s = %.1f records/s; "
                    "line limit %.2f s (%lld bytes at 1920 bytes/s); ratio to the line limit %.3f\n",
                    n, ours, n / ours, lineSeconds, static_cast<long long>(lineBytes), lineSeconds / ours);
    }
    {
        SimProcess sim({QStringLiteral("--pace"), QStringLiteral("--records"), records});
        if (!ready(sim, "download (host polling every 20 ms)"))
            return;
        const Run r = timed(binDir() + QStringLiteral("/polled_host"), {sim.device()});
        const QStringList parts = r.output.split(QLatin1Char(' '));
        if (!r.ok || parts.size() != 2 || parts[0].toInt() != n) {
            std::printf("download (host polling every 20 ms): FAILED: %s\n", qPrintable(r.output));
            return;
        }
        const double polled = parts[1].toDouble();
        std::printf("download (host polling every 20 ms, same run): %.2f s = %.1f records/s; "
                    "ratio to the line limit %.3f; our throughput / polled = %.2f\n",
                    polled, n / polled, lineSeconds / polled, polled / ours);
    }
}

void idleFigure()
{
    // The terminal has machine number 5 and ignores commands for number 0.
    SimProcess sim({QStringLiteral("--id"), QStringLiteral("5")});
    if (!ready(sim, "waiting for a silent terminal"))
        return;
    vx::TerminalLink link;
    link.setPortName(sim.device());
    link.setTimeout(2000);
    QElapsedTimer wall;
    const double cpu0 = cpuSeconds();
    wall.start();
    qint16 count = 0;
    link.readRecordCount(0, count);
    const double cpu = cpuSeconds() - cpu0;
    const double seconds = wall.nsecsElapsed() / 1e9;
    std::printf("waiting for a silent terminal (2000 ms budget): status %d after %.3f s, CPU %.4f s; "
                "CPU/wall %.4f (target <= 0.02)\n",
                link.status(), seconds, cpu, cpu / seconds);
}

void roundTripFigure(int runs)
{
    SimProcess sim({QStringLiteral("--generate"), QStringLiteral("10")});
    if (!ready(sim, "\"count\" round trip"))
        return;
    vx::TerminalLink link;
    link.setPortName(sim.device());
    link.setTimeout(2000);
    QList<double> ms;
    int failures = 0;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer t;
        t.start();
        qint16 count = 0;
        link.readRecordCount(0, count);
        ms.append(t.nsecsElapsed() / 1e6);
        failures += link.status() != 0 || count != 10;
    }
    std::sort(ms.begin(), ms.end());
    std::printf("\"count\" round trip over a pseudo-terminal, instant simulator, %d runs in one process: "
                "median %.2f ms, 95th percentile %.2f ms, %d failed (target median <= 3 ms)\n",
                runs, ms[ms.size() / 2], ms[static_cast<int>(ms.size() * 0.95)], failures);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    vx::bench::usePrivateSettings();
    const int n = argc > 1 ? std::max(1, atoi(argv[1])) : 2000;
    roundTripFigure(200);
    idleFigure();
    downloadFigures(n);
    return 0;
}
