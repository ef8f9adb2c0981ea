// Deterministic line noise: what a host reads from a line at the wrong speed
// or from a disturbed cable. The bytes never include the protocol's control
// bytes (STX, ETX, EOT, ENQ, ACK, NAK), so noise never passes for a frame or
// an answer: the host sees a garbled line and gives up on its own terms.
#pragma once

#include <QByteArray>

namespace vx::sim {

class Noise {
public:
    explicit Noise(quint64 seed = 0x5eed5eedULL);
    QByteArray bytes(qsizetype count);

private:
    quint64 m_state;
};

} // namespace vx::sim
