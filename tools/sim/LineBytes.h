// The terminal's side of the line: control bytes and its own data frames,
// without any I/O.
#pragma once

#include <QByteArray>
#include <QString>

namespace vx::sim {

namespace control {
constexpr char STX = 0x02;
constexpr char ETX = 0x03;
constexpr char EOT = 0x04;
constexpr char ENQ = 0x05;
constexpr char ACK = 0x06;
constexpr char CR = 0x0D;
constexpr char NAK = 0x15;
} // namespace control

// XOR of every byte.
quint8 xorOf(const QByteArray &bytes);

// STX, data, ETX, check byte (the XOR of the data; flipped when corrupt).
QByteArray frameOf(const QByteArray &data, bool corrupt = false);

// "05 30 30 41": the bytes in upper-case hex, spaced, for the log.
QString hexOf(const QByteArray &bytes);

} // namespace vx::sim
