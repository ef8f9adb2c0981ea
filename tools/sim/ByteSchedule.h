// When the simulator's answer bytes may go out: all at once, or paced at the
// real line rate (10 bits per byte) one after the other. Times are given in
// nanoseconds by the caller, so the schedule runs on any clock.
#pragma once

#include <QByteArray>

namespace vx::sim {

class ByteSchedule {
public:
    void setPace(bool on) { m_pace = on; }
    bool paced() const { return m_pace; }

    // Bytes to send at the given baud, behind those still waiting. A line left
    // idle starts again at nowNs (a time to come: the bytes wait until then),
    // but never before its last byte is through.
    void queue(const QByteArray &bytes, qint32 baud, qint64 nowNs);
    bool isEmpty() const { return m_pending.isEmpty(); }
    const QByteArray &pending() const { return m_pending; }

    // How many pending bytes may go at nowNs: all of them unpaced; paced,
    // those whose line time is over (a byte held up by a full line does not
    // push the later ones back).
    qsizetype dueCount(qint64 nowNs) const;
    // The first n pending bytes went out.
    void sent(qsizetype n);
    // Nanoseconds until the next byte is due: -1 when nothing waits, 0 when one is due.
    qint64 waitNs(qint64 nowNs) const;
    // Drops the bytes still waiting; those sent keep the line busy.
    void clear() { m_pending.clear(); }

private:
    bool m_pace = false;
    QByteArray m_pending;
    qint64 m_byteNs = 0;     // line time of one pending byte
    qint64 m_startNs = 0;    // no pending byte goes before this
    qint64 m_nextDueNs = 0;  // when the next pending byte is through the line
    qint64 m_freeNs = 0;     // when the last byte sent is through the line
};

} // namespace vx::sim
