#include "Noise.h"

namespace vx::sim {

Noise::Noise(quint64 seed) : m_state(seed ? seed : 0x9e3779b97f4a7c15ULL) {}

QByteArray Noise::bytes(qsizetype count)
{
    QByteArray out;
    out.reserve(count);
    while (out.size() < count) {
        // xorshift64*
        m_state ^= m_state >> 12;
        m_state ^= m_state << 25;
        m_state ^= m_state >> 27;
        out.append(static_cast<char>((m_state * 0x2545F4914F6CDD1DULL) >> 56));
    }
    return out;
}

} // namespace vx::sim
