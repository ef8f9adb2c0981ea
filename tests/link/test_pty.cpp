// The Qt adapter on real pseudo-terminals, for what only a real device shows,
// and the link's abort through it.
#include "portnames/LockHolders.h"
#include "terminal/QtSerialPortAdapter.h"
#include "terminal/TerminalLink.h"

#include <QFile>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <gtest/gtest.h>

#include <QDateTime>

#include <csignal>
#include <fcntl.h>
#include <pty.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// A pseudo-terminal whose master side the test plays by hand (the adapter
// makes the line raw when it opens it).
struct Pty {
    Pty()
    {
        char name[128] = {};
        if (openpty(&master, &slave, name, nullptr, nullptr) == 0)
            device = QString::fromLocal8Bit(name);
    }
    ~Pty() { close(slave); close(master); }
    int master = -1, slave = -1;
    QString device;
};

} // namespace

TEST(PtyAdapter, ALinkAndItsDeviceTakeOneLockAndBytesStayUntilRead)
{
    Pty pty;
    QTemporaryDir dir;
    const QString link = dir.filePath("usb-terminal-if00");
    ASSERT_TRUE(QFile::link(pty.device, link));
    vx::QtSerialPortAdapter first, second;
    first.setPortName(link);
    ASSERT_TRUE(first.open()) << qPrintable(describe(first.lastError()));
    EXPECT_EQ(first.portName(), link);
    second.setPortName(pty.device);
    EXPECT_FALSE(second.open());
    EXPECT_EQ(second.lastError().kind, vx::FailureKind::PortInUse);
    EXPECT_EQ(second.lastError().detail,
              QStringLiteral("%1: in use by another program (test_link, pid %2)").arg(pty.device).arg(::getpid()));
    first.close();
    EXPECT_TRUE(second.open());
    ASSERT_EQ(write(pty.master, "\x06", 1), 1);
    EXPECT_TRUE(second.waitForBytes(1000));
    EXPECT_TRUE(second.waitForBytes(0)) << "a byte in the buffer is there until read";
    EXPECT_EQ(second.readAll(), "\x06");

    second.setPortName(dir.filePath("gone"));
    second.close();
    EXPECT_FALSE(second.open());
    EXPECT_EQ(second.lastError().kind, vx::FailureKind::PortMissing);
    EXPECT_EQ(second.lastError().detail, dir.filePath("gone") + ": no such device");
}

TEST(PtyAdapter, StaleBytesAreDroppedAndAnAbortEndsTheWaitInProgressAndEveryLaterOne)
{
    Pty pty;
    vx::TerminalLink link;
    link.setPortName(pty.device);
    link.setTimeout(3000);
    link.runSelfTest(0); // opens the port; no answer expected
    ASSERT_EQ(link.status(), 0);
    // A stray ACK reaches the system's buffer while no event loop runs.
    ASSERT_EQ(write(pty.master, "\x06", 1), 1);
    QThread::msleep(100);
    bool served = false; // the wait serves the program's events
    QTimer::singleShot(300, [&] { served = true; link.abort(); });
    const qint64 start = link.port().now();
    link.powerDown(0); // the terminal stays silent
    EXPECT_EQ(link.status(), vx::VX_ERR_TIMEOUT);
    EXPECT_TRUE(served);
    link.powerDown(0);
    EXPECT_EQ(link.status(), vx::VX_ERR_TIMEOUT);
    EXPECT_FALSE(link.port().waitForBytes(3000));
    EXPECT_LT(link.port().now() - start, 1500); // at once, not after the 3 s asked for
}

// Locks of other programs are honoured: an flock() on the device (picocom's
// way) and a lock file of a running program, in the system's format (the
// process id alone) or Qt's; a lock file whose program is gone, or an empty
// one older than a second, is taken over at once.
TEST(PtyAdapter, LocksOfOtherProgramsAndStaleOnes)
{
    Pty pty;
    const QString lockFile = "/var/lock/LCK.." + QString(pty.device).mid(5).replace('/', '_');
    if (::access("/var/lock", W_OK) != 0)
        GTEST_SKIP() << "/var/lock is not writable here";
    const pid_t sleeper = fork();
    if (sleeper == 0) {
        ::execlp("sleep", "sleep", "30", nullptr);
        _exit(1);
    }
    for (int i = 0; i < 200 && vx::processDescription(sleeper) != QStringLiteral("sleep, pid %1").arg(sleeper); ++i)
        QThread::msleep(5); // until it runs as sleep
    const QString self = QStringLiteral("test_link, pid %1").arg(::getpid()), sleep = QStringLiteral("sleep, pid %1").arg(sleeper);
    // the lock file (null: an flock() on the device instead), five seconds old, the holder named (empty: it opens)
    const std::tuple<QByteArray, bool, QString> rows[] = {
        {QByteArray::number(sleeper).rightJustified(10, ' ') + '\n', false, sleep},
        {QByteArray::number(sleeper) + "\npicocom\nhost\n", false, QStringLiteral("picocom, pid %1").arg(sleeper)},
        {"2147480000\n", false, ""}, {"", true, ""}, {QByteArray(), false, self}};
    for (const auto &[content, aged, holder] : rows) {
        SCOPED_TRACE(content.toStdString());
        QFile f(lockFile);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(content) == content.size());
        f.setFileTime(QDateTime::currentDateTime().addSecs(aged ? -5 : 0), QFileDevice::FileModificationTime);
        f.close();
        const int other = content.isNull() ? ::open(pty.device.toLocal8Bit().constData(), O_RDWR | O_NOCTTY) : -1;
        if (content.isNull()) {
            ASSERT_TRUE(QFile::remove(lockFile) && flock(other, LOCK_EX) == 0);
        }
        vx::QtSerialPortAdapter port;
        port.setPortName(pty.device);
        EXPECT_EQ(port.open(), holder.isEmpty());
        EXPECT_EQ(port.lastError().detail.toStdString(),
                  holder.isEmpty() ? "" : (pty.device + ": in use by another program (" + holder + ")").toStdString());
        port.close();
        ::close(other);
    }
    // Anybody may plant a FIFO as the lock file: it is never opened (the
    // open would block for good), and the port is said to be held by it.
    QFile::remove(lockFile);
    ASSERT_EQ(::mkfifo(QFile::encodeName(lockFile).constData(), 0666), 0);
    vx::QtSerialPortAdapter port;
    port.setPortName(pty.device);
    EXPECT_FALSE(port.open());
    EXPECT_EQ(port.lastError().detail,
              pty.device + ": in use: " + lockFile + " is not a lock file; its owner or the administrator must remove it");
    QFile::remove(lockFile);
    ::kill(sleeper, SIGKILL);
    ::waitpid(sleeper, nullptr, 0);
}
