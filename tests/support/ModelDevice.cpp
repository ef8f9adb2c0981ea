#include "ModelDevice.h"

#include <cmath>

namespace vx::test {

void ModelDevice::received(const QByteArray &bytes, FakePort &port)
{
    const LineSettings line = port.lineSettings();
    const double byteMs = line.speed > 0 ? 10'000.0 / line.speed : 0.0;
    // The bytes reach the terminal once the last of them is on the line.
    const double heardAt = static_cast<double>(port.now()) + byteMs * static_cast<double>(bytes.size());
    port.runAt(static_cast<qint64>(std::ceil(heardAt)), [this, &port, bytes, line, byteMs, heardAt] {
        // What is left of a noise stream never goes out once the host is heard.
        ++m_heard;
        if (m_noiseStream)
            m_lineFreeAt = std::min(m_lineFreeAt, heardAt);
        const sim::Reply reply = m_model.receive(bytes, line, kEpoch.addMSecs(static_cast<qint64>(heardAt)));
        m_noiseStream = reply.untilHeard;
        // Byte by byte at the line rate; those through within one millisecond arrive together.
        double at = std::max(heardAt + kTurnaroundMs, m_lineFreeAt);
        for (qsizetype i = 0, n = 0; i < reply.bytes.size(); i += n) {
            const auto ms = static_cast<qint64>(std::ceil(at + byteMs));
            for (n = 0; i + n < reply.bytes.size() && std::ceil(at + byteMs) == static_cast<double>(ms); ++n)
                at += byteMs;
            const QByteArray chunk = reply.bytes.mid(i, n);
            if (!reply.untilHeard)
                port.arriveAt(ms, chunk);
            else
                port.runAt(ms, [this, &port, chunk, heard = m_heard] {
                    if (heard == m_heard)
                        port.arriveAt(port.now(), chunk);
                });
        }
        m_lineFreeAt = at;
        if (reply.hangUp)
            port.runAt(static_cast<qint64>(std::ceil(at)), [&port] { port.pullCable(); });
    });
}

} // namespace vx::test
