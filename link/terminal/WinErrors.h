// Win32 error codes (GetLastError()) in the terms the rest of the program
// uses: the system's own words, and the kind of a file failure.
#pragma once

#include "terminal/Failure.h"

#include <QString>

namespace vx {

QString windowsErrorText(unsigned long code);
FailureKind windowsFileFailureKind(unsigned long code);

} // namespace vx
