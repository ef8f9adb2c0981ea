// The memory of a runaway stream: a terminal that goes on sending records
// up to the 64 MiB a download takes. The tool's peak resident memory and the
// ledger's size are printed beside the records' bytes; the target is about
// twice the records' bytes plus the program's own (a small download's peak).
#include "BenchSetup.h"
#include "Processes.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cstdio>
#include <sys/resource.h>

namespace {

using vx::test::SimProcess;

// Peak resident memory, in MiB, of the children waited for so far.
double childrenPeakMiB()
{
    rusage usage {};
    ::getrusage(RUSAGE_CHILDREN, &usage);
    return usage.ru_maxrss / 1024.0;
}

// One download of `records` records of `size` bytes each into a file of dir;
// the tool's peak and the ledger's size.
void download(const QTemporaryDir &dir, int records, int size, const char *what)
{
    const QString source = dir.filePath(QStringLiteral("records-%1.txt").arg(records));
    QFile file(source);
    file.open(QIODevice::WriteOnly);
    qint64 bytes = 0;
    for (int i = 1; i <= records; ++i) {
        const QByteArray line = QByteArray::number(i, 16).toUpper() + ',' + QByteArray(size, 'x') + '\n';
        file.write(line);
        bytes += line.size() + 1; // stored with CR LF
    }
    file.close();
    QProcessEnvironment env = vx::test::withConfigDir(dir.filePath(QStringLiteral("config-%1").arg(records)));
    SimProcess sim({QStringLiteral("--records"), source}, env);
    const vx::test::ToolResult r = vx::test::runTool(
        {QStringLiteral("--port"), sim.device(), QStringLiteral("download"), QStringLiteral("-q"), QStringLiteral("-o"),
         dir.filePath(QStringLiteral("out-%1.txt").arg(records))},
        env);
    const double peak = childrenPeakMiB(); // the tool's, the largest child waited for so far
    const qint64 ledger = QFileInfo(dir.filePath(QStringLiteral("config-%1/state/vx500/ledger.sqlite").arg(records))).size();
    std::printf("%s: %d records, %.1f MiB of lines, status %d: tool peak %.1f MiB, ledger %.1f MiB\n", what, records,
                bytes / 1048576.0, r.status, peak, ledger / 1048576.0);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    vx::bench::usePrivateSettings();
    QTemporaryDir dir;
    download(dir, 10, 40, "a small download (the program's own)");
    download(dir, 32000, 2100, "a runaway stream, cut at 64 MiB (target: about twice the lines plus the program's own)");
    return 0;
}
