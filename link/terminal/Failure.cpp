#include "terminal/Failure.h"

#include <QCoreApplication>

#include <cerrno>

namespace vx {

int Failure::number() const
{
    switch (kind) {
    case FailureKind::PortMissing: return 8002;
    case FailureKind::PortInUse: return 8005;
    case FailureKind::PortDenied: return 8006;
    case FailureKind::PortSettings: return 8010;
    case FailureKind::PortClosed: return 8012;
    case FailureKind::PortIo: return 8015;
    case FailureKind::Overflow: return 6;
    case FailureKind::BadData: return 13;
    case FailureKind::FileIo: return 57;
    case FailureKind::DiskFull: return 61;
    case FailureKind::FileDenied: return 70;
    case FailureKind::PathNotFound: return 76;
    case FailureKind::FileAccess: return 75;
    case FailureKind::OutOfMemory: return 7;
    case FailureKind::Internal: return 51;
    }
    return 51;
}

QString describe(const Failure &failure)
{
    if (!failure.detail.isEmpty())
        return failure.detail;
    switch (failure.kind) {
    case FailureKind::PortMissing: return QCoreApplication::translate("vx::Failure", "No such device");
    case FailureKind::PortInUse: return QCoreApplication::translate("vx::Failure", "The port is in use by another program");
    case FailureKind::PortDenied: return QCoreApplication::translate("vx::Failure", "Permission denied");
    case FailureKind::PortSettings: return QCoreApplication::translate("vx::Failure", "The line settings were refused");
    case FailureKind::PortClosed: return QCoreApplication::translate("vx::Failure", "The port is not open");
    case FailureKind::PortIo: return QCoreApplication::translate("vx::Failure", "Device I/O error");
    case FailureKind::Overflow: return QCoreApplication::translate("vx::Failure", "Overflow");
    case FailureKind::BadData: return QCoreApplication::translate("vx::Failure", "Type mismatch");
    case FailureKind::FileIo: return QCoreApplication::translate("vx::Failure", "Device I/O error");
    case FailureKind::DiskFull: return QCoreApplication::translate("vx::Failure", "Disk full");
    case FailureKind::FileDenied: return QCoreApplication::translate("vx::Failure", "Permission denied");
    case FailureKind::PathNotFound: return QCoreApplication::translate("vx::Failure", "Path not found");
    case FailureKind::FileAccess: return QCoreApplication::translate("vx::Failure", "Path/File access error");
    case FailureKind::OutOfMemory: return QCoreApplication::translate("vx::Failure", "Out of memory");
    case FailureKind::Internal: return QCoreApplication::translate("vx::Failure", "Internal error");
    }
    return QCoreApplication::translate("vx::Failure", "Internal error");
}

FailureKind fileFailureKind(int systemError)
{
    switch (systemError) {
    case ENOSPC:
#ifdef EDQUOT
    case EDQUOT:
#endif
        return FailureKind::DiskFull;
    case ENOENT:
    case ENOTDIR:
        return FailureKind::PathNotFound;
    case EACCES:
    case EPERM:
    case EROFS:
        return FailureKind::FileDenied;
    case EIO:
        return FailureKind::FileIo;
    default:
        return FailureKind::FileAccess;
    }
}

} // namespace vx
