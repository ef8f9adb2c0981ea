#include "SerialPort.h"

namespace vx {

void SerialPort::setSettings(const LineSettings &settings) { setSettings(settings.toString()); }

LineSettings SerialPort::lineSettings() const
{
    // The text was checked when it was set.
    return LineSettings::parse(settings()).value_or(LineSettings{});
}

bool SerialPort::setSettings(const QString &settings)
{
    const auto parsed = LineSettings::parse(settings);
    if (parsed)
        setSettings(*parsed);
    return parsed.has_value();
}

QString SerialPort::settings() const { return lineSettings().toString(); }

} // namespace vx
