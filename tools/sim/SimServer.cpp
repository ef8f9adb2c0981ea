#ifndef _GNU_SOURCE
#define _GNU_SOURCE
#endif
#include "SimServer.h"

#include "LineBytes.h"

#include <QDateTime>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <poll.h>
#include <signal.h>
#include <time.h>
#include <unistd.h>

namespace vx::sim {

namespace {
qint64 monotonicNs()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}
} // namespace

void SimServer::log(const QString &line) const
{
    if (!m_log)
        return;
    const QString stamp = QTime::currentTime().toString(QStringLiteral("HH:mm:ss.zzz"));
    std::fprintf(stderr, "%s  %s\n", qPrintable(stamp), qPrintable(line));
    std::fflush(stderr);
}

void SimServer::endNoise(const char *how)
{
    if (!m_noise)
        return;
    log(QStringLiteral("sim:  the noise %1 after %2 bytes").arg(QLatin1String(how)).arg(m_noiseSent));
    m_noise = false;
    m_schedule.clear();
}

void SimServer::heard(const QByteArray &bytes)
{
    // The host writes again: the noise stream has had its chance.
    endNoise("stops as the host writes");
    const LineSettings line = m_line.settings();
    log(QStringLiteral("host (%1): %2").arg(line.toString(), hexOf(bytes)));
    // A slow terminal hears nothing until its late answer is out.
    if (m_lateMs > 0 && !m_schedule.isEmpty()) {
        log(QStringLiteral("sim:  not heard: the terminal is still busy with its answer"));
        return;
    }
    const qsizetype held = m_model.records().size();
    const qint64 clock = m_model.clockOffsetMs();
    const bool asleep = m_model.isPoweredDown();
    const Reply reply = m_model.receive(bytes, line, QDateTime::currentDateTime());
    if (!reply.bytes.isEmpty()) {
        if (reply.untilHeard) {
            log(QStringLiteral("sim:  noise, up to %1 bytes until the host writes").arg(reply.bytes.size()));
            m_noise = true;
            m_noiseSent = 0;
        } else {
            log(QStringLiteral("sim:  %1").arg(hexOf(reply.bytes)));
        }
        // Paced, the host's own bytes take their line time to arrive before
        // the terminal can answer them.
        const qint64 heardNs = m_schedule.paced() && line.speed > 0
            ? static_cast<qint64>(bytes.size()) * 10'000'000'000LL / line.speed
            : 0;
        m_schedule.queue(reply.bytes, line.speed, monotonicNs() + heardNs + m_lateMs * 1'000'000LL);
    }
    // What the terminal did, for whoever checks a host's words against it.
    if (m_model.records().size() != held)
        log(QStringLiteral("sim:  the terminal now holds %1 records").arg(m_model.records().size()));
    if (m_model.clockOffsetMs() != clock)
        log(QStringLiteral("sim:  the terminal's clock is set"));
    if (m_model.isPoweredDown() && !asleep)
        log(QStringLiteral("sim:  the terminal powers down"));
    if (reply.hangUp) {
        log(QStringLiteral("sim:  the far end closes the line"));
        m_hangUpPending = true;
    }
}

bool SimServer::flushDue(qint64 nowNs)
{
    for (qsizetype due = m_schedule.dueCount(nowNs); due > 0; due = m_schedule.dueCount(nowNs)) {
        const qsizetype n = m_line.writeSome(m_schedule.pending().constData(), due);
        if (n < 0)
            return false;
        if (n == 0)
            return true; // the line is full; POLLOUT says when it takes more
        m_schedule.sent(n);
        if (m_noise) {
            m_noiseSent += n;
            if (m_schedule.isEmpty())
                endNoise("ends");
        }
    }
    return true;
}

SimServer::End SimServer::run(int controlFd)
{
    for (;;) {
        if (m_hangUpPending && m_schedule.isEmpty()) {
            m_line.hangUp();
            return End::HungUp;
        }
        const qint64 now = monotonicNs();
        const bool dueNow = m_schedule.dueCount(now) > 0;
        pollfd fds[2] = {
            {m_line.masterFd(), static_cast<short>(POLLIN | (dueNow ? POLLOUT : 0)), 0},
            {controlFd, POLLIN, 0},
        };
        // Nanosecond wake-ups: a paced byte leaves on time, not at the next whole millisecond.
        const qint64 waitNs = dueNow ? -1 : m_schedule.waitNs(now);
        const timespec timeout{static_cast<time_t>(waitNs / 1'000'000'000), static_cast<long>(waitNs % 1'000'000'000)};
        const int ready = ::ppoll(fds, 2, waitNs < 0 ? nullptr : &timeout, nullptr);
        if (ready < 0 && errno != EINTR)
            return End::LineFailed;

        if (fds[1].revents & POLLIN) {
            char c = 0;
            while (::read(controlFd, &c, 1) == 1) {
                if (c == 'q')
                    return End::Stopped;
                if (c == 'w' && m_model.isPoweredDown()) {
                    m_model.wake();
                    log(QStringLiteral("sim:  the terminal wakes up"));
                }
            }
        }
        if (fds[0].revents & POLLIN) {
            QByteArray in;
            const bool alive = m_line.readAvailable(in);
            if (!in.isEmpty())
                heard(in);
            if (!alive)
                return End::LineFailed;
        }
        if (fds[0].revents & (POLLERR | POLLNVAL))
            return End::LineFailed;
        if (!flushDue(monotonicNs()))
            return End::LineFailed;
    }
}

} // namespace vx::sim
