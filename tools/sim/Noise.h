// Deterministic line noise: what a host reads from a line at the wrong speed
// or from a disturbed cable. Every byte value can come, the protocol's control
// bytes (STX, ETX, EOT, ENQ, ACK, NAK) included, as on a real noisy line: the
// noise can pass for the start or end of a frame or for an answer, and the
// host must still tell it from one. The same seed gives the same bytes.
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
