// One query over a real pseudo-terminal through the QSerialPort adapter,
// answered by a few lines of device code on the master side.
#include "Frame.h"
#include "ucVX300_500.h"

#include <gtest/gtest.h>

#include <QThread>
#include <QTimer>

#include <atomic>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

TEST(PtySmoke, RecordCountOverAPseudoTerminal)
{
    int master = -1, slave = -1;
    char name[128] = {};
    ASSERT_EQ(openpty(&master, &slave, name, nullptr, nullptr), 0);
    termios raw{};
    tcgetattr(slave, &raw);
    cfmakeraw(&raw);
    tcsetattr(slave, TCSANOW, &raw);

    std::atomic<bool> stop{false};
    std::thread terminal([&] {
        QByteArray in;
        while (!stop) {
            pollfd p{master, POLLIN, 0};
            if (poll(&p, 1, 20) <= 0)
                continue;
            char buf[64];
            const ssize_t n = read(master, buf, sizeof buf);
            if (n <= 0)
                break;
            in.append(buf, n);
            if (in.endsWith(QByteArray::fromHex("05303041"))) {
                const QByteArray reply = vx::dataFrame("42");
                write(master, reply.constData(), reply.size());
                in.clear();
            } else if (in.endsWith(QByteArray(1, vx::ACK))) {
                write(master, "\x04", 1);
                in.clear();
            }
        }
    });

    ucVX300_500 link;
    QList<vx::RuntimeError> reports;
    link.SetErrorHandler([&](const vx::RuntimeError &e) { reports.append(e); });
    link.SetPortName(QString::fromLocal8Bit(name));
    link.Timeout(2000);
    qint16 count = -1;
    link.GetRecordCount(0, count);
    stop = true;
    terminal.join();
    close(slave);
    close(master);

    EXPECT_TRUE(reports.isEmpty()) << (reports.isEmpty() ? "" : reports[0].description.toStdString());
    EXPECT_EQ(link.ErrCode(), 0);
    EXPECT_EQ(count, 42);
}

TEST(PtySmoke, MissingDeviceIsNamedInTheReport)
{
    ucVX300_500 link;
    QList<vx::RuntimeError> reports;
    link.SetErrorHandler([&](const vx::RuntimeError &e) { reports.append(e); });
    link.SetPortName(QStringLiteral("/dev/does-not-exist-vx"));
    qint16 count = 3;
    link.GetRecordCount(0, count);
    EXPECT_EQ(link.ErrCode(), vx::VX_ERR_PORT_NOT_OPEN);
    ASSERT_EQ(reports.size(), 1);
    EXPECT_EQ(reports[0].number, vx::kErrPortNotFound);
    EXPECT_TRUE(reports[0].description.contains(QStringLiteral("no such device")));
}

namespace {

// A pseudo-terminal whose master side the test plays by hand.
struct Pty {
    Pty()
    {
        char name[128] = {};
        if (openpty(&master, &slave, name, nullptr, nullptr) == 0) {
            termios raw{};
            tcgetattr(slave, &raw);
            cfmakeraw(&raw);
            tcsetattr(slave, TCSANOW, &raw);
            device = QString::fromLocal8Bit(name);
        }
    }
    ~Pty()
    {
        if (slave >= 0)
            close(slave);
        if (master >= 0)
            close(master);
    }
    void closeMaster()
    {
        close(master);
        master = -1;
        close(slave); // nobody holds the device any more: the host sees a hang-up
        slave = -1;
    }
    int master = -1, slave = -1;
    QString device;
};

} // namespace

TEST(PtyAdapter, FarEndClosingDuringAWaitIsOneReport)
{
    Pty pty;
    ASSERT_FALSE(pty.device.isEmpty());
    ucVX300_500 link;
    QList<vx::RuntimeError> reports;
    link.SetErrorHandler([&](const vx::RuntimeError &e) { reports.append(e); });
    link.SetPortName(pty.device);
    link.Timeout(2000);
    QTimer::singleShot(100, [&] { pty.closeMaster(); });
    QString text = "old";
    link.GetVersion(0, text);
    EXPECT_EQ(link.ErrCode(), vx::VX_ERR_PORT_NOT_OPEN);
    EXPECT_EQ(text, "old");
    EXPECT_FALSE(link.Port().isOpen());
    ASSERT_EQ(reports.size(), 1);
    EXPECT_EQ(reports[0].number, vx::kErrPortIo);
}

TEST(PtyAdapter, WaitServesEventsAndAbortEndsIt)
{
    Pty pty;
    ASSERT_FALSE(pty.device.isEmpty());
    ucVX300_500 link;
    link.SetPortName(pty.device);
    link.Timeout(60000); // only the abort can end this wait in time
    bool served = false;
    QTimer::singleShot(50, [&] {
        served = true;
        link.Abort();
    });
    QString text = "old";
    link.GetVersion(0, text);
    EXPECT_TRUE(served);
    EXPECT_EQ(link.ErrCode(), vx::VX_ERR_TIMEOUT);
    EXPECT_EQ(text, "old");
}

TEST(PtyAdapter, BytesThatArriveBetweenOperationsAreDiscarded)
{
    Pty pty;
    ASSERT_FALSE(pty.device.isEmpty());
    ucVX300_500 link;
    link.SetPortName(pty.device);
    link.Timeout(200);
    link.InvokeTest(0); // opens the port; no answer expected
    ASSERT_EQ(link.ErrCode(), 0);
    // A stray ACK reaches the system's buffer while no event loop runs.
    ASSERT_EQ(write(pty.master, "\x06", 1), 1);
    QThread::msleep(100);
    link.PowerDown(0); // the terminal stays silent
    EXPECT_EQ(link.ErrCode(), vx::VX_ERR_TIMEOUT);
}
