// The system calls that put a data file's bytes on the disk, in one place so
// that a test can record them, or stop them at any point as a kill would.
#pragma once

#include <sys/types.h>

namespace vx {

class FileCalls {
public:
    virtual ~FileCalls() = default;
    virtual ssize_t write(int fd, const void *bytes, size_t size);
    virtual int fsync(int fd); // a file, or a folder opened for reading
    virtual int ftruncate(int fd, off_t length);
};

FileCalls &systemFileCalls();

} // namespace vx
