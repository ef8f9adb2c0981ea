#include "terminal/SerialPort.h"

namespace vx {

bool SerialPort::setSettings(const QString &settings)
{
    const auto parsed = LineSettings::parse(settings);
    if (parsed)
        setSettings(*parsed);
    return parsed.has_value();
}

QString SerialPort::settings() const { return lineSettings().toString(); }

} // namespace vx
