// The simulator's byte schedule in virtual time: unpaced answers go at once,
// paced ones at 10 bits per byte of the line's speed.
#include "ByteSchedule.h"

#include <gtest/gtest.h>

#include <tuple>

using vx::sim::ByteSchedule;

namespace {

constexpr qint64 kByteAt19200 = 520'833; // ns: 10 bits at 19200 baud
constexpr qint64 kByteAt9600 = 1'041'666;

// Sends everything, waking whenever the schedule says; the virtual time at the end.
qint64 drain(ByteSchedule &schedule, qint64 now)
{
    while (!schedule.isEmpty()) {
        now += schedule.waitNs(now);
        const qsizetype due = schedule.dueCount(now);
        EXPECT_GT(due, 0) << "woken at " << now << " with nothing due";
        if (due == 0)
            break;
        schedule.sent(due);
    }
    return now;
}

} // namespace

TEST(ByteSchedule, UnpacedAnswersGoAtOnce)
{
    ByteSchedule s;
    EXPECT_EQ(s.waitNs(0), -1);
    EXPECT_EQ(s.dueCount(0), 0);
    s.queue("ABCDE", 19200, 1000);
    EXPECT_EQ(s.dueCount(1000), 5);
    EXPECT_EQ(s.waitNs(1000), 0);
    s.sent(2);
    EXPECT_EQ(s.pending(), QByteArray("CDE"));
    EXPECT_EQ(s.dueCount(1000), 3);
    s.sent(3);
    EXPECT_TRUE(s.isEmpty());
    EXPECT_EQ(s.waitNs(1000), -1);
}

TEST(ByteSchedule, PacedBytesLeaveOneLineTimeApart)
{
    ByteSchedule s;
    s.setPace(true);
    const qint64 t0 = 5'000'000;
    s.queue("ABCD", 19200, t0);
    EXPECT_EQ(s.dueCount(t0), 0);
    EXPECT_EQ(s.waitNs(t0), kByteAt19200);
    EXPECT_EQ(s.dueCount(t0 + kByteAt19200 - 1), 0);
    EXPECT_EQ(s.dueCount(t0 + kByteAt19200), 1);
    EXPECT_EQ(s.dueCount(t0 + 3 * kByteAt19200 - 1), 2);
    EXPECT_EQ(s.dueCount(t0 + 100 * kByteAt19200), 4) << "never more than waits";

    s.sent(1);
    EXPECT_EQ(s.pending(), QByteArray("BCD"));
    EXPECT_EQ(s.dueCount(t0 + kByteAt19200), 0);
    EXPECT_EQ(s.waitNs(t0 + kByteAt19200), kByteAt19200);
}

TEST(ByteSchedule, OneSecondOfLineTimeAtEitherSpeed)
{
    for (const auto &[baud, bytesPerSecond, byteNs] :
         {std::tuple{19200, 1920, kByteAt19200}, std::tuple{9600, 960, kByteAt9600}}) {
        ByteSchedule s;
        s.setPace(true);
        s.queue(QByteArray(bytesPerSecond, 'x'), baud, 0);
        const qint64 end = drain(s, 0);
        EXPECT_EQ(end, bytesPerSecond * byteNs) << baud;
        EXPECT_GT(end, 999'000'000) << baud;
        EXPECT_LE(end, 1'000'000'000) << baud;
    }
}

TEST(ByteSchedule, ByteHeldUpByAFullLineDoesNotDelayTheRest)
{
    ByteSchedule s;
    s.setPace(true);
    s.queue("ABCDEF", 19200, 0);
    // The host's side took nothing for three byte times: the three bytes due go together.
    EXPECT_EQ(s.dueCount(3 * kByteAt19200), 3);
    s.sent(3);
    EXPECT_EQ(s.dueCount(3 * kByteAt19200), 0);
    EXPECT_EQ(s.waitNs(3 * kByteAt19200), kByteAt19200);
    EXPECT_EQ(drain(s, 3 * kByteAt19200), 6 * kByteAt19200);
}

TEST(ByteSchedule, LaterAnswersFollowWithoutOverlap)
{
    ByteSchedule s;
    s.setPace(true);
    s.queue("AB", 19200, 0);
    // Queued while bytes wait: straight behind them.
    s.queue("C", 19200, kByteAt19200 / 2);
    EXPECT_EQ(drain(s, 0), 3 * kByteAt19200);

    // Queued after the line has been idle: from then on.
    const qint64 later = 100 * kByteAt19200;
    s.queue("D", 19200, later);
    EXPECT_EQ(s.waitNs(later), kByteAt19200);
    EXPECT_EQ(drain(s, later), later + kByteAt19200);

    // Dropped bytes that never went leave no gap; the one on its way is let through.
    s.queue("EFGH", 9600, later + kByteAt19200);
    s.sent(s.dueCount(later + kByteAt19200 + kByteAt9600));
    s.clear();
    EXPECT_TRUE(s.isEmpty());
    const qint64 now = later + kByteAt19200 + kByteAt9600 + 10;
    s.queue("I", 9600, now - 20);
    EXPECT_EQ(s.waitNs(now - 20), kByteAt9600 + 10) << "the line is busy until the sent byte is through";
}
