// The line parameters of a serial port: speed, parity, data bits, stop bits.
#pragma once

#include <QString>
#include <optional>

namespace vx {

struct LineSettings {
    enum class Parity { None, Even, Odd, Mark, Space };
    enum class StopBits { One, OneAndHalf, Two };

    qint32 speed = 19200;          // bits per second
    Parity parity = Parity::None;
    int dataBits = 8;              // 5 to 8
    StopBits stopBits = StopBits::One;

    // "19200,n,8,1": speed, parity (n e o m s), data bits, stop bits (1 1.5 2).
    QString toString() const;
    // The text form above, blanks around the fields and an upper-case parity
    // letter allowed; nullopt for anything else (a speed of 0 or less included).
    static std::optional<LineSettings> parse(const QString &text);

    friend bool operator==(const LineSettings &, const LineSettings &) = default;
};

// The terminals' line and the reader station's line.
inline constexpr LineSettings kTerminalLine{19200, LineSettings::Parity::None, 8, LineSettings::StopBits::One};
inline constexpr LineSettings kStationLine{9600, LineSettings::Parity::None, 8, LineSettings::StopBits::One};

} // namespace vx
