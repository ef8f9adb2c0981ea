#include "ByteSchedule.h"

#include <algorithm>

namespace vx::sim {

void ByteSchedule::queue(const QByteArray &bytes, qint32 baud, qint64 nowNs)
{
    if (bytes.isEmpty())
        return;
    if (m_pending.isEmpty()) {
        m_byteNs = baud > 0 ? 10'000'000'000LL / baud : 0;
        m_startNs = nowNs;
        m_nextDueNs = std::max(nowNs, m_freeNs) + m_byteNs;
    }
    m_pending += bytes;
}

qsizetype ByteSchedule::dueCount(qint64 nowNs) const
{
    if (nowNs < m_startNs)
        return 0;
    if (m_pending.isEmpty() || !m_pace || m_byteNs == 0)
        return m_pending.size();
    if (nowNs < m_nextDueNs)
        return 0;
    return std::min<qint64>(m_pending.size(), (nowNs - m_nextDueNs) / m_byteNs + 1);
}

void ByteSchedule::sent(qsizetype n)
{
    n = std::min(n, m_pending.size());
    if (n <= 0)
        return;
    m_pending.remove(0, n);
    m_freeNs = m_nextDueNs + (n - 1) * m_byteNs;
    m_nextDueNs += n * m_byteNs;
}

qint64 ByteSchedule::waitNs(qint64 nowNs) const
{
    if (m_pending.isEmpty())
        return -1;
    if (!m_pace || m_byteNs == 0)
        return std::max<qint64>(0, m_startNs - nowNs);
    return std::max<qint64>(0, m_nextDueNs - nowNs);
}

} // namespace vx::sim
