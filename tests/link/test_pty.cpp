// The Qt adapter on real pseudo-terminals, for what only a real device shows,
// and the link's abort through it.
#include "QtSerialPortAdapter.h"
#include "ucVX300_500.h"

#include <QFile>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <gtest/gtest.h>

#include <pty.h>
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
    ucVX300_500 link;
    link.SetPortName(pty.device);
    link.Timeout(3000);
    link.InvokeTest(0); // opens the port; no answer expected
    ASSERT_EQ(link.ErrCode(), 0);
    // A stray ACK reaches the system's buffer while no event loop runs.
    ASSERT_EQ(write(pty.master, "\x06", 1), 1);
    QThread::msleep(100);
    bool served = false; // the wait serves the program's events
    QTimer::singleShot(300, [&] { served = true; link.Abort(); });
    const qint64 start = link.Port().now();
    link.PowerDown(0); // the terminal stays silent
    EXPECT_EQ(link.ErrCode(), vx::VX_ERR_TIMEOUT);
    EXPECT_TRUE(served);
    link.PowerDown(0);
    EXPECT_EQ(link.ErrCode(), vx::VX_ERR_TIMEOUT);
    EXPECT_FALSE(link.Port().waitForBytes(3000));
    EXPECT_LT(link.Port().now() - start, 1500); // at once, not after the 3 s asked for
}
