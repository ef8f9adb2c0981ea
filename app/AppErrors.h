// Numbers of the program's own run-time failures (files and settings), in
// the style of the classic run-time error numbers. They title the message
// box that reports the failure.
#pragma once

namespace vx {

enum AppErrorNumber : int {
    kErrFileNotFound = 53,
    kErrDeviceIo = 57,
    kErrDiskFull = 61,
    kErrPermissionDenied = 70,
    kErrFileAccess = 75,
    kErrPathNotFound = 76,
};

} // namespace vx
