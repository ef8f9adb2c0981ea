// Power cuts during a download with clear. One download is recorded: every
// write and sync of the data file and its folder, every commit of the
// ledger, and the moment the terminal hears the clear. Then every state that
// a cut at any point may leave on the disk is built (writes after the file's
// last sync dropped or cut short, a new file's name lost while its folder was
// not synced, the ledger as of its last commit), the terminal as the cut
// found it, and the next download is run. Afterwards the file holds every
// record exactly once, in order, and the terminal is cleared.
#include "download/Downloader.h"
#include "FakePort.h"
#include "ModelDevice.h"
#include "TerminalModel.h"
#include "TestFiles.h"
#include "terminal/TerminalLink.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#ifdef Q_OS_WIN
#include <io.h>
#include <windows.h>
#endif

using namespace vx;
using namespace vx::test;

inline void PrintTo(const QByteArray &bytes, std::ostream *os) { *os << ::testing::PrintToString(bytes.toStdString()); }

// Named, not anonymous: the test classes GoogleTest makes derive from a
// fixture of these types.
namespace crash_states {

constexpr int kRecords = 5;

QStringList held(int from, int to)
{
    QStringList list;
    for (int i = from; i <= to; ++i)
        list << QStringLiteral("%1,r%2").arg(i, 2, 16, QLatin1Char('0')).arg(i);
    return list;
}
QByteArray stored(int from, int to)
{
    QByteArray lines;
    for (int i = from; i <= to; ++i)
        lines += QByteArray::number(i) + ",r" + QByteArray::number(i) + "\r\n";
    return lines;
}

struct Event {
    enum Kind { Write, FileSync, FolderSync, Commit, Clear } kind;
    QByteArray bytes; // Write: the bytes; Commit: the ledger after it
};

struct Recorder : FileCalls {
    QList<Event> *events = nullptr;
    ssize_t write(int fd, const void *bytes, size_t size) override
    {
        const ssize_t n = FileCalls::write(fd, bytes, size);
        events->append(Event{Event::Write, QByteArray(static_cast<const char *>(bytes), n > 0 ? n : 0)});
        return n;
    }
    int fsync(int fd) override
    {
        events->append(Event{isFolder(fd) ? Event::FolderSync : Event::FileSync, {}});
        return FileCalls::fsync(fd);
    }
    static bool isFolder(int fd)
    {
#ifdef Q_OS_WIN // the C library's fstat() calls every disk file a regular one
        BY_HANDLE_FILE_INFORMATION info{};
        return GetFileInformationByHandle(reinterpret_cast<HANDLE>(_get_osfhandle(fd)), &info)
            && (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
#else
        struct stat st {};
        return ::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode);
#endif
    }
};

// The terminal, and a note of the moment it hears the clear.
struct ClearSpy : FakeDevice {
    explicit ClearSpy(FakeDevice &terminal) : terminal(terminal) {}
    void received(const QByteArray &bytes, FakePort &port) override
    {
        if (bytes == QByteArray("\x05" "00D") && events)
            events->append(Event{Event::Clear, {}});
        terminal.received(bytes, port);
    }
    FakeDevice &terminal;
    QList<Event> *events = nullptr;
};

enum class Target { NewFile, FileWithoutLineEnd, AppendedStandardOutput, RetryAfterACutDownload };

struct World {
    QTemporaryDir dir;
    QString data = dir.filePath("VX.txt"), ledger = dir.filePath("state/ledger.sqlite");
    sim::TerminalModel model;
    ModelDevice device{model};
    ClearSpy spy{device};
    FakePort port{&spy};
    vx::TerminalLink link{port.lend()};

    World()
    {
        link.setPortName(QStringLiteral("/dev/fake0"));
        link.setTimeout(2000);
        link.setErrorHandler([](const Failure &) {});
    }

    // One download with clear into the target; the records arrived or not.
    DownloadResult download(Target target, FileCalls &calls, const std::function<void(Ledger &)> &observe = {})
    {
        DownloadJob job;
        job.machine = 0;
        job.program = QStringLiteral("test");
        job.port = QStringLiteral("COM1");
        job.clear = true;
        job.now = [this] { return ModelDevice::kEpoch.addMSecs(port.now()); };
        Downloader downloader(link, job);
        if (observe)
            observe(downloader.ledger());
        RecordFile file(calls);
        int fd = -1;
        if (target == Target::AppendedStandardOutput) {
            fd = ::open(QFile::encodeName(data).constData(), O_WRONLY | O_APPEND | O_CREAT, 0644); // ">> VX.txt" (a text-mode descriptor on Windows)
            EXPECT_EQ(file.adopt(fd), RecordFile::Opened::Regular);
        } else {
            EXPECT_EQ(file.open(data), RecordFile::Opened::Regular);
        }
        EXPECT_TRUE(downloader.prepare(file, ledger)) << describe(downloader.failure()).toStdString();
        DownloadEvents quiet;
        const DownloadResult r = downloader.run(quiet);
        port.advance(sim::TerminalModel::kIdleResetMs + 1000); // a stream left hanging is dropped
        file.close();
        if (fd >= 0)
            ::close(fd);
        return r;
    }
};

// The bytes a file may hold after a cut: what its last sync made durable,
// then the later writes whole, cut short at any byte, or not at all.
QList<QByteArray> possibleContents(const QByteArray &synced, const QByteArray &unsynced)
{
    QList<QByteArray> out;
    for (qsizetype cut = 0; cut <= unsynced.size(); ++cut)
        out << synced + unsynced.left(cut);
    return out;
}

} // namespace crash_states

