#include "ModelDevice.h"

#include <cmath>

namespace vx::test {

ModelDevice::ModelDevice(sim::TerminalModel &model, const QDateTime &pcEpoch)
    : m_model(model), m_epoch(pcEpoch)
{
}

void ModelDevice::received(const QByteArray &bytes, FakePort &port)
{
    const sim::Line line = sim::Line::parse(port.settings());
    // The bytes reach the terminal once the last of them is on the line.
    const double heardAt = static_cast<double>(port.now()) + line.msFor(bytes.size());
    port.runAt(static_cast<qint64>(std::ceil(heardAt)), [this, &port, bytes, line, heardAt] {
        const sim::Reply reply = m_model.receive(bytes, line, m_epoch.addMSecs(static_cast<qint64>(heardAt)));
        if (m_keepSent)
            m_sent += reply.bytes;
        double at = std::max(heardAt + kTurnaroundMs, m_lineFreeAt);
        // Bytes that complete within the same millisecond arrive together.
        QByteArray chunk;
        qint64 chunkAt = -1;
        for (char b : reply.bytes) {
            at += line.msFor(1);
            const auto ms = static_cast<qint64>(std::ceil(at));
            if (ms != chunkAt && !chunk.isEmpty()) {
                port.arriveAt(chunkAt, chunk);
                chunk.clear();
            }
            chunkAt = ms;
            chunk.append(b);
        }
        if (!chunk.isEmpty())
            port.arriveAt(chunkAt, chunk);
        m_lineFreeAt = at;
        if (reply.hangUp) {
            ++m_hangUps;
            port.runAt(static_cast<qint64>(std::ceil(at)), [&port] { port.pullCable(); });
        }
    });
}

} // namespace vx::test
