// The program's own run-time failures (files, number overflow). They end the
// command that met them through its error path, which reports the failure
// in a message box titled with its number.
#pragma once

#include <QString>

namespace vx {

class DataFile;

enum AppErrorNumber : int {
    kErrAppOverflow = 6,
    kErrOutOfMemory = 7,
    kErrInternal = 51,
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

// The number of a file failure, from the system's error number: 61 disk
// full, 76 path not found, 70 permission denied, 57 device I/O, else 75.
int fileErrorNumber(int systemError);

// The last failure of a data file.
AppError fileError(const DataFile &file);

} // namespace vx