using namespace crash_states;

class CrashStates : public ::testing::TestWithParam<Target> {};

TEST_P(CrashStates, EveryRecordOnceAfterACutAnywhere)
{
    const Target target = GetParam();
    const auto openFiles = [] { return kOnWindows ? 0 : QDir(QStringLiteral("/proc/self/fd")).count(); };
    const int descriptors = openFiles();
    // What the file and the ledger hold before the recorded download.
    World setup;
    setup.model.setRecords(held(1, kRecords));
    QByteArray before;
    if (target == Target::FileWithoutLineEnd || target == Target::AppendedStandardOutput) {
        ASSERT_TRUE(writeFileBytes(setup.data, before = "old,partial"));
    }
    if (target == Target::RetryAfterACutDownload) {
        setup.model.setFaults({.silentFromRecord = 3});
        setup.download(Target::NewFile, systemFileCalls());
        setup.model.setFaults({});
        before = fileBytes(setup.data);
        ASSERT_EQ(before, stored(1, 2));
    }
    const bool existed = QFile::exists(setup.data);
    const QByteArray ledgerBefore = QFile::exists(setup.ledger) ? fileBytes(setup.ledger) : QByteArray();

    QList<Event> events;
    Recorder recorder;
    recorder.events = &events;
    setup.spy.events = &events;
    setup.download(target, recorder, [&](Ledger &ledger) {
        ledger.setCommitObserver([&] { events.append(Event{Event::Commit, fileBytes(setup.ledger)}); });
    });
    setup.spy.events = nullptr;
    ASSERT_TRUE(setup.model.records().isEmpty());
    const QByteArray all = (before == "old,partial" ? before + "\r\n" : QByteArray()) + stored(1, kRecords);
    ASSERT_EQ(fileBytes(setup.data), target == Target::RetryAfterACutDownload ? stored(1, kRecords) : all);

    int states = 0;
    for (qsizetype cut = 0; cut <= events.size(); ++cut) {
        QByteArray synced = before, unsynced, ledger = ledgerBefore;
        bool named = existed, cleared = false;
        for (qsizetype i = 0; i < cut; ++i) {
            const Event &e = events[i];
            if (e.kind == Event::Write)
                unsynced += e.bytes;
            else if (e.kind == Event::FileSync)
                synced += std::exchange(unsynced, {});
            else if (e.kind == Event::FolderSync)
                named = true;
            else if (e.kind == Event::Commit)
                ledger = e.bytes;
            else
                cleared = true;
        }
        QList<QByteArray> contents = possibleContents(synced, unsynced);
        if (!named)
            contents << QByteArray("<absent>");
        for (const QByteArray &content : contents) {
            SCOPED_TRACE(QStringLiteral("cut after event %1 of %2, file %3").arg(cut).arg(events.size()).arg(QString::fromLatin1(content)).toStdString());
            ++states;
            // The same file (its inode too), or none by that name.
            const QString away = setup.data + ".away";
            ASSERT_TRUE(writeFileBytes(setup.data, content == "<absent>" ? QByteArray() : content));
            if (content == "<absent>") {
                ASSERT_TRUE(QFile::rename(setup.data, away));
            }
            if (ledger.isEmpty())
                QFile::remove(setup.ledger);
            else
                ASSERT_TRUE(writeFileBytes(setup.ledger, ledger));
            setup.model.setRecords(cleared ? QStringList() : held(1, kRecords));
            // Until the clear, nothing is lost: the terminal holds every record.
            if (cleared) {
                ASSERT_EQ(content, all.right(content.size())) << "cleared before its records were on the disk";
            }
            const DownloadResult r = setup.download(target, systemFileCalls());
            EXPECT_TRUE(r.stored);
            EXPECT_EQ(fileBytes(setup.data), target == Target::RetryAfterACutDownload ? stored(1, kRecords) : all);
            EXPECT_TRUE(setup.model.records().isEmpty());
            if (content == "<absent>") {
                ASSERT_TRUE(QFile::remove(setup.data) && QFile::rename(away, setup.data));
            }
        }
    }
    std::printf("%d crash states checked\n", states);
    EXPECT_EQ(openFiles(), descriptors) << "a file left open";
}

INSTANTIATE_TEST_SUITE_P(Targets, CrashStates,
                         ::testing::Values(Target::NewFile, Target::FileWithoutLineEnd, Target::AppendedStandardOutput,
                                           Target::RetryAfterACutDownload));
