// Window benchmarks, offscreen: start-up to the password dialog, memory once
// the main window is loaded, and a 100,000-record download through the
// window's own download path against the simulated terminal in virtual time.
#include "Dialogs.h"
#include "FakePort.h"
#include "ModelDevice.h"
#include "RecordGenerator.h"
#include "SettingsStore.h"
#include "TerminalModel.h"
#include "MainWindow.h"
#include "Password.h"
#include "Startup.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QLockFile>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>
#include <malloc.h>

using namespace vx;

namespace {

QElapsedTimer g_sinceMain;

// "VmRSS" or "VmHWM" of this process, in MiB.
double memoryMiB(const char *field)
{
    QFile f(QStringLiteral("/proc/self/status"));
    f.open(QIODevice::ReadOnly);
    for (const QByteArray &line : f.readAll().split('\n'))
        if (line.startsWith(field))
            return line.mid(qstrlen(field) + 1).trimmed().split(' ').first().toDouble() / 1024.0;
    return 0;
}

// Bytes of heap in use (glibc), in MiB.
double heapMiB() { return mallinfo2().uordblks / 1048576.0; }

// Answers every box with its first button and every save dialog with one file.
class Answering : public Dialogs {
public:
    explicit Answering(QString file) : m_file(std::move(file)) {}
    Answer ask(const Message &m) override
    {
        return m.buttons == Buttons::YesNo ? Answer::Yes : Answer::Ok;
    }
    std::optional<QString> saveFileName(const SaveRequest &) override { return m_file; }
    bool openFolder(const QString &) override { return false; }

private:
    QString m_file;
};

// Notes the wall-clock moment of every ACK the host sends (one per record).
class AckClock : public test::FakeDevice {
public:
    explicit AckClock(test::FakeDevice &inner) : m_inner(inner) { m_clock.start(); }
    void received(const QByteArray &bytes, test::FakePort &port) override
    {
        if (bytes == QByteArray(1, '\x06')) {
            acks.append(m_clock.nsecsElapsed());
            if (acks.size() == sampleAt) {
                rssAtSample = memoryMiB("VmRSS:");
                heapAtSample = heapMiB();
            }
        }
        m_inner.received(bytes, port);
    }
    QList<qint64> acks;
    qsizetype sampleAt = 0;
    double rssAtSample = 0;
    double heapAtSample = 0;

private:
    test::FakeDevice &m_inner;
    QElapsedTimer m_clock;
};

void startupFigure(QTemporaryDir &dir)
{
    Answering dialogs(dir.filePath(QStringLiteral("unused.txt")));
    SettingsStore store(dialogs);
    Password password;
    sim::TerminalModel model;
    test::ModelDevice device(model);
    Startup::Environment env;
    env.programFolder = dir.path();
    env.lockFile = dir.filePath(QStringLiteral("monitor.lock"));
    env.dialogs = &dialogs;
    env.settings = &store;
    env.makePort = [&] { return std::make_unique<test::FakePort>(&device); };
    env.password = &password;

    double toGate = -1;
    QTimer::singleShot(0, [&] {
        toGate = g_sinceMain.nsecsElapsed() / 1e6;
        auto *gate = qobject_cast<QDialog *>(QApplication::activeModalWidget());
        if (!gate)
            return;
        gate->findChild<QLineEdit *>(QStringLiteral("passwordEdit"))->setText(QStringLiteral("5813"));
        for (auto *b : gate->findChildren<QAbstractButton *>())
            if (b->text() == QStringLiteral("OK"))
                b->click();
    });
    std::unique_ptr<QLockFile> lock;
    auto window = Startup::start(env, lock);
    QApplication::processEvents();
    std::printf("start-up to the password dialog (offscreen, from main()): %.1f ms (target <= 300 ms); "
                "resident memory with the main window loaded: %.1f MiB (target <= 80 MB)\n",
                toGate, memoryMiB("VmRSS:"));
    if (!window)
        std::printf("start-up: the main window did not open\n");
}

void growthFigure(QTemporaryDir &dir, int n)
{
    const QString data = dir.filePath(QStringLiteral("growth.txt"));
    Answering dialogs(data);
    SettingsStore store(dialogs);
    sim::TerminalModel model;
    model.setRecords(sim::RecordGenerator{}.generate(n));
    test::ModelDevice device(model);
    AckClock clock(device);
    clock.acks.reserve(n + 1);
    clock.sampleAt = n / 10;
    auto owned = std::make_unique<test::FakePort>(&clock);
    test::FakePort *port = owned.get();
    port->setKeepWrites(false);
    port->setProcessEvents(true); // as the real port serves events while it waits
    Password password;
    MainWindow w(std::move(owned), dialogs, store, password, dir.path(), [&] { return device.pcNow(*port); });
    w.show();
    const double before = memoryMiB("VmRSS:");
    auto *download = w.findChild<QAbstractButton *>(QStringLiteral("downloadButton"));
    if (!download) {
        std::printf("window download: FAILED: no download button\n");
        return;
    }
    QElapsedTimer total;
    total.start();
    download->click();
    const double seconds = total.nsecsElapsed() / 1e9;
    const auto &t = clock.acks;
    if (t.size() < n) {
        std::printf("window download: only %lld of %d records arrived\n", static_cast<long long>(t.size()), n);
        return;
    }
    const int tenth = n / 10;
    const double first = double(t[tenth] - t[0]) / tenth / 1e3;
    const double last = double(t[n - 1] - t[n - 1 - tenth]) / tenth / 1e3;
    std::printf("window download of %d records (offscreen, simulated terminal in virtual time): %.2f s; "
                "per record %.1f us in the first tenth, %.1f us in the last (ratio %.2f); "
                "heap in use %.1f MiB after the first tenth, %.1f MiB at the end; "
                "resident memory %.1f MiB before, %.1f MiB after the first tenth, %.1f MiB at the end, peak %.1f MiB "
                "(the simulated terminal's %d records included)\n",
                n, seconds, first, last, last / first, clock.heapAtSample, heapMiB(), before, clock.rssAtSample,
                memoryMiB("VmRSS:"), memoryMiB("VmHWM:"), n);
}

} // namespace

int main(int argc, char **argv)
{
    g_sinceMain.start();
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir dir;
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, dir.filePath(QStringLiteral("config")));
    QApplication app(argc, argv);
    startupFigure(dir);
    growthFigure(dir, argc > 1 ? std::max(1000, atoi(argv[1])) : 100000);
    return 0;
}
