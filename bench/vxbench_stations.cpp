// Unattended-station benchmarks against vx500-sim on pseudo-terminals. Prints
// one line per figure; nothing here asserts a time. The figures: eight
// stations paced at the line rate, each watched by its own vx500ctl watch,
// with a terminal of 500 records docked at each at once; the CPU of eight
// watchers over a minute of empty stations; a scan of machine numbers 0 to
// 255 with one terminal at number 200.
#include "BenchSetup.h"
#include "Processes.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>

#include <cstdio>
#include <memory>
#include <unistd.h>
#include <vector>

using vx::test::SimProcess;

namespace {

constexpr int kStations = 8;

// CPU seconds a process has used so far (user and system), from /proc.
double cpuSecondsOf(qint64 pid)
{
    QFile f(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray stat = f.readAll();
    // The fields after the command name in parentheses, which may hold spaces.
    const QList<QByteArray> fields = stat.mid(stat.lastIndexOf(')') + 2).split(' ');
    if (fields.size() < 13)
        return -1;
    return (fields[11].toDouble() + fields[12].toDouble()) / ::sysconf(_SC_CLK_TCK);
}

std::unique_ptr<QProcess> startWatch(const QString &device, const QString &file)
{
    auto p = std::make_unique<QProcess>();
    p->start(vx::test::toolProgram(), {QStringLiteral("--port"), device, QStringLiteral("watch"), QStringLiteral("-o"),
                                       file, QStringLiteral("--clear"), QStringLiteral("--interval"),
                                       QStringLiteral("2")});
    p->waitForStarted();
    return p;
}

void stopAll(std::vector<std::unique_ptr<QProcess>> &watchers)
{
    for (auto &p : watchers) {
        p->terminate();
        if (!p->waitForFinished(5000))
            p->kill();
    }
}

void dockedStations(const QTemporaryDir &dir)
{
    const QString records = dir.filePath(QStringLiteral("records.txt"));
    const double lineSeconds = vx::bench::writeRecords(records, 500) * 10.0 / 19200.0;
    std::vector<std::unique_ptr<SimProcess>> sims;
    std::vector<std::unique_ptr<QProcess>> watchers;
    for (int i = 0; i < kStations; ++i) {
        sims.push_back(std::make_unique<SimProcess>(QStringList{QStringLiteral("--pace"), QStringLiteral("--records"),
                                                                records}));
        if (!sims.back()->started()) {
            std::printf("8 docked stations: FAILED: a simulator did not start\n");
            return;
        }
    }
    QElapsedTimer t;
    t.start();
    for (int i = 0; i < kStations; ++i)
        watchers.push_back(startWatch(sims[i]->device(), dir.filePath(QStringLiteral("station%1.txt").arg(i))));
    std::vector<double> done(kStations, 0);
    int finished = 0;
    while (finished < kStations && t.elapsed() < 120'000) {
        for (int i = 0; i < kStations; ++i) {
            watchers[i]->waitForReadyRead(10);
            if (done[i] == 0 && watchers[i]->readAllStandardOutput().contains("500 records")) {
                done[i] = t.nsecsElapsed() / 1e9;
                ++finished;
            }
        }
    }
    stopAll(watchers);
    double worst = 1e9;
    for (double s : done)
        worst = std::min(worst, s > 0 ? lineSeconds / s : 0.0);
    std::printf("8 stations paced at the line rate, 8 watch processes, 500 records docked at each at once: "
                "%d of 8 downloaded; line limit %.2f s each; slowest ratio to the line limit %.3f "
                "(count, download, clear included; target >= 0.97)\n",
                finished, lineSeconds, worst);
}

void emptyStations(int seconds)
{
    // A terminal with machine number 5 does not answer the watchers' number 0.
    std::vector<std::unique_ptr<SimProcess>> sims;
    std::vector<std::unique_ptr<QProcess>> watchers;
    QTemporaryDir dir;
    for (int i = 0; i < kStations; ++i) {
        sims.push_back(std::make_unique<SimProcess>(QStringList{QStringLiteral("--id"), QStringLiteral("5")}));
        watchers.push_back(startWatch(sims.back()->device(), dir.filePath(QStringLiteral("s%1.txt").arg(i))));
    }
    QThread::sleep(seconds);
    double cpu = 0;
    for (auto &p : watchers)
        cpu += cpuSecondsOf(p->processId());
    stopAll(watchers);
    std::printf("8 watchers over %d s of empty stations (interval 2 s): %.2f s of CPU in total = %.3f %% of one core "
                "(target <= 1 %%)\n",
                seconds, cpu, 100.0 * cpu / seconds);
}

// A scan of 0-255 with one terminal at 200 that answers on time or late:
// what finding a late one under its own number costs, and the settling
// after the last number (one reply budget).
void scanFigure()
{
    for (const int late : {0, 300, 1000}) {
        SimProcess sim({QStringLiteral("--id"), QStringLiteral("200"), QStringLiteral("--generate"), QStringLiteral("3"),
                        QStringLiteral("--late"), QString::number(late)});
        QElapsedTimer t;
        t.start();
        const vx::test::ToolResult r =
            vx::test::runTool({QStringLiteral("--port"), sim.device(), QStringLiteral("scan")}, QProcessEnvironment::systemEnvironment(), {}, 300'000);
        std::printf("scan of machine numbers 0-255, one terminal at 200 answering %d ms late: %.1f s, status %d: %s\n",
                    late, t.nsecsElapsed() / 1e9, r.status, r.out.trimmed().constData());
    }
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    vx::bench::usePrivateSettings();
    const int idleSeconds = argc > 1 ? std::max(1, atoi(argv[1])) : 60;
    QTemporaryDir dir;
    dockedStations(dir);
    emptyStations(idleSeconds);
    scanFigure();
    return 0;
}
