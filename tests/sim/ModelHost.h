// Drives the terminal model directly: the host's transmissions with the
// line settings and the time they arrive.
#pragma once

#include "TerminalModel.h"

#include <QByteArray>
#include <initializer_list>

namespace vx::sim::test {

inline QByteArray raw(std::initializer_list<int> values)
{
    QByteArray out;
    for (int v : values)
        out.append(static_cast<char>(v));
    return out;
}

// ENQ, two hex digits, letter.
inline QByteArray command(const char *id, char letter)
{
    return QByteArray(1, ctl::ENQ) + id + letter;
}

inline QByteArray station(char letter)
{
    return QByteArray("\x05" "B00") + letter + ctl::CR;
}

inline const QString kTerminalLine = QStringLiteral("19200,n,8,1");
inline const QString kStationLine = QStringLiteral("9600,n,8,1");

struct ModelHost {
    TerminalModel model;
    QDateTime now = QDateTime(QDate(2024, 6, 1), QTime(9, 0, 0));
    bool hungUp = false;

    QByteArray send(const QByteArray &bytes, const QString &settings = kTerminalLine, qint64 afterMs = 10)
    {
        now = now.addMSecs(afterMs);
        const Reply r = model.receive(bytes, Line::parse(settings), now);
        hungUp = hungUp || r.hangUp;
        return r.bytes;
    }
};

} // namespace vx::sim::test
