// The terminal's side of the line: control bytes, its own data frames and
// the line settings in force, without any I/O.
#pragma once

#include <QByteArray>
#include <QString>

namespace vx::sim {

namespace ctl {
constexpr char STX = 0x02;
constexpr char ETX = 0x03;
constexpr char EOT = 0x04;
constexpr char ENQ = 0x05;
constexpr char ACK = 0x06;
constexpr char CR = 0x0D;
constexpr char NAK = 0x15;
} // namespace ctl

// XOR of every byte.
quint8 xorOf(const QByteArray &bytes);

// STX, data, ETX, check byte (the XOR of the data; flipped when corrupt).
QByteArray frameOf(const QByteArray &data, bool corrupt = false);

// Line settings as the host put them on the port.
struct Line {
    qint32 baud = 19200;
    char parity = 'n';   // n e o m s
    int dataBits = 8;
    QString stopBits = QStringLiteral("1");

    // "19200,n,8,1"; an unreadable text gives a line nobody understands (baud 0).
    static Line parse(const QString &text);
    QString text() const;
    // True at the given baud with no parity, 8 data bits and 1 stop bit.
    bool is8N1At(qint32 rate) const;
    // Milliseconds the line needs for n bytes (10 bits each); 0 for baud 0.
    double msFor(qint64 bytes) const;
};

constexpr qint32 kTerminalBaud = 19200;
constexpr qint32 kStationBaud = 9600;

} // namespace vx::sim
