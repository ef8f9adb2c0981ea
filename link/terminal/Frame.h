// Byte layouts of the terminal line, as plain value functions without I/O.
#pragma once

#include <QByteArray>
#include <QString>

namespace vx {

constexpr char ENQ = 0x05;
constexpr char STX = 0x02;
constexpr char ETX = 0x03;
constexpr char EOT = 0x04;
constexpr char ACK = 0x06;
constexpr char NAK = 0x15;
constexpr char CR = 0x0D;

// Text <-> line bytes: one byte per character (Latin-1), so every byte
// value survives the round trip unchanged.
QByteArray toLine(const QString &text);
QString fromLine(const QByteArray &bytes);

// Two upper-case hexadecimal digits of the low byte: 1 -> "01", 300 -> "2C", -1 -> "FF".
QByteArray hexId(qint16 id);

// ENQ, the machine number's two digits, the command letter.
QByteArray commandFrame(qint16 id, char letter);

// STX, data, ETX, the XOR of the data.
QByteArray dataFrame(const QByteArray &data);

// XOR of every byte; 0 for an empty array.
quint8 calcBcc(const QByteArray &bytes);

// What the bytes received so far in answer to a request make. Only the first
// byte decides between a frame and the end of a stream: EOT there is the end
// (whatever follows it); after an STX every byte belongs to the frame, EOT
// included, up to the first ETX and the check byte behind it.
struct Reply {
    enum Kind {
        Incomplete,  // nothing yet, or a frame still missing its ETX or check byte
        EndOfStream, // EOT first
        Frame,       // STX, one or more data bytes, ETX, their XOR, and nothing more
        Broken,      // any other first byte, an empty frame, a wrong check byte, or
                     // bytes after the check byte (a reply is one frame)
    };
    Kind kind = Incomplete;
    QByteArray data; // the data of a Frame
};
Reply readReply(const QByteArray &received);

// ENQ "B00" letter CR: a reader station request.
QByteArray stationRequest(char letter);

// "05 30 30 41": bytes as spaced upper-case hex, for traces and logs.
QString hexDump(const QByteArray &bytes);

} // namespace vx
