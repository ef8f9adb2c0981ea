// The serial port of the system the program runs on: QSerialPort on Linux,
// Win32's own calls on Windows.
#pragma once

#include "terminal/SerialPort.h"

#include <memory>

namespace vx {

std::unique_ptr<SerialPort> makeSystemSerialPort();

} // namespace vx
