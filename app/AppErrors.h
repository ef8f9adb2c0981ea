// The program's own run-time failures (files, number overflow). They end the
// command that met them through its error path, which reports the failure
// in a message box titled with its number.
#pragma once

#include <QString>

namespace vx {

enum AppErrorNumber : int {
    kErrAppOverflow = 6,
    kErrFileNotFound = 53,
    kErrDeviceIo = 57,
    kErrDiskFull = 61,
    kErrPermissionDenied = 70,
    kErrFileAccess = 75,
    kErrPathNotFound = 76,
};

struct AppError {
    int number = 0;
    QString description;
};

// The failure of a file operation, from the system's error number.
AppError fileError(int errnoValue, const QString &doing, const QString &fileName);

} // namespace vx
