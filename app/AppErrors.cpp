#include "AppErrors.h"

#include "DataFile.h"

#include <cerrno>

namespace vx {

int fileErrorNumber(int systemError)
{
    switch (systemError) {
    case ENOSPC:
#ifdef EDQUOT
    case EDQUOT:
#endif
        return kErrDiskFull;
    case ENOENT:
    case ENOTDIR:
        return kErrPathNotFound;
    case EACCES:
    case EPERM:
    case EROFS:
        return kErrPermissionDenied;
    case EIO:
        return kErrDeviceIo;
    default:
        return kErrFileAccess;
    }
}

AppError fileError(const DataFile &file)
{
    return {fileErrorNumber(file.errorNumber()), file.errorString()};
}

} // namespace vx
